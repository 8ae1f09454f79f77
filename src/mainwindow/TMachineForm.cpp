#include "mainwindow/TMachineForm.h"

#include "platform/WinReg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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
    m_name->setCurrentIndex(-1);
    m_name->setEditText(QString());
    label->setBuddy(m_name);

    // An offline installation or a hive file is a "machine" named by its path.
    auto* offline = new QPushButton(QStringLiteral("Offline-Windows-Installation ..."));
    offline->setObjectName(QStringLiteral("OfflineWindowsButton"));
    auto* hiveFile = new QPushButton(QStringLiteral("Hive-Datei ..."));
    hiveFile->setObjectName(QStringLiteral("HiveFileButton"));
    m_allowChanges = new QCheckBox(QStringLiteral("Änderungen erlauben"));
    m_allowChanges->setObjectName(QStringLiteral("AllowChangesCheckBox"));
    auto* files = new QHBoxLayout;
    files->addWidget(offline);
    files->addWidget(hiveFile);
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

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_name);
    layout->addLayout(files);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
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
