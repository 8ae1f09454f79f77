#pragma once

// The find-changes dialog "Änderungen der Registrierung finden": the analysis file (with the recently
// used ones of "file.dat") and the comparison's options. Closed with "&Analyse" it holds the new
// CompFile and CompFlags; the caller runs the comparison.

#include <QDialog>
#include <QStringList>

#include <array>

class QCheckBox;
class QComboBox;
class QPushButton;

class TCompForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCompForm)

public:
    static constexpr int MaxFiles = 20;
    static inline const QString FileFilter = QStringLiteral("Analysedatei (*.rec)|*.rec");

    // fileList: the list file of recent analysis files, read now and written back when the dialog goes.
    TCompForm(const QString& compFile, int compFlags, const QString& fileList, QWidget* parent = nullptr);
    ~TCompForm() override;

    [[nodiscard]] QString compFile() const;
    [[nodiscard]] int compFlags() const;
    [[nodiscard]] const QStringList& analysisFiles() const { return m_files; }

public slots:
    void accept() override;
    // "...": an existing analysis file chosen in the open dialog.
    void SelectFileClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButtons();
    void showFiles(const QString& text);

    QString m_fileList;
    QStringList m_files;
    QComboBox* m_file = nullptr;
    std::array<QCheckBox*, 6> m_boxes{}; // bits 1, 2, 4, 8, 16, 32
    QPushButton* m_analyse = nullptr;
};
