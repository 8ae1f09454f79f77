#pragma once

// What replace, delete and the validity check share when they work through the marked rows of the
// search result list: the run flags of their dialogs, which entry a row stands for, the row marker
// the window shows, the common questions, and the batch a changing run writes in.

#include "platform/WinReg.h"
#include "registry/RegistryAccessor.h"
#include "search/SearchResultList.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Progress;

namespace RunFlags {
inline constexpr DWORD Confirm = 1;  // "&Bestätigung aller Registrierungseingriffe"
inline constexpr DWORD Warnings = 2; // "&Warnungen anzeigen"
} // namespace RunFlags

inline const QString LostConnectionText
    = QStringLiteral("Konnte keine Netzwerkverbindung herstellen. Vorgang wird abgebrochen.");
inline const QString StartChangesQuestion
    = QStringLiteral("Sie wollen Änderungen an der Registrierung vornehmen.\r\nSoll nun begonnen werden?");
inline const QString RefreshQuestion = QStringLiteral(
    "Sie haben Änderungen an der Registrierung vorgenommen.\r\nSoll die Ansicht jetzt aktualisiert werden?");

// The row's found-at text names a value ("Wert", "Standardwert") or its data ("Daten", "Standarddaten").
[[nodiscard]] bool IsValueNameRow(const ResultRow& row);
[[nodiscard]] bool IsValueDataRow(const ResultRow& row);
// The value a row stands for: empty for the default value's rows, else the row's value name.
[[nodiscard]] QString RowValueName(const ResultRow& row);
// Row index + 1 is the data row of the same value as the name row at index.
[[nodiscard]] bool IsPairBelow(const SearchResultList& list, int index);

// What the window does while a run works on a row: the marker image 21 on it (scrolled into view),
// and off again.
struct RowMarker {
    std::function<void(int row, bool on)> show;
    void operator()(int row, bool on) const
    {
        if (show)
            show(row, on);
    }
};

// The batch a changing run writes in, begun on the registry of CurrentMachine. Not connected: the
// machine cannot be reached.
class RunBatch final {
public:
    RunBatch();
    [[nodiscard]] bool connected() const { return m_batch != nullptr; }
    // Ends the batch: 0 when every change of the run is kept.
    [[nodiscard]] LONG end();

private:
    RegistryAccessor m_reg;
    std::unique_ptr<RegBatch> m_batch;
};

struct ResultRunOutcome {
    int changed = 0;
    QStringList failures; // what could not be changed, in the order met
    bool cancelled = false; // Cancel in a confirmation question, or the user stopped the walk
    bool lostConnection = false;
    LONG commitError = ERROR_SUCCESS; // the run's batch could not keep its changes
};

// A changing run starts only on a connected batch; otherwise it shows the lost connection and the run
// ends as lost and cancelled. True when the run may go on.
[[nodiscard]] bool RunConnected(const RunBatch& batch, ResultRunOutcome& run);
// Before each row: steps the progress; false, with the run cancelled, when the user stopped it.
[[nodiscard]] bool NextRunRow(Progress& progress, ResultRunOutcome& run);
