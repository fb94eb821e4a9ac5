// The display's menu with real widgets under the offscreen platform: where it
// opens, its shortcuts, pause, reset, speeds, screenshots and clips, save
// states, the key map, the view size and quitting; and the keys shown held
// by PC keys.
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTableWidget>

#include <sys/stat.h>

#include <string>

#include "GuiSupport.h"
#include "asm/SourceAsm.h"
#include "frontend/KeyMapWindow.h"
#include "frontend/QtKeys.h"
#include "frontend/ScreenMessages.h"
#include "support/GifFrames.h"
#include "system/SaveState.h"

using varnox::Machine;
using varnox::TMainForm;
using namespace varnox::test;

namespace {

// Counts in r0 as fast as it can, with the LCD powered.
const char* const CounterSource =
    "      pst if,&H01\n"
    "loop: ad r0,&H01\n"
    "      jmp loop\n";

void WriteFirmware(const Scratch& scratch, const char* source = CounterSource) {
    const varnox::SourceImages images = varnox::AssembleSource(source);
    QVERIFY(images.Errors.empty());
    scratch.Write("rom0.bin", QByteArray(reinterpret_cast<const char*>(images.Rom0.data()), static_cast<int>(images.Rom0.size())));
}

std::unique_ptr<TMainForm> CounterForm(const Scratch& scratch) {
    scratch.CopyKit();
    WriteFirmware(scratch);
    auto form = ShowForm(scratch);
    AcknowledgeWarnings(*form);
    return form;
}

uint8_t Counter(TMainForm& form) { return form.GetMachine().Cpu.MainRegisterFile[0]; }

// One tick of the run timer, handled at once.
void RunTimerTick(TMainForm& form) { form.RunTimer()->OnTimer()(form.RunTimer()); }

bool Runs(TMainForm& form) {
    const uint8_t before = Counter(form);
    RunTimerTick(form);
    return Counter(form) != before;
}

// Run ticks per timer tick: each run tick in the resume delay only counts it
// down, so the delay spent is the number of run ticks run.
double RunTicksPerTimerTick(TMainForm& form) {
    constexpr int TimerTicks = 20;
    varnox::RunControl& run = form.Control();
    run.ResumeDelay = 1 << 30;
    for (int tick = 0; tick < TimerTicks; ++tick) RunTimerTick(form);
    const int runTicks = (1 << 30) - run.ResumeDelay;
    run.ResumeDelay = 0;
    return static_cast<double>(runTicks) / TimerTicks;
}

// A right click as the window system gives it: the press and release, then
// the request for a menu where the pointer is.
void RightClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QCoreApplication::sendEvent(widget, &request);
}

// Holds the machine once its display is powered and shown.
void PauseWhenShowing(TMainForm& form) {
    QTRY_VERIFY(form.GetMachine().Lcd.LcdControl & varnox::LcdPowered);
    form.Menu().Action("pause")->trigger();
    form.OnRefreshTimer();
}

// Answers the desktop's file dialog as a person would: types `name` and
// presses Enter, gives `answer` to any question that follows, and cancels
// the dialog if it is still up after that. Returns the questions asked.
QStringList TypeIntoFileDialog(QAction* opener, const QString& name, QMessageBox::StandardButton answer) {
    QStringList questions;
    bool typed = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* question = qobject_cast<QMessageBox*>(modal)) {
            questions << question->text();
            question->button(answer)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && typed) {
            dialog->reject();
        } else if (dialog) {
            typed = true;
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(name);
            // Not from this timer's own call: a question opened there would
            // keep the timer from answering it.
            QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
        }
    });
    driver.start(10);
    opener->trigger();
    return questions;
}

}  // namespace

class MainMenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    void MenuOpensOverTheDisplayAndItsBevelOnly_data() {
        QTest::addColumn<int>("target");  // 0 display, 1 bevel margin, 2 key, 3 switch, 4 window below
        QTest::addColumn<bool>("opens");
        QTest::newRow("display") << 0 << true;
        QTest::newRow("bevel") << 1 << true;
        QTest::newRow("key") << 2 << false;
        QTest::newRow("switch") << 3 << false;
        QTest::newRow("below the display") << 4 << false;
    }
    void MenuOpensOverTheDisplayAndItsBevelOnly() {
        QFETCH(int, target);
        QFETCH(bool, opens);
        Scratch scratch;
        auto form = CounterForm(scratch);
        QWidget* client = form->LcdImage()->parentWidget();
        QWidget* widgets[] = {form->LcdImage(), client, form->Button(1), form->PrintSwitch(), client};
        const QPoint points[] = {QPoint(5, 5), QPoint(20, 12), QPoint(5, 5), QPoint(5, 5), QPoint(10, 200)};
        RightClick(widgets[target], points[target]);
        QCOMPARE(form->Menu().ContextMenu()->isVisible(), opens);
        form->Menu().ContextMenu()->hide();
        if (target == 2) {
            LetHeldPressesGo(*form);
            QCOMPARE(form->GetMachine().HeldKeys[0], 0);  // pressed and released
        }
    }

    // Every shortcut is a combination no calculator key uses, and reaches
    // its action rather than the calculator: one on a key alone is a key
    // the key map keeps for the window, which no key of the default map is.
    void ShortcutsTakeNoCalculatorKey() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        const struct {
            const char* action;
            const char* keys;
        } expected[] = {{"pause", "Ctrl+P"},         {"screenshot", "Print; Ctrl+S"}, {"screenshotas", "Ctrl+Alt+S"},
                        {"save1", "Shift+F9"},       {"load4", "F12"},                {"view3", "Alt+3"},
                        {"fullscreen", "Alt+Return; Ctrl+F"}};
        for (const auto& e : expected) {
            QStringList keys;
            for (const QKeySequence& sequence : form->Menu().Action(e.action)->shortcuts()) keys << sequence.toString();
            QCOMPARE(keys.join("; "), QString(e.keys));
        }
        const varnox::KeyMap defaults;
        for (QAction* action : form->Menu().Actions()) {
            for (const QKeySequence& sequence : action->shortcuts()) {
                const QKeyCombination k = sequence[0];
                if (k.keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) continue;
                const varnox::PcKey pcKey = varnox::PcKeyOfCode(varnox::VirtualKeyOf(k.key()));
                QVERIFY2(varnox::ReservedUse(pcKey) && defaults.KeyOf(pcKey) == 0, qPrintable(sequence.toString()));
            }
        }
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(form->RunSpeed().Paused());
        QCOMPARE(form->GetMachine().HeldKeys[1], 0);
        QCOMPARE(form->Menu().Action("debugger")->text(), QStringLiteral("Debugger\tF3"));
        QCOMPARE(form->Menu().Action("fastforward")->text(), QStringLiteral("Fast-forward\tTab (hold)"));
    }

    // Pause holds the machine and leaves the debugger's stop alone.
    void PauseHoldsTheMachineWithoutTouchingTheDebuggersStop() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        QTRY_VERIFY(Runs(*form));
        form->Menu().Action("pause")->trigger();
        QVERIFY(!Runs(*form));
        QCOMPARE(form->windowTitle(), QStringLiteral("Varnox emulator - paused"));
        QCOMPARE(form->Menu().Action("pause")->text(), QStringLiteral("Resume"));
        QCOMPARE(form->Control().DebugActive, 0);
        form->Control().DebugActive = 1;  // the debugger opens while paused
        form->Menu().Action("pause")->trigger();
        QCOMPARE(form->Control().DebugActive, 1);
        QVERIFY(!Runs(*form));
        form->Control().DebugActive = 0;
        QVERIFY(Runs(*form));
        QCOMPARE(form->windowTitle(), QStringLiteral("Varnox emulator"));
    }

    void ResetIsThePowerOnReset() {
        Scratch scratch;
        scratch.Write("varnox.ini", "[Settings]\nSelfTest=7\n");
        auto form = CounterForm(scratch);
        Machine& m = form->GetMachine();
        QTRY_VERIFY(m.Lcd.LcdControl & varnox::LcdPowered);
        form->Menu().Action("pause")->trigger();
        m.Clock.SelfTestCounter = 0;
        form->Menu().Action("reset")->trigger();
        QCOMPARE(m.Cpu.PC, 0);
        QCOMPARE(m.Cpu.IF, 0);
        QCOMPARE(m.Lcd.LcdControl, 0);
        QCOMPARE(m.Clock.SelfTestCounter, 7);
    }

    void SpeedsRunWholeRunTicksFaster_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("ticks");  // per timer tick; 0: more than 8
        QTest::addColumn<QString>("title");
        QTest::newRow("1x") << "speed1" << 1 << "Varnox emulator";
        QTest::newRow("2x") << "speed2" << 2 << "Varnox emulator - 2x";
        QTest::newRow("4x") << "speed4" << 4 << "Varnox emulator - 4x";
        QTest::newRow("8x") << "speed8" << 8 << "Varnox emulator - 8x";
        QTest::newRow("unlimited") << "unlimited" << 0 << "Varnox emulator - unlimited";
    }
    void SpeedsRunWholeRunTicksFaster() {
        QFETCH(QString, action);
        QFETCH(int, ticks);
        QFETCH(QString, title);
        Scratch scratch;
        auto form = CounterForm(scratch);
        form->Menu().Action(action.toLatin1().constData())->trigger();
        QVERIFY(form->windowTitle().startsWith(title));
        QSettings().setValue("screenshots/folder", scratch.dir.path());
        form->Menu().Action("recordscreen")->trigger();
        const double measured = RunTicksPerTimerTick(*form);
        form->Menu().Action("recordscreen")->trigger();
        if (ticks > 0) QCOMPARE(measured, static_cast<double>(ticks));
        if (ticks == 0) QVERIFY2(measured > 8, qPrintable(QString::number(measured)));
        // A clip lasts the emulated time, a hundredth of a second a run tick, at any speed.
        int delays = 0;
        for (const GifFrame& frame : DecodeGif(scratch.dir.filePath("varnox-0001.gif").toStdString())) delays += frame.delay;
        QCOMPARE(delays, qRound(measured * 20));
        QCOMPARE(form->findChild<varnox::TScreenMessages*>()->Lines().back().Text,
                 QStringLiteral("Clip %1 (%2 s)").arg(scratch.dir.filePath("varnox-0001.gif")).arg(delays / 100.0, 0, 'f', 1));
    }

    void TabHeldIsFastForward() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        QTest::keyPress(form.get(), Qt::Key_Tab);
        QVERIFY(form->RunSpeed().FastForward());
        QVERIFY(form->windowTitle().startsWith("Varnox emulator - fast-forward"));
        QVERIFY(RunTicksPerTimerTick(*form) > 8);
        QTest::keyRelease(form.get(), Qt::Key_Tab);
        QVERIFY(!form->RunSpeed().FastForward());
        QCOMPARE(form->windowTitle(), QStringLiteral("Varnox emulator"));
        QCOMPARE(RunTicksPerTimerTick(*form), 1.0);
    }

    void ScreenshotsAreTheDotsScaledWithoutSmoothing_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("scale");
        QTest::newRow("1x") << "shot1" << 1;
        QTest::newRow("2x") << "shot2" << 2;
        QTest::newRow("4x") << "shot4" << 4;
    }
    void ScreenshotsAreTheDotsScaledWithoutSmoothing() {
        QFETCH(QString, size);
        QFETCH(int, scale);
        Scratch scratch;
        auto form = CounterForm(scratch);
        PauseWhenShowing(*form);
        Machine& m = form->GetMachine();
        for (int i = 0; i < 1536; ++i) m.Lcd.DisplayRam[i] = static_cast<uint8_t>((i * 7) & 15);
        m.Lcd.DisplayOn = true;
        form->OnRefreshTimer();
        form->Menu().Action(size.toLatin1().constData())->trigger();
        AnswerFileDialog(*form, scratch.dir.filePath("shot"));
        form->Menu().Action("screenshotas")->trigger();
        const QImage saved(scratch.dir.filePath("shot.png"));
        QCOMPARE(saved.size(), QSize(96 * scale, 64 * scale));
        varnox::LcdRefresh(m.Lcd);  // the dots expected
        for (int y = 0; y < saved.height(); ++y) {
            for (int x = 0; x < saved.width(); ++x) {
                const bool on = varnox::LcdDotOn(m.Lcd, x / scale, y / scale);
                QCOMPARE(saved.pixel(x, y), on ? 0xFF000000u : 0xFFFFFFFFu);
            }
        }
        form->Menu().Action("copyscreenshot")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 saved.convertToFormat(QImage::Format_RGB32));

        AnswerFileDialog(*form, scratch.dir.filePath("no/such/dir/shot.png"));
        form->Menu().Action("screenshotas")->trigger();
        const QStringList warnings = AcknowledgeWarnings(*form);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith("Failed to save the file " + scratch.dir.filePath("no/such/dir/shot.png") + ": "),
                 qPrintable(warnings[0]));
    }

    // A state saved in a slot or a file comes back exactly, switches and all;
    // a bad file says what is wrong and changes nothing.
    void StatesRoundTripThroughSlotsAndFiles() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        Machine& m = form->GetMachine();
        QTRY_VERIFY(Runs(*form));
        QTest::mouseClick(form->PrintSwitch(), Qt::LeftButton);  // HD
        form->Menu().Action("pause")->trigger();
        const std::vector<uint8_t> saved = varnox::EncodeState(m);
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_F10, Qt::ShiftModifier);  // slot 2
        QVERIFY(QFile::exists(scratch.dir.filePath("state2.vxs")));
        AnswerFileDialog(*form, scratch.dir.filePath("mine"));
        form->Menu().Action("savefile")->trigger();
        QVERIFY(QFile::exists(scratch.dir.filePath("mine.vxs")));

        QTest::mouseClick(form->PrintSwitch(), Qt::LeftButton);  // back to N
        QTest::mouseClick(form->PowerSwitch(), Qt::LeftButton);  // off, reset
        QVERIFY(varnox::EncodeState(m) != saved);
        QTest::keyClick(form.get(), Qt::Key_F10);
        QVERIFY(varnox::EncodeState(m) == saved);
        QCOMPARE(form->PrintSwitch()->x(), 77);
        QCOMPARE(form->PowerSwitch()->x(), 202);
        QVERIFY(form->RunTimer()->Enabled());

        form->Menu().Action("reset")->trigger();
        AnswerFileDialog(*form, scratch.dir.filePath("mine.vxs"));
        form->Menu().Action("loadfile")->trigger();
        QVERIFY(varnox::EncodeState(m) == saved);

        QByteArray damaged = scratch.Read("mine.vxs");
        damaged[100] = static_cast<char>(damaged[100] ^ 1);
        scratch.Write("mine.vxs", damaged);
        form->Menu().Action("reset")->trigger();
        const std::vector<uint8_t> before = varnox::EncodeState(m);
        form->Menu().Action("loadfile")->trigger();
        QCOMPARE(AcknowledgeWarnings(*form),
                 QStringList("Failed to load the state file " + scratch.dir.filePath("mine.vxs") +
                             ": damaged: its checksum does not match"));
        QVERIFY(varnox::EncodeState(m) == before);
        // An empty slot is no failure: the message line says so, no box,
        // and the machine stays; its item is greyed while the menu shows.
        form->Menu().Action("load3")->trigger();  // F11
        QVERIFY(AcknowledgeWarnings(*form).isEmpty());
        QCOMPARE(form->Messages().Lines().back().Text, QStringLiteral("Slot 3 is empty"));
        QVERIFY(varnox::EncodeState(m) == before);

        form->Menu().ContextMenu()->popup(QPoint(0, 0));
        QVERIFY(form->Menu().Action("load2")->text().startsWith("Slot 2 (20"));
        QVERIFY(form->Menu().Action("load2")->isEnabled());
        QCOMPARE(form->Menu().Action("load3")->text(), QStringLiteral("Slot 3 (empty)"));
        QVERIFY(!form->Menu().Action("load3")->isEnabled());
        form->Menu().ContextMenu()->hide();
        QVERIFY(form->Menu().Action("load3")->isEnabled());  // its shortcut answers again
    }

    // A name typed without its ending gets it in the dialog, so the
    // dialog's question covers the file that would be replaced.
    void SaveDialogsAskBeforeReplacingTheRealName_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("replace");
        QTest::newRow("state, kept") << "savefile" << "keep" << "keep.vxs" << false;
        QTest::newRow("state, replaced") << "savefile" << "keep" << "keep.vxs" << true;
        QTest::newRow("state, full name") << "savefile" << "keep.vxs" << "keep.vxs" << false;
        QTest::newRow("screenshot, kept") << "screenshotas" << "shot" << "shot.png" << false;
        QTest::newRow("screenshot, replaced") << "screenshotas" << "shot" << "shot.png" << true;
    }
    void SaveDialogsAskBeforeReplacingTheRealName() {
        QFETCH(QString, action);
        QFETCH(QString, typed);
        QFETCH(QString, file);
        QFETCH(bool, replace);
        Scratch scratch;
        auto form = CounterForm(scratch);
        scratch.Write(file.toLatin1().constData(), "precious");
        QSettings().setValue("screenshots/folder", scratch.dir.path());  // where the dialog opens
        const QStringList questions = TypeIntoFileDialog(form->Menu().Action(action.toLatin1().constData()), typed,
                                                         replace ? QMessageBox::Yes : QMessageBox::No);
        QCOMPARE(questions, QStringList(file + " already exists.\nDo you want to replace it?"));
        QCOMPARE(scratch.Read(file.toLatin1().constData()) != "precious", replace);
        QVERIFY(typed == file || !QFile::exists(scratch.dir.filePath(typed)));
    }

    // The dialogs' "replace?" does not know the machine's own files: an
    // output over one is refused and the file kept, a slot linked to one
    // too; a recording's file is tried when it starts.
    void OutputsLeaveTheMachinesFilesAlone_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("said");  // the warning's end
        QTest::newRow("recording over rom0.bin") << "record" << "rom0.bin" << "is the machine's rom0.bin";
        QTest::newRow("state over rom1.bin") << "savefile" << "rom1.bin" << "is the machine's rom1.bin";
        QTest::newRow("screenshot over charset.bin") << "screenshotas" << "charset.bin" << "is the machine's charset.bin";
        QTest::newRow("slot linked to rom0.bin") << "save1" << "rom0.bin" << "is the machine's rom0.bin";
        QTest::newRow("recording into a pipe") << "record" << "fifo.vxr" << "is a pipe, not a regular file";
        QTest::newRow("recording into no folder") << "record" << "gone/r.vxr" << "No such file or directory";
    }
    void OutputsLeaveTheMachinesFilesAlone() {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(QString, said);
        Scratch scratch;
        auto form = CounterForm(scratch);
        QCOMPARE(::mkfifo(scratch.dir.filePath("fifo.vxr").toLocal8Bit().constData(), 0600), 0);
        const bool pipe = file.startsWith("fifo");  // read, it would wait for a writer
        const QByteArray before = pipe ? QByteArray() : scratch.Read(file.toLatin1().constData());
        QVERIFY(QFile::link(scratch.dir.filePath(file), scratch.dir.filePath("state1.vxs")));
        AnswerFileDialog(*form, scratch.dir.filePath(file));
        form->Menu().Action(action.toLatin1().constData())->trigger();
        const QStringList warnings = AcknowledgeWarnings(*form);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(scratch.dir.path()) && warnings[0].endsWith(said), qPrintable(warnings[0]));
        if (!pipe) QCOMPARE(scratch.Read(file.toLatin1().constData()), before);
        QVERIFY(!form->Menu().Action("stoprecord")->isEnabled());
    }

    // A recording or a screen clip that cannot be written at its stop is
    // offered a place elsewhere.
    void AFailedStopOffersAnotherFile() {
        const struct {
            const char *start, *stop, *failure, *elsewhere, *starts;
        } cases[] = {{"record", "stoprecord", "the recording %1/sub/r.vxr", "elsewhere.vxr", "Varnox recording 1\n"},
                     {"recordscreen", "recordscreen", "the screen clip in %1/sub", "elsewhere.gif", "GIF8"}};
        for (const auto& c : cases) {
            Scratch scratch;
            auto form = CounterForm(scratch);
            QVERIFY(QDir(scratch.dir.path()).mkdir("sub"));
            QSettings().setValue("screenshots/folder", scratch.dir.filePath("sub"));
            QStringList asked;
            form->ChooseFile = [&](const varnox::TFileRequest& request) {
                asked << request.Caption;
                return scratch.dir.filePath(request.Caption.endsWith("elsewhere") ? c.elsewhere : "sub/r.vxr");
            };
            form->Menu().Action(c.start)->trigger();
            for (int tick = 0; tick < 5; ++tick) RunTimerTick(*form);
            QVERIFY(QDir(scratch.dir.filePath("sub")).removeRecursively());
            form->Menu().Action(c.stop)->trigger();
            QVERIFY(asked.last().endsWith("elsewhere"));
            QVERIFY(AcknowledgeWarnings(*form).value(0).startsWith("Failed to save " + QString(c.failure).arg(scratch.dir.path())));
            QVERIFY(scratch.Read(c.elsewhere).startsWith(c.starts));
            QSettings().remove("screenshots/folder");
        }
    }

    // A switch to another folder whose save fails stays, and says so in
    // one box with the folders and every file that failed.
    void AFailedFolderSwitchSaysSoInOneBox() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        Scratch other;
        for (const char* name : {"ram.bin", "register.bin"}) QVERIFY(QDir(scratch.dir.path()).mkdir(name));
        AnswerFileDialog(*form, other.dir.path());
        form->Menu().Action("openfolder")->trigger();
        QCOMPARE(form->Warnings().Pending(), 1);
        const QStringList lines = AcknowledgeWarnings(*form);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(other.dir.path() + " was not opened") && lines[0].contains(scratch.dir.path()));
        QVERIFY(lines[1].contains("ram.bin") && lines[2].contains("register.bin") && !form->NextFolder());
        for (const char* name : {"ram.bin", "register.bin"}) QVERIFY(QDir(scratch.dir.path()).rmdir(name));
    }

    void KeyMapListsEveryKeyWithItsPcKeys() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        form->Menu().Action("keymap")->trigger();
        QTableWidget* table = form->findChild<varnox::TKeyMapWindow*>()->Table();
        QVERIFY(form->findChild<varnox::TKeyMapWindow*>()->isVisible());
        QCOMPARE(table->rowCount(), 53);
        const struct {
            int key;
            const char* pcKeys;
        } rows[] = {{1, "Home"}, {31, "M, 7"}, {35, "Esc"}, {49, "Space"}, {52, "F8"}, {53, "-"}};
        for (const auto& r : rows) QCOMPARE(table->item(r.key - 1, 1)->text(), QString(r.pcKeys));
        QVERIFY(!table->item(0, 0)->icon().isNull());  // its face
        QCOMPARE(table->item(52, 0)->text(), QStringLiteral("53 (print switch at HD)"));
    }

    void ViewSizeScalesTheWholeWindowAndIsRemembered_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("2x") << 2;
        QTest::newRow("3x") << 3;
    }
    void ViewSizeScalesTheWholeWindowAndIsRemembered() {
        QFETCH(int, size);
        Scratch scratch;
        auto form = CounterForm(scratch);
        form->Menu().Action(("view" + std::to_string(size)).c_str())->trigger();
        const int k = size;
        QWidget* client = form->LcdImage()->parentWidget();
        QCOMPARE(client->size(), QSize(315 * k, 528 * k));
        QCOMPARE(form->size(), QSize(315 * k, 528 * k + form->Menu().MenuBar()->height()));
        QCOMPARE(form->LcdImage()->geometry(), QRect(60 * k, 20 * k, 192 * k, 128 * k));
        QCOMPARE(form->Button(31)->geometry(), QRect(16 * k, 368 * k, 49 * k, 25 * k));
        QCOMPARE(form->PrintSwitch()->geometry(), QRect(58 * k, 178 * k, 33 * k, 13 * k));
        QStringList places;
        for (QLabel* label : client->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (label != form->LcdImage()) places << QStringLiteral("%1@%2,%3").arg(label->text()).arg(label->x() / k).arg(label->y() / k);
        }
        places.sort();
        QCOMPARE(places, QStringList({"HD@120,176", "N@40,176", "OFF@264,176", "ON@176,176"}));

        // Pictures in whole blocks: the display's dots (with no message
        // over them) and the key faces.
        PauseWhenShowing(*form);
        form->findChild<varnox::TScreenMessages*>()->SetLasting("pause", QString());
        const QImage display = form->LcdImage()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage bitmap = form->DisplayBitmap();
        for (int y = 0; y < display.height(); y += 3) {
            for (int x = 0; x < display.width(); x += 5) QCOMPARE(display.pixel(x, y), bitmap.pixel(x / k, y / k));
        }
        const QImage key = form->Button(31)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage face = form->Button(31)->Face().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint faceAt((49 - 35) / 2 * k, (25 - 11) / 2 * k);
        for (int y = 0; y < 11 * k; ++y) {
            for (int x = 0; x < 35 * k; ++x) QCOMPARE(key.pixel(faceAt + QPoint(x, y)), face.pixel(x / k, y / k));
        }

        QTest::mouseClick(form->PrintSwitch(), Qt::LeftButton);
        QCOMPARE(form->PrintSwitch()->x(), 77 * k);
        QCOMPARE(form->PrintSwitch()->Tag(), 19);

        form.reset();  // closed: the next start opens at this size
        auto again = ShowForm(scratch);
        QCOMPARE(again->LcdImage()->width(), 192 * k);
        QCOMPARE(again->LcdImage()->parentWidget()->size(), QSize(315 * k, 528 * k));
        QVERIFY(again->Menu().Action(("view" + std::to_string(size)).c_str())->isChecked());
        QVERIFY(!QFile::exists(scratch.dir.filePath("varnox.ini")) || !scratch.Read("varnox.ini").contains("view"));
    }

    void PcKeysShowTheirKeysPressed() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        const struct {
            Qt::Key key;
            int button;
        } cases[] = {{Qt::Key_A, 19}, {Qt::Key_7, 31}, {Qt::Key_Return, 50}, {Qt::Key_Home, 1}};
        for (const auto& c : cases) {
            QTest::keyPress(form.get(), c.key);
            QVERIFY(form->Button(c.button)->isDown());
            QTest::keyRelease(form.get(), c.key);
            LetHeldPressesGo(*form);
            QVERIFY(!form->Button(c.button)->isDown());
        }
        // Held by the mouse as well: stays down until the mouse lets go.
        QTest::mousePress(form->Button(19), Qt::LeftButton);
        QTest::keyClick(form.get(), Qt::Key_A);
        QVERIFY(form->Button(19)->isDown());
        QTest::mouseRelease(form->Button(19), Qt::LeftButton);
        LetHeldPressesGo(*form);
        QVERIFY(!form->Button(19)->isDown());
    }

    // The bar's five menus hold every action; Help has the About box.
    void MenuBarHoldsEveryActionAndTheVersion() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        QStringList titles;
        QSet<QAction*> shown;
        std::function<void(QMenu*)> collect = [&](QMenu* menu) {
            for (QAction* item : menu->actions()) {
                shown.insert(item);
                if (item->menu()) collect(item->menu());
            }
        };
        for (QAction* menu : form->Menu().MenuBar()->actions()) {
            titles << menu->text();
            collect(menu->menu());
        }
        QCOMPARE(titles, QStringList({"&File", "&Emulation", "&View", "&Debug", "&Help"}));
        for (QAction* action : form->Menu().Actions()) QVERIFY2(shown.contains(action), qPrintable(action->objectName()));
        form->Menu().Action("about")->trigger();
        auto* about = form->findChild<QMessageBox*>("about");
        QVERIFY(about && about->isVisible());
        QVERIFY2(QRegularExpression("Version \\d+\\.\\d+\\.\\d+").match(about->text()).hasMatch(), qPrintable(about->text()));
        about->close();
    }

    void DebuggerAndQuit() {
        Scratch scratch;
        auto form = CounterForm(scratch);
        int shown = 0;
        form->ShowDebugger = [&] { ++shown; };
        form->Menu().Action("debugger")->trigger();
        QCOMPARE(shown, 1);
        form->GetMachine().DataRam[5] = 0x42;
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(form->Closing());
        QCOMPARE(static_cast<uint8_t>(scratch.Read("ram.bin").at(5)), 0x42);
    }
};

QTEST_MAIN(MainMenuTest)
#include "MainMenuTest.moc"
