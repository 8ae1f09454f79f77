#include "platform/wine/WineRegFile.h"

#include "platform/WinCase.h"
#include "platform/wine/WineText.h"

namespace {

const QByteArray Signature = "WINE REGISTRY Version 2";
const QByteArray RelativePrefix = ";; All keys relative to ";
constexpr quint64 TicksTo1970 = 116444736000000000ULL;
constexpr quint64 TicksPerSecond = 10000000ULL;

// The server keeps values and subkeys ordered by their names compared lower-cased, code unit by code
// unit, the shorter first when one begins the other.
int serverCompare(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(QChar::toLower(a[i].unicode())) - int(QChar::toLower(b[i].unicode()));
        if (d)
            return d;
    }
    return int(a.size() - b.size());
}

QString indexKey(int parent, QStringView name)
{
    return QString::number(parent) + QLatin1Char('\\') + winUpper(name);
}

bool isBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

QByteArrayView trimmedStart(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return line.sliced(i);
}

QByteArrayView withoutCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

} // namespace

std::unique_ptr<WineRegFile> WineRegFile::parse(const QByteArray& bytes, QString* error)
{
    std::unique_ptr<WineRegFile> file(new WineRegFile);
    if (!file->parseLines(bytes, error))
        return nullptr;
    return file;
}

std::unique_ptr<WineRegFile> WineRegFile::empty(const QString& relativeTo, const QByteArray& arch)
{
    QByteArray header = Signature + '\n' + RelativePrefix;
    const QStringList names = relativeTo.split(QLatin1Char('\\'));
    for (qsizetype i = 0; i < names.size(); ++i)
        header += (i ? "\\\\" : "") + WineText::escape(names.at(i), "[]");
    header += '\n';
    if (!arch.isEmpty())
        header += "\n#arch=" + arch + '\n';
    QString error;
    std::unique_ptr<WineRegFile> file = parse(header, &error);
    file->m_changed = true; // a file that is not there yet is written with the first change
    return file;
}

bool WineRegFile::parseLines(const QByteArray& bytes, QString* error)
{
    m_original = bytes;
    m_keys = {WineKey{}};
    QList<QByteArrayView> lines;
    QList<qsizetype> starts;
    for (qsizetype pos = 0; pos < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', pos);
        end = end < 0 ? bytes.size() : end + 1;
        starts.append(pos);
        lines.append(QByteArrayView(bytes).sliced(pos, end - pos));
        pos = end;
    }
    starts.append(bytes.size());
    const auto text = [&](qsizetype i) { return withoutCr(lines[i].endsWith('\n') ? lines[i].chopped(1) : lines[i]); };
    if (lines.isEmpty() || text(0) != Signature) {
        *error = QStringLiteral("Die Datei ist keine Registrierungsdatei von Wine (\"%1\" fehlt).")
                     .arg(QString::fromLatin1(Signature));
        return false;
    }
    int current = -1;
    qsizetype sectionStart = -1; // where the lines of current begin
    qsizetype contentEnd = 0; // after the last line that is not blank
    quint64 seconds = 0;
    bool hasSeconds = false;
    bool headerRead = false;
    const auto closeSection = [&](qsizetype end) {
        if (current < 0) {
            if (!headerRead)
                m_header = bytes.left(end);
            headerRead = true;
            return;
        }
        m_keys[current].lines += bytes.mid(sectionStart, end - sectionStart);
        if (hasSeconds)
            stamp(current, seconds * TicksPerSecond + TicksTo1970, true);
    };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = trimmedStart(text(i));
        if (isBlank(line))
            continue;
        if (line.startsWith('[')) {
            closeSection(contentEnd);
            sectionStart = contentEnd;
            qsizetype pos = 1;
            QString path;
            if (!WineText::unescape(line, &pos, ']', &path)) {
                current = -1; // a malformed key line: its values have no key, as in the server
                contentEnd = starts[i + 1];
                continue;
            }
            bool ok = false;
            seconds = line.sliced(pos).trimmed().toByteArray().split(' ').value(0).toULongLong(&ok);
            hasSeconds = ok;
            current = root();
            if (!path.isEmpty()) {
                for (const QString& name : path.split(QLatin1Char('\\')))
                    current = childOrAdd(current, name);
            }
        } else if (current >= 0 && line.startsWith("#time=")) {
            stamp(current, WineText::parseTimeOption(line.sliced(6)), true);
        } else if (current >= 0 && line.startsWith("#class=\"")) {
            qsizetype pos = 8;
            m_keys[current].hasClass = WineText::unescape(line, &pos, '"', &m_keys[current].keyClass);
        } else if (current >= 0 && line.startsWith("#link")) {
            m_keys[current].link = true;
        } else if (current >= 0 && line.startsWith('#')) {
            m_keys[current].otherOptions.append(line.toByteArray());
        } else if (current < 0 && line.startsWith("#arch=")) {
            m_arch = line.sliced(6).trimmed().toByteArray();
        } else if (current < 0 && text(i).startsWith(RelativePrefix)) {
            qsizetype pos = 0;
            const QByteArray rest = text(i).sliced(RelativePrefix.size()).toByteArray() + '\n';
            (void)WineText::unescape(rest, &pos, '\n', &m_relativeTo);
        } else if (current >= 0 && (line.startsWith('@') || line.startsWith('"'))) {
            WineText::ParsedValue value;
            const auto next = [&](QByteArrayView* more) {
                if (i + 1 >= lines.size())
                    return false;
                *more = text(++i);
                return true;
            };
            if (WineText::parseValue(line, next, &value)) {
                WineKey& key = m_keys[current];
                const int index = valueIndex(current, value.name);
                if (index >= 0)
                    key.values[index] = WineValue{value.name, value.type, value.data};
                else
                    key.values.append(WineValue{value.name, value.type, value.data});
            }
        }
        contentEnd = starts[i + 1];
    }
    closeSection(bytes.size());
    return true;
}

