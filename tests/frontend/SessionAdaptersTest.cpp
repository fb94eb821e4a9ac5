// The window and varnox-tool are adapters over one session (as the page is,
// tests/web): the same inputs at the same run ticks, handed to each as its
// user hands them, end in the same machine as the bare session's.
#include <QFile>
#include <QProcess>

#include <memory>
#include <vector>

#include "GuiSupport.h"
#include "support/InputScript.h"
#include "system/Recording.h"
#include "system/SaveState.h"
#include "system/Session.h"

using varnox::Session;
using namespace varnox::test;

namespace varnox::test {

// The window takes each input as its user gives it: by the mouse on the
// keys and switches, by PC keys, by the menu. (Beside the session's Give,
// for Drive to find.)
static void Give(TMainForm& form, const Input& in) {
    switch (in.kind) {
        case Input::MouseDown: form.ButtonMouseDown(in.value); break;
        case Input::MouseUp: form.ButtonMouseUp(in.value); break;
        case Input::KeyDown: form.FormKeyDown(in.value); break;
        case Input::Typed: form.FormKeyPress(QChar(in.value)); break;
        case Input::KeyUp: form.FormKeyUp(); break;
        case Input::Press: QFAIL("the window has no key by number"); break;
        case Input::Print: QTest::mouseClick(form.PrintSwitch(), Qt::LeftButton); break;
        case Input::Power:
            QTest::mouseClick(form.PowerSwitch(), Qt::LeftButton);
            form.RunTimer()->SetEnabled(false);  // the test is the timer
            break;
        case Input::Reset: form.Menu().Action("reset")->trigger(); break;
    }
}

}  // namespace varnox::test

namespace {

// A session over the kit in the scratch folder, recording from power-on.
std::unique_ptr<Session> Recorded(const Scratch& scratch) {
    for (const char* rom : {"rom0.bin", "rom1.bin"}) QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + rom, scratch.dir.filePath(rom));
    auto session = std::make_unique<Session>(scratch.Path());
    session->Load();
    session->Start();
    session->Path().StartRecording(true);
    return session;
}

}  // namespace

class SessionAdaptersTest : public QObject {
    Q_OBJECT
private slots:
    void TheWindowAndTheToolEndInTheSessionsMachine() {
        Scratch scratch;
        scratch.CopyKit();
        const std::vector<Input> script = AllInputKinds(false);
        const auto session = Recorded(scratch);
        Drive(*session, script, AllInputKindsTicks, 1, [&] { session->RunTicks(1); });
        QVERIFY(!varnox::SaveRecordingFile(session->Path().StopRecording(), scratch.Path() / "take.vxr"));
        session->Path().ApplyDue();  // as the window shows the end
        const std::vector<uint8_t> expected = session->SaveState();

        auto form = ShowForm(scratch);
        form->RunTimer()->SetEnabled(false);  // the test is the timer
        form->RefreshTimer()->stop();
        Drive(*form, script, AllInputKindsTicks, 1, [&] { form->RunTimer()->OnTimer()(form->RunTimer()); });
        QVERIFY(varnox::EncodeState(form->GetMachine()) == expected);

        QProcess tool;
        tool.setWorkingDirectory(scratch.dir.path());
        tool.start(QStringLiteral(VARNOX_TOOL_PATH), {"run", "--replay", "take.vxr", "--no-save", "--save-state", "tool.vxs"});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).trimmed(), QString::fromStdString(session->StateLine()));
        const QByteArray saved = scratch.Read("tool.vxs");
        QVERIFY(std::vector<uint8_t>(saved.begin(), saved.end()) == expected);
    }

    // The switches cannot be moved while a replay runs: one started with
    // the calculator switched off switches it on, as a state loaded does,
    // instead of waiting for a run timer that nothing could start.
    void AReplayStartedWhileSwitchedOffSwitchesOn() {
        Scratch scratch;
        scratch.CopyKit();
        const auto session = Recorded(scratch);
        session->RunTicks(30);
        QVERIFY(!varnox::SaveRecordingFile(session->Path().StopRecording(), scratch.Path() / "take.vxr"));
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        PowerOff(*form);
        AnswerFileDialog(*form, scratch.dir.filePath("take.vxr"));
        form->Menu().Action("replay")->trigger();
        QVERIFY(form->GetSession().Path().IsReplaying());
        QVERIFY(form->RunTimer()->Enabled());
        QCOMPARE(form->PowerSwitch()->x(), 202);  // at ON
        QTRY_VERIFY(!form->GetSession().Path().IsReplaying());
    }
};

QTEST_MAIN(SessionAdaptersTest)
#include "SessionAdaptersTest.moc"
