#pragma once

// The alias editor "Aliasnamen vergeben": a key path and its alias name. "&OK" needs the key (and the
// alias, while its field is enabled); an alias holding a backslash is refused and the editor stays.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TAliasEditForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAliasEditForm)

public:
    TAliasEditForm(const QString& keyPath, const QString& alias, QWidget* parent = nullptr);

    [[nodiscard]] QString keyPath() const;
    [[nodiscard]] QString alias() const;
    [[nodiscard]] QLineEdit* keyEdit() const { return m_key; }
    [[nodiscard]] QLineEdit* aliasEdit() const { return m_alias; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }

public slots:
    void accept() override;

private:
    void updateOk();

    QLineEdit* m_key = nullptr;
    QLineEdit* m_alias = nullptr;
    QPushButton* m_ok = nullptr;
};
