// The window and varnox-tool run the same inputs to the same machine, and a
// state saved in either continues in the other.
#include <QAction>
#include <QFile>
#include <QImage>
#include <QProcess>

#include <cstdio>

#include "GuiSupport.h"
#include "asm/SourceAsm.h"
#include "system/KeyMap.h"
#include "system/SaveState.h"

using varnox::Machine;
using namespace varnox::test;

namespace {

QString RunTool(const Scratch& scratch, const QStringList& args) {
    QProcess tool;
    tool.setWorkingDirectory(scratch.dir.path());
    tool.start(QStringLiteral(VARNOX_TOOL_PATH), QStringList{"run"} + args);
    if (!tool.waitForFinished(20000) || tool.exitCode() != 0) return "failed: " + tool.readAllStandardError();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The tool's state line up to its counts.
QString StateLine(const Machine& m) {
    const varnox::CpuState& c = m.Cpu;
    char line[80];
    std::snprintf(line, sizeof line, "PC=%04X F=%02X AS=%02X KO=%02X KI=%02X IE=%02X IF=%02X HALTED=%d", c.PC, c.F, c.AS,
                  c.KO, c.KI, c.IE, c.IF, c.Halted ? 1 : 0);
    return QString::fromLatin1(line);
}

// The dots of a PBM picture of one pixel a dot, row by row.
QString PbmDots(const QByteArray& file) {
    QString dots;
    const QList<QByteArray> lines = file.split('\n');
    for (int i = 2; i < lines.size(); ++i) dots += QString::fromLatin1(lines[i]).remove(QLatin1Char(' '));
    return dots;
}

QString BitmapDots(const QImage& bitmap) {
    QString dots;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) dots += bitmap.pixel(2 * x, 2 * y) == 0xFF000000u ? QLatin1Char('1') : QLatin1Char('0');
    }
    return dots;
}

}  // namespace

namespace {

// Keys held in both runs, at run tick boundaries every speed reaches: Esc
// through refreshes of the self-test, then key 6, which opens a page once
// the display test is over (with the mouse in the window: the slot differs
// while it is held, the key matrix sees the same).
constexpr int RunTicks = 240;
constexpr struct {
    int from, until;
} Escape{8, 16}, PageKey{160, 176};

}  // namespace

class StateExchangeTest : public QObject {
    Q_OBJECT
private slots:
    // The window's run path at 1x, 2x and 8x and varnox-tool run end in the
    // same machine from the same held keys: the refresh work follows the
    // run ticks, not the window's timers.
    void WindowAndToolRunTheSameInputsAlike_data() {
        QTest::addColumn<int>("speed");
        QTest::newRow("1x") << 1;
        QTest::newRow("2x") << 2;
        QTest::newRow("8x") << 8;
    }
    void WindowAndToolRunTheSameInputsAlike() {
        QFETCH(int, speed);
        Scratch scratch;
        scratch.CopyKit();
        for (const char* rom : {"rom0.bin", "rom1.bin"}) QVERIFY(QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + rom, scratch.dir.filePath(rom)));
        scratch.Write("varnox.ini", "[Settings]\nSelfTest=4\n");
        const QString tool = RunTool(scratch, {"--ticks", QString::number(RunTicks), "--no-save", "--save-state", "tool.vxs",
                                               "--screen", "tool.pbm", "--hold", QStringLiteral("35@%1-%2").arg(Escape.from).arg(Escape.until),
                                               "--hold", QStringLiteral("6@%1-%2").arg(PageKey.from).arg(PageKey.until)});

