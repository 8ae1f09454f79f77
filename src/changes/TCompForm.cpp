#include "changes/TCompForm.h"

#include "changes/WriteAnalysisFile.h"
#include "mainwindow/NavigationHistory.h"
#include "registry/MessageSink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TCompForm::TCompForm(const QString& compFile, int compFlags, const QString& fileList, QWidget* parent)
    : QDialog(parent), m_fileList(fileList), m_files(ListFile::read(fileList))
{
    setObjectName(QStringLiteral("CompForm"));
    setWindowTitle(QStringLiteral("Änderungen der Registrierung finden"));

    auto* fileLabel = new QLabel(QStringLiteral("Analysedatei:"));
    m_file = new QComboBox;
    m_file->setObjectName(QStringLiteral("CompFileComboBox"));
    m_file->setEditable(true);
    m_file->setInsertPolicy(QComboBox::NoInsert);
    m_file->setMinimumContentsLength(40);
    fileLabel->setBuddy(m_file);
    auto* select = new QToolButton;
    select->setObjectName(QStringLiteral("SelectFileButton"));
    select->setText(QStringLiteral("..."));
    select->setToolTip(QStringLiteral("Analysedatei auswählen"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(select);

    const QString captions[6] = {QStringLiteral("in &Schlüsseln"),
                                 QStringLiteral("in &Werten"),
                                 QStringLiteral("in &Daten"),
                                 QStringLiteral("im Daten&typ"),
                                 QStringLiteral("&Neue Schlüssel vollständig auslesen"),
                                 QStringLiteral("S&chlüssel ausschließen")};
    const char* names[6] = {"KeysCheckBox", "ValuesCheckBox", "DataCheckBox", "TypeCheckBox", "FullNewKeysCheckBox",
                            "ExcludeCheckBox"};
    auto* consider = new QGroupBox(QStringLiteral("Änderungen berücksichtigen"));
    auto* considerGrid = new QGridLayout(consider);
    auto* options = new QGroupBox(QStringLiteral("Optionen"));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(consider);
    for (int i = 0; i < 6; ++i) {
        m_boxes[size_t(i)] = new QCheckBox(captions[i]);
        m_boxes[size_t(i)]->setObjectName(QLatin1String(names[i]));
        m_boxes[size_t(i)]->setChecked(compFlags & (1 << i));
        if (i < 4)
            considerGrid->addWidget(m_boxes[size_t(i)], i / 2, i % 2);
        else
            optionsLayout->addWidget(m_boxes[size_t(i)]);
        connect(m_boxes[size_t(i)], &QCheckBox::toggled, this, &TCompForm::updateButtons);
    }

    auto* buttons = new QDialogButtonBox;
    m_analyse = buttons->addButton(QStringLiteral("&Analyse"), QDialogButtonBox::AcceptRole);
    m_analyse->setObjectName(QStringLiteral("AnalyseButton"));
    m_analyse->setDefault(true);
    QPushButton* close = buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("CloseButton"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileLabel);
    layout->addLayout(fileRow);
    layout->addWidget(options);
    layout->addWidget(buttons);

    showFiles(compFile);
    connect(m_file, &QComboBox::editTextChanged, this, &TCompForm::updateButtons);
    connect(select, &QToolButton::clicked, this, &TCompForm::SelectFileClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &TCompForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TCompForm::reject);
    m_file->installEventFilter(this);
    m_file->lineEdit()->installEventFilter(this);
    updateButtons();
}

TCompForm::~TCompForm()
{
    (void)ListFile::write(m_fileList, m_files); // silently left alone where it may not be written
}

QString TCompForm::compFile() const
{
    return m_file->currentText();
}

int TCompForm::compFlags() const
{
    int flags = 0;
    for (int i = 0; i < 6; ++i) {
        if (m_boxes[size_t(i)]->isChecked())
            flags |= 1 << i;
    }
    return flags;
}

void TCompForm::showFiles(const QString& text)
{
    const QSignalBlocker blocker(m_file);
    m_file->clear();
    m_file->addItems(m_files);
    m_file->setEditText(text);
}

void TCompForm::updateButtons()
{
    m_analyse->setEnabled(!compFile().isEmpty() && (compFlags() & 15) != 0);
}

void TCompForm::SelectFileClick()
{
    const QString chosen = messageSink().openFileName(QStringLiteral("Analysedatei auswählen"), FileFilter);
    if (chosen.isEmpty())
        return;
    const QString name = AnalysisFileName(chosen);
    if (!QFileInfo::exists(name))
        return;
    (void)AddRecentEntry(m_files, name, MaxFiles, true);
    showFiles(name);
    updateButtons();
}

void TCompForm::accept()
{
    if (!m_analyse->isEnabled())
        return;
    if (QFileInfo::exists(AnalysisFileName(compFile())))
        (void)AddRecentEntry(m_files, compFile(), MaxFiles, true);
    QDialog::accept();
}

// Ctrl+Del in the combo box: the shown file leaves the list.
bool TCompForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            const QString text = compFile();
            for (qsizetype i = 0; i < m_files.size(); ++i) {
                if (m_files[i].compare(text, Qt::CaseInsensitive) == 0) {
                    m_files.removeAt(i);
                    showFiles(text);
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
