#include "widgets/TColorField.h"
#include "widgets/TDropDownCheckList.h"
#include "widgets/TPopupHint.h"
#include "widgets/TPropertyGrid.h"
#include "widgets/TSpinEdit.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

namespace {

// Typed into a focused widget: digits and letters as they are, "<" Backspace, "^" Up, "+" Page Up,
// "~" one wheel step up.
void type(QWidget* target, const QString& keys)
{
    for (const QChar c : keys) {
        if (c == QLatin1Char('<'))
            QTest::keyClick(target, Qt::Key_Backspace);
        else if (c == QLatin1Char('^'))
            QTest::keyClick(target, Qt::Key_Up);
        else if (c == QLatin1Char('+'))
            QTest::keyClick(target, Qt::Key_PageUp);
        else if (c == QLatin1Char('~')) {
            QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &wheel);
        } else
            QTest::keyClick(target, c.toLatin1());
    }
}

} // namespace

class TestControls final : public QObject {
    Q_OBJECT

private slots:
    // Range 1 to 1000; the whole text is selected before typing.
    void spinEdit_data()
    {
        QTest::addColumn<bool>("emptyRule");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("emptied field shows 1") << true << 10 << "<" << "1" << 1;
        QTest::newRow("a digit after it replaces the 1") << true << 10 << "<7" << "7" << 7;
        QTest::newRow("emptied again after a digit") << true << 10 << "5<" << "1" << 1;
        QTest::newRow("without the rule empty stays empty") << false << 10 << "<" << "" << 10;
        QTest::newRow("maximum typed") << true << 10 << "1000" << "1000" << 1000;
        QTest::newRow("digit beyond the maximum refused") << true << 10 << "2000" << "200" << 200;
        QTest::newRow("arrow stops at the maximum") << true << 999 << "^^" << "1000" << 1000;
        QTest::newRow("page up is ten steps") << true << 10 << "+" << "20" << 20;
        QTest::newRow("wheel is one step") << true << 10 << "~" << "11" << 11;
    }
    void spinEdit()
    {
        QFETCH(bool, emptyRule);
        QFETCH(int, start);
        QFETCH(QString, keys);
        QFETCH(int, value);
        TSpinEdit spin;
        spin.setRange(1, 1000);
        spin.setEmptyBecomesMinimum(emptyRule);
        spin.setValue(start);
        spin.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spin));
        spin.setFocus();
        spin.selectAll();
        type(&spin, keys);
        QTEST(spin.editor()->text(), "text");
        // Enter takes the value; an empty field keeps the last one.
        QTest::keyClick(spin.editor(), Qt::Key_Return);
        QCOMPARE(spin.value(), value);
    }

    void colorField_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::addColumn<QColor>("answer"); // invalid: the dialog was cancelled
        QTest::addColumn<int>("signals");
        QTest::addColumn<QColor>("shown");
        const QColor start(0, 0, 255);
        QTest::newRow("another colour") << false << QColor(255, 128, 0) << 1 << QColor(255, 128, 0);
        QTest::newRow("another colour by Space") << true << QColor(1, 2, 3) << 1 << QColor(1, 2, 3);
        QTest::newRow("the same colour") << false << start << 0 << start;
        QTest::newRow("cancelled") << false << QColor() << 0 << start;
    }
    void colorField()
    {
        QFETCH(bool, byKeyboard);
        QFETCH(QColor, answer);
        TColorField field;
        field.setColor(QColor(0, 0, 255));
        QColor offered;
        field.chooseColor = [&](const QColor& current) {
            offered = current;
            return answer;
        };
        QSignalSpy changed(&field, &TColorField::colorChanged);
        if (byKeyboard)
            QTest::keyClick(&field, Qt::Key_Space);
        else
            QTest::mouseClick(&field, Qt::LeftButton);
        QCOMPARE(offered, QColor(0, 0, 255));
        QTEST(int(changed.size()), "signals");
        QTEST(field.color(), "shown");
        if (!changed.isEmpty())
            QCOMPARE(changed.first().first().value<QColor>(), field.color());
    }

    void dropDownKeys_data()
    {
        QTest::addColumn<int>("openKey");
        QTest::addColumn<int>("openModifiers");
        QTest::addColumn<int>("closeKey");
        QTest::addColumn<int>("closeModifiers");
        QTest::newRow("F4, Esc") << int(Qt::Key_F4) << 0 << int(Qt::Key_Escape) << 0;
        QTest::newRow("Alt+Down, Alt+Up") << int(Qt::Key_Down) << int(Qt::AltModifier) << int(Qt::Key_Up)
                                          << int(Qt::AltModifier);
        QTest::newRow("Space, F4") << int(Qt::Key_Space) << 0 << int(Qt::Key_F4) << 0;
    }
    void dropDownKeys()
    {
        QFETCH(int, openKey);
        QFETCH(int, openModifiers);
        QFETCH(int, closeKey);
        QFETCH(int, closeModifiers);
        QWidget window;
        auto* dropDown = new TDropDownCheckList(&window);
        dropDown->addItem(QStringLiteral("eins"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        dropDown->setFocus();
        QSignalSpy hidden(dropDown, &TDropDown::popupHidden);
        // A plain Down arrow is no request to open.
        QTest::keyClick(dropDown, Qt::Key_Down);
        QVERIFY(!dropDown->isPopupVisible());
        QTest::keyClick(dropDown, Qt::Key(openKey), Qt::KeyboardModifiers(openModifiers));
        QVERIFY(dropDown->isPopupVisible());
        QVERIFY(dropDown->list()->hasFocus());
        QTest::keyClick(dropDown->list(), Qt::Key(closeKey), Qt::KeyboardModifiers(closeModifiers));
        QVERIFY(!dropDown->isPopupVisible());
        QCOMPARE(hidden.size(), 1);
        QVERIFY(dropDown->hasFocus());
        QCOMPARE(dropDown->isItemChecked(0), false); // closing keys toggle nothing
    }

    // Each toggle is reported once and leaves the popup open for the next.
    void dropDownCheckList_data()
    {
        QTest::addColumn<QString>("actions"); // "c<row>" click on the name, "s" Space, "e" Enter, "d" Down
        QTest::addColumn<QString>("checked"); // one digit per row
        QTest::addColumn<QString>("reported"); // "<row>+" or "<row>-" per toggle
        QTest::newRow("click a name") << "c2" << "0010" << "2+";
        QTest::newRow("click it again") << "c2,c2" << "0000" << "2+,2-";
        QTest::newRow("Space on the current name") << "s" << "1000" << "0+";
        QTest::newRow("Down, Enter") << "d,e" << "0100" << "1+";
        QTest::newRow("several in one go") << "c0,c2,d,s" << "1011" << "0+,2+,3+";
    }
    void dropDownCheckList()
    {
        QFETCH(QString, actions);
        QWidget window;
        auto* dropDown = new TDropDownCheckList(&window);
        for (const char* name : {"NAME", "ATTRIBUTES", "LAST_SET", "SECURITY"})
            dropDown->addItem(QString::fromLatin1(name));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy toggled(dropDown, &TDropDownCheckList::itemToggled);
        QTest::mouseClick(dropDown, Qt::LeftButton);
        QVERIFY(dropDown->isPopupVisible());
        QListWidget* list = dropDown->list();
        for (const QString& action : actions.split(QLatin1Char(','))) {
            if (action.startsWith(QLatin1Char('c'))) {
                const QRect item = list->visualItemRect(list->item(action.mid(1).toInt()));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
            } else {
                const std::map<QChar, Qt::Key> keys{
                    {u's', Qt::Key_Space}, {u'e', Qt::Key_Return}, {u'd', Qt::Key_Down}};
                QTest::keyClick(list, keys.at(action.at(0)));
            }
            QVERIFY(dropDown->isPopupVisible());
        }
        QString checked;
        for (int row = 0; row < dropDown->count(); ++row)
            checked += dropDown->isItemChecked(row) ? QLatin1Char('1') : QLatin1Char('0');
        QTEST(checked, "checked");
        QStringList reported;
        for (const QList<QVariant>& args : toggled)
            reported << QString::number(args[0].toInt()) + (args[1].toBool() ? u'+' : u'-');
        QTEST(reported.join(QLatin1Char(',')), "reported");
    }

    void propertyGrid_data()
    {
        QTest::addColumn<QString>("action"); // "click <row>", "ctrl+enter <row>", "edit <row>", "set <row>"
        QTest::addColumn<QString>("buttons"); // rows reported by buttonClicked
        QTest::addColumn<QString>("edits");   // "row=value" reported by valueEdited
        QTest::newRow("button of row 0") << "click 0" << "0" << "";
        QTest::newRow("button of row 2") << "click 2" << "2" << "";
        QTest::newRow("Ctrl+Enter on row 2") << "ctrl+enter 2" << "2" << "";
        QTest::newRow("Ctrl+Enter on the row without button") << "ctrl+enter 1" << "" << "";
        QTest::newRow("in-place edit") << "edit 1" << "" << "1=/neu";
        QTest::newRow("value set by the program is no edit") << "set 0" << "" << "";
    }
    void propertyGrid()
    {
        QFETCH(QString, action);
        TPropertyGrid grid;
        QCOMPARE(grid.addRow(QStringLiteral("Datenverzeichnis"), QStringLiteral("/daten"), true), 0);
        QCOMPARE(grid.addRow(QStringLiteral("Name"), QStringLiteral("alt"), false), 1);
        QCOMPARE(grid.addRow(QStringLiteral("Informationsdatei"), QStringLiteral("/info.rgf"), true), 2);
        grid.resize(400, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QVERIFY(grid.rowButton(0) && !grid.rowButton(1) && grid.rowButton(2));
        QSignalSpy buttons(&grid, &TPropertyGrid::buttonClicked);
        QSignalSpy edits(&grid, &TPropertyGrid::valueEdited);
        const QString verb = action.section(QLatin1Char(' '), 0, 0);
        const int row = action.section(QLatin1Char(' '), 1).toInt();
        // Clicking the name makes the value current, where keys act.
        const QRect name = grid.visualItemRect(grid.item(row, 0));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, name.center());
        QCOMPARE(grid.currentRow(), row);
        QCOMPARE(grid.currentColumn(), 1);
        if (verb == QLatin1String("click")) {
            QTest::mouseClick(grid.rowButton(row), Qt::LeftButton);
        } else if (verb == QLatin1String("ctrl+enter")) {
            QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
        } else if (verb == QLatin1String("edit")) {
            QTest::keyClick(&grid, Qt::Key_F2);
            auto* editor = grid.viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("/neu"));
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(grid.value(row), QStringLiteral("/neu")); // the view commits on a queued call
        } else {
            grid.setValue(row, QStringLiteral("/gesetzt"));
            QCOMPARE(grid.value(row), QStringLiteral("/gesetzt"));
        }
        QStringList buttonRows;
        for (const QList<QVariant>& args : buttons)
            buttonRows << args[0].toString();
        QTEST(buttonRows.join(QLatin1Char(',')), "buttons");
        QStringList editTexts;
        for (const QList<QVariant>& args : edits)
            editTexts << args[0].toString() + u'=' + args[1].toString();
        QTEST(editTexts.join(QLatin1Char(',')), "edits");
    }

    // The hint is as large as the wrapped text: lines of the font's height, 4 pixels of margin around.
    void popupHintSize_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("wrapped"); // as wide as the wrap width allows
        QTest::newRow("one word") << "Schlüssel" << 1 << false;
        QTest::newRow("three lines by BR") << "<B>Baum</B><BR>Liste<BR>Seiten" << 3 << false;
        QTest::newRow("empty line counts") << "oben<BR><BR>unten" << 3 << false;
        QTest::newRow("long text wraps") << QString(QStringLiteral("Wort ")).repeated(60) << -1 << true;
    }
    void popupHintSize()
    {
        QFETCH(QString, markup);
        QFETCH(int, lines);
        QFETCH(bool, wrapped);
        TPopupHint hint;
        hint.setTextWidth(200);
        hint.showAt(markup, QPoint(10, 10));
        QCOMPARE(hint.markup(), markup);
        const QFontMetrics fm(QToolTip::font());
        const int lineHeight = fm.height();
        QCOMPARE((hint.height() - 8) % lineHeight, 0);
        if (lines > 0)
            QCOMPARE(hint.height(), lines * lineHeight + 8);
        else
            QVERIFY(hint.height() > 5 * lineHeight);
        if (wrapped) {
            QVERIFY(hint.width() > 200 - fm.horizontalAdvance(QStringLiteral("Wort ")));
            QVERIFY(hint.width() <= 200 + 5 + 8);
        } else if (lines == 1) {
            QCOMPARE(hint.width(), fm.horizontalAdvance(markup) + 5 + 8);
        }
    }
};

QTEST_MAIN(TestControls)
#include "TestControls.moc"
