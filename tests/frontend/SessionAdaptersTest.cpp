// The window, the page and varnox-tool are adapters over one session: the
// same inputs at the same run ticks, handed to each as its user hands them,
// end in the same machine as the bare session's.
#include <QFile>
#include <QProcess>

#include <vector>

#include "GuiSupport.h"
#include "system/KeyMap.h"
#include "system/Recording.h"
#include "system/SaveState.h"
#include "system/Session.h"
#include "web/PageSession.h"

using varnox::Machine;
using varnox::Session;
using namespace varnox::test;

namespace {

struct Input {
    enum Kind { MouseDown, MouseUp, KeyDown, Typed, KeyUp, Print, Power, Reset } kind;
    int tick;
    int value = 0;
};

// Each adapter takes an input as its own user gives it.
void Give(varnox::TMainForm& form, const Input& in) {
    switch (in.kind) {
        case Input::MouseDown: form.ButtonMouseDown(in.value); break;
        case Input::MouseUp: form.ButtonMouseUp(in.value); break;
        case Input::KeyDown: form.FormKeyDown(in.value); break;
        case Input::Typed: form.FormKeyPress(QChar(in.value)); break;
        case Input::KeyUp: form.FormKeyUp(); break;
        case Input::Print: QTest::mouseClick(form.PrintSwitch(), Qt::LeftButton); break;
        case Input::Power:
            QTest::mouseClick(form.PowerSwitch(), Qt::LeftButton);
            form.RunTimer()->SetEnabled(false);  // the test is the timer
            break;
        case Input::Reset: form.Menu().Action("reset")->trigger(); break;
    }
}

void Give(varnox::web::PageSession& page, const Input& in) {
    switch (in.kind) {
        case Input::MouseDown: page.MouseDown(in.value); break;
        case Input::MouseUp: page.MouseUp(); break;
        case Input::KeyDown: page.KeyDown(in.value); break;
        case Input::Typed: page.KeyTyped(static_cast<char32_t>(in.value)); break;
        case Input::KeyUp: page.KeyUp(); break;
        case Input::Print: page.SetPrintSwitch(page.HeldKey(varnox::HeldSwitchSlot) == 0); break;
        case Input::Power: page.SetPower(!page.PoweredOn()); break;
        case Input::Reset: page.Reset(); break;
    }
}

void Give(Session& s, const Input& in) {
    switch (in.kind) {
        case Input::MouseDown: s.MouseDown(in.value); break;
        case Input::MouseUp: s.MouseUp(); break;
        case Input::KeyDown: s.KeyDown(in.value); break;
        case Input::Typed: s.KeyTyped(static_cast<char32_t>(in.value)); break;
        case Input::KeyUp: s.KeyUp(); break;
        case Input::Print: s.SetPrintSwitch(s.GetMachine().HeldKeys[varnox::HeldSwitchSlot] == 0); break;
        case Input::Power: s.SetPower(!s.PoweredOn()); break;
        case Input::Reset: s.Reset(); break;
    }
}

// F2 opens the calculator, 41 is "1", 8 CALC; power goes off and on.
const std::vector<Input> Script = {
    {Input::KeyDown, 3, varnox::VkF2}, {Input::KeyUp, 4},          {Input::MouseDown, 20, 41}, {Input::MouseUp, 20, 41},
    {Input::Typed, 30, '+'},           {Input::KeyUp, 31},         {Input::Typed, 40, '2'},    {Input::KeyUp, 52},
    {Input::KeyDown, 60, varnox::VkReturn}, {Input::KeyUp, 70},    {Input::Print, 80},         {Input::Reset, 100},
    {Input::Power, 120},               {Input::Power, 125},        {Input::MouseDown, 140, 8}, {Input::Typed, 141, 'q'},
    {Input::KeyUp, 150},               {Input::MouseUp, 160, 8},   {Input::Print, 170},
};
constexpr int ScriptTicks = 200;

template <class Adapter, class Tick>
void Drive(Adapter& adapter, Tick tick) {
    for (int at = 0; at < ScriptTicks; ++at) {
        for (const Input& in : Script) {
            if (in.tick == at) Give(adapter, in);
        }
        tick();
    }
}

}  // namespace

class SessionAdaptersTest : public QObject {
    Q_OBJECT
private slots:
    void TheSameInputsGiveTheSameMachineThroughEveryAdapter() {
        Scratch scratch;
        scratch.CopyKit();
        for (const char* rom : {"rom0.bin", "rom1.bin"}) QVERIFY(QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + rom, scratch.dir.filePath(rom)));

        Session session(scratch.Path());
        session.Load();
        session.Start();
        session.Path().StartRecording(true);
        Drive(session, [&] { session.RunTicks(1); });
        QVERIFY(!varnox::SaveRecordingFile(session.Path().StopRecording(), scratch.Path() / "take.vxr"));
        session.Path().ApplyDue();
        const std::vector<uint8_t> expected = session.SaveState();

        varnox::web::PageSession page(scratch.Path());
        QVERIFY(page.PowerOn().empty());
        Drive(page, [&] { page.RunTicks(1); });
        QVERIFY(page.SaveState() == expected);

        auto form = ShowForm(scratch);
        form->RunTimer()->SetEnabled(false);  // the test is the timer
        form->RefreshTimer()->stop();
        Drive(*form, [&] { form->RunTimer()->OnTimer()(form->RunTimer()); });
        QVERIFY(varnox::EncodeState(form->GetMachine()) == expected);

        QProcess tool;
        tool.setWorkingDirectory(scratch.dir.path());
        tool.start(QStringLiteral(VARNOX_TOOL_PATH), {"run", "--replay", "take.vxr", "--no-save", "--save-state", "tool.vxs"});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).trimmed(), QString::fromStdString(session.StateLine()));
        const QByteArray saved = scratch.Read("tool.vxs");
        QVERIFY(std::vector<uint8_t>(saved.begin(), saved.end()) == expected);
    }

    // The switches cannot be moved while a replay runs: one started with
    // the calculator switched off switches it on, as a state loaded does,
    // instead of waiting for a run timer that nothing could start.
    void AReplayStartedWhileSwitchedOffSwitchesOn() {
        Scratch scratch;
        scratch.CopyKit();
        for (const char* rom : {"rom0.bin", "rom1.bin"}) QVERIFY(QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + rom, scratch.dir.filePath(rom)));
        Session session(scratch.Path());
        session.Load();
        session.Start();
        session.Path().StartRecording(true);
        session.RunTicks(30);
        QVERIFY(!varnox::SaveRecordingFile(session.Path().StopRecording(), scratch.Path() / "take.vxr"));

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