        auto form = ShowForm(scratch);
        form->RunTimer()->SetEnabled(false);  // this test is the timer
        form->RefreshTimer()->stop();
        form->RunSpeed().SetSpeed(speed);
        const auto runTimer = form->RunTimer()->OnTimer();
        for (int done = 0; done < RunTicks; done += speed) {
            if (done == Escape.from) form->FormKeyDown(varnox::VkEscape);
            if (done == Escape.until) form->FormKeyUp();
            if (done == PageKey.from) form->ButtonMouseDown(6);
            if (done == PageKey.until) form->ButtonMouseUp(6);
            runTimer(form->RunTimer());
        }
        form->OnRefreshTimer();
        const Machine& m = form->GetMachine();
        QCOMPARE(m.Clock.SelfTestCounter, 0);  // the self-test ran out within the run
        QVERIFY2(tool.startsWith(StateLine(m) + " STEPS="), qPrintable(tool + " / " + StateLine(m)));
        const QByteArray saved = scratch.Read("tool.vxs");
        QVERIFY(varnox::EncodeState(m) == std::vector<uint8_t>(saved.begin(), saved.end()));
        QCOMPARE(BitmapDots(form->DisplayBitmap()), PbmDots(scratch.Read("tool.pbm")));
    }

    // A recording made through the window's input path, from a state, with
    // taps, a held key, the print switch and a reset, replays in the tool
    // to the same machine and screen.
    void AWindowRecordingReplaysInTheTool() {
        Scratch scratch;
        scratch.CopyKit();
        for (const char* rom : {"rom0.bin", "rom1.bin"}) QVERIFY(QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + rom, scratch.dir.filePath(rom)));
        auto form = ShowForm(scratch);
        form->RunTimer()->SetEnabled(false);  // this test is the timer
        form->RefreshTimer()->stop();
        const auto runTimer = form->RunTimer()->OnTimer();
        const std::string file = scratch.dir.filePath("r.vxr").toStdString();
        for (int tick = 0; tick < 300; ++tick) {
            if (tick == 40) {
                form->ChooseFile = [&file](const varnox::TFileRequest&) { return QString::fromStdString(file); };
                form->Menu().Action("record")->trigger();
            }
            if (tick == 30 || tick == 62 || tick == 63) {  // taps: pressed and let go at once
                form->ButtonMouseDown(tick == 30 ? 8 : 41);
                form->ButtonMouseUp(0);
            }
            if (tick == 70) form->FormKeyPress(QChar('+'));
            if (tick == 71) form->FormKeyUp();
            if (tick == 80) form->FormKeyDown(varnox::VkReturn);
            if (tick == 120) form->FormKeyUp();
            if (tick == 150) QTest::mouseClick(form->PrintSwitch(), Qt::LeftButton);
            if (tick == 200) form->Menu().Action("reset")->trigger();
            runTimer(form->RunTimer());
        }
        form->FormKeyPress(QChar('7'));  // after the last tick
        QVERIFY(form->Menu().Action("stoprecord")->isEnabled());  // still recording
        form->Menu().Action("stoprecord")->trigger();
        QVERIFY(!form->Menu().Action("stoprecord")->isEnabled());
        form->OnRefreshTimer();
        const QString tool = RunTool(scratch, {"--replay", "r.vxr", "--no-save", "--save-state", "tool.vxs", "--screen", "tool.pbm"});
        const Machine& m = form->GetMachine();
        QVERIFY2(tool.startsWith(StateLine(m) + " STEPS="), qPrintable(tool + " / " + StateLine(m)));
        const QByteArray saved = scratch.Read("tool.vxs");
        QVERIFY(varnox::EncodeState(m) == std::vector<uint8_t>(saved.begin(), saved.end()));
        QCOMPARE(BitmapDots(form->DisplayBitmap()), PbmDots(scratch.Read("tool.pbm")));
    }

    void WindowAndToolShareStates() {
        Scratch scratch;
        scratch.CopyKit();
        const varnox::SourceImages images = varnox::AssembleSource(
            "      pst if,&H01\n"
            "      ldw ix,&H4000\n"
            "loop: ad r0,&H01\n"
            "      st +(ix),r0\n"
            "      jmp loop\n");
        QVERIFY(images.Errors.empty());
        scratch.Write("rom0.bin", QByteArray(reinterpret_cast<const char*>(images.Rom0.data()), static_cast<int>(images.Rom0.size())));
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        Machine& m = form->GetMachine();
        QTRY_VERIFY(m.Cpu.MainRegisterFile[0] > 10);
        form->Menu().Action("pause")->trigger();
        form->Menu().Action("save1")->trigger();

        // As it was saved, then run on.
        QVERIFY(RunTool(scratch, {"--load-state", "state1.vxs", "--ticks", "0", "--no-save"}).startsWith(StateLine(m) + " STEPS=0"));
        const QString ran = RunTool(scratch, {"--load-state", "state1.vxs", "--ticks", "20", "--no-save", "--save-state", "tool.vxs"});
        QVERIFY2(!ran.startsWith(StateLine(m)), qPrintable(ran));

        AnswerFileDialog(*form, scratch.dir.filePath("tool.vxs"));
        form->Menu().Action("loadfile")->trigger();
        QVERIFY2(ran.startsWith(StateLine(m) + " STEPS="), qPrintable(ran + " / " + StateLine(m)));
        const QByteArray file = scratch.Read("tool.vxs");
        QVERIFY(varnox::EncodeState(m) == std::vector<uint8_t>(file.begin(), file.end()));
    }
};

QTEST_MAIN(StateExchangeTest)
#include "StateExchangeTest.moc"
