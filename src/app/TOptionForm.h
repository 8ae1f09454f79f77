#pragma once

// The options dialog: undo capacity, root keys of a whole-registry export, link look of the
// information page and the three paths. It loads its controls from the settings when shown and writes
// them back only on OK; nothing reaches the registry before shutdown.

#include "settings/OptionsStore.h"
#include "widgets/TPropertyGrid.h"
#include "widgets/TSpinEdit.h"

#include <QColor>
#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QTabWidget;
class TColorField;

class TOptionForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TOptionForm)

public:
    // slot6Name: the name of root-key slot 6 when that slot is available, else empty (box hidden).
    TOptionForm(KavenOptions& options, const QString& slot6Name, QWidget* parent = nullptr);

    // Folder and file pickers of the path rows; tests replace them.
    std::function<QString(const QString& current)> pickFolder;
    std::function<QString(const QString& current)> pickInfoFile;

    // The controls, for tests and screenshots.
    [[nodiscard]] QTabWidget* pages() const { return m_pages; }
    [[nodiscard]] TSpinEdit* undoSpinEdit() const { return m_undoSpin; }
    [[nodiscard]] QCheckBox* rootCheckBox(int slot) const { return m_rootBoxes[slot]; }
    [[nodiscard]] QCheckBox* boldCheckBox() const { return m_bold; }
    [[nodiscard]] QCheckBox* italicCheckBox() const { return m_italic; }
    [[nodiscard]] QCheckBox* underlineCheckBox() const { return m_underline; }
    [[nodiscard]] QLabel* previewLabel() const { return m_preview; }
    [[nodiscard]] TColorField* colorField() const { return m_colorField; }
    [[nodiscard]] TPropertyGrid* pathGrid() const { return m_paths; }
    [[nodiscard]] QColor linkColor() const;
    void setLinkColor(const QColor& color);
    // Runs the picker of path row 0..2 (as its button does).
    void browsePath(int row);

    [[nodiscard]] static QColor fromColorRef(quint32 ref);
    [[nodiscard]] static quint32 toColorRef(const QColor& color);

    void accept() override;

private:
    QWidget* buildGeneralPage();
    QWidget* buildExportPage(const QString& slot6Name);
    QWidget* buildInfoPage();
    QWidget* buildPathPage();
    void loadControls();
    void updatePreview();

    KavenOptions& m_options;
    QTabWidget* m_pages = nullptr;
    TSpinEdit* m_undoSpin = nullptr;
    std::array<QCheckBox*, 6> m_rootBoxes{};
    TColorField* m_colorField = nullptr;
    QCheckBox* m_bold = nullptr;
    QCheckBox* m_italic = nullptr;
    QCheckBox* m_underline = nullptr;
    QLabel* m_preview = nullptr;
    TPropertyGrid* m_paths = nullptr;
};
