#include "search/ResultTools.h"

#include "app/KavenRegTool.h"
#include "app/ToolIo.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "search/DeleteFound.h"
#include "search/PathCheck.h"
#include "search/ReplaceInResults.h"
#include "search/RunSearch.h"
#include "search/SearchToolArgs.h"

namespace {

const QString Tab = QStringLiteral("\t");

// Control characters (the zeros between the strings of REG_MULTI_SZ data) would break the line.
QString printable(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// Where the search starts: /f's key and its subtree, else every root key. Empty with *error set.
bool searchStart(const QString& fromKey, SearchCriteria& criteria, SearchStart& start, QString* error)
{
    if (fromKey.isEmpty())
        return true;
    start.keyPath = KavenRegTool::normalizeKeyPath(fromKey);
    if (start.keyPath.isEmpty()) {
        *error = QStringLiteral("Ungültiger Schlüsselname.");
        return false;
    }
    if (!KeyExists(start.keyPath)) {
        *error = QStringLiteral("Der angegebene Registrierungsschlüssel wurde nicht gefunden.");
        return false;
    }
    criteria.contentFlags |= SearchFlags::OnlyCurrentKey;
    return true;
}

// Every match of the search as a marked row.
bool listRows(const SearchToolArgs& args, SearchResultList& list, QString* error)
{
    SearchCriteria criteria = args.criteria;
    SearchStart start;
    if (!searchStart(args.fromKey, criteria, start, error))
        return false;
    NullProgress progress;
    std::vector<ResultRow> rows;
    (void)RunSearch(criteria, start, progress, [&](const SearchResult& match) {
        // Over every root key, the views of another root's branch would name each of their entries a
        // second time (a replacement applied twice, a deletion failing): the entries are taken where
        // they are kept, below HKEY_LOCAL_MACHINE and HKEY_USERS.
        const HKEY root = GetRootKey(match.keyPath);
        if (args.fromKey.isEmpty()
            && (root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_CURRENT_CONFIG))
            return;
        rows.push_back(SearchResultList::rowOf(match));
    });
    list.addResultRows(std::move(rows));
    list.MarkAll();
    return true;
}

[[nodiscard]] int finish(ToolIo& io, const ResultRunOutcome& run)
{
    for (const QString& failure : run.failures)
        io.printError(failure);
    if (run.commitError != ERROR_SUCCESS)
        io.printError(WithCommitReason(QStringLiteral("Die Änderungen konnten nicht gespeichert werden."),
                                       run.commitError));
    const bool ok = run.failures.isEmpty() && !run.lostConnection && run.commitError == ERROR_SUCCESS;
    return ok ? 0 : 1;
}

[[nodiscard]] bool parsed(ToolIo& io, const SearchToolArgs& args)
{
    if (!args.error.isEmpty())
        io.printError(args.error);
    else if (!args.outFile.isEmpty())
        io.printError(QStringLiteral("Die Option /o gilt nur für die Suche."));
    return args.error.isEmpty() && args.outFile.isEmpty();
}

QString foundAtOf(ReplaceTarget target, const QString& valueColumn)
{
    const QString text = target == ReplaceTarget::KeyName     ? QStringLiteral("Schlüssel")
                         : target == ReplaceTarget::ValueName ? QStringLiteral("Wert")
                                                              : QStringLiteral("Daten");
    return valueColumn == DefaultValueCaption && target != ReplaceTarget::KeyName ? DefaultValueFoundAt(text) : text;
}

// The search every command runs first; false after the message was given.
[[nodiscard]] bool searchFor(ToolIo& io, const SearchToolArgs& a, SearchResultList& list)
{
    if (!parsed(io, a))
        return false;
    QString error;
    if (listRows(a, list, &error))
        return true;
    io.printError(error);
    return false;
}

} // namespace

int ReplaceTool(ToolIo& io, const QStringList& args)
{
    const SearchToolArgs a = ParseSearchToolArgs(args, 1, {QStringLiteral("/n")});
    SearchResultList list;
    if (!searchFor(io, a, list))
        return 1;
    ReplaceSettings settings;
    settings.find = a.criteria.text;
    settings.replacement = a.positional.value(0);
    settings.runFlags = 0;
    settings.compareFlags = (a.criteria.compareFlags & (ReplaceCompare::CaseSensitive | ReplaceCompare::Substring));
    settings.dryRun = a.switches.contains(QStringLiteral("/n"));
    NullProgress progress;
    const ResultRunOutcome run = ReplaceInResults(list, settings, {}, progress, [&](const ReplaceChange& c) {
        io.print(QStringList{foundAtOf(c.target, c.valueColumn), c.keyPath, c.valueColumn, printable(c.oldText),
                             printable(c.newText)}
                     .join(Tab)
                 + QLatin1Char('\n'));
    });
    return finish(io, run);
}

int DeleteFoundTool(ToolIo& io, const QStringList& args)
{
    const SearchToolArgs a = ParseSearchToolArgs(args, 0, {QStringLiteral("/n")});
    SearchResultList list;
    if (!searchFor(io, a, list))
        return 1;
    DeleteSettings settings;
    settings.runFlags = 0;
    settings.dryRun = a.switches.contains(QStringLiteral("/n"));
    NullProgress progress;
    const ResultRunOutcome run = DeleteFromResults(list, settings, {}, progress, [&](const DeletedEntry& d) {
        const QString foundAt = d.key ? QStringLiteral("Schlüssel")
                                      : (d.valueColumn == DefaultValueCaption ? QStringLiteral("Standardwert")
                                                                              : QStringLiteral("Wert"));
        io.print(QStringList{foundAt, d.keyPath, d.valueColumn}.join(Tab) + QLatin1Char('\n'));
    });
    return finish(io, run);
}

int CheckTool(ToolIo& io, const QStringList& args)
{
    SearchToolArgs a;
    if (!args.isEmpty() && (args.size() != 2 || args.first().toLower() != QLatin1String("/f")))
        return io.fail(QStringLiteral("Aufruf: check [/f SCHLÜSSEL]"));
    a.fromKey = args.value(1);
    // The values whose name or data can hold a path: ":\" somewhere, or "%" (a leading variable).
    a.criteria = {QStringLiteral(":\\ | %"),
                  SearchFlags::ListResults | SearchFlags::ValueNames | SearchFlags::ValueData
                      | SearchFlags::StringTypes | SearchFlags::OtherTypes,
                  CompareFlags::Substring | CompareFlags::Logical};
    SearchResultList found;
    QString error;
    if (!listRows(a, found, &error))
        return io.fail(error);
    // A value found by name and by data is checked once.
    SearchResultList list;
    std::vector<ResultRow> once;
    for (const ResultRow& row : found.rows()) {
        if (once.empty() || once.back().keyPath != row.keyPath || once.back().valueName != row.valueName)
            once.push_back(row);
    }
    list.addResultRows(std::move(once));
    NullProgress progress;
    const CheckStatus status = CheckResults(
        list, LocalPathResolver::fromRegistry(), progress, [&](int i, const QString& text, const QString& missing) {
            const ResultRow& row = list.rows()[size_t(i)];
            const QString kind = text == row.valueName ? QStringLiteral("Wert") : QStringLiteral("Daten");
            const QString foundAt = row.valueName == DefaultValueCaption ? DefaultValueFoundAt(kind) : kind;
            io.print(QStringList{foundAt, row.keyPath, row.valueName, printable(missing)}.join(Tab)
                     + QLatin1Char('\n'));
            return true;
        });
    if (status == CheckStatus::Aborted)
        return io.fail(QStringLiteral("Prüfung %1.").arg(CheckStatusText(status)));
    return 0;
}
