// A state saved in the window runs headless in varnox-tool, and one saved by
// the tool loads in the window, to the same machine.
#include <QAction>
#include <QProcess>

#include <cstdio>

#include "GuiSupport.h"
#include "asm/SourceAsm.h"
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

}  // namespace

class StateExchangeTest : public QObject {
    Q_OBJECT
private slots:
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
