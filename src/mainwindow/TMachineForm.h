#pragma once

// Asks for the machine whose registry is to be shown: the machines already known are offered, any
// other name can be typed; an offline Windows installation (its folder), a hive file or a Wine prefix
// can be chosen (the prefixes of the common launchers are listed), and its path is the machine's name.

#include <QDialog>
#include <QStringList>

class QComboBox;

class TMachineForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMachineForm)

public:
    explicit TMachineForm(const QStringList& knownMachines, QWidget* parent = nullptr);

    // The chosen name without leading backslashes and surrounding blanks.
    [[nodiscard]] QString machineName() const;
    [[nodiscard]] QComboBox* nameBox() const { return m_name; }

    // Shows the dialog; empty when cancelled or left empty.
    [[nodiscard]] static QString ask(const QStringList& knownMachines, QWidget* parent);

    void accept() override;

private:
    [[nodiscard]] static QString mountedPartitions();
    void offerToEndWine(const QString& prefix);
    void choosePath(const QString& path);

    QComboBox* m_name = nullptr;
};
