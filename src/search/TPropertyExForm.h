#pragma once

// The properties dialog of a result list: the connection, the counts of keys and of the three kinds of
// values, and a pie of the value counts. It takes the counts only, so every list that counts its rows
// the same way (search results, changes) can show it with its own caption.

#include "search/SearchResultList.h"

#include <QDialog>

class QLabel;

class TPropertyExForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPropertyExForm)

public:
    // machineName: the connected machine, empty for the local registry.
    TPropertyExForm(const QString& caption, const QString& machineName, const ResultCounts& counts,
                    QWidget* parent = nullptr);

    // "Lokaler PC", or "Netzwerk PC: " with the machine name.
    [[nodiscard]] static QString connectionText(const QString& machineName);
};
