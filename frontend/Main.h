// The main window: the calculator's display at double size above its 50
// keys and two slide switches, over the session that holds the machine. It
// loads the session when created, starts it when shown and ends it when
// closed; its handlers hand every input and every run timer tick over to
// the session.
#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/Def.h"
#include "frontend/FileChooser.h"
#include "frontend/FolderSwitch.h"
#include "frontend/MainMenu.h"
#include "frontend/MainWidgets.h"
#include "frontend/Recordings.h"
#include "frontend/Rewind.h"
#include "frontend/RunSpeed.h"
#include "frontend/ScreenMessages.h"
#include "frontend/Screenshots.h"
#include "frontend/StateSlots.h"
#include "frontend/ViewSize.h"
#include "frontend/WarningQueue.h"
#include "system/Session.h"

class QFrame;
class QLabel;
class QTimer;

namespace varnox {

class TKeyHints;
class TKeyMapWindow;
class TRecordMark;
struct TRecordingDisplay;
class TScreenRecorder;
class TThreadedTimer;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int ButtonCount = 50;
    static constexpr int DisplayWidth = 192;
    static constexpr int DisplayHeight = 128;
    static constexpr uint32_t RunInterval = 10;
    static constexpr int RefreshInterval = 30;
    // What a timer tick at full speed leaves before the next one is due,
    // for the timer's hand-over.
    static constexpr std::chrono::microseconds EventLoopShare{300};

    // Reads settings and files from `dir` (the working directory when run
    // as the program).
    explicit TMainForm(std::filesystem::path dir = std::filesystem::current_path(), QWidget* parent = nullptr);
    ~TMainForm() override;

    Machine& GetMachine() { return session_.GetMachine(); }
    // Where every input reaches the machine and every run tick runs it.
    Session& GetSession() { return session_; }
    // How its run ticks are held, paused, granted and stopped: the
    // debugger's hand on the run.
    RunControl& Control() { return session_.Control(); }
    const QImage& DisplayBitmap() const { return displayBitmap_; }
    TSpeedButton* Button(int tag) const { return buttons_.at(tag - 1); }
    TKeyHints& Hints() const { return *hints_; }
    TShape* PrintSwitch() const { return printSwitch_; }
    TShape* PowerSwitch() const { return powerSwitch_; }
    TLcdImage* LcdImage() const { return lcdImage_; }
    TThreadedTimer* RunTimer() const { return runTimer_; }
    QTimer* RefreshTimer() const { return refreshTimer_; }

    TMainMenu& Menu() const { return *menu_; }
    TRunSpeed& RunSpeed() { return runSpeed_; }
    TWarningQueue& Warnings() { return warnings_; }
    // The messages over the display, for any change of the machine the
    // user did not see happen.
    TScreenMessages& Messages() { return messages_; }

    // What F3 and a stop of the run loop call; the debugger fills it.
    std::function<void()> ShowDebugger;

    // Asks for a file name: the desktop's file dialog, replaceable where no
    // one can answer it.
    TChooseFile ChooseFile = [this](const TFileRequest& request) { return AskWithFileDialog(this, request); };

    // From the start of the close until the process ends.
    bool Closing() const { return closed_; }

    // The folder File > Open folder... chose, for the window that follows
    // this one; nothing after any other close.
    const std::optional<std::filesystem::path>& NextFolder() const { return folders_.Chosen(); }

    // Saves the machine as closing would, without touching the window
    // system: for an exit forced on the process when the display connection
    // broke. Messages go to stderr. Does nothing once the window closed.
    void SaveWithoutWindow();

    void PaintLcd();
    void DrawKeypad();
    void OnRefreshTimer();
    void FormKeyPress(QChar character);
    void FormKeyDown(int virtualKey);
    void FormKeyUp();
    void ButtonMouseDown(int tag);
    void ButtonMouseUp(int tag);
    void SwitchMouseDown(TShape* sender);

signals:
    // After FormClose has saved the machine; `saved`: nothing failed.
    void Closed(bool saved);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    // One tick of RunTimer: the session runs what it holds.
    void OnRunTimer();
    // The session paces as the speed and pause the user chose.
    void ShowSpeed();
    void PaintDot(int dot, QRgb colour);
    // The debugger takes the machine over: no key stays held under it, and
    // a recording or replay ends, since the debugger's changes are no input.
    void HandOverToDebugger();
    // The on-screen keys show pressed what the mouse or a PC key holds,
    // and the print switch stands where the machine has it.
    void ShowHeldKeys();
    void AfterStateLoaded();
    // The power switch and the run timer follow a session switched on by
    // what it ran (a state, a replay).
    void ShowPower();
    void SlideSwitch(TShape* shape, QFrame* bevel);
    // What was missing or wrong in the folder at start, in one box.
    void ShowStartProblems();

    std::filesystem::path dir_;
    Session session_{dir_, static_cast<int32_t>(RunInterval)};
    QImage displayBitmap_;
    decltype(Machine::HeldKeys) shownKeys_{};  // what the keys on screen show
    bool displayDirty_ = false;
    bool shown_ = false;
    bool closed_ = false;
    QStringList startProblems_;  // until the window shows them

    TWarningQueue warnings_{this};
    TScreenMessages messages_{this};
    TViewSize view_;
    TRunSpeed runSpeed_{RunInterval};
    TScreenshots screenshots_{displayBitmap_, dir_, ChooseFile, warnings_, messages_};
    TStateSlots states_;
    TRecordings recordings_;
    TRewind rewind_;
    TFolderSwitch folders_{dir_, ChooseFile, warnings_, [this] { return session_.SaveMemory(); }, [this] { close(); }};

    QFrame* bevel1_ = nullptr;
    QFrame* bevel2_ = nullptr;
    TLcdImage* lcdImage_ = nullptr;
    std::vector<TSpeedButton*> buttons_;
    QFrame* printBevel_ = nullptr;
    TShape* printSwitch_ = nullptr;
    QFrame* powerBevel_ = nullptr;
    TShape* powerSwitch_ = nullptr;
    TThreadedTimer* runTimer_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    TKeyMapWindow* keyMap_ = nullptr;
    std::unique_ptr<TKeyHints> hints_;
    TRecordMark* recordMark_ = nullptr;
    std::unique_ptr<TMainMenu> menu_;
    std::unique_ptr<TRecordingDisplay> recordingDisplay_;
    std::unique_ptr<TScreenRecorder> screenRecorder_;
};

}  // namespace varnox