int WineRegFile::childOrAdd(int parent, const QString& name)
{
    const int found = child(parent, name);
    if (found >= 0)
        return found;
    WineKey key;
    key.name = name;
    key.parent = parent;
    m_keys.append(key);
    const int index = int(m_keys.size()) - 1;
    m_keys[parent].children.append(index);
    m_index.insert(indexKey(parent, name), index);
    return index;
}

// A key read without its own time takes the first one found below it, as the server's loader does.
void WineRegFile::stamp(int key, quint64 time, bool onlyUnset)
{
    if (!onlyUnset) {
        m_keys[key].modified = time;
        return;
    }
    for (int k = key; k >= 0 && !m_keys[k].modified; k = m_keys[k].parent)
        m_keys[k].modified = time;
}

int WineRegFile::child(int parent, QStringView name) const
{
    const int index = m_index.value(indexKey(parent, name), -1);
    return alive(index) ? index : -1;
}

int WineRegFile::find(const QStringList& names) const
{
    int current = root();
    for (const QString& name : names) {
        if ((current = child(current, name)) < 0)
            return -1;
    }
    return current;
}

int WineRegFile::valueIndex(int key, QStringView name) const
{
    const QVector<WineValue>& values = m_keys.at(key).values;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (winEqualsNoCase(values.at(i).name, name))
            return int(i);
    }
    return -1;
}

bool WineRegFile::setValue(int key, const QString& name, DWORD type, const QByteArray& data, quint64 now)
{
    WineKey& k = m_keys[key];
    const int index = valueIndex(key, name);
    if (index >= 0) {
        WineValue& v = k.values[index];
        if (v.type == type && v.data == data)
            return false;
        v.type = type;
        v.data = data;
    } else {
        auto place = std::find_if(k.values.begin(), k.values.end(),
                                  [&](const WineValue& v) { return serverCompare(v.name, name) > 0; });
        k.values.insert(place, WineValue{name, type, data});
    }
    k.modified = now;
    k.touched = true;
    m_changed = true;
    return true;
}

bool WineRegFile::deleteValue(int key, QStringView name, quint64 now)
{
    const int index = valueIndex(key, name);
    if (index < 0)
        return false;
    WineKey& k = m_keys[key];
    k.values.removeAt(index);
    k.modified = now;
    k.touched = true;
    m_changed = true;
    return true;
}

int WineRegFile::addChild(int parent, const QString& name, quint64 now)
{
    WineKey key;
    key.name = name;
    key.parent = parent;
    key.modified = now;
    key.touched = true;
    m_keys.append(key);
    const int index = int(m_keys.size()) - 1;
    QVector<int>& siblings = m_keys[parent].children;
    auto place = std::find_if(siblings.begin(), siblings.end(),
                              [&](int s) { return !m_keys[s].deleted && serverCompare(m_keys[s].name, name) > 0; });
    siblings.insert(place, index);
    m_index.insert(indexKey(parent, name), index);
    m_keys[parent].modified = now;
    m_keys[parent].touched = true;
    m_changed = true;
    return index;
}

void WineRegFile::removeKey(int key, quint64 now)
{
    WineKey& k = m_keys[key];
    k.deleted = true;
    m_index.remove(indexKey(k.parent, k.name));
    WineKey& parent = m_keys[k.parent];
    parent.children.removeOne(key);
    parent.modified = now;
    parent.touched = true;
    m_changed = true;
}

QByteArray WineRegFile::pathText(int key) const
{
    QByteArray path;
    for (int k = key; k > root(); k = m_keys[k].parent)
        path.prepend(WineText::escape(m_keys[k].name, "[]") + (path.isEmpty() ? "" : "\\\\"));
    return path;
}

QByteArray WineRegFile::render(int key) const
{
    const WineKey& k = m_keys[key];
    QByteArray out = "\n[" + pathText(key) + "] " + WineText::keySeconds(k.modified) + '\n'
        + WineText::timeOption(k.modified) + '\n';
    if (k.hasClass)
        out += "#class=\"" + WineText::escape(k.keyClass, "\"\"") + "\"\n";
    if (k.link)
        out += "#link\n";
    for (const QByteArray& option : k.otherOptions)
        out += option + '\n';
    for (const WineValue& v : k.values)
        out += WineText::valueLines(v.name, v.type, v.data);
    return out;
}

void WineRegFile::serializeKey(int key, bool renderAll, QByteArray* out) const
{
    const WineKey& k = m_keys[key];
    QByteArray part;
    if (!k.touched && !renderAll)
        part = k.lines;
    else if (!k.values.isEmpty() || k.children.isEmpty() || k.hasClass || k.link)
        part = render(key);
    if (!part.isEmpty()) {
        if (!out->isEmpty() && !out->endsWith('\n'))
            *out += '\n';
        *out += part;
    }
    for (int c : k.children)
        serializeKey(c, renderAll, out);
}

QByteArray WineRegFile::serialize() const
{
    if (!m_changed)
        return m_original;
    QByteArray out = m_header;
    out.reserve(m_original.size() + 4096);
    serializeKey(root(), false, &out);
    return out;
}

QByteArray WineRegFile::rendered() const
{
    QByteArray out = m_header;
    serializeKey(root(), true, &out);
    return out;
}
