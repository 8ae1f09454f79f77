#include "editors/HexEditState.h"

#include <QtTest>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Keys as tokens: a hex digit (hex pane) or 'c:X' (character X, character pane), R L D U, DEL, BS.
void press(HexEditState& state, const QString& keys)
{
    const QString moves = QStringLiteral("RLDU");
    for (const QString& key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (key.size() == 1 && moves.contains(key))
            state.move(HexEditState::Move(moves.indexOf(key)));
        else if (key == QLatin1String("DEL"))
            state.deleteKey();
        else if (key == QLatin1String("BS"))
            state.backspace();
        else if (key.startsWith(QLatin1String("c:")))
            state.typeByte(key.at(2).toLatin1());
        else
            state.typeHexDigit(key.toInt(nullptr, 16));
    }
}

} // namespace

class TestHexEditState : public QObject {
    Q_OBJECT

private slots:
    // Hex pane: a position among the digits and gaps (two digits and a gap a byte), the byte cursor after;
    // character pane ("c"): the byte cursor, before and after.
    void keys_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<int>("resultPos");
        QTest::addColumn<int>("cursor"); // -1: character pane

        QTest::newRow("4 1 at the end of an empty box") << QByteArray() << 0 << "4 1" << hex("41") << 2 << 1;
        QTest::newRow("F on a second digit") << hex("12") << 1 << "F" << hex("1f") << 2 << 1;
        QTest::newRow("digit on a first digit") << hex("12") << 0 << "A" << hex("a2") << 1 << 0;
        QTest::newRow("digit on a gap inserts after") << hex("1122") << 2 << "7" << hex("117022") << 4 << 1;
        QTest::newRow("digits on the last gap append") << hex("11") << 2 << "7 8" << hex("1178") << 5 << 2;
        QTest::newRow("typing on at the end") << hex("11") << 3 << "2 3 4" << hex("112340") << 7 << 2;
        QTest::newRow("backspace on a second digit") << hex("112233") << 4 << "BS" << hex("1133") << 3 << 1;
        QTest::newRow("backspace on a boundary") << hex("112233") << 6 << "BS" << hex("1133") << 3 << 1;
        QTest::newRow("backspace at the start") << hex("11") << 0 << "BS" << hex("11") << 0 << 0;
        QTest::newRow("delete on a digit") << hex("112233") << 4 << "DEL" << hex("1133") << 3 << 1;
        QTest::newRow("delete on a gap takes the next byte") << hex("112233") << 2 << "DEL" << hex("1133") << 2 << 1;
        QTest::newRow("delete on the last gap") << hex("1122") << 5 << "DEL" << hex("1122") << 5 << 2;
        QTest::newRow("delete the last byte keeps inside") << hex("1122") << 4 << "DEL" << hex("11") << 3 << 1;
        QTest::newRow("right stops at the end") << hex("11") << 2 << "R R R" << hex("11") << 3 << 1;
        QTest::newRow("left stops at 0") << hex("11") << 1 << "L L" << hex("11") << 0 << 0;
        QTest::newRow("down a line") << QByteArray(10, 'x') << 1 << "D" << QByteArray(10, 'x') << 25 << 8;
        QTest::newRow("down beyond the data stays") << QByteArray(10, 'x') << 8 << "D" << QByteArray(10, 'x') << 8 << 3;
        QTest::newRow("up a line") << QByteArray(10, 'x') << 26 << "U" << QByteArray(10, 'x') << 2 << 1;
        QTest::newRow("up above stays") << QByteArray(10, 'x') << 5 << "U" << QByteArray(10, 'x') << 5 << 2;
        QTest::newRow("ninth byte typed") << hex("0001020304050607") << 24 << "8 9" << hex("000102030405060789") << 26
                                          << 9;
        QTest::newRow("c: typing inserts") << QByteArray("ab") << 1 << "c:x c:y" << QByteArray("axyb") << 3 << -1;
        QTest::newRow("c: typing appends at the end") << QByteArray("ab") << 2 << "c:z" << QByteArray("abz") << 3 << -1;
        QTest::newRow("c: delete at cursor") << QByteArray("abc") << 1 << "DEL" << QByteArray("ac") << 1 << -1;
        QTest::newRow("c: delete at the end") << QByteArray("abc") << 3 << "DEL" << QByteArray("abc") << 3 << -1;
        QTest::newRow("c: backspace") << QByteArray("abc") << 1 << "BS" << QByteArray("bc") << 0 << -1;
        QTest::newRow("c: moves") << QByteArray(20, 'x') << 3 << "R D D L U" << QByteArray(20, 'x') << 11 << -1;
        QTest::newRow("c: down beyond") << QByteArray(10, 'x') << 3 << "D" << QByteArray(10, 'x') << 3 << -1;
    }

    void keys()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, pos);
        QFETCH(QString, keys);
        QFETCH(int, cursor);
        HexEditState state;
        state.setData(data);
        if (cursor < 0) {
            state.setPane(HexEditState::Pane::Char);
            state.setCursor(pos);
        } else
            state.setHexPosition(pos);
        press(state, keys);
        QTEST(state.data(), "result");
        QTEST(cursor < 0 ? state.cursor() : state.hexPosition(), "resultPos");
        if (cursor >= 0)
            QCOMPARE(state.cursor(), cursor);
    }

    void selectionAndPaneSwitch()
    {
        HexEditState state;
        state.setData(hex("0011223344"));
        state.setAnchor(3);
        state.setCursor(1);
        QCOMPARE(state.selectedBytes(), hex("1122"));
        QVERIFY(state.isSelected(2) && !state.isSelected(3));
        QVERIFY(state.deleteKey());
        QCOMPARE(state.data(), hex("003344"));
        QCOMPARE(state.cursor(), 1);
        QVERIFY(!state.hasSelection());
        // Paste replaces the selection and leaves the cursor after the inserted bytes.
        state.setAnchor(0);
        state.setCursor(2);
        state.insertBytes(QByteArray("\0A", 2));
        QCOMPARE(state.data(), hex("004144"));
        QCOMPARE(state.cursor(), 2);
        // A movement key drops the selection.
        state.setAnchor(0);
        state.move(HexEditState::Move::Left);
        QVERIFY(!state.hasSelection());
        // A pane switch keeps the byte.
        state.setData(hex("00112233"));
        state.setHexPosition(5); // gap after byte 1: byte cursor 2
        state.setPane(HexEditState::Pane::Char);
        QCOMPARE(state.cursor(), 2);
        state.setCursor(3);
        state.setPane(HexEditState::Pane::Hex);
        QCOMPARE(state.hexPosition(), 9);
    }
};

QTEST_GUILESS_MAIN(TestHexEditState)
#include "TestHexEditState.moc"
