#include "editors/TCharEdit.h"
#include "editors/TDWordForm.h"
#include "editors/TStringForm.h"
#include "support/RecordingMessageSink.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class TestValueForms : public QObject {
    Q_OBJECT

private slots:
    // Each base takes only its digits, typed or pasted.
    void charEditKeys()
    {
        const std::tuple<CharType, QString, QString> cases[] = {{CharType::Hex, "1aF9", "1aF9"},
                                                                {CharType::Hex, "G1g", "1"},
                                                                {CharType::Octal, "1879", "17"},
                                                                {CharType::Binary, "10201", "1001"},
                                                                {CharType::Decimal, "- 4 2", "42"}};
        for (const auto& [type, typed, shown] : cases) {
            TCharEdit edit;
            edit.setCharType(type);
            edit.clear();
            QTest::keyClicks(&edit, typed);
            QCOMPARE(edit.text(), shown);
            // Ctrl+V is swallowed as well.
            QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(edit.text(), shown);
            QTest::keyClick(&edit, Qt::Key_Backspace);
            QCOMPARE(edit.text(), shown.chopped(1));
        }
    }

    // The shown number follows the base buttons (the conversions themselves are EditorTexts' own test).
    void dwordBasesAndColor()
    {
        TDWordForm form;
        form.setValue(QString(), QStringLiteral("FF"));
        QVERIFY(form.baseButton(CharType::Hex)->isChecked());
        QStringList shown;
        for (CharType base : {CharType::Binary, CharType::Octal, CharType::Decimal}) {
            form.baseButton(base)->click();
            shown << form.valueEdit()->text();
        }
        QCOMPARE(shown, (QStringList{"11111111", "377", "255"}));
        QCOMPARE(form.value(), 255u);
        form.valueEdit()->setText(QStringLiteral("4294967295"));
        form.baseButton(CharType::Hex)->click();
        QCOMPARE(form.valueEdit()->text(), QStringLiteral("FFFFFFFF"));
        form.setValue(QStringLiteral("Farbe"), QStringLiteral("8040FF"));
        RgbColor seen;
        form.pickColor = [&seen](const RgbColor& start) -> std::optional<RgbColor> {
            seen = start;
            return RgbColor{1, 2, 3};
        };
        form.colorButton()->setEnabled(true);
        form.colorButton()->click();
        QCOMPARE(seen, (RgbColor{0xFF, 0x40, 0x80})); // low byte red
        QCOMPARE(form.valueEdit()->text(), QStringLiteral("30201"));
    }

    // Text that is no colour asks first; the picker opens at the colour the text names.
    void stringColor()
    {
        const std::tuple<QString, bool, int, QString> cases[] = {
            {u"255 0 0"_s, false, 0, u"9 8 7"_s}, {u"red"_s, false, 1, u"red"_s}, {u"red"_s, true, 1, u"9 8 7"_s}};
        for (const auto& [text, yes, questions, result] : cases) {
            RecordingMessageSink sink;
            sink.pushAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
            TStringForm form;
            form.setValue(QString(), text);
            std::optional<RgbColor> seen;
            form.pickColor = [&seen](const RgbColor& start) -> std::optional<RgbColor> {
                seen = start;
                return RgbColor{9, 8, 7};
            };
            form.ColorClick();
            QCOMPARE(sink.count(), questions);
            if (sink.count() > 0)
                QCOMPARE(sink.last().text, u"Es ist kein Farbwert vorhanden.\r\nTrotzdem weitermachen?"_s);
            QCOMPARE(seen.has_value(), result != text);
            if (seen)
                QCOMPARE(*seen, (text == u"255 0 0"_s ? RgbColor{255, 0, 0} : RgbColor{}));
            QCOMPARE(form.text(), result);
        }
    }

    void stringIcon()
    {
        TStringForm form;
        form.setValue(QStringLiteral("Icon"), QStringLiteral("shell32.dll,3"));
        QString file;
        int index = -1;
        form.pickIcon = [&](const QString& f, int i) -> std::optional<QPair<QString, int>> {
            file = f;
            index = i;
            return QPair<QString, int>(QStringLiteral("x.exe"), 5);
        };
        form.IconClick();
        QCOMPARE(file + u',' + QString::number(index), QStringLiteral("shell32.dll,3"));
        QCOMPARE(form.text(), QStringLiteral("x.exe,5"));
    }
};

QTEST_MAIN(TestValueForms)
#include "TestValueForms.moc"
