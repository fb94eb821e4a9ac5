// The debugger window: shown while the processor stands still, with the
// disassembly, the registers, the main register file and a hex editor over
// RAM, and the controls that step the processor or hand it back to the run
// loop for a number of steps or up to a breakpoint. Beside it, a window of
// tools (TDebugTools); both work through one TDebugController, and share
// the keys: F5 continue, F11 step into,
// F10 step over, Shift+F11 step out, F4 run to the cursor, F9 the cursor
// line's breakpoint, Ctrl+G go to, Ctrl+F find in memory, Ctrl+T the tools.
#pragma once

#include <QPushButton>
#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

#include "core/Def.h"
#include "debugger/BinPane.h"
#include "debugger/DebugSession.h"
#include "debugger/Stepping.h"
#include "debugger/SymbolFile.h"
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

    TPaneBox& PaneBox(PaneId id) const { return *panes_[static_cast<size_t>(id)]; }
    TGroupBox* StepGroupBox() const { return stepGroupBox_; }
    TGroupBox* TraceGroupBox() const { return traceGroupBox_; }
    TGroupBox* BpGroupBox() const { return bpGroupBox_; }
    TEdit* TraceEdit() const { return traceEdit_; }
    TEdit* BpEdit() const { return bpEdit_; }
    QPushButton* StepButton() const { return stepButton_; }
    QPushButton* TraceButton() const { return traceButton_; }
    QPushButton* BpButton() const { return bpButton_; }
    const DebugState& GetState() const { return state_; }

    void SelectPane(TGroupBox* box) override;
    void CloseEditors() override;

    void StepButtonClick();
    void TraceButtonClick();
    void BpButtonClick();

    // ---- Beside the window's own controls (DebugCommands.cpp) ----
    TDebugController& Controller() const { return *controller_; }
    DebugSession& Session() { return controller_->Session(); }
    TDebugTools* Tools() const { return tools_; }
    TListMargin* ListMargin() const { return margin_; }
    uint16_t CursorAddress() const { return controller_->CursorAddress(); }
    void ContinueClick() { controller_->Continue(); }
    void StepOverClick() { controller_->StepOver(); }
    void StepOutClick() { controller_->StepOut(); }
    void RunToCursorClick() { controller_->RunToCursor(); }
    void ToggleBreakpointAtCursor() { controller_->ToggleBreakpointAtCursor(); }
    void ToggleBreakpointAt(uint16_t address) { controller_->ToggleBreakpointAt(address); }
    void ShowInListing(uint16_t address) { controller_->ShowInListing(address); }
    void GoToClick();
    // Reads a symbol file; its messages go to the tools' status line.
    SymbolLoad LoadSymbols(const std::filesystem::path& file, SymbolTrust trust) {
        return controller_->LoadSymbols(file, trust);
    }
    // Shows the tools where they leave the window's controls uncovered; when
    // the screen has no room for both, only when `asked`.
    void ShowTools(bool asked = false);
    // Shows the tools and gives them the keyboard (Ctrl+T).
    void FocusTools();
    // The tools changed the machine or the session: everything redrawn.
    void Changed() { controller_->Changed(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    DebugState& State() override { return state_; }
    void BuildComponents();
    TGroupBox* MakeRunBox(const char* caption, QRect geometry, TEdit** edit, QPushButton** button);
    QWidget* FocusTargetOf(TGroupBox* box) const;
    void FitOuterSize();
    void DebugCreate();
    void DebugShow();
    void DebugHide();
    void BuildAdditions();
    void AddShortcuts(QWidget* window);
    void MarginClick(int row);
    void FindClick();
    void PlaceTools(bool asked);

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
    TDebugController* controller_ = nullptr;
    TDebugTools* tools_ = nullptr;
    TListMargin* margin_ = nullptr;
    bool toolsWereUp_ = false;
};

}  // namespace varnox
