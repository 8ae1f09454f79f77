#include "changes/CompareWithAnalysisFile.h"

#include "changes/AnalysisFile.h"
#include "changes/ExclusionList.h"
#include "platform/RegBranch.h"
#include "platform/StoreFiles.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/OpenKey.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QFile>
#include <QHash>

#include <vector>

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

// The live side of the stored keys, which come one after the other. The branch of a stored key with
// subkeys is read at once (its keys, then their values in one pass), so that the keys of its subtree
// that follow open by their place in that read instead of by path. A stored key outside the branch read
// (or created since) opens by its path.
class LiveKeys final {
public:
    enum class Result { Opened, NotOpened, NotConnected, Cancelled };

    explicit LiveKeys(Progress& progress) : m_progress(progress) {}

    Result open(const StoredKey& stored)
    {
        const HKEY root = GetRootKey(stored.path);
        if (root == 0) {
            dropBranch();
            return Result::NotOpened;
        }
        if (root != m_root) {
            dropBranch();
            m_root = 0;
            if (!ConnectRootKey(m_reg, root, true))
                return Result::NotConnected;
            m_root = root;
        }
        const QString sub = GetSubKeyPath(stored.path);
        const QString upper = winUpper(sub);
        qsizetype place = placeOf(upper);
        if (place < 0 && !stored.subKeyNames.isEmpty()) {
            if (!readBranch(sub, upper))
                return Result::Cancelled;
            place = placeOf(upper);
        }
        OpenKey key;
        // a key deleted since the read, or denied, answers by its path as before
        if (place >= 0 && RegOpenBranchKey(m_branch, place, key.out()) == ERROR_SUCCESS) {
            branchContents(place, key.get());
            return Result::Opened;
        }
        if (RegOpenKeyEx(m_reg.rootKey(), sub, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
            return Result::NotOpened;
        ReadLiveKey(key.get(), &m_contents);
        return Result::Opened;
    }
    [[nodiscard]] const LiveKeyContents& contents() const { return m_contents; }

private:
    // The key's place in the branch read, -1 when it is not part of it.
    [[nodiscard]] qsizetype placeOf(const QString& upperSubPath) const
    {
        if (m_places.isEmpty())
            return -1;
        if (upperSubPath.size() == m_branchUpper.size())
            return upperSubPath == m_branchUpper ? 0 : -1;
        const qsizetype start = m_branchUpper.isEmpty() ? 0 : m_branchUpper.size() + 1;
        if (upperSubPath.size() <= start
            || (start > 0 && (upperSubPath[start - 1] != u'\\' || !upperSubPath.startsWith(m_branchUpper))))
            return -1;
        return m_places.value(QStringView(upperSubPath).mid(start).toString(), -1);
    }

    // False when the user cancelled; a branch that cannot be read leaves its keys to open by path.
    bool readBranch(const QString& sub, const QString& upper)
    {
        dropBranch();
        OpenKey key;
        if (RegOpenKeyEx(m_reg.rootKey(), sub, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
            return true;
        LONG rc = RegReadBranch(key.get(), KEY_READ, false, &m_branch);
        while (rc == ERROR_SUCCESS && !m_branch.complete()) {
            // a large branch takes a moment: the user may cancel between its parts
            if (m_branch.keys().size() >= StepEveryKeys) {
                m_progress.step();
                if (m_progress.abortRequested())
                    return false;
            }
            rc = RegReadBranchPart(m_branch);
        }
        if (rc != ERROR_SUCCESS) {
            dropBranch();
            return true;
        }
        indexBranch();
        m_branchUpper = upper;
        return true;
    }

    // Each key's path below the branch key, upper-cased, and the subkeys of every key grouped by parent.
    void indexBranch()
    {
        const QVector<BackendBranchKey>& keys = m_branch.keys();
        std::vector<QString> paths(size_t(keys.size()));
        m_places.reserve(keys.size());
        m_places.insert(QString(), 0);
        m_firstChild.assign(size_t(keys.size()) + 1, 0);
        for (qsizetype i = 1; i < keys.size(); ++i) {
            const qsizetype parent = keys[i].parent;
            const QString name = winUpper(keys[i].name);
            paths[size_t(i)] = parent == 0 ? name : paths[size_t(parent)] + u'\\' + name;
            m_places.insert(paths[size_t(i)], i);
            ++m_firstChild[size_t(parent) + 1];
        }
        for (size_t i = 1; i < m_firstChild.size(); ++i)
            m_firstChild[i] += m_firstChild[i - 1];
        m_children.assign(size_t(keys.size()), 0);
        std::vector<qsizetype> filled(m_firstChild.begin(), m_firstChild.end() - 1);
        for (qsizetype i = 1; i < keys.size(); ++i)
            m_children[size_t(filled[size_t(keys[i].parent)]++)] = i;
    }

    void branchContents(qsizetype place, HKEY key)
    {
        m_contents.subKeyNames.clear();
        if (RegBranchSubKeysCurrent(m_branch, place)) {
            for (qsizetype i = m_firstChild[size_t(place)]; i < m_firstChild[size_t(place) + 1]; ++i)
                m_contents.subKeyNames.append(m_branch.keys()[m_children[size_t(i)]].name);
        } else {
            QString name;
            for (DWORD index = 0; RegEnumKey(key, index, &name, MAX_KEY_NAME + 1) == ERROR_SUCCESS; ++index)
                m_contents.subKeyNames.append(name);
        }
        if (RegReadBranchValues(m_branch, place, key, &m_contents.values) != ERROR_SUCCESS)
            m_contents.values.clear();
    }

    void dropBranch()
    {
        m_branch = RegBranch();
        m_places.clear();
        m_branchUpper.clear();
        m_firstChild.clear();
        m_children.clear();
    }

    static constexpr qsizetype StepEveryKeys = 4096;

    Progress& m_progress;
    RegistryAccessor m_reg{KEY_READ};
    HKEY m_root = 0;
    RegBranch m_branch;
    QString m_branchUpper;              // the branch key's subkey path below the root, upper-cased
    QHash<QString, qsizetype> m_places; // by upper-cased path below the branch key
    std::vector<qsizetype> m_firstChild; // by place: where its subkeys start in m_children (size + 1)
    std::vector<qsizetype> m_children;
    LiveKeyContents m_contents;
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
    LiveKeys live(progress);
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
        switch (live.open(key)) {
        case LiveKeys::Result::NotConnected:
            return {Status::NotConnected, {}};
        case LiveKeys::Result::Cancelled:
            return {Status::Cancelled, {}};
        case LiveKeys::Result::NotOpened:
            ListRemovedKey(key, list, compare); // missing, or no longer readable
            break;
        case LiveKeys::Result::Opened:
            CompareKey(live.contents(), key.path, key, list, compare);
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
