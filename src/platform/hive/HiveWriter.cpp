// The writing half of HiveFile: changes go to the hive library's copy in memory; a commit writes that
// copy to a temporary file beside the hive, makes it durable and moves it over the hive, so that a
// crash leaves either the old or the new hive, never a part of one.

#include "platform/WinCase.h"
#include "platform/hive/HiveBigData.h"
#include "platform/hive/HiveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <hivex.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <memory>

namespace {

// The largest data the hive library writes (its largest cell less the cell's size field).
constexpr qsizetype MaxLibraryData = 1'000'000 - 4;

bool renameFile(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool syncPath(const QString& path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

LONG ioError()
{
    return errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_REGISTRY_IO_FAILED;
}

// A name for a file of our own beside target; the file itself is left for the writer to fill.
QString temporaryBeside(const QString& target)
{
    QTemporaryFile temp(QFileInfo(target).absolutePath() + QStringLiteral("/.")
                        + QFileInfo(target).fileName() + QStringLiteral(".kaven-XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open())
        return {};
    return temp.fileName();
}

bool hasNul(const QString& name)
{
    return name.contains(QChar(0));
}

} // namespace

LONG HiveFile::rewriteValues(HiveNodeId id, const QString& name, const BackendValue* replacement)
{
    if (!m_writable)
        return ERROR_ACCESS_DENIED;
    if (!node(id))
        return ERROR_KEY_DELETED;
    QVector<BackendValue> current;
    QStringList damaged;
    (void)values(id, &current, &damaged);
    if (!damaged.isEmpty())
        return ERROR_INVALID_PARAMETER; // what cannot be read could not be written back
    qsizetype found = -1;
    for (qsizetype i = 0; i < current.size(); ++i) {
        if (winEqualsNoCase(current.at(i).name, name))
            found = i;
    }
    if (!replacement && found < 0)
        return ERROR_FILE_NOT_FOUND;
    if (replacement && found >= 0)
        current[found] = BackendValue{current.at(found).name, replacement->type, replacement->data};
    else if (replacement)
        current.append(*replacement);
    else
        current.removeAt(found);

    std::vector<QByteArray> keys;
    std::vector<QByteArray> data;
    std::vector<hive_set_value> set;
    bool big = false;
    keys.reserve(size_t(current.size()));
    data.reserve(size_t(current.size()));
    for (const BackendValue& v : std::as_const(current)) {
        if (hasNul(v.name))
            return ERROR_INVALID_PARAMETER;
        keys.push_back(v.name.toUtf8());
        data.push_back(isStringType(v.type) ? programToUtf16(v.data) : v.data);
        if (data.back().size() > MaxLibraryData)
            return ERROR_INVALID_PARAMETER;
        // Older hives keep long data in one cell; only the value being set must fit the format.
        if (data.back().size() > HiveBigData::SegmentSize && m_minorVersion >= HiveBigData::FirstMinorVersion)
            big = true;
        hive_set_value value{keys.back().data(), hive_t_REG_NONE, size_t(data.back().size()), data.back().data()};
        std::memcpy(&value.t, &v.type, sizeof(value.t)); // any type number, not only the enumerated ones
        set.push_back(value);
    }
    if (hivex_node_set_values(m_hive, id, set.size(), set.data(), 0) != 0)
        return ERROR_REGISTRY_IO_FAILED;
    m_touched.insert(id);
    m_pending = true;
    m_bigPending = m_bigPending || big;
    return ERROR_SUCCESS;
}

LONG HiveFile::setValue(HiveNodeId id, const QString& name, DWORD type, QByteArrayView data)
{
    const qsizetype size = isStringType(type) ? programToUtf16(data).size() : data.size();
    if (m_writable && (hasNul(name) || size > MaxLibraryData))
        return ERROR_INVALID_PARAMETER;
    if (m_writable && size > HiveBigData::SegmentSize && m_minorVersion < HiveBigData::FirstMinorVersion)
        return ERROR_FILE_TOO_LARGE;
    const BackendValue value{name, type, data.toByteArray()};
    return rewriteValues(id, name, &value);
}

LONG HiveFile::deleteValue(HiveNodeId id, const QString& name)
{
    return rewriteValues(id, name, nullptr);
}

LONG HiveFile::addChild(HiveNodeId parent, const QString& name, HiveNodeId* child)
{
    if (!m_writable)
        return ERROR_ACCESS_DENIED;
    if (!node(parent))
        return ERROR_KEY_DELETED;
    if (hasNul(name) || name.isEmpty())
        return ERROR_INVALID_PARAMETER;
    if ((*child = this->child(parent, name)) != 0)
        return ERROR_ALREADY_EXISTS;
    const hive_node_h made = hivex_node_add_child(m_hive, parent, name.toUtf8().constData());
    if (!made)
        return errno == EEXIST ? ERROR_INVALID_PARAMETER : ERROR_REGISTRY_IO_FAILED;
    m_nodes.insert(made, HiveNode{parent, name, quint64(hivex_node_timestamp(m_hive, made)), {}});
    m_nodes[parent].children.append(made);
    m_touched.insert(made);
    m_pending = true;
    *child = made;
    return ERROR_SUCCESS;
}

LONG HiveFile::deleteChild(HiveNodeId id)
{
    if (!m_writable)
        return ERROR_ACCESS_DENIED;
    const HiveNode* n = node(id);
    if (!n)
        return ERROR_KEY_DELETED;
    if (id == m_root || !n->children.isEmpty())
        return ERROR_ACCESS_DENIED;
    if (hivex_node_delete_child(m_hive, id) != 0)
        return ERROR_REGISTRY_IO_FAILED;
    m_nodes[n->parent].children.removeAll(id);
    m_nodes.remove(id);
    m_pending = true;
    return ERROR_SUCCESS;
}

LONG HiveFile::commit(Publish publish)
{
    if (!m_pending)
        return ERROR_SUCCESS;
    if (!m_writable)
        return ERROR_ACCESS_DENIED;
    if (!publish)
        publish = renameFile;
    // The hive as it was before this run, once, itself written through a temporary file.
    if (!m_backedUp) {
        const QString bak = m_path + QStringLiteral(".bak");
        const QString temp = temporaryBeside(bak);
        if (temp.isEmpty())
            return ioError();
        QFile::remove(temp);
        if (!QFile::copy(m_path, temp) || !syncPath(temp, O_RDONLY) || !renameFile(temp, bak)) {
            const LONG rc = ioError();
            QFile::remove(temp);
            return rc;
        }
        m_backedUp = true;
    }
    const QString temp = temporaryBeside(m_path);
    if (temp.isEmpty())
        return ioError();
    QByteArray segmented;
    if (hivex_commit(m_hive, QFile::encodeName(temp).constData(), 0) != 0 || !segmentBigData(temp, &segmented)
        || !QFile::setPermissions(temp, QFileInfo(m_path).permissions()) || !syncPath(temp, O_RDONLY)
        || !publish(temp, m_path)) {
        const LONG rc = ioError();
        QFile::remove(temp);
        return rc;
    }
    (void)syncPath(QFileInfo(m_path).absolutePath(), O_RDONLY | O_DIRECTORY);
    m_pending = false;
    // The library's copy takes the segmented form too, so that the next commit need not convert again.
    if (!segmented.isEmpty() && adopt(std::move(segmented)))
        m_bigPending = false;
    return ERROR_SUCCESS;
}

// The values the library wrote as one oversized cell, rewritten in the committed file as segments.
// *segmented receives the file's new bytes when anything was rewritten.
bool HiveFile::segmentBigData(const QString& temp, QByteArray* segmented)
{
    if (!m_bigPending)
        return true;
    QVector<quint32> cells;
    for (HiveNodeId id : std::as_const(m_touched)) {
        if (!node(id))
            continue;
        const std::unique_ptr<hive_value_h, decltype(&std::free)> values(hivex_node_values(m_hive, id), &std::free);
        for (const hive_value_h* v = values.get(); v && *v; ++v)
            cells.append(quint32(*v));
    }
    QFile file(temp);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    int converted = 0;
    if (!HiveBigData::segment(&bytes, cells, &converted)) {
        errno = EIO;
        return false;
    }
    if (!converted)
        return true;
    if (!file.seek(0) || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    file.close();
    *segmented = std::move(bytes);
    return true;
}
