// Reloading the firmware from the window: after a rebuild that moved the
// code, a breakpoint set by name is found again and one whose name went is
// listed; a pair half written is refused with the reason and nothing
// changes; with the watch on, a change of the files reloads by itself.
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTableView>
#include <QTest>

#include <filesystem>

#include "DebugRig.h"
#include "frontend/FirmwareReload.h"
#include "frontend/MainMenu.h"

using varnox::test::Rig;

namespace {

// The program with two words more before everything and "after" gone.
QByteArray Moved() {
    QByteArray text = QByteArray::fromStdString(std::string(varnox::test::Program));
    text.replace("after:  jmp again", "        jmp again");
    return "        ldw sp,&HE000\n        ldw sp,&HE000\n" + text;
}

void Build(Rig& rig, const QByteArray& source) {
    const varnox::SourceImages images = varnox::AssembleSource(source.toStdString());
    QVERIFY(images.Errors.empty());
    rig.Dir().Write("rom0.bin", QByteArray(reinterpret_cast<const char*>(images.Rom0.data()), images.Rom0.size()));
    rig.Dir().Write("rom1.bin", QByteArray(reinterpret_cast<const char*>(images.Rom1.data()), images.Rom1.size()));
    rig.Dir().Write("rom.sym", QByteArray::fromStdString(varnox::SymbolFileText(images.Labels, varnox::Crc32(images.Rom0))));
}

// The source itself, as the Source tab reads it, with its line rows.
void BuildWithLines(Rig& rig, const QByteArray& source) {
    rig.Dir().Write("main.asm", source);
    varnox::SourceOptions options;
    options.FileName = (rig.Dir().Path() / "main.asm").string();
    const varnox::SourceImages images = varnox::AssembleSource(source.toStdString(), options);
    QVERIFY(images.Errors.empty());
    rig.Dir().Write("rom0.bin", QByteArray(reinterpret_cast<const char*>(images.Rom0.data()), images.Rom0.size()));
    rig.Dir().Write("rom1.bin", QByteArray(reinterpret_cast<const char*>(images.Rom1.data()), images.Rom1.size()));
    rig.Dir().Write("rom.sym", QByteArray::fromStdString(
                                   varnox::SymbolFileText(images.Labels, varnox::Crc32(images.Rom0), images.Lines)));
}

}  // namespace

