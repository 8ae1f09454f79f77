#include "app/QtMessageSink.h"
#include "app/TSplashForm.h"
#include "registry/RegMessageUtils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>

namespace {

// Runs check on the message box once it is open, then presses one of its standard buttons.
void answerBox(const std::function<void(QMessageBox*)>& check, QMessageBox::StandardButton press)
{
    QTimer::singleShot(50, qApp, [check, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        check(box);
        if (QAbstractButton* b = box->button(press))
            b->click();
        else
            box->close();
    });
}

QStringList buttonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

} // namespace

class TestUiServices final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        auto* translator = new QTranslator(this);
        QVERIFY(translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QApplication::installTranslator(translator);
        setMessageSink(&m_sink);
    }
    void cleanupTestCase() { setMessageSink(nullptr); }

    void questionSpeaksGerman()
    {
        QString caption;
        QString text;
        QStringList buttons;
        answerBox(
            [&](QMessageBox* box) {
                caption = box->windowTitle();
                text = box->text();
                buttons = buttonTexts(box);
            },
            QMessageBox::No);
        QVERIFY(!AskYesNo(QStringLiteral("Schlüssel 'A' wirklich löschen?")));
        QCOMPARE(caption, QStringLiteral("Kaven 1.0"));
        QCOMPARE(text, QStringLiteral("Schlüssel 'A' wirklich löschen?"));
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
        answerBox([](QMessageBox*) {}, QMessageBox::Yes);
        QVERIFY(AskYesNo(QStringLiteral("Weiter?")));
    }

    void errorAndCancelBoxes()
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        answerBox([&](QMessageBox* box) { icon = box->icon(); }, QMessageBox::Ok);
        ShowError(QStringLiteral("Kann Datei nicht sichern."));
        QCOMPARE(icon, QMessageBox::Critical);
        QStringList buttons;
        answerBox([&](QMessageBox* box) { buttons = buttonTexts(box); }, QMessageBox::Cancel);
        QCOMPARE(AskYesNoCancel(QStringLiteral("Speichern?")), MessageAnswer::Cancel);
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"), QStringLiteral("Abbrechen")}));
    }

    void filterTranslation_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("one") << "Registrierungsdatei (*.reg)|*.reg" << "Registrierungsdatei (*.reg)";
        QTest::newRow("two") << "Favoriten Datei (*.fav)|*.fav|Alle|*.*" << "Favoriten Datei (*.fav);;Alle (*.*)";
        QTest::newRow("patterns") << "Texte|*.txt;*.log" << "Texte (*.txt *.log)";
    }
    void filterTranslation()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtMessageSink::qtFilter(filter), qt);
    }

    void splashClosesOnlyOnceMainWindowShows()
    {
        QPointer<TSplashForm> splash = new TSplashForm;
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QWidget mainWindow;
        splash->setMainWindow(&mainWindow);
        QTest::mouseClick(splash, Qt::LeftButton);
        QTest::keyClick(splash, Qt::Key_Escape);
        QVERIFY(splash && splash->isVisible());
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
        QTest::keyClick(splash, Qt::Key_A);
        QVERIFY(splash && splash->isVisible());
        QTest::mouseClick(splash, Qt::LeftButton);
        QTRY_VERIFY(!splash);
    }

private:
    QtMessageSink m_sink;
};

QTEST_MAIN(TestUiServices)
#include "TestUiServices.moc"
