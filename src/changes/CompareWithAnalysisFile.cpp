#include "changes/CompareWithAnalysisFile.h"

#include "changes/AnalysisFile.h"
#include "changes/ExclusionList.h"
#include "platform/StoreFiles.h"
#include "registry/Progress.h"
#include "platform/WinReg.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QFile>

namespace {

using Status = CompareOutcome::Status;

class NewKeyLister final : public BranchVisitor {
public:
    NewKeyLister(ChangeList& list, const CompareOptions& options) : m_list(list), m_options(options) {}

    WalkStep visitKey(const WalkKey& key) override
    {
        m_admitted = m_options.admits(key.path);
        if (m_admitted)
            m_list.AddChangeEntry(KeyCreatedText, QString(),
                                  ChangeRecord{ChangeKinds::KeyCreated, key.path, QString(), TRegValue()}, ImageKey,
                                  key.path);
        return WalkStep::Continue;
    }

    WalkStep visitValue(const WalkKey& key, const WalkValue& value) override
    {
        if (m_admitted)
            m_list.AddChangeEntry(ValueCreatedText, value.name,
                                  ChangeRecord{ChangeKinds::ValueCreated, key.path, value.name, TRegValue()},
                                  ValueImageIndex(value.type), key.path);
        return WalkStep::Continue;
    }

private:
    ChangeList& m_list;
    const CompareOptions& m_options;
    bool m_admitted = false; // the exclusions admit the key in hand
};

// Opens the stored keys one after the other. A file lists a key's subtree right after it, so a key is
// mostly a child of the one before: that one stays open and the child is opened by its name, rather
// than walking the whole path down from the root again.
class LiveKeys final {
public:
    enum class Result { Opened, NotOpened, NotConnected };

    LiveKeys() = default;
    ~LiveKeys() { close(); }
    LiveKeys(const LiveKeys&) = delete;
    LiveKeys& operator=(const LiveKeys&) = delete;

    Result open(const QString& path)
    {
        const HKEY root = GetRootKey(path);
        if (root == 0) {
            close();
            return Result::NotOpened;
        }
        if (root != m_root) {
            close();
            m_root = 0;
            if (!ConnectRootKey(m_reg, root, true))
                return Result::NotConnected;
            m_root = root;
        }
        const QString sub = GetSubKeyPath(path);
        const QString child = childName(sub);
        HKEY key = 0;
        LONG rc = child.isEmpty() ? ERROR_FILE_NOT_FOUND : RegOpenKeyEx(m_key, child, 0, KEY_READ, &key);
        if (rc != ERROR_SUCCESS) // also when the parent was deleted meanwhile
            rc = RegOpenKeyEx(m_reg.rootKey(), sub, 0, KEY_READ, &key);
        close();
        if (rc != ERROR_SUCCESS)
            return Result::NotOpened;
        m_key = key;
        m_path = sub;
        return Result::Opened;
    }
    [[nodiscard]] HKEY key() const { return m_key; }

private:
    // The name of sub below the open key, empty when it is no direct child of it.
    [[nodiscard]] QString childName(const QString& sub) const
    {
        if (m_key == 0)
            return QString();
        const qsizetype start = m_path.isEmpty() ? 0 : m_path.size() + 1;
        if (sub.size() <= start || (start > 0 && (!sub.startsWith(m_path) || sub[m_path.size()] != u'\\')))
            return QString();
        const QString name = sub.mid(start);
        return name.contains(u'\\') ? QString() : name;
    }
    void close()
    {
        if (m_key != 0)
            RegCloseKey(m_key);
        m_key = 0;
        m_path.clear();
    }

    RegistryAccessor m_reg{KEY_READ};
    HKEY m_root = 0;
    HKEY m_key = 0;
    QString m_path;
};

} // namespace

WalkResult ListNewKeyFully(const QString& keyPath, ChangeList& list, const CompareOptions& options,
                           Progress& progress)
{
    NewKeyLister lister(list, options);
    BranchWalker walker(progress);
    return walker.walk(keyPath, lister);
}

CompareOutcome CompareWithAnalysisFile(const QString& fileName, ChangeList& list, const CompareOptions& options,
                                       Progress& progress)
{
    progress.clearAbort();
    QFile file(fileName);
    if (fileName.isEmpty() || StoreFiles::isStoreFile(fileName) || !file.open(QIODevice::ReadOnly))
        return {Status::FileError, {ChangeFileError::Kind::CannotOpen, 0, 0}};
    CompareOptions compare = options;
    if (compare.flags & CompFlags::FullNewKeys) {
        compare.listNewKeyFully = [&list, &compare, &progress](const QString& path) {
            (void)ListNewKeyFully(path, list, compare, progress); // a cancel is seen before the next key
        };
    }
    AnalysisFileReader reader(file);
    LiveKeys live;
    StoredKey key;
    for (;;) {
        progress.step();
        if (progress.abortRequested())
            return {Status::Cancelled, {}};
        switch (reader.next(key)) {
        case AnalysisFileReader::Step::End:
            return {Status::Completed, {}};
        case AnalysisFileReader::Step::Error:
            return {Status::FileError, reader.error()};
        case AnalysisFileReader::Step::Key:
            break;
        }
        switch (live.open(key.path)) {
        case LiveKeys::Result::NotConnected:
            return {Status::NotConnected, {}};
        case LiveKeys::Result::NotOpened:
            ListRemovedKey(key, list, compare); // missing, or no longer readable
            break;
        case LiveKeys::Result::Opened:
            CompareKey(live.key(), key.path, key, list, compare);
            break;
        }
    }
}

CompareOptions ComparisonOptions(int flags, const QString& exclusionFile)
{
    CompareOptions options;
    options.flags = flags;
    if (flags & CompFlags::Exclude)
        options.exclusions = LoadExclusionList(exclusionFile);
    return options;
}
