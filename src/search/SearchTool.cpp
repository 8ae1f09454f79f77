#include "search/SearchTool.h"

#include "app/KavenRegTool.h"
#include "app/ToolIo.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "search/ResultFile.h"
#include "search/RunSearch.h"
#include "search/SearchToolArgs.h"

#include <QIODevice>
#include <QLocale>

namespace {

constexpr qsizetype OutputBlock = 64 * 1024;

// The key as the registry spells it, with the long root-key name; empty when a key along the path does
// not open for reading.
QString storedSpelling(const QString& keyPath)
{
    QString spelled = GetRootKeyName(keyPath);
    HKEY key = 0;
    if (RegOpenKeyEx(GetRootKey(keyPath), QString(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    const QString subPath = GetSubKeyPath(keyPath);
    const QStringList names = subPath.isEmpty() ? QStringList() : subPath.split(QLatin1Char('\\'));
    for (const QString& name : names) {
        HKEY child = 0;
        QString found;
        QString candidate;
        for (DWORD index = 0; found.isEmpty() && RegEnumKey(key, index, &candidate, MAX_KEY_NAME + 1) == 0; ++index)
            if (winEqualsNoCase(candidate, name))
                found = candidate;
        const LONG rc = found.isEmpty() ? ERROR_FILE_NOT_FOUND : RegOpenKeyEx(key, found, 0, KEY_READ, &child);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return {};
        key = child;
        spelled += QLatin1Char('\\') + found;
    }
    RegCloseKey(key);
    return spelled;
}

// One write per block of rows, not one per row.
bool printRows(QIODevice& out, const std::vector<ResultRow>& rows)
{
    QByteArray block;
    for (const ResultRow& row : rows) {
        block += (row.foundAt + QLatin1Char('\t') + row.keyPath + QLatin1Char('\t') + row.valueName).toUtf8();
        block += '\n';
        if (block.size() >= OutputBlock) {
            if (out.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return out.write(block) == block.size();
}

} // namespace

int SearchToolCommand(ToolIo& io, const QStringList& args)
{
    const SearchToolArgs parsed = ParseSearchToolArgs(args, 0);
    if (!parsed.error.isEmpty())
        return io.fail(parsed.error);
    SearchCriteria criteria = parsed.criteria;
    SearchStart start;
    if (!parsed.fromKey.isEmpty()) {
        const QString normalized = KavenRegTool::normalizeKeyPath(parsed.fromKey);
        start.keyPath = normalized.isEmpty() ? QString() : storedSpelling(normalized);
        if (start.keyPath.isEmpty())
            return io.fail(QStringLiteral("Kann Schlüssel nicht öffnen."));
        criteria.contentFlags |= SearchFlags::OnlyCurrentKey;
    }
    std::vector<ResultRow> rows;
    NullProgress progress;
    (void)RunSearch(criteria, start, progress,
                    [&rows](const SearchResult& match) { rows.push_back(SearchResultList::rowOf(match)); });
    SearchResultList list{QLocale()};
    list.addResultRows(std::move(rows));
    if (!printRows(io.out(), list.rows()))
        return io.fail(QStringLiteral("Die Ausgabe konnte nicht geschrieben werden."));
    if (!parsed.outFile.isEmpty() && !SaveResultFile(parsed.outFile, list))
        return io.fail(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden.").arg(parsed.outFile));
    io.note(QStringLiteral("%1 Treffer").arg(list.size()));
    return 0;
}
