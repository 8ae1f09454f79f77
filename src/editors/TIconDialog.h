#pragma once

// The icon dialog "Symbol wählen": the icons of a file (an .ico file, or a Windows executable or DLL)
// in a grid to pick one from, and "Durchsuchen" for another file.

#include "editors/IconExtract.h"

#include <QDialog>
#include <QPair>

#include <optional>

class QListWidget;

class TIconDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TIconDialog)

public:
    explicit TIconDialog(QWidget* parent = nullptr);

    // Shows the file's icons with the icon at index chosen; false (after its message) when the file
    // has none, or when no file is given and the system icon library cannot be found.
    bool load(const QString& file, int index);
    [[nodiscard]] QString fileName() const { return m_file; }
    // Position of the chosen icon, -1 when none is chosen.
    [[nodiscard]] int iconIndex() const;
    [[nodiscard]] QListWidget* list() const { return m_list; }

    void BrowseClick();

    // The whole dialog: file and index in, the chosen location out.
    static std::optional<QPair<QString, int>> choose(QWidget* parent, const QString& file, int index);

private:
    QListWidget* m_list = nullptr;
    QString m_file;
};
