#include "mainwindow/TMachineForm.h"

#include "platform/WinReg.h"
#include "platform/wine/WinePrefix.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TMachineForm::TMachineForm(const QStringList& knownMachines, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MachineForm"));
    setWindowTitle(QStringLiteral("Netzwerkverbindung herstellen"));
    auto* label = new QLabel(QStringLiteral("&Computer:"));
    m_name = new QComboBox;
    m_name->setObjectName(QStringLiteral("MachineNameBox"));
    m_name->setEditable(true);
    m_name->setInsertPolicy(QComboBox::NoInsert);
    m_name->setMinimumContentsLength(30);
    for (const QString& machine : knownMachines) {
        QString name = machine;
        while (name.startsWith(QLatin1Char('\\')))
            name.remove(0, 1);
        if (!name.isEmpty() && m_name->findText(name, Qt::MatchFixedString) < 0)
            m_name->addItem(name);
    }
    // The Wine prefixes of the common launchers, named by their paths like the offline installations.
    for (const QString& prefix : WinePrefix::discover(QDir::homePath())) {
        if (m_name->findText(prefix, Qt::MatchFixedString) < 0)
            m_name->addItem(prefix);
    }
    m_name->setCurrentIndex(-1);
    m_name->setEditText(QString());
    label->setBuddy(m_name);

    // An offline installation or a hive file is a "machine" named by its path.
    auto* offline = new QPushButton(QStringLiteral("Offline-Windows-Installation ..."));
    offline->setObjectName(QStringLiteral("OfflineWindowsButton"));
    auto* hiveFile = new QPushButton(QStringLiteral("Hive-Datei ..."));
    hiveFile->setObjectName(QStringLiteral("HiveFileButton"));
    auto* winePrefix = new QPushButton(QStringLiteral("Wine-Präfix ..."));
    winePrefix->setObjectName(QStringLiteral("WinePrefixButton"));
    m_allowChanges = new QCheckBox(QStringLiteral("Änderungen erlauben"));
    m_allowChanges->setObjectName(QStringLiteral("AllowChangesCheckBox"));
    auto* files = new QHBoxLayout;
    files->addWidget(offline);
    files->addWidget(hiveFile);
    files->addWidget(winePrefix);
    files->addWidget(m_allowChanges);
    files->addStretch();
    connect(offline, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Offline-Windows-Installation"),
                                                              mountedPartitions());
        choosePath(dir);
    });
    connect(hiveFile, &QPushButton::clicked, this, [this] {
        choosePath(QFileDialog::getOpenFileName(this, QStringLiteral("Hive-Datei"), mountedPartitions()));
    });
    connect(winePrefix, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Wine-Präfix"), QDir::homePath());
        if (!dir.isEmpty() && !WinePrefix::isPrefix(dir)) {
            QMessageBox::warning(this, QStringLiteral("Kaven 1.0"),
                                 QStringLiteral("Warnung: Der Ordner \"%1\" ist kein Wine-Präfix (system.reg fehlt).")
                                     .arg(dir));
            return;
        }
        choosePath(dir);
    });

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_name);
    layout->addLayout(files);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TMachineForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Wide enough for the caption beside the title bar's icon and buttons (a bold title font included).
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(qMax(minimumSizeHint().width(), QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 120));
}

QString TMachineForm::mountedPartitions()
{
    for (const QString& place : {QStringLiteral("/media"), QStringLiteral("/run/media"), QStringLiteral("/mnt")}) {
        if (QDir(place).exists())
            return place;
    }
    return QDir::homePath();
}

void TMachineForm::choosePath(const QString& path)
{
    if (path.isEmpty())
        return;
    m_name->setEditText(QDir::cleanPath(path));
    accept();
}

void TMachineForm::accept()
{
    offerToEndWine(machineName());
    QDialog::accept();
}

// A running wineserver owns the prefix's files: the prefix opens read-only unless Wine is ended first.
void TMachineForm::offerToEndWine(const QString& prefix)
{
    if (!WinePrefix::isPrefix(prefix) || !WinePrefix::serverRunning(prefix))
        return;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Kaven 1.0"),
        WinePrefix::ServerRunningMessage + QStringLiteral("\n\nWine jetzt beenden? (Sonst wird der Präfix nur zum "
                                                         "Lesen geöffnet.)"));
    QString error;
    if (answer == QMessageBox::Yes && !WinePrefix::endServer(prefix, &error))
        QMessageBox::critical(this, QStringLiteral("Kaven 1.0"), QStringLiteral("Fehler: ") + error);
}

QString TMachineForm::machineName() const
{
    QString name = m_name->currentText().trimmed();
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    return name;
}

QString TMachineForm::ask(const QStringList& knownMachines, QWidget* parent)
{
    TMachineForm form(knownMachines, parent);
    if (form.exec() != QDialog::Accepted)
        return {};
    const QString name = form.machineName();
    if (name.startsWith(QLatin1Char('/')))
        RegAllowHiveWrites(name, form.m_allowChanges->isChecked());
    return name;
}
