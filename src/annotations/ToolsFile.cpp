#include "annotations/ToolsFile.h"

#include "mainwindow/Favorites.h"
#include "annotations/ListFileWriter.h"
#include "platform/StoreFiles.h"
#include "platform/TextCodec.h"
#include "registry/HexDigit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace ToolsFile {

QByteArray encodeLine(const ExternalTool& tool)
{
    const QByteArray name = TextCodec::encode(FavoritesFile::storedDescription(tool.name));
    return QByteArray::number(name.size(), 16).toUpper().rightJustified(2, '0') + name +
           TextCodec::encode(QString(tool.path).replace(u'/', u'\\')) + '/' + TextCodec::encode(tool.parameters);
}

bool decodeLine(QByteArrayView line, ExternalTool& tool)
{
    if (line.size() < 2)
        return false;
    const int high = HexDigitValue(QLatin1Char(line[0]));
    const int low = HexDigitValue(QLatin1Char(line[1]));
    const int length = high * 16 + low;
    if (high < 0 || low < 0 || 2 + length > line.size())
        return false;
    const QByteArrayView rest = line.sliced(2 + length);
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0)
        return false;
    tool = {TextCodec::decode(line.sliced(2, length)), TextCodec::decode(rest.first(slash)).replace(u'\\', u'/'),
            TextCodec::decode(rest.sliced(slash + 1))};
    return true;
}

QList<ExternalTool> read(QIODevice& device)
{
    QList<ExternalTool> tools;
    for (QByteArray line : device.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        ExternalTool tool;
        if (decodeLine(line, tool))
            tools.append(tool);
    }
    return tools;
}

bool write(const QList<ExternalTool>& tools, QIODevice& device)
{
    QByteArray bytes;
    for (const ExternalTool& tool : tools)
        bytes += encodeLine(tool) + "\r\n";
    return device.write(bytes) == bytes.size();
}

QList<ExternalTool> load(const QString& fileName)
{
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.exists() || !file.open(QIODevice::ReadOnly))
        return {};
    return read(file);
}

bool save(const QList<ExternalTool>& tools, const QString& fileName)
{
    return ListFileWriter::replace(fileName, [&](QIODevice& device) { return write(tools, device); });
}

QStringList splitParameters(const QString& parameters)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum class Quote { None, Single, Double } quote = Quote::None;
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        const QChar c = parameters[i];
        const bool hasNext = i + 1 < parameters.size();
        if (quote == Quote::Single) {
            if (c == u'\'')
                quote = Quote::None;
            else
                word += c;
        } else if (quote == Quote::Double) {
            if (c == u'"')
                quote = Quote::None;
            else if (c == u'\\' && hasNext && QStringLiteral("\"\\$`").contains(parameters[i + 1]))
                word += parameters[++i];
            else
                word += c;
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == u'\'')
                quote = Quote::Single;
            else if (c == u'"')
                quote = Quote::Double;
            else if (c == u'\\' && hasNext)
                word += parameters[++i];
            else
                word += c;
        }
    }
    if (inWord)
        words << word; // an unclosed quote runs to the end
    return words;
}

bool run(const ExternalTool& tool)
{
    return QProcess::startDetached(tool.path, splitParameters(tool.parameters));
}

QString menuItemName(int index)
{
    return QStringLiteral("Tool") + QString::number(index);
}

int indexOfMenuItem(const QString& name)
{
    bool ok = false;
    const int index = name.startsWith(QStringLiteral("Tool")) ? name.mid(4).toInt(&ok) : -1;
    return ok && index >= 0 ? index : -1;
}

} // namespace ToolsFile
