// The debugger window: shown while the processor stands still, with the
// disassembly, the registers, the main register file and a hex editor over
// RAM, and the controls that step the processor or hand it back to the run
// loop for a number of steps or up to a breakpoint. Beside it, a window of
// tools (TDebugTools); both work through one TDebugController, and share
// the keys: F5 continue, F11 step into,
// F10 step over, Shift+F11 step out, F4 run to the cursor, F9 the cursor
// line's breakpoint, Ctrl+G go to, Ctrl+F find in memory, Ctrl+T the tools.
// Its widgets carry the names of their parts ("StepButton", "TraceEdit",
// "ListPane"...), by which tests find them.
#pragma once

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <filesystem>
#include <vector>

#include "core/Def.h"
#include "debugger/BinPane.h"
#include "debugger/ListPane.h"
#include "debugger/RegisterPanes.h"
#include "frontend/debugger/DebugController.h"
#include "frontend/debugger/PaneBox.h"

namespace varnox {

class TDebugTools;
class TListMargin;

class TDebugForm : public QWidget, private PaneHost {
    Q_OBJECT
public:
    // The window with its frame.
    static constexpr QSize OuterSize{625, 514};

    enum PaneId { ListId, RegId, MainId, BinId, PaneCount };

    // Created hidden; it shows and edits `machine`, which outlives it.
    TDebugForm(Machine& machine, RunControl& run, QWidget* parent = nullptr);
    // The same, with the symbols of rom.sym in the machine's directory.
    TDebugForm(Machine& machine, RunControl& run, const std::filesystem::path& dir, QWidget* parent = nullptr);
    ~TDebugForm() override;

    // Shows the window, or brings it to the front when it is up.
    void Show();
    // What both windows work through: the steps, the runs, the session.
    TDebugController& Controller() const { return *controller_; }
    // Shows the tools where they leave the window's controls uncovered; when
    // the screen has no room for both, only when `asked`.
    void ShowTools(bool asked = false);
    // Shows the tools and gives them the keyboard (Ctrl+T).
    void FocusTools();
    // The emulator window's keys for the whole emulator (reload, pause,
    // reset, speeds, state slots) work in the debugger's windows too, but
    // for those the debugger has keys of its own on (F9, F10, F11,
    // Shift+F11): there the debugger's win.
    void ShareWindowKeys(const std::vector<QAction*>& actions);
    // The window opens beside `window` (the emulator's), and neither it nor
    // its tools ever over `display`.
    void OpenBeside(QWidget* window, QWidget* display);

    void StepButtonClick();
    void TraceButtonClick();
    void BpButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SelectPane(TGroupBox* box) override;
    void CloseEditors() override;
    DebugState& State() override { return state_; }
    TPaneBox& PaneBox(PaneId id) const { return *panes_[static_cast<size_t>(id)]; }
    void BuildComponents();
    TGroupBox* MakeRunBox(const char* caption, const char* name, QRect geometry, TEdit** edit, QPushButton** button);
    QWidget* FocusTargetOf(TGroupBox* box) const;
    void FitOuterSize();
    void DebugCreate();
    void DebugShow();
    void DebugHide();
    void BuildAdditions();
    void AddShortcuts(QWidget* window);
    void MarginClick(int row);
    void GoToClick();
    void FindClick();
    void PlaceTools(bool asked);
    // The display's frame on the screen, or none when it is not shown.
    QRect DisplayOnScreen() const;

    Machine& machine_;
    RunControl& run_;
    DebugState state_;
    ListPane listPane_;
    RegPane regPane_;
    MainPane mainPane_;
    BinPane binPane_;
    std::array<TPaneBox*, PaneCount> panes_{};
    TGroupBox* stepGroupBox_ = nullptr;
    TGroupBox* traceGroupBox_ = nullptr;
    TGroupBox* bpGroupBox_ = nullptr;
    TEdit* traceEdit_ = nullptr;
    TEdit* bpEdit_ = nullptr;
    QPushButton* stepButton_ = nullptr;
    QPushButton* traceButton_ = nullptr;
    QPushButton* bpButton_ = nullptr;
    bool placed_ = false;
    QPointer<QWidget> besideWindow_;
    QPointer<QWidget> besideDisplay_;
    TDebugController* controller_ = nullptr;
    TDebugTools* tools_ = nullptr;
    TListMargin* margin_ = nullptr;
    bool toolsWereUp_ = false;
};

}  // namespace varnox
