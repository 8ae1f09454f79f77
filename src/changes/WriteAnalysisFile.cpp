#include "changes/WriteAnalysisFile.h"

#include "platform/FileCommit.h"

#include "changes/AnalysisFile.h"
#include "platform/StoreFiles.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString CannotSave = QStringLiteral("Kann Datei nicht speichern.");

bool canWrite(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || StoreFiles::isStoreFile(fileName) || !info.absoluteDir().exists())
        return false;
    return !info.exists() || (info.isFile() && info.isWritable() && info.permission(QFileDevice::WriteOwner));
}

QStringList snapshotBranches(const QString& branchPath, DWORD rootExport)
{
    if (!branchPath.isEmpty())
        return {ExcludeTrailingBackslash(branchPath)};
    QStringList branches;
    const RootKeySlots& table = RootKeyTable();
    for (int i = 0; i < int(table.size()); ++i) {
        if (table[i].available && !table[i].name.isEmpty() && (rootExport & (1u << i)))
            branches.append(table[i].name);
    }
    return branches;
}

// Writes each visited key as it comes: the key record and its sorted subkey names when the key is
// visited, its values as the walk hands them over (already in name order), and the end-of-key record
// when the next key begins or the file ends.
class SnapshotVisitor final : public BranchVisitor {
public:
    SnapshotVisitor(AnalysisFileWriter& writer, Progress& progress)
        : m_writer(writer), m_progress(progress), m_collator(QLocale())
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    WalkStep visitKey(const WalkKey& key) override
    {
        m_writer.beginKey(key.path);
        QStringList names;
        QString name;
        if (key.subKeys) {
            names = *key.subKeys;
        } else {
            for (DWORD index = 0;; ++index) {
                const LONG rc = RegEnumKey(key.handle, index, &name, MAX_KEY_NAME + 1);
                if (rc != ERROR_SUCCESS)
                    break; // the walk reports a key whose subkeys cannot be listed
                names.append(name);
            }
        }
        const auto less = [this](const QString& a, const QString& b) {
            if (const int c = m_collator.compare(a, b))
                return c < 0;
            if (const int c = winCompareNoCase(a, b))
                return c < 0;
            return QString::compare(a, b) < 0;
        };
        // the store lists subkeys in an order that mostly is this one already
        if (!std::is_sorted(names.begin(), names.end(), less))
            std::sort(names.begin(), names.end(), less);
        for (const QString& subKey : names) {
            m_progress.step();
            if (m_progress.abortRequested())
                return WalkStep::Stop; // the key's end record still follows
            m_writer.writeSubKeyName(subKey);
        }
        return m_writer.ok() ? WalkStep::Continue : WalkStep::Stop;
    }

    WalkStep visitValue(const WalkKey&, const WalkValue& value) override
    {
        TRegValue record;
        if (ValueFromBytes(value.type, value.data, record))
            m_writer.writeValue(value.name, record);
        return m_writer.ok() ? WalkStep::Continue : WalkStep::Stop;
    }

private:
    AnalysisFileWriter& m_writer;
    Progress& m_progress;
    QCollator m_collator;
};

} // namespace

AnalysisWriteResult WriteAnalysisFileResult(const QString& fileName, const QString& branchPath, Progress& progress,
                                            DWORD rootExport)
{
    progress.clearAbort();
    using Status = AnalysisWriteResult::Status;
    if (!canWrite(fileName))
        return {Status::NotWritable, CannotSave};
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return {Status::NotWritable, CannotSave};
    AnalysisWriteResult result;
    {
        AnalysisFileWriter writer(file);
        SnapshotVisitor visitor(writer, progress);
        BranchWalker walker(progress);
        for (const QString& branch : snapshotBranches(branchPath, rootExport)) {
            const WalkResult walk = walker.walk(branch, visitor);
            if (progress.abortRequested() || walk.status == WalkResult::Status::Cancelled) {
                result = {Status::Cancelled, QString()};
                break;
            }
            if (!writer.ok())
                break;
            if (walk.status == WalkResult::Status::Failed) {
                // The file ends with what was written; the walk's text names the key.
                result = {Status::Failed, walk.text, walk.code};
                break;
            }
        }
        if (!writer.finish()) {
            file.cancelWriting(); // a file cut off by the disk is no snapshot; the old one stays
            return {Status::Failed, CannotSave + QStringLiteral(" (") + file.errorString() + u')'};
        }
    }
    if (!CommitSaveFile(file))
        return {Status::Failed, CannotSave + QStringLiteral(" (") + file.errorString() + u')'};
    return result;
}

bool WriteAnalysisFile(const QString& fileName, const QString& branchPath, Progress& progress, DWORD rootExport)
{
    const AnalysisWriteResult result = WriteAnalysisFileResult(fileName, branchPath, progress, rootExport);
    // A root key that could not be connected has shown its message already.
    if (!result.ok() && !result.text.isEmpty() && result.code != ERROR_BAD_NETPATH)
        ShowError(result.text);
    return result.ok();
}

QString AnalysisFileName(const QString& chosen)
{
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    return (dot > slash + 1 ? chosen.left(dot) : chosen) + QStringLiteral(".rec");
}
