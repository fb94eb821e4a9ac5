// The debugger window: shown while the processor stands still, with the
// disassembly, the registers, the main register file and a hex editor over
// RAM, and the controls that step the processor or hand it back to the run
// loop for a number of steps or up to a breakpoint.
#pragma once

#include <QPushButton>
#include <QWidget>

#include <array>
#include <memory>

#include "core/Def.h"
#include "debugger/BinPane.h"
#include "debugger/ListPane.h"
#include "debugger/RegisterPanes.h"
#include "frontend/debugger/PaneBox.h"

namespace varnox {

class TDebugForm : public QWidget, private PaneHost {
    Q_OBJECT
public:
    // The window with its frame.
    static constexpr QSize OuterSize{625, 514};

    enum PaneId { ListId, RegId, MainId, BinId, PaneCount };

    // Created hidden; it shows and edits `machine`, which outlives it.
    explicit TDebugForm(Machine& machine, QWidget* parent = nullptr);

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

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    DebugState& State() override { return state_; }
    void BuildComponents();
    TGroupBox* MakeRunBox(const char* caption, QRect geometry, TEdit** edit, QPushButton** button);
    QWidget* FocusTargetOf(TGroupBox* box) const;
    void FitOuterSize();
    void DebugCreate();
    void DebugShow();
    void DebugHide();

    Machine& machine_;
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
};

}  // namespace varnox
