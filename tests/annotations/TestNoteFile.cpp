#include "annotations/NoteFile.h"

#include "support/RecordingMessageSink.h"
#include "support/LittleEndian.h"
#include "support/TestFiles.h"

#include <QtTest>

Q_DECLARE_METATYPE(NoteFile::Status)

const QByteArray Header("\x58\x8B\0\0", 4);

class TestNoteFile final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_file = m_dir->filePath(QStringLiteral("memo.dat"));
    }

    void writesExactBytes()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(NoteFile::write({{3, "31.12.2004", "HKEY_CURRENT_USER\\Software", "Grün\r\n<B>x"},
                                 {0, "", "HKEY_USERS", ""}},
                                buffer));
        QCOMPARE(buffer.data(), Header + le32(2) + le32(3) + counted("31.12.2004")
                                    + counted("HKEY_CURRENT_USER\\Software") + counted("Gr\xFCn\r\n<B>x") + le32(0)
                                    + le32(0) + counted("HKEY_USERS") + le32(0));
    }

    void readsDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("notes");
        QTest::addColumn<NoteFile::Status>("status");
        const QByteArray one = le32(2) + counted("01.01.2001") + counted("HKEY_USERS\\A") + counted("Text");
        QTest::newRow("whole") << Header + le32(1) + one << 1 << NoteFile::Status::Read;
        QTest::newRow("empty file") << QByteArray() << 0 << NoteFile::Status::WrongIdentifier;
        QTest::newRow("other identifier") << le32(35673) + le32(1) + one << 0 << NoteFile::Status::WrongIdentifier;
        QTest::newRow("identifier cut") << Header.left(3) << 0 << NoteFile::Status::WrongIdentifier;
        QTest::newRow("no count") << Header << 0 << NoteFile::Status::Truncated;
        QTest::newRow("fewer notes than counted") << Header + le32(3) + one << 1 << NoteFile::Status::Truncated;
        QTest::newRow("huge count") << Header + le32(0xFFFFFFFF) + one << 1 << NoteFile::Status::Truncated;
        QTest::newRow("text cut") << Header + le32(2) + one + one.chopped(2) << 1 << NoteFile::Status::Truncated;
        QTest::newRow("huge string length") << Header + le32(1) + le32(0) + le32(0x7FFFFFF0) + "x" << 0
                                            << NoteFile::Status::Truncated;
        QTest::newRow("length beyond the end") << Header + le32(1) + le32(0) + le32(0) + le32(0) + le32(5) + "abcd" << 0
                                               << NoteFile::Status::Truncated;
    }

    void readsDamagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const NoteFile::ReadResult result = NoteFile::read(buffer);
        QTEST(int(result.notes.size()), "notes");
        QTEST(result.status, "status");
    }

    // Keys differing in case share one note; notes sort by their dates.
    void notesByKeyAndDate()
    {
        RecordingMessageSink sink;
        QVERIFY(NoteFile::writeNote(m_file, {0, "01.02.2005", "HKEY_CURRENT_USER\\Software", "erste"}, sink));
        QVERIFY(NoteFile::writeNote(m_file, {0, "01.03.2005", "HKEY_USERS", "andere"}, sink));
        QVERIFY(NoteFile::writeNote(m_file, {3, "02.03.2005", "HKEY_CURRENT_USER\\SOFTWARE", "zweite"}, sink));
        const NoteFile::ReadResult read = NoteFile::load(m_file);
        QCOMPARE(read.notes.size(), 2);
        QCOMPARE(read.notes[0], (KeyNote{3, "02.03.2005", "HKEY_CURRENT_USER\\Software", "zweite"}));
        QCOMPARE(NoteFile::readNote(m_file, "hkey_current_user\\software", sink)->text, QStringLiteral("zweite"));
        QVERIFY(!NoteFile::readNote(m_file, "HKEY_CURRENT_USER\\Software\\X", sink));
        QCOMPARE(sink.count(), 0);
        QList<KeyNote> notes;
        for (const char* date : {"02.01.2005", "31.12.2004", "kein Datum", "15.06.2004", "01.01.2005"})
            notes.append({0, date, "HKEY_USERS", ""});
        NoteFile::sortByDate(notes);
        QStringList dates;
        for (const KeyNote& n : notes)
            dates << n.date;
        QCOMPARE(dates, (QStringList{"kein Datum", "15.06.2004", "31.12.2004", "01.01.2005", "02.01.2005"}));
    }

    // Another kind of file, or one damaged at its end, is moved aside to the next free ".alt" name.
    void unreadableFileIsKeptAside()
    {
        const std::pair<QByteArray, int> cases[] = {
            {"REGEDIT4\r\n[HKEY_USERS]\r\n", 2},
            {Header + le32(2) + le32(0) + counted("01.01.2001") + counted("HKEY_USERS\\A") + le32(9), 0}};
        for (const auto& [old, messages] : cases) {
            QVERIFY(writeFile(m_file, old));
            QVERIFY(writeFile(m_file + ".alt", "taken"));
            QFile::remove(m_file + ".alt2");
            RecordingMessageSink sink;
            QVERIFY(!NoteFile::readNote(m_file, "HKEY_USERS", sink));
            QVERIFY(NoteFile::writeNote(m_file, {2, "01.01.2020", "HKEY_USERS", "neu"}, sink));
            QCOMPARE(sink.texts(), QStringList(messages, QStringLiteral("Fehler: Dateikennung nicht korrekt.")));
            QCOMPARE(readFile(m_file + ".alt2"), old);
            QCOMPARE(readFile(m_file + ".alt"), QByteArray("taken"));
            QCOMPARE(NoteFile::load(m_file).notes, (QList<KeyNote>{{2, "01.01.2020", "HKEY_USERS", "neu"}}));
        }
    }

    // Formatted: tags stay, breaks go; plain: tags go (a BR tag is a break, a literal < stays), breaks stay.
    void previewMarkup()
    {
        const QString bold = QStringLiteral("<B>fett</B>\r\nzweite Zeile");
        const std::tuple<QString, bool, QString> cases[] = {{bold, true, "<B>fett</B>zweite Zeile"},
                                                            {bold, false, "fett<BR>zweite Zeile"},
                                                            {"a<BR>b", false, "a<BR>b"},
                                                            {"1 << 2\r\n<I>x", false, "1 << 2<BR>x"}};
        for (const auto& [text, formatted, markup] : cases)
            QCOMPARE(NoteFile::previewMarkup(text, formatted), markup);
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestNoteFile)
#include "TestNoteFile.moc"