class FirmwareReloadTest : public QObject {
    Q_OBJECT
private slots:
    void BreakpointsFoundAgainAfterCodeMoved() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Controller(),
                                       rig.Main().Messages(), rig.Main().Warnings());
        QVERIFY(rig.Tools().AddBreakpoint("inner", "", ""));
        QVERIFY(rig.Tools().AddBreakpoint("after", "", ""));
        QVERIFY(rig.Tools().AddBreakpoint("1", "", ""));  // a bare address stays
        rig.M().DataRam[0x10] = 0x42;
        const uint16_t innerBefore = rig.At("inner");
        Build(rig, Moved());
        const varnox::ReloadResult result = reload.Reload();
        QVERIFY(result.Loaded);
        QCOMPARE(rig.At("inner"), innerBefore + 2);
        const varnox::BreakpointList& breakpoints = rig.Session().Breakpoints;
        QCOMPARE(breakpoints.Size(), size_t{2});
        QVERIFY(breakpoints.Find(rig.At("inner")).has_value());
        QVERIFY(breakpoints.Find(1).has_value());
        QCOMPARE(rig.M().DataRam[0x10], 0x42);  // RAM kept
        QCOMPARE(rig.M().Cpu.PC, 0);
        QVERIFY(rig.Debug().isVisible() && rig.Run().DebugActive);
        QCOMPARE(rig.Main().Messages().Lines().back().Text, QStringLiteral("Firmware reloaded"));
        QVERIFY(rig.Main().Warnings().Current()->text().contains("after"));
        rig.Main().Warnings().Close();
    }

    // From the File menu, with the emulator running: it runs on, the new
    // build from power-on.
    void FileMenuReloadsARunningMachine() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Controller(),
                                       rig.Main().Messages(), rig.Main().Warnings());
        reload.AddToFileMenu(rig.Main().Menu().MenuBar());
        rig.Debug().close();
        QVERIFY(!rig.Run().DebugActive);
        Build(rig, Moved());
        QMenu* file = rig.Main().Menu().MenuBar()->actions().at(0)->menu();
        QVERIFY(file->actions().contains(reload.ReloadAction()) && file->actions().contains(reload.WatchAction()));
        reload.ReloadAction()->trigger();
        QCOMPARE(rig.At("inner"), uint16_t{8});
        QCOMPARE(rig.M().Cpu.PC, 0);
        QVERIFY(!rig.Run().DebugActive && !rig.Debug().isVisible());
    }

    // Ctrl+Shift+R in the Debug Window after a line was put above a line's
    // breakpoint: the sources are read again, and the box, over the Debug
    // Window, says the line now holds other code; its hits count from 0.
    void ReloadFromTheDebuggerAfterAnEditAboveALine() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Controller(),
                                       rig.Main().Messages(), rig.Main().Warnings());
        rig.Debug().ShareWindowKeys({reload.ReloadAction()});
        QVERIFY(rig.Tools().AddBreakpoint("main.asm:7", "", ""));  // inner's first line
        rig.Key(Qt::Key_F5);
        QVERIFY(rig.TicksUntilShown() > 0);
        QCOMPARE(rig.Session().Breakpoints.All()[0].Hits, 1u);
        BuildWithLines(rig, "        nop\n" + QByteArray::fromStdString(std::string(varnox::test::Program)));
        // The user in the Debug Window. (Offscreen, a window shown again
        // keeps the focus but is not made active until focus moves.)
        rig.Main().activateWindow();
        rig.Debug().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &rig.Debug());
        rig.Key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
        QCOMPARE(rig.Main().Messages().Lines().back().Text, QStringLiteral("Firmware reloaded"));
        QMessageBox* box = rig.Main().Warnings().Current();
        QVERIFY(box);
        QVERIFY(box->text().contains("Breakpoints whose line now holds other code (their hits count from 0 again):\n"
                                     "main.asm:7: was 'inner: ld r6,(ix+&H00)', now 'rtn'"));
        QCOMPARE(box->parentWidget(), &rig.Debug());
        // The stop's place is where the restart put PC, the reload said under it.
        QVERIFY(rig.Tools().Status().startsWith("Stopped at 0000\nFirmware reloaded from "));
        QCOMPARE(rig.Session().Breakpoints.All()[0].Hits, 0u);
        QCOMPARE(rig.Session().Breakpoints.All()[0].Address, rig.At("outer") + 1);
        QTableView* source = rig.Tools().Source()->Table();
        QCOMPARE(source->model()->index(0, varnox::TSourceModel::TextColumn).data().toString(), QStringLiteral("        nop"));
        rig.Main().Warnings().Close();
    }

    // The emulator's keys in the Debug Window; where the debugger has a
    // key of its own, its own wins (F11 steps, F11 alone would load slot 3).
    void TheEmulatorsKeysWorkInTheDebugWindow() {
        Rig rig;
        const uint16_t pc = rig.M().Cpu.PC;
        rig.Key(QKeySequence(Qt::CTRL | Qt::Key_P));
        QVERIFY(rig.Main().RunSpeed().Paused());
        rig.Key(QKeySequence(Qt::CTRL | Qt::Key_2));
        QCOMPARE(rig.Main().RunSpeed().Speed(), 2);
        rig.Key(QKeySequence(Qt::SHIFT | Qt::Key_F9));
        QVERIFY(std::filesystem::exists(rig.Dir().Path() / "state1.vxs"));
        rig.Key(Qt::Key_F11);
        QVERIFY(rig.M().Cpu.PC != pc);
        QVERIFY(rig.Debug().isVisible());
    }

    void HalfWrittenPairIsRefusedThenTheNextChangeLoads() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Controller(),
                                       rig.Main().Messages(), rig.Main().Warnings());
        reload.WatchAction()->setChecked(true);
        const std::array<uint8_t, 3> before{rig.M().InstrRom[0], rig.M().InstrRom[1], rig.M().InstrRom[2]};
        rig.Dir().Write("rom1.bin", QByteArray(100, '\0'));  // cut short
        QTRY_VERIFY_WITH_TIMEOUT(rig.Main().Warnings().Current(), 5000);
        QVERIFY(rig.Main().Warnings().Current()->text().contains("rom1.bin"));
        QCOMPARE(rig.M().InstrRom[0], before[0]);
        rig.Main().Warnings().Close();
        Build(rig, Moved());
        QTRY_COMPARE_WITH_TIMEOUT(rig.At("inner"), uint16_t{8}, 5000);
        reload.WatchAction()->setChecked(false);
    }

    // A reload ends a recording as a state load does, saved with the same
    // message; a refused one changes nothing, the recording included.
    void ReloadEndsARecording() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Debug().Controller(),
                                       rig.Main().Messages(), rig.Main().Warnings());
        rig.Debug().close();
        const std::filesystem::path take = rig.Dir().Path() / "take.vxr";
        varnox::test::AnswerFileDialog(rig.Main(), QString::fromStdString(take.string()));
        rig.Main().Menu().Action("record")->trigger();
        for (int tick = 0; tick < 5; ++tick) rig.Main().RunTimer()->OnTimer()(rig.Main().RunTimer());
        const varnox::InputPath& path = rig.Main().GetSession().Path();
        rig.Dir().Write("rom1.bin", QByteArray(100, '\0'));
        QVERIFY(!reload.Reload().Loaded);
        rig.Main().Warnings().Close();
        QVERIFY(path.IsRecording());
        Build(rig, Moved());
        QVERIFY(reload.Reload().Loaded);
        QVERIFY(!path.IsRecording());
        QVERIFY(std::filesystem::file_size(take) > 0);
        QStringList said;
        for (const auto& line : rig.Main().Messages().Lines()) said << line.Text;
        QVERIFY2(said.contains("Recording stopped by firmware reload: take.vxr"), qPrintable(said.join(" | ")));
    }
};

QTEST_MAIN(FirmwareReloadTest)
#include "FirmwareReloadTest.moc"
