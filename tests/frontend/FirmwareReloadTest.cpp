// Reloading the firmware from the window: after a rebuild that moved the
// code, a breakpoint set by name is found again and one whose name went is
// listed; a pair half written is refused with the reason and nothing
// changes; with the watch on, a change of the files reloads by itself.
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
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

}  // namespace

class FirmwareReloadTest : public QObject {
    Q_OBJECT
private slots:
    void BreakpointsFoundAgainAfterCodeMoved() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Debug().Controller(),
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
        const varnox::BreakpointList& breakpoints = rig.Debug().Session().Breakpoints;
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
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Debug().Controller(),
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

    void HalfWrittenPairIsRefusedThenTheNextChangeLoads() {
        Rig rig;
        varnox::TFirmwareReload reload(&rig.Main(), rig.M(), rig.Dir().Path(), rig.Debug().Controller(),
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
};

QTEST_MAIN(FirmwareReloadTest)
#include "FirmwareReloadTest.moc"
