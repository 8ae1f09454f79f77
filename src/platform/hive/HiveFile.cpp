#include "platform/hive/HiveFile.h"

#include "platform/TextCodec.h"
#include "platform/WinCase.h"
#include "platform/hive/HiveImage.h"

#include <QtEndian>

#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// Keys of one hive beyond this are not read: a hive that claims more is damaged beyond use.
constexpr qsizetype MaxKeys = 20'000'000;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Malloced = std::unique_ptr<T, FreeDeleter>;

quint16 u16(const QByteArray& b, size_t at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// The name of an "nk" (key) or "vk" (value) cell of the image, exactly as stored: Latin-1 when the
// record says so, else UTF-16LE, NULs included. False when the cell does not hold a sound name.
bool cellName(const QByteArray& image, size_t cell, const char* id, size_t lengthAt, size_t flagsAt,
              quint16 latinBit, size_t nameAt, QString* name)
{
    const size_t size = size_t(image.size());
    if (cell + nameAt > size || cell % 8 || std::memcmp(image.constData() + cell + 4, id, 2) != 0)
        return false;
    const qint32 cellSize = qFromLittleEndian<qint32>(image.constData() + cell);
    const size_t length = u16(image, cell + lengthAt);
    const size_t limit = std::min(size, cell + size_t(cellSize < 0 ? -qint64(cellSize) : cellSize));
    if (cell + nameAt + length > limit)
        return false;
    const char* p = image.constData() + cell + nameAt;
    if (u16(image, cell + flagsAt) & latinBit) {
        *name = QString::fromLatin1(p, qsizetype(length));
        return true;
    }
    if (length % 2)
        return false;
    name->resize(qsizetype(length / 2));
    for (size_t i = 0; i < length / 2; ++i)
        (*name)[qsizetype(i)] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
    return true;
}

bool exactUtf16(QByteArrayView bytes)
{
    if (bytes.size() % 2)
        return false;
    const qsizetype n = bytes.size() / 2;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = qFromLittleEndian<quint16>(bytes.data() + 2 * i);
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= n || !QChar::isLowSurrogate(qFromLittleEndian<quint16>(bytes.data() + 2 * i + 2)))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

// The image as a file the hive library can open, not beside the hive: an anonymous memory file.
hive_h* openImage(const QByteArray& image, bool write)
{
    const int fd = memfd_create("kaven-hive", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    qsizetype done = 0;
    while (done < image.size()) {
        const ssize_t n = ::write(fd, image.constData() + done, size_t(image.size() - done));
        if (n <= 0) {
            ::close(fd);
            return nullptr;
        }
        done += n;
    }
    const QByteArray name = "/proc/self/fd/" + QByteArray::number(fd);
    hive_h* h = hivex_open(name.constData(), write ? HIVEX_OPEN_WRITE : 0);
    ::close(fd);
    return h;
}

} // namespace

std::unique_ptr<HiveFile> HiveFile::open(const QString& path, bool write, QString* error, QStringList* warnings)
{
    HiveImage image = HiveImage::load(path);
    if (!image.error.isEmpty()) {
        *error = image.error;
        return nullptr;
    }
    if (write && image.dirty) {
        *error = QStringLiteral("Die Hive-Datei \"%1\" wurde nicht sauber geschlossen und wird nicht "
                                "geschrieben: exportieren Sie sie, oder lassen Sie Windows die Protokolle "
                                "nachtragen.")
                     .arg(path);
        return nullptr;
    }
    std::unique_ptr<HiveFile> file(new HiveFile);
    file->m_path = path;
    file->m_minorVersion = image.minorVersion;
    file->m_hive = openImage(image.bytes, write);
    if (!file->m_hive) {
        *error = QStringLiteral("Die Hive-Datei \"%1\" ist beschädigt und kann nicht geöffnet werden.").arg(path);
        return nullptr;
    }
    for (const QString& w : std::as_const(image.warnings))
        warnings->append(path + QStringLiteral(": ") + w);
    file->m_image = std::move(image.bytes);
    file->m_writable = write;
    file->readKeys(warnings);
    if (file->m_nodes.isEmpty()) {
        *error = QStringLiteral("Die Hive-Datei \"%1\" hat keinen lesbaren Stammschlüssel.").arg(path);
        return nullptr;
    }
    return file;
}

bool HiveFile::adopt(QByteArray bytes)
{
    hive_h* fresh = openImage(bytes, true);
    if (!fresh)
        return false;
    hivex_close(m_hive);
    m_hive = fresh;
    m_image = std::move(bytes);
    m_touched.clear();
    return true;
}

HiveFile::~HiveFile()
{
    if (m_hive)
        hivex_close(m_hive);
}

const HiveNode* HiveFile::node(HiveNodeId id) const
{
    const auto it = m_nodes.constFind(id);
    return it == m_nodes.cend() ? nullptr : &*it;
}

HiveNodeId HiveFile::child(HiveNodeId parent, QStringView name) const
{
    const HiveNode* p = node(parent);
    if (!p)
        return 0;
    for (HiveNodeId c : p->children) {
        if (winEqualsNoCase(m_nodes.value(c).name, name))
            return c;
    }
    return 0;
}

QString HiveFile::nodeName(HiveNodeId id) const
{
    QString name;
    if (!m_touched.contains(id) && cellName(m_image, id, "nk", 76, 6, 0x20, 80, &name))
        return name;
    const size_t length = hivex_node_name_len(m_hive, id);
    Malloced<char> utf8(hivex_node_name(m_hive, id));
    return utf8 ? QString::fromUtf8(utf8.get(), qsizetype(length)) : QString();
}

// One walk over the hive from its root: a key found a second time (a loop, or a list naming it twice)
// is not taken again.
void HiveFile::readKeys(QStringList* warnings)
{
    m_nodes.clear();
    m_root = hivex_root(m_hive);
    if (!m_root)
        return;
    m_nodes.insert(m_root, HiveNode{0, QString(), quint64(hivex_node_timestamp(m_hive, m_root)), {}});
    QVector<HiveNodeId> queue{m_root};
    bool repeated = false;
    int unreadable = 0;
    int nameless = 0;
    for (qsizetype i = 0; i < queue.size() && m_nodes.size() < MaxKeys; ++i) {
        const HiveNodeId parent = queue.at(i);
        Malloced<hive_node_h> children(hivex_node_children(m_hive, parent));
        if (!children) {
            ++unreadable;
            continue;
        }
        for (const hive_node_h* c = children.get(); *c; ++c) {
            if (m_nodes.contains(*c)) {
                repeated = true;
                continue;
            }
            QString name = nodeName(*c);
            if (name.isEmpty()) { // a name that runs out of its cell: the key cannot be named
                ++nameless;
                continue;
            }
            m_nodes.insert(*c, HiveNode{parent, std::move(name), quint64(hivex_node_timestamp(m_hive, *c)), {}});
            m_nodes[parent].children.append(*c);
            queue.append(*c);
        }
    }
    if (unreadable)
        warnings->append(m_path + QStringLiteral(": Die Unterschlüssel von %1 Schlüsseln sind beschädigt und "
                                                 "werden nicht angezeigt.")
                                      .arg(unreadable));
    if (nameless)
        warnings->append(m_path + QStringLiteral(": %1 Schlüssel haben keinen lesbaren Namen und werden nicht "
                                                 "angezeigt.")
                                      .arg(nameless));
    if (repeated)
        warnings->append(m_path + QStringLiteral(": Schlüssellisten der Hive-Datei nennen Schlüssel mehrfach; "
                                                 "jeder wird nur einmal angezeigt."));
}

bool HiveFile::rawValueName(HiveNodeId node, size_t value, QString* name) const
{
    if (m_touched.contains(node))
        return false;
    return cellName(m_image, value, "vk", 6, 20, 0x1, 24, name);
}

LONG HiveFile::values(HiveNodeId id, QVector<BackendValue>* out, QStringList* warnings)
{
    out->clear();
    if (!node(id))
        return ERROR_KEY_DELETED;
    Malloced<hive_value_h> values(hivex_node_values(m_hive, id));
    if (!values) {
        if (warnings)
            warnings->append(m_path + QStringLiteral(": Die Werte eines Schlüssels sind beschädigt."));
        return ERROR_SUCCESS;
    }
    for (const hive_value_h* v = values.get(); *v; ++v) {
        BackendValue value;
        if (!rawValueName(id, *v, &value.name)) {
            const size_t length = hivex_value_key_len(m_hive, *v);
            Malloced<char> key(hivex_value_key(m_hive, *v));
            if (!key && length) {
                if (warnings)
                    warnings->append(m_path + QStringLiteral(": Ein Wertname ist beschädigt."));
                continue;
            }
            value.name = QString::fromUtf8(key.get(), qsizetype(length));
        }
        // Types beyond the library's enumeration are real (REG_ types of applications): kept as a number.
        static_assert(sizeof(hive_type) == sizeof(quint32));
        quint32 type = 0;
        size_t size = 0;
        Malloced<char> data(hivex_value_value(m_hive, *v, reinterpret_cast<hive_type*>(&type), &size));
        if (!data && size) {
            if (warnings)
                warnings->append(m_path + QStringLiteral(": Die Daten des Werts \"%1\" sind beschädigt.")
                                              .arg(value.name));
            continue;
        }
        value.type = type;
        const QByteArrayView bytes(data.get(), qsizetype(data ? size : 0));
        value.data = isStringType(value.type) ? utf16ToProgram(bytes) : bytes.toByteArray();
        out->append(std::move(value));
    }
    return ERROR_SUCCESS;
}

qint64 HiveFile::valueCount(HiveNodeId id) const
{
    return node(id) ? qint64(hivex_node_nr_values(m_hive, id)) : 0;
}

bool HiveFile::isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

QByteArray HiveFile::utf16ToProgram(QByteArrayView utf16)
{
    if (!exactUtf16(utf16))
        return utf16.toByteArray();
    QString text(utf16.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(utf16.data() + 2 * i));
    return text.toUtf8();
}

QByteArray HiveFile::programToUtf16(QByteArrayView utf8)
{
    if (!TextCodec::isValidUtf8(utf8))
        return utf8.toByteArray();
    const QString text = QString::fromUtf8(utf8);
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), bytes.data() + 2 * i);
    return bytes;
}
