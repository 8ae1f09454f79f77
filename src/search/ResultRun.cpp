#include "search/ResultRun.h"

#include "platform/WinCase.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"

bool IsValueNameRow(const ResultRow& row)
{
    return !row.isKeyRow() && (row.foundAt == u"Wert" || row.foundAt == u"Standardwert");
}

bool IsValueDataRow(const ResultRow& row)
{
    return !row.isKeyRow() && (row.foundAt == u"Daten" || row.foundAt == u"Standarddaten");
}

QString RowValueName(const ResultRow& row)
{
    if (row.isKeyRow() || row.foundAt.startsWith(QStringLiteral("Standard")))
        return {};
    return row.valueName;
}

bool IsPairBelow(const SearchResultList& list, int index)
{
    if (index < 0 || index + 1 >= list.size())
        return false;
    const ResultRow& name = list.rows()[size_t(index)];
    const ResultRow& data = list.rows()[size_t(index) + 1];
    return IsValueNameRow(name) && IsValueDataRow(data) && winEqualsNoCase(name.valueName, data.valueName)
        && winEqualsNoCase(name.keyPath, data.keyPath);
}

RunBatch::RunBatch() : m_reg(KEY_READ | KEY_WRITE)
{
    if (ConnectRootKey(m_reg, HKEY_LOCAL_MACHINE, false))
        m_batch = std::make_unique<RegBatch>(m_reg.rootKey());
}

LONG RunBatch::end()
{
    return m_batch ? m_batch->end() : LONG(ERROR_SUCCESS);
}

bool RunConnected(const RunBatch& batch, ResultRunOutcome& run)
{
    if (batch.connected())
        return true;
    ShowError(LostConnectionText);
    run.lostConnection = run.cancelled = true;
    return false;
}

bool NextRunRow(Progress& progress, ResultRunOutcome& run)
{
    progress.step();
    if (!progress.abortRequested())
        return true;
    run.cancelled = true;
    return false;
}
