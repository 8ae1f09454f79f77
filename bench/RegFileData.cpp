#include "RegFileData.h"

#include "platform/TextCodec.h"

#include <QFile>

namespace {

QByteArray hexBytes(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size() / 3 + 1);
    int hi = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (hi < 0) {
            hi = v;
        } else {
            out.append(char(hi * 16 + v));
            hi = -1;
        }
    }
    return out;
}

QString unescape(QByteArrayView quoted)
{
    const QString s = TextCodec::decode(quoted);
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size())
            ++i;
        out += s[i];
    }
    return out;
}

// Index of the '=' that ends a quoted name.
qsizetype nameEnd(QByteArrayView line)
{
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            return i + 1;
    }
    return -1;
}

} // namespace

QVector<BenchKey> loadGeneratedRegFile(const QString& fileName, qint64* valueCount)
{
    QVector<BenchKey> keys;
    *valueCount = 0;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    const QByteArray prefix("HKEY_CURRENT_USER\\");
    BenchValue* pending = nullptr;
    QByteArray pendingHex;
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (pending) {
            pendingHex += line;
            if (!line.endsWith('\\')) {
                pending->data = hexBytes(pendingHex);
                pending = nullptr;
                pendingHex.clear();
            }
            continue;
        }
        if (line.startsWith('[')) {
            QByteArray path = line.mid(1, line.size() - 2);
            if (path.startsWith(prefix))
                path = path.mid(prefix.size());
            keys.append(BenchKey{TextCodec::decode(path), {}});
            continue;
        }
        if (keys.isEmpty() || line.isEmpty() || line == "REGEDIT4")
            continue;
        BenchValue v;
        qsizetype eq;
        if (line.startsWith('@')) {
            eq = 1;
        } else {
            eq = nameEnd(line);
            v.name = unescape(line.mid(1, eq - 2));
        }
        const QByteArray data = line.mid(eq + 1);
        bool hex = false;
        if (data.startsWith("\"")) {
            v.type = 1;
            v.data = unescape(data.mid(1, data.size() - 2)).toUtf8();
            v.data.append('\0');
        } else if (data.startsWith("dword:")) {
            const quint32 d = data.mid(6).toUInt(nullptr, 16);
            v.type = 4;
            v.data = QByteArray(reinterpret_cast<const char*>(&d), 4);
        } else {
            const qsizetype colon = data.indexOf(':');
            v.type = data.startsWith("hex(") ? data.mid(4, colon - 5).toUInt(nullptr, 16) : 3;
            pendingHex = data.mid(colon + 1);
            hex = true;
        }
        keys.last().values.append(v);
        ++*valueCount;
        if (hex) {
            if (line.endsWith('\\')) {
                pending = &keys.last().values.last();
            } else {
                keys.last().values.last().data = hexBytes(pendingHex);
                pendingHex.clear();
            }
        }
    }
    return keys;
}
