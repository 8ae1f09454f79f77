#include "search/ReplaceInResults.h"

#include "registry/KeyPath.h"
#include "registry/Progress.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QUtf8StringView>

namespace {

// Yes: change it; No: leave this entry; Cancel: end the run.
MessageAnswer confirm(const ReplaceSettings& s, const QString& question)
{
    if (s.dryRun || (s.runFlags & RunFlags::Confirm) == 0)
        return MessageAnswer::Yes;
    return AskYesNoCancel(question);
}

// With warnings the user chooses to go on (OK) or to end the run (Cancel); without, it is only noted.
void fail(EntryOutcome& o, const ReplaceSettings& s, const QString& text)
{
    o.failure = text;
    if ((s.runFlags & RunFlags::Warnings) != 0 && !AskOkCancel(text))
        o.cancelled = true;
}

void lose(EntryOutcome& o)
{
    ShowError(LostConnectionText);
    o.lostConnection = true;
    o.cancelled = true;
}

QString nameInMessage(const QString& valueName)
{
    return valueName.isEmpty() ? DefaultValueCaption : valueName;
}

// REG_EXPAND_SZ and REG_MULTI_SZ hold UTF-8 text here and are replaced as text, so that "ü" is found
// and kept; every other type (and text that is no UTF-8) as its bytes, one character each.
bool isUtf8Text(const TRegValue& v)
{
    return (v.DataType == REG_EXPAND_SZ || v.DataType == REG_MULTI_SZ) && QUtf8StringView(v.BinaryData).isValidUtf8();
}

QString dataText(const TRegValue& v)
{
    if (v.DataType == REG_SZ)
        return v.StringData;
    if (v.DataType == REG_DWORD)
        return QString::number(v.DWordData);
    return isUtf8Text(v) ? QString::fromUtf8(v.BinaryData) : QString::fromLatin1(v.BinaryData);
}

// False when the new text cannot be stored in the value's type (a character beyond one byte in
// binary data, or no 32-bit number left of a DWORD).
bool setDataText(TRegValue& v, const QString& text)
{
    if (v.DataType == REG_SZ) {
        v.StringData = text;
        return true;
    }
    if (v.DataType == REG_DWORD) {
        const std::optional<DWORD> number = ReducedDWord(text);
        v.DWordData = number.value_or(0);
        return number.has_value();
    }
    if (isUtf8Text(v)) {
        v.BinaryData = text.toUtf8();
        return true;
    }
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    v.BinaryData = text.toLatin1();
    return true;
}

void renameEntry(EntryOutcome& o, const QString& keyPath, const QString& valueName, bool key,
                 const ReplaceSettings& s)
{
    o.oldText = key ? KeyPath(keyPath).name() : valueName;
    o.newText = ReplaceText(o.oldText, s.find, s.replacement, s.compareFlags);
    if (o.newText == o.oldText)
        return;
    const MessageAnswer answer
        = confirm(s, QStringLiteral("Dieses Vorkommen in '") + o.oldText + QStringLiteral("' wirklich ersetzen?"));
    o.cancelled = answer == MessageAnswer::Cancel;
    if (answer != MessageAnswer::Yes)
        return;
    if (s.dryRun) {
        o.replaced = true;
        return;
    }
    const RegResult result = key ? RenameKey(keyPath, o.oldText, o.newText, false)
                                 : RenameValue(keyPath, o.oldText, o.newText, false);
    if (result == RegResult::Success)
        o.replaced = true;
    else if (result == RegResult::NotConnected)
        lose(o);
    else if (key)
        fail(o, s, QStringLiteral("Konnte Schlüssel '%1' nicht umbenennen.").arg(keyPath));
    else
        fail(o, s, QStringLiteral("Konnte Wert '%1' nicht umbenennen.").arg(o.oldText));
}

void replaceData(EntryOutcome& o, const QString& keyPath, const QString& valueName, const ReplaceSettings& s)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, false);
    if (opened == RegResult::NotConnected)
        return lose(o);
    if (opened != RegResult::Success)
        return fail(o, s, QStringLiteral("Konnte Schlüssel '%1' nicht öffnen.").arg(keyPath));
    const QString notChanged
        = QStringLiteral("Konnte Daten vom Wert '%1' nicht ändern.").arg(nameInMessage(valueName));
    TRegValue value;
    if (!ReadValue(reg.currentKey(), valueName, value))
        return fail(o, s, notChanged);
    o.oldText = dataText(value);
    const QString replaced = ReplaceText(o.oldText, s.find, s.replacement, s.compareFlags);
    TRegValue changed = value;
    if (!setDataText(changed, replaced))
        return fail(o, s, notChanged);
    o.newText = dataText(changed);
    if (changed == value)
        return;
    const MessageAnswer answer = confirm(s, QStringLiteral("Dieses Vorkommen im Datenbereich wirklich ersetzen?"));
    o.cancelled = answer == MessageAnswer::Cancel;
    if (answer != MessageAnswer::Yes)
        return;
    if (!s.dryRun && !WriteValue(reg.currentKey(), valueName, changed))
        return fail(o, s, notChanged);
    o.replaced = true;
}

