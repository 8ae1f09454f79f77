#include "mainwindow/TUndoForm.h"
#include "mainwindow/TUndoList.h"
#include "support/RecordingMessageSink.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

// With KAVEN_SHOTS set to a folder, the test leaves a picture of the window there for a look.
void shot(QWidget* widget, const char* name)
{
    const QString dir = qEnvironmentVariable("KAVEN_SHOTS");
    if (!dir.isEmpty())
        widget->grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".png"));
}

} // namespace

class TestUndoForm : public QObject {
    Q_OBJECT

private slots:
    void selectionReachesNewest();
    void clearAsksFirst();
};

namespace {

void fillGroups(TUndoList& undo, int groups)
{
    const QString path = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                        "Advanced\\Folder\\Hidden");
    TRegValue dword;
    dword.DataType = REG_DWORD;
    for (int i = 0; i < groups; ++i) {
        switch (i % 3) {
        case 0:
            undo.Add(MakeUndoItem(UndoKind::ValueChanged, path, dword, QStringLiteral("CheckedValue")));
            break;
        case 1:
            undo.BeginGroup();
            undo.Add(MakeUndoItem(UndoKind::ValueDeleted, QStringLiteral("HKEY_USERS\\A"), dword, QStringLiteral("x")));
            undo.Add(MakeUndoItem(UndoKind::ValueDeleted, QStringLiteral("HKEY_USERS\\B"), dword, QStringLiteral("y")));
            undo.EndGroup();
            break;
        default:
            undo.Add(MakeRenameUndoItem(QStringLiteral("HKEY_CURRENT_USER\\Kaven"), QStringLiteral("alt"),
                                        QStringLiteral("neu"), REG_SZ));
            break;
        }
    }
}

} // namespace

void TestUndoForm::selectionReachesNewest()
{
    TUndoList undo;
    fillGroups(undo, 4);
    TUndoForm form(undo);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.list()->count(), 4);
    QVERIFY(!form.undoButton()->isEnabled());
    // Clicking the second entry selects it and, after the release, everything below it.
    const QRect second = form.list()->visualItemRect(form.list()->item(1));
    QVERIFY(second.height() >= 3 * form.fontMetrics().height() + 10);
    QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, second.center());
    QTRY_COMPARE(form.undoCount(), 3);
    QVERIFY(!form.list()->item(0)->isSelected());
    QVERIFY(form.undoButton()->isEnabled());
    // Deselecting the newest one does not stick.
    const QRect last = form.list()->visualItemRect(form.list()->item(3));
    QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, last.center());
    QTRY_VERIFY(form.list()->item(3)->isSelected());
    QCOMPARE(form.undoCount(), 3);
    shot(&form, "undo");
}

void TestUndoForm::clearAsksFirst()
{
    RecordingMessageSink sink;
    TUndoList undo;
    fillGroups(undo, 2);
    TUndoForm form(undo);
    sink.pushAnswer(MessageAnswer::No);
    form.ClearClick();
    QCOMPARE(sink.last().text, QStringLiteral("Die Daten gehen unwiderruflich verloren.\r\nWirklich entfernen?"));
    QCOMPARE(undo.GroupCount(), 2);
    sink.pushAnswer(MessageAnswer::Yes);
    form.ClearClick();
    QVERIFY(!undo.CanUndo());
    QCOMPARE(form.list()->count(), 0);
    QCOMPARE(form.undoCount(), 0);
}

QTEST_MAIN(TestUndoForm)
#include "TestUndoForm.moc"
