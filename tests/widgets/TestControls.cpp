#include "widgets/TColorField.h"
#include "widgets/TDropDownCheckList.h"
#include "widgets/TPopupHint.h"
#include "widgets/TPropertyGrid.h"
#include "widgets/TSpinEdit.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// "<" Backspace, "^" Up, "+" Page Up, "~" one wheel step up; other characters are typed.
void type(QWidget* target, const QString& keys)
{
    const std::map<QChar, Qt::Key> special{{u'<', Qt::Key_Backspace}, {u'^', Qt::Key_Up}, {u'+', Qt::Key_PageUp}};
    for (const QChar c : keys) {
        if (c == u'~') {
            QWheelEvent wheel({5, 5}, {5, 5}, {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &wheel);
        } else if (special.count(c))
            QTest::keyClick(target, special.at(c));
        else
            QTest::keyClick(target, c.toLatin1());
    }
}

template <typename T>
void show(T& widget)
{
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

} // namespace

class TestControls final : public QObject {
    Q_OBJECT

private slots:
    // Range 1 to 1000, starting at 10 with the whole text selected.
    void spinEdit()
    {
        const std::tuple<bool, QString, QString, int> cases[] = { // empty rule, keys, text, value after Enter
            {true, "<", "1", 1}, // the emptied field shows 1
            {true, "<7", "7", 7}, // a digit after it replaces the 1
            {true, "5<", "1", 1}, // emptied again after a digit
            {false, "<", "", 10}, // without the rule empty stays empty
            {true, "1000", "1000", 1000}, {true, "2000", "200", 200}, // the digit beyond the maximum refused
            {true, "999^^", "1000", 1000}, // the arrow stops at the maximum
            {true, "+", "20", 20}, {true, "~", "11", 11}}; // page up is ten steps, the wheel one
        for (const auto& [emptyRule, keys, text, value] : cases) {
            TSpinEdit spin;
            spin.setRange(1, 1000);
            spin.setEmptyBecomesMinimum(emptyRule);
            spin.setValue(10);
            show(spin);
            spin.setFocus();
            spin.selectAll();
            type(&spin, keys);
            QCOMPARE(spin.editor()->text(), text);
            QTest::keyClick(&spin, Qt::Key_Return);
            QCOMPARE(spin.value(), value);
        }
    }

    // Another colour (by mouse and by Space), the same colour, and the dialog cancelled (an invalid answer).
    void colorField()
    {
        const QColor start(0, 0, 255);
        const struct {
            bool byKeyboard;
            QColor answer, shown;
            int signalCount;
        } cases[] = {{false, QColor(255, 128, 0), QColor(255, 128, 0), 1},
                     {true, QColor(1, 2, 3), QColor(1, 2, 3), 1},
                     {false, start, start, 0},
                     {false, QColor(), start, 0}};
        for (const auto& c : cases) {
            TColorField field;
            field.setColor(start);
            QColor offered;
            field.chooseColor = [&](const QColor& current) { return offered = current, c.answer; };
            QSignalSpy changed(&field, &TColorField::colorChanged);
            c.byKeyboard ? QTest::keyClick(&field, Qt::Key_Space) : QTest::mouseClick(&field, Qt::LeftButton);
            QCOMPARE(offered, QColor(0, 0, 255));
            QCOMPARE(field.color(), c.shown);
            QCOMPARE(int(changed.size()), c.signalCount);
            if (!changed.isEmpty())
                QCOMPARE(changed.first().first().value<QColor>(), field.color());
        }
    }

    // Keys that open the popup and keys that close it again.
    void dropDownKeys()
    {
        const std::pair<QKeyCombination, QKeyCombination> cases[] = {
            {QKeyCombination(Qt::Key_F4), QKeyCombination(Qt::Key_Escape)},
            {Qt::ALT | Qt::Key_Down, Qt::ALT | Qt::Key_Up},
            {QKeyCombination(Qt::Key_Space), QKeyCombination(Qt::Key_F4)}};
        for (const auto& [open, close] : cases) {
            QWidget window;
            auto* dropDown = new TDropDownCheckList(&window);
            dropDown->addItem(QStringLiteral("eins"));
            show(window);
            dropDown->setFocus();
            QSignalSpy hidden(dropDown, &TDropDown::popupHidden);
            QTest::keyClick(dropDown, Qt::Key_Down); // a plain Down arrow is no request to open
            QVERIFY(!dropDown->isPopupVisible());
            QTest::keyClick(dropDown, open.key(), open.keyboardModifiers());
            QVERIFY(dropDown->isPopupVisible() && dropDown->list()->hasFocus());
            QTest::keyClick(dropDown->list(), close.key(), close.keyboardModifiers());
            QVERIFY(!dropDown->isPopupVisible() && dropDown->hasFocus());
            QCOMPARE(hidden.size(), 1);
            QVERIFY(!dropDown->isItemChecked(0)); // closing keys toggle nothing
        }
    }

    // Each toggle is reported once and leaves the popup open for the next: a name clicked, clicked again,
    // Space on the current name, Down and Enter, several in one go.
    void dropDownCheckList()
    {
        // actions ("c<row>" click on the name, "s" Space, "e" Enter, "d" Down), checked (one digit per row), reported
        const std::tuple<QString, QString, QString> cases[] = {{"c2", "0010", "2+"}, {"c2,c2", "0000", "2+2-"},
                                                              {"s", "1000", "0+"}, {"d,e", "0100", "1+"},
                                                              {"c0,c2,d,s", "1011", "0+2+3+"}};
        const std::map<QChar, Qt::Key> keys{{u's', Qt::Key_Space}, {u'e', Qt::Key_Return}, {u'd', Qt::Key_Down}};
        for (const auto& [actions, checked, reported] : cases) {
            QWidget window;
            auto* dropDown = new TDropDownCheckList(&window);
            for (const char* name : {"NAME", "ATTRIBUTES", "LAST_SET", "SECURITY"})
                dropDown->addItem(QString::fromLatin1(name));
            show(window);
            QString toggled;
            connect(dropDown, &TDropDownCheckList::itemToggled, this,
                    [&](int row, bool on) { toggled += QString::number(row) + (on ? u'+' : u'-'); });
            QTest::mouseClick(dropDown, Qt::LeftButton);
            QListWidget* list = dropDown->list();
            for (const QString& action : actions.split(u',')) {
                if (action.startsWith(u'c')) {
                    const QRect item = list->visualItemRect(list->item(action.mid(1).toInt()));
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
                } else
                    QTest::keyClick(list, keys.at(action.at(0)));
                QVERIFY(dropDown->isPopupVisible());
            }
            QString state;
            for (int row = 0; row < dropDown->count(); ++row)
                state += dropDown->isItemChecked(row) ? u'1' : u'0';
            QCOMPARE(state, checked);
            QCOMPARE(toggled, reported);
        }
    }

    // Rows 0 and 2 have a button, row 1 has none. The name is clicked first: the value becomes current.
    // Buttons clicked, Ctrl+Enter with and without a button, an in-place edit, and a value set by the
    // program, which is no edit.
    void propertyGrid()
    {
        const std::tuple<QString, int, QString, QString> cases[] = { // action, row, reported, value
            {"click", 0, "button 0", "/daten"}, {"click", 2, "button 2", "/info.rgf"},
            {"ctrl+enter", 2, "button 2", "/info.rgf"}, {"ctrl+enter", 1, "", "alt"},
            {"edit", 1, "edit 1 /neu", "/neu"}, {"set", 0, "", "/gesetzt"}};
        for (const auto& [action, row, reported, value] : cases) {
            TPropertyGrid grid;
            QCOMPARE(grid.addRow(QStringLiteral("Datenverzeichnis"), QStringLiteral("/daten"), true), 0);
            QCOMPARE(grid.addRow(QStringLiteral("Name"), QStringLiteral("alt"), false), 1);
            QCOMPARE(grid.addRow(QStringLiteral("Informationsdatei"), QStringLiteral("/info.rgf"), true), 2);
            show(grid);
            QVERIFY(grid.rowButton(0) && !grid.rowButton(1) && grid.rowButton(2));
            QString got;
            connect(&grid, &TPropertyGrid::buttonClicked, this, [&](int r) { got += "button " + QString::number(r); });
            connect(&grid, &TPropertyGrid::valueEdited, this,
                    [&](int r, const QString& text) { got += "edit " + QString::number(r) + ' ' + text; });
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualItemRect(grid.item(row, 0)).center());
            QCOMPARE(QPoint(grid.currentColumn(), grid.currentRow()), QPoint(1, row)); // the value becomes current
            if (action == QLatin1String("click"))
                QTest::mouseClick(grid.rowButton(row), Qt::LeftButton);
            else if (action == QLatin1String("ctrl+enter"))
                QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
            else if (action == QLatin1String("set"))
                grid.setValue(row, QStringLiteral("/gesetzt"));
            else {
                QTest::keyClick(&grid, Qt::Key_F2);
                auto* editor = grid.viewport()->findChild<QLineEdit*>();
                QVERIFY(editor);
                editor->selectAll();
                QTest::keyClicks(editor, QStringLiteral("/neu"));
                QTest::keyClick(editor, Qt::Key_Return);
                QTRY_VERIFY(!got.isEmpty()); // the view commits on a queued call
            }
            QCOMPARE(got, reported);
            QCOMPARE(grid.value(row), value);
        }
    }

    // As large as the wrapped text (the renderer's line rules have their own test) in the tooltip font, with
    // 4 pixels of margin around; a long text wraps as close to the text width as whole words allow.
    void popupHintSize()
    {
        const QFontMetrics fm(QToolTip::font());
        TPopupHint hint;
        hint.setTextWidth(200);
        hint.showAt(QStringLiteral("Schlüssel"), QPoint(10, 10));
        QCOMPARE(hint.size(), QSize(fm.horizontalAdvance(QStringLiteral("Schlüssel")) + 5 + 8, fm.height() + 8));
        hint.showAt(QStringLiteral("<B>Baum</B><BR>Liste<BR>Seiten"), QPoint(10, 10));
        QCOMPARE(hint.height(), 3 * fm.height() + 8);
        hint.showAt(QStringLiteral("Wort ").repeated(60), QPoint(10, 10));
        QVERIFY(hint.height() > 5 * fm.height() && (hint.height() - 8) % fm.height() == 0);
        QVERIFY(hint.width() > 200 - fm.horizontalAdvance(QStringLiteral("Wort ")) && hint.width() <= 200 + 13);
    }
};

QTEST_MAIN(TestControls)
#include "TestControls.moc"
