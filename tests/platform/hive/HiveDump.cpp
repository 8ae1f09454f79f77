#include "HiveDump.h"

#include "platform/WinReg.h"

#include <QProcess>
#include <QStringDecoder>

namespace {

QString valueLine(const QString& name, DWORD type, const QByteArray& data)
{
    return name + QLatin1Char('|') + QString::number(type) + QLatin1Char('|') + QString::fromLatin1(data.toHex());
}

// The export tool writes a line as Latin-1 when every character fits, else as UTF-8.
QString toolText(const QByteArray& line)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(line);
    return utf8.hasError() ? QString::fromLatin1(line) : text;
}

void walk(HKEY key, const QString& path, BranchDump* dump)
{
    QStringList& values = (*dump)[path];
    QString name;
    DWORD type = 0;
    QByteArray data;
    for (DWORD i = 0; RegEnumValueBytes(key, i, &name, MAX_VALUE_NAME + 1, &type, &data) == ERROR_SUCCESS; ++i)
        values << valueLine(name, type, data);
    for (DWORD i = 0; RegEnumKey(key, i, &name, MAX_KEY_NAME + 1) == ERROR_SUCCESS; ++i) {
        HKEY sub = 0;
        if (RegOpenKeyEx(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            walk(sub, path + QLatin1Char('\\') + name, dump);
            RegCloseKey(sub);
        }
    }
}

// String data as the program holds it: exact UTF-16 as UTF-8, anything else as it is.
QByteArray programData(DWORD type, const QByteArray& raw)
{
    if ((type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) || raw.size() % 2)
        return raw;
    QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    const QString text = decoder(raw);
    return decoder.hasError() ? raw : text.toUtf8();
}

// "name" with \\ and \" escapes, or @; returns the position after the closing quote.
qsizetype parseName(const QByteArray& line, QByteArray* name)
{
    if (line.startsWith('@'))
        return 1;
    qsizetype i = 1;
    for (; i < line.size() && line.at(i) != '"'; ++i) {
        if (line.at(i) == '\\' && i + 1 < line.size())
            ++i;
        name->append(line.at(i));
    }
    return i + 1;
}

void parseValue(const QByteArray& line, QStringList* values)
{
    QByteArray name;
    const qsizetype eq = parseName(line, &name);
    const QByteArray rest = line.mid(eq + 1);
    DWORD type = REG_BINARY;
    QByteArray data;
    if (rest.startsWith("dword:")) {
        type = REG_DWORD;
        const quint32 v = rest.mid(6).toUInt(nullptr, 16);
        data = QByteArray(reinterpret_cast<const char*>(&v), 4);
    } else {
        const qsizetype colon = rest.indexOf(':');
        if (rest.startsWith("hex("))
            type = DWORD(rest.mid(4, rest.indexOf(')') - 4).toUInt(nullptr, 16));
        data = QByteArray::fromHex(rest.mid(colon + 1).replace(',', ""));
    }
    values->append(valueLine(toolText(name), type, programData(type, data)));
}

// The tool lists values sorted by name; the comparison does not look at their order.
BranchDump sorted(BranchDump dump)
{
    for (QStringList& values : dump)
        values.sort();
    return dump;
}

} // namespace

BranchDump dumpBranch(HKEY root, const QString& subKey, const QString& prefix)
{
    BranchDump dump;
    HKEY key = 0;
    if (RegOpenKeyEx(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return dump;
    walk(key, prefix, &dump);
    RegCloseKey(key);
    return sorted(dump);
}

BranchDump dumpWithHiveTool(const QString& hive, const QString& prefix)
{
    QProcess tool;
    tool.start(QStringLiteral("hivexregedit"),
               {QStringLiteral("--export"), QStringLiteral("--prefix"), prefix, hive, QStringLiteral("\\")});
    BranchDump dump;
    if (!tool.waitForFinished(120000) || tool.exitCode() != 0)
        return dump;
    QStringList* values = nullptr;
    for (QByteArray line : tool.readAllStandardOutput().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('[') && line.endsWith(']')) {
            QString path = toolText(line.mid(1, line.size() - 2));
            if (path.endsWith(QLatin1Char('\\')))
                path.chop(1);
            values = &dump[path];
        } else if (values && (line.startsWith('"') || line.startsWith('@'))) {
            parseValue(line, values);
        }
    }
    return sorted(dump);
}

QStringList subKeyNames(HKEY root, const QString& path)
{
    QStringList names;
    HKEY key = 0;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {QStringLiteral("<missing>")};
    QString name;
    for (DWORD i = 0; RegEnumKey(key, i, &name, MAX_KEY_NAME + 1) == ERROR_SUCCESS; ++i)
        names << name;
    RegCloseKey(key);
    return names;
}

QString corpusHive(const QString& name)
{
    return QStringLiteral(KAVEN_SHARED_DIR "/corpus/hives/") + name;
}

LONG mountHives(const RegHiveOptions& options, QStringList* warnings)
{
    QString error;
    QStringList ignored;
    return RegOpenHives(options, &error, warnings ? warnings : &ignored);
}

LONG mountFiles(const QStringList& hives, QStringList* warnings)
{
    return mountHives({hives, {}, {}, false}, warnings);
}
