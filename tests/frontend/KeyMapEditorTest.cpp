// The key map's editor with real widgets: a PC key given to a calculator
// key holds it in the window and at the next start; the window's own keys
// are refused, Esc cancels and closes, and damaged settings warn.
#include <QLabel>
#include <QPushButton>
#include <QFile>
#include <QSettings>
#include <QTableWidget>

#include "GuiSupport.h"
#include "frontend/KeyMapWindow.h"

using varnox::TKeyMapWindow;
using varnox::TMainForm;
using namespace varnox::test;

namespace {

TKeyMapWindow* OpenEditor(TMainForm& form) {
    QTest::keyClick(&form, Qt::Key_K, Qt::ControlModifier);
    auto* editor = form.findChild<TKeyMapWindow*>();
    if (!editor) return nullptr;
    // Its keys reach it, not the main window's shortcuts.
    editor->activateWindow();
    return QTest::qWaitFor([editor] { return QApplication::activeWindow() == editor; }) ? editor : nullptr;
}

void ClickRow(TKeyMapWindow* editor, int key) {
    QTableWidget* table = editor->Table();
    table->scrollToItem(table->item(key - 1, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(key - 1, 0)).center());
}

QString PcKeysShown(TKeyMapWindow* editor, int key) { return editor->Table()->item(key - 1, 1)->text(); }

// The key a PC key holds in the window while pressed.
int Holds(TMainForm& form, Qt::Key key) {
    form.activateWindow();
    if (!QTest::qWaitFor([&form] { return QApplication::activeWindow() == &form; })) return -1;
    LetHeldPressesGo(form);  // the keys let go when the editor took the keyboard
    QTest::keyPress(&form, key);
    const int held = form.GetMachine().HeldKeys[1];
    QTest::keyRelease(&form, key);
    LetHeldPressesGo(form);
    return held;
}

}  // namespace

class KeyMapEditorTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    void APcKeyGivenToAKeyHoldsItNowAndAtTheNextStart() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        TKeyMapWindow* editor = OpenEditor(*form);
        QVERIFY(editor);
        QCOMPARE(PcKeysShown(editor, 7), QStringLiteral("F1"));
        ClickRow(editor, 7);
        QVERIFY(editor->Waiting());
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* status;
        } refused[] = {{Qt::Key_F9, Qt::NoModifier, "F9 loads state slot 1: press another key."},
                       {Qt::Key_Tab, Qt::NoModifier, "Tab fast-forwards while held: press another key."},
                       {Qt::Key_F5, Qt::ControlModifier, "Keys with Ctrl, Alt or Meta are the menu's shortcuts: press a key alone."}};
        for (const auto& r : refused) {
            QTest::keyClick(editor, r.key, r.modifiers);
            QCOMPARE(editor->Status()->text(), QString(r.status));
            QVERIFY(editor->Waiting());
        }
        QTest::keyClick(editor, Qt::Key_F5);
        QCOMPARE(editor->Status()->text(), QStringLiteral("F5 held key 12; now it holds key 7. Key 12 has no PC key now."));
        QCOMPARE(PcKeysShown(editor, 7), QStringLiteral("F1, F5"));
        QCOMPARE(PcKeysShown(editor, 12), QStringLiteral("-"));
        QVERIFY(editor->Table()->item(11, 1)->background() != QBrush());  // marked
        ClickRow(editor, 31);
        QTest::keyClick(editor, Qt::Key_Comma);
        QCOMPARE(PcKeysShown(editor, 31), QStringLiteral("M, ,, 7"));
        QCOMPARE(Holds(*form, Qt::Key_F5), 7);
        QCOMPARE(Holds(*form, Qt::Key_F1), 7);

        // Esc cancels the wait for a key, then closes the window.
        ClickRow(editor, 8);
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!editor->Waiting());
        QVERIFY(editor->isVisible());
        QCOMPARE(PcKeysShown(editor, 8), QStringLiteral("F2"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!editor->isVisible());

        form.reset();
        auto again = ShowForm(scratch);
        QCOMPARE(AcknowledgeWarnings(*again), QStringList("Failed to load the file rom0.bin"));
        QCOMPARE(Holds(*again, Qt::Key_F5), 7);
        QCOMPARE(Holds(*again, Qt::Key_Comma), 31);
        editor = OpenEditor(*again);
        QCOMPARE(PcKeysShown(editor, 12), QStringLiteral("-"));
        for (QPushButton* button : editor->findChildren<QPushButton*>()) {
            if (button->text() == "Reset all to defaults") QTest::mouseClick(button, Qt::LeftButton);
        }
        QCOMPARE(PcKeysShown(editor, 12), QStringLiteral("F5"));
        QCOMPARE(Holds(*again, Qt::Key_F5), 12);
        QVERIFY(!QSettings().childGroups().contains("keymap"));  // nothing differs from the defaults
    }

    // DEL has two PC keys; each comes off and back on its own.
    void EachOfAKeysPcKeysIsEditedOnItsOwn() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        TKeyMapWindow* editor = OpenEditor(*form);
        QVERIFY(editor);
        QCOMPARE(PcKeysShown(editor, 34), QStringLiteral("Backspace, Delete"));
        const struct {
            Qt::Key key;
            const char* shown;
            const char* status;
        } presses[] = {{Qt::Key_Backspace, "Delete", "Backspace no longer holds key 34."},
                       {Qt::Key_Backspace, "Backspace, Delete", "Backspace now holds key 34."},
                       {Qt::Key_Delete, "Backspace", "Delete no longer holds key 34."},
                       {Qt::Key_Backspace, "-", "Backspace no longer holds key 34. Key 34 has no PC key now."}};
        for (const auto& p : presses) {
            ClickRow(editor, 34);
            QTest::keyClick(editor, p.key);
            QCOMPARE(PcKeysShown(editor, 34), QString(p.shown));
            QCOMPARE(editor->Status()->text(), QString(p.status));
        }
        ClickRow(editor, 34);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QCOMPARE(Holds(*form, Qt::Key_Backspace), 34);
        QCOMPARE(Holds(*form, Qt::Key_Delete), 0);
    }

    void DamagedSettingsWarnAndKeepTheDefault() {
        QSettings settings;
        settings.setValue("keymap/7", "F1 Fx9");
        settings.setValue("keymap/9", "F6");
        settings.sync();
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        const QString file = settings.fileName();
        QCOMPARE(AcknowledgeWarnings(*form),
                 QStringList({file + ": key map entry \"7\" = \"F1 Fx9\": \"Fx9\" is no PC key; key 7 keeps its default (F1)",
                              "Failed to load the file rom0.bin"}));
        QCOMPARE(Holds(*form, Qt::Key_F6), 9);  // the good entry is used
    }

    // Entries no type can be read from, or far too long, are said in one
    // box, cut short, and put back to their defaults so that the next start
    // is silent.
    void DamagedEntriesAreSaidOnceInOneBox() {
        const QString file = QSettings().fileName();
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write("[keymap]\n16=@Variant(garbage)\n20=" + QByteArray(300000, 'x') + "\n9=F6\n");
        raw.close();
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        const QStringList said = AcknowledgeWarnings(*form);
        // One box, a line an entry, then the start-up box.
        QCOMPARE(said.size(), 3);
        QVERIFY2(said[0].contains("key 16 keeps its default (Insert)"), qPrintable(said[0]));
        QVERIFY2(said[1].contains("\"20\"") && said[1].size() < 1000, qPrintable(said[1].left(200)));
        QCOMPARE(Holds(*form, Qt::Key_Insert), 16);
        QCOMPARE(Holds(*form, Qt::Key_F6), 9);
        form.reset();
        auto again = ShowForm(scratch);
        QCOMPARE(AcknowledgeWarnings(*again), QStringList("Failed to load the file rom0.bin"));
        QCOMPARE(Holds(*again, Qt::Key_F6), 9);
    }
};

QTEST_MAIN(KeyMapEditorTest)
#include "KeyMapEditorTest.moc"