// After a key rename the row and every later row at or below the old path show the new path; after a
// value rename the row and its data row below.
void followRename(SearchResultList& list, int index, ReplaceTarget target, const QString& newName)
{
    ResultRow& row = list.rowAt(index);
    if (target == ReplaceTarget::ValueName) {
        if (IsPairBelow(list, index))
            list.rowAt(index + 1).valueName = newName;
        row.valueName = newName;
        return;
    }
    const KeyPath oldPath(row.keyPath);
    const QString newPath = oldPath.parent().child(newName).text();
    row.keyPath = newPath;
    for (int j = index + 1; j < list.size(); ++j) {
        ResultRow& later = list.rowAt(j);
        if (KeyPath(later.keyPath).isSameOrBelow(oldPath))
            later.keyPath = newPath + later.keyPath.mid(oldPath.text().size());
    }
}

} // namespace

bool AsksRefreshAfterReplace(const ResultRunOutcome& run)
{
    return run.changed > 0 && !run.lostConnection;
}

ReplaceTarget TargetOfRow(const ResultRow& row)
{
    if (row.isKeyRow())
        return ReplaceTarget::KeyName;
    if (IsValueNameRow(row))
        return ReplaceTarget::ValueName;
    return IsValueDataRow(row) ? ReplaceTarget::ValueData : ReplaceTarget::None;
}

EntryOutcome ReplaceInEntry(const QString& keyPath, const QString& valueName, ReplaceTarget target,
                            const ReplaceSettings& settings)
{
    EntryOutcome o;
    if (target == ReplaceTarget::ValueData)
        replaceData(o, keyPath, valueName, settings);
    else if (target != ReplaceTarget::None)
        renameEntry(o, keyPath, valueName, target == ReplaceTarget::KeyName, settings);
    return o;
}

ResultRunOutcome ReplaceInResults(SearchResultList& list, const ReplaceSettings& settings, const RowMarker& marker,
                                  Progress& progress, const std::function<void(const ReplaceChange&)>& onChange)
{
    ResultRunOutcome run;
    RunBatch batch;
    if (!RunConnected(batch, run))
        return run;
    progress.clearAbort();
    const bool marking = (settings.runFlags & RunFlags::Confirm) != 0;
    for (int i = list.size() - 1; i >= 0; --i) {
        if (!NextRunRow(progress, run))
            break;
        const ResultRow row = list.rows()[size_t(i)];
        const ReplaceTarget target = TargetOfRow(row);
        if (!row.selected || target == ReplaceTarget::None)
            continue;
        if (marking)
            marker(i, true);
        const EntryOutcome o = ReplaceInEntry(row.keyPath, RowValueName(row), target, settings);
        if (marking)
            marker(i, false);
        if (o.replaced) {
            ++run.changed;
            if (onChange)
                onChange({target, row.keyPath, row.valueName, o.oldText, o.newText});
            if (!settings.dryRun && target != ReplaceTarget::ValueData)
                followRename(list, i, target, o.newText);
        }
        if (!o.failure.isEmpty())
            run.failures.append(o.failure);
        run.lostConnection = o.lostConnection;
        if (o.cancelled) {
            run.cancelled = true;
            break;
        }
        if (!settings.allRows)
            break;
    }
    run.commitError = batch.end();
    return run;
}
