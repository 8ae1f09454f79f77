#pragma once

// Asks for the machine whose registry is to be shown: the machines already known are offered, any
// other name can be typed; an offline Windows installation (its folder), a hive file or a Wine prefix
// can be chosen (the prefixes of the common launchers are listed), and its path is the machine's name.
// A hive machine opens read-only unless "Änderungen erlauben" is checked.

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;

class TMachineForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMachineForm)

public:
    explicit TMachineForm(const QStringList& knownMachines, QWidget* parent = nullptr);

    // The chosen name without leading backslashes and surrounding blanks.
    [[nodiscard]] QString machineName() const;
    [[nodiscard]] QComboBox* nameBox() const { return m_name; }
    [[nodiscard]] QCheckBox* allowChangesBox() const { return m_allowChanges; }

    // Shows the dialog; empty when cancelled or left empty. A path chosen opens for changes only when
    // they were allowed.
    [[nodiscard]] static QString ask(const QStringList& knownMachines, QWidget* parent);

    void accept() override;

private:
    [[nodiscard]] static QString mountedPartitions();
    void offerToEndWine(const QString& prefix);
    void choosePath(const QString& path);

    QComboBox* m_name = nullptr;
    QCheckBox* m_allowChanges = nullptr;
};
