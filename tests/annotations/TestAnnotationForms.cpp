#include "annotations/TAliasEditForm.h"
#include "annotations/TAliasForm.h"
#include "annotations/TMemoEditForm.h"
#include "annotations/TMemoForm.h"
#include "annotations/TStructurForm.h"
#include "annotations/TToolEditForm.h"
#include "annotations/TToolForm.h"
#include "info/TMultiText.h"
#include "mainwindow/NavigationCommands.h"
#include "mainwindow/TMainForm.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegTestKeys.h"
#include "settings/OptionsStore.h"
#include "support/TestFiles.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

namespace {

const QString Key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Notiert");

QStringList column(const QTreeWidget* list, int c)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(c);
    return texts;
}

QStringList toolItems(const TMainForm& form)
{
    QStringList items;
    const QList<QAction*> actions = form.menuBar()->findChild<QMenu*>(QStringLiteral("ExtrasMenu"))->actions();
    for (qsizetype i = 6; i < actions.size(); ++i)
        items << actions[i]->objectName() + u'=' + actions[i]->text();
    return items;
}

} // namespace

class TestAnnotationForms final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fixture.start());
        Options() = KavenOptions{};
        Options().dataPath = m_fixture.store->dataDir();
        Options().structPath = m_fixture.store->dataDir();
        QVERIFY(makeKey(QStringLiteral("Software\\Notiert")));
    }
    void cleanup() { m_fixture.stop(); }

    // The preview follows the format box; an important note left open keeps the warning on, ticked done it
    // goes off.
    void notesManagerPreviewsAndWritesFlags()
    {
        for (const bool tickImportant : {false, true}) {
            const QString file = DataFile(QStringLiteral("memo.dat"));
            QVERIFY(NoteFile::save({{2, "02.01.2005", "HKEY_USERS\\B", "<B>fett</B>\r\nZeile 2"},
                                    {1, "31.12.2004", "HKEY_USERS\\A", "alt"}},
                                   file));
            Options().memoFormat = false;
            TMemoForm form(file, Key);
            QCOMPARE(column(form.list(), 0), (QStringList{"31.12.2004", "02.01.2005"}));
            QCOMPARE(form.list()->topLevelItem(0)->checkState(0), Qt::Checked);
            QTreeWidgetItem* important = form.list()->topLevelItem(1);
            form.list()->setCurrentItem(important);
            QCOMPARE(form.preview()->text(), QStringLiteral("fett<BR>Zeile 2"));
            form.formatBox()->setChecked(true);
            QCOMPARE(form.preview()->text(), QStringLiteral("<B>fett</B>Zeile 2"));
            form.list()->clearSelection();
            QCOMPARE(form.preview()->text(), QString());
            important->setCheckState(0, tickImportant ? Qt::Checked : Qt::Unchecked);
            form.accept();
            QCOMPARE(Options().memoWarn, !tickImportant);
            QVERIFY(Options().memoFormat);
            const QList<KeyNote> written = NoteFile::load(file).notes;
            QCOMPARE(written.size(), 2);
            QCOMPARE(written[1].flags, tickImportant ? 3u : 2u);
            QCOMPARE(written[0].flags, 1u);
        }
    }

    void notesManagerAddsCurrentKeyOnce()
    {
        const QString file = DataFile(QStringLiteral("memo.dat"));
        QVERIFY(NoteFile::save({{0, "01.01.2030", "HKEY_USERS", "später"}}, file));
        TMemoForm form(file, Key);
        form.runEditor = [](QDialog& dialog) {
            auto& editor = static_cast<TMemoEditForm&>(dialog);
            if (editor.windowTitle() != QStringLiteral("Schlüsselnotiz hinzufügen") || editor.okButton()->isEnabled())
                return false;
            editor.textEdit()->setPlainText(QStringLiteral("eins\nzwei"));
            editor.priorityBox()->setCurrentIndex(1);
            return editor.okButton()->isEnabled();
        };
        form.AddCurrentKeyClick();
        QCOMPARE(column(form.list(), 1), (QStringList{Key, "HKEY_USERS"}));
        QCOMPARE(form.notes().first().text, QStringLiteral("eins\r\nzwei"));
        QCOMPARE(form.notes().first().flags, KeyNote::HighPriority);
        form.AddCurrentKeyClick();
        QCOMPARE(m_fixture.sink->texts(), QStringList{"Schlüssel ist bereits vorhanden."});
        QCOMPARE(form.list()->topLevelItemCount(), 2);
        form.reject();
        QCOMPARE(NoteFile::load(file).notes.size(), 1);
    }

    // The alias editor refuses a backslash; the manager gives aliases only to existing keys.
    void aliasEditorAndManager()
    {
        TAliasEditForm editor(Key, QString());
        QVERIFY(!editor.okButton()->isEnabled());
        editor.aliasEdit()->setText(QStringLiteral("a\\b"));
        editor.open();
        editor.okButton()->click();
        QVERIFY(editor.isVisible());
        QCOMPARE(m_fixture.sink->texts(), QStringList{"Fehler: Ungültiges Zeichen \"\\\" im Aliasnamen gefunden."});
        editor.aliasEdit()->setText(QStringLiteral("ab"));
        editor.okButton()->click();
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        m_fixture.sink->clear();
        const QString file = DataFile(AliasFile::FileName);
        QVERIFY(AliasFile::save({{"erst", "HKEY_USERS"}, {"n", Key}}, file));
        TAliasForm form(file, Key.toUpper());
        QCOMPARE(form.list()->currentItem()->text(0), QStringLiteral("n"));
        QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("AddButton"))->isEnabled());
        QString typedKey = Key + QStringLiteral("\\Fehlt");
        form.runEditor = [&](QDialog& dialog) {
            auto& edit = static_cast<TAliasEditForm&>(dialog);
            edit.keyEdit()->setText(typedKey);
            edit.aliasEdit()->setText(QStringLiteral("neu"));
            return true;
        };
        form.EditClick();
        QCOMPARE(m_fixture.sink->texts(), QStringList{"Fehler: Der Schlüssel existiert nicht."});
        typedKey = QStringLiteral("HKEY_CURRENT_USER\\Software");
        form.EditClick();
        form.accept();
        QCOMPARE(AliasFile::load(file), (QList<AliasEntry>{{"erst", "HKEY_USERS"}, {"neu", typedKey}}));
    }

    // A second key below the root: a name already there in another case, none, or one with a backslash is
    // refused with its message; a new name is added in order.
    void structureManagerChecksNames()
    {
        const std::pair<QString, QString> cases[] = {
            {"Run", "Fehler: Doppelte Schlüsselnamen sind nicht erlaubt."},
            {"", "Fehler: Sie müssen einen Schlüsselnamen angeben."},
            {"a\\b", "Fehler: Ungültiges Zeichen \"\\\" im Schlüsselnamen gefunden."},
            {"Alpha", ""}};
        for (const auto& [name, message] : cases) {
            m_fixture.sink->clear();
            TStructurForm form(m_fixture.store->dataDir());
            QStringList answers{"run", name};
            form.askText = [&](const QString& title, const QString&, const QString&) -> std::optional<QString> {
                return title == QStringLiteral("Hinzufügen") ? std::optional(answers.takeFirst()) : std::nullopt;
            };
            form.AddClick();
            form.tree()->setCurrentItem(form.tree()->topLevelItem(0));
            form.AddClick();
            QCOMPARE(m_fixture.sink->texts(), message.isEmpty() ? QStringList() : QStringList{message});
            QStringList children;
            for (const StructureNode& node : form.structure().nodes)
                children << node.name;
            QCOMPARE(children.join(u','), message.isEmpty() ? u"Root-Schlüssel,Alpha,run"_s : u"Root-Schlüssel,run"_s);
        }
    }

    void structureManagerSavesAndAsksBeforeOverwriting()
    {
        const QString dir = m_fixture.store->dataDir();
        QVERIFY(writeFile(dir + QStringLiteral("/Andere.rst"), "00000000\r\n0000000000Root-Schlüssel\r\n"));
        TStructurForm form(dir);
        QStringList answers{"K", "a?b", "Meine", "meine", "Andere"};
        form.askText = [&](const QString&, const QString&, const QString&) {
            return std::optional(answers.takeFirst());
        };
        form.AddClick();
        QVERIFY(form.isModified());
        form.SaveClick(); // "a?b"
        form.SaveClick(); // "Meine", new
        QCOMPARE(form.windowTitle(), QStringLiteral("Strukturmanager - Meine"));
        form.SaveClick(); // its own name in another case: the same file, no question
        form.SaveClick(); // another file that exists: asked, answered No
        QCOMPARE(m_fixture.sink->texts(),
                 (QStringList{"Fehler: Ungültiger Strukturname.", "Datei existiert bereits. Überschreiben?"}));
        QCOMPARE(readFile(dir + u"/Meine.rst"_s), "00000001\r\n0000000101Root-Schl\xFCssel\r\n000001000" "0K\r\n"_ba);
        QVERIFY(!form.isModified());
        QCOMPARE(StructureFile::structureNames(dir), (QStringList{"Andere", "Meine"}));
    }

    // The main window's tools menu follows the tools manager's removal; a new important note lights the
    // notes indicator.
    void mainWindowToolsAndNotes()
    {
        QVERIFY(QDir().mkpath(m_fixture.store->dirPath() + QStringLiteral("/kaven")));
        QVERIFY(writeFile(m_fixture.store->dirPath() + QStringLiteral("/kaven/tools.dat"),
                          "04Eins\\bin\\true/\r\n04Zwei\\bin\\true/\r\n04R&D!\\bin\\true/-x\r\n"));
        Options() = KavenOptions{};
        TMainForm form;
        QCOMPARE(toolItems(form), (QStringList{"Tool0=Eins", "Tool1=Zwei", "Tool2=R&&D!"}));
        form.runAnnotationDialog = [](QDialog& dialog) {
            auto& tools = static_cast<TToolForm&>(dialog);
            tools.list()->setCurrentRow(1);
            tools.RemoveClick();
            return false;
        };
        form.ToolsClick();
        QCOMPARE(toolItems(form), (QStringList{"Tool0=Eins", "Tool1=R&&D!"}));
        QCOMPARE(readFile(DataFile(ToolsFile::FileName)), QByteArray("04Eins\\bin\\true/\r\n04R&D!\\bin\\true/-x\r\n"));

        QLabel* panel = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));
        QVERIFY(OpenKeyInTree(Key, *form.keyTree()));
        QVERIFY(form.action(QStringLiteral("CreateMemo1"))->isEnabled());
        int priority = 0;
        form.runAnnotationDialog = [&](QDialog& dialog) {
            auto& editor = static_cast<TMemoEditForm&>(dialog);
            editor.textEdit()->setPlainText(QStringLiteral("Notiz"));
            editor.priorityBox()->setCurrentIndex(priority);
            return true;
        };
        form.CreateMemoClick();
        QCOMPARE(panel->property("indicator").toBool(), false);
        priority = 1;
        form.CreateMemoClick();
        QCOMPARE(panel->property("indicator").toBool(), true);
        QCOMPARE(NoteFile::load(DataFile(QStringLiteral("memo.dat"))).notes.size(), 1);
    }

private:
    StoreFixture m_fixture;
};

QTEST_MAIN(TestAnnotationForms)
#include "TestAnnotationForms.moc"
