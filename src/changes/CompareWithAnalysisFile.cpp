#include "changes/CompareWithAnalysisFile.h"

#include "changes/AnalysisFile.h"
#include "changes/ExclusionList.h"
#include "platform/StoreFiles.h"
#include "registry/Progress.h"
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
    RegistryAccessor reg(KEY_READ);
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
        if (CompareStoredKey(reg, key, list, compare) == StoredKeyResult::NotConnected)
            return {Status::NotConnected, {}};
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
