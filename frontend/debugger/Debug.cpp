#include "frontend/debugger/Debug.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include "debugger/RunControls.h"
#include "frontend/WindowSettings.h"
#include "frontend/debugger/DebugTools.h"

#include <cstdio>

namespace varnox {
namespace {

// Pixel places: group boxes in the window's client area, their controls
// within the box.
const std::array<TPaneBox::Layout, TDebugForm::PaneCount> PaneLayouts{{
    {" Disassembly ", {8, 8, 313, 161}, {8, 16, 273, 137}, {287, 16, 17, 137}},
    {" Registers ", {328, 8, 121, 161}, {8, 16, 81, 137}, {96, 16, 17, 137}},
    {" Main Register File ", {8, 176, 601, 137}, {8, 16, 561, 113}, {575, 16, 17, 113}},
    {" Hex Editor ", {8, 320, 601, 161}, {8, 16, 561, 137}, {576, 16, 17, 137}},
}};
constexpr QRect StepBoxGeometry(456, 8, 153, 49);
constexpr QRect TraceBoxGeometry(456, 64, 153, 49);
constexpr QRect BpBoxGeometry(456, 120, 153, 49);
constexpr QRect RunEditGeometry(16, 16, 49, 21);
constexpr QRect RunButtonGeometry(80, 16, 57, 25);
// Kept right of and below the boxes, as left of and above them.
constexpr int WindowMargin = 8;
// The scroll range the listing and the hex editor start with, before their
// first repaint sets their own.
constexpr int DefaultScrollMaximum = 100;

}  // namespace

TDebugForm::TDebugForm(Machine& machine, RunControl& run, QWidget* parent)
    : QWidget(parent, Qt::Window),
      machine_(machine),
      run_(run),
      listPane_(machine, state_),
      regPane_(machine, state_),
      mainPane_(machine, state_),
      binPane_(machine, state_) {
    BuildComponents();
    BuildAdditions();
    DebugCreate();
}

TDebugForm::TDebugForm(Machine& machine, RunControl& run, const std::filesystem::path& dir, QWidget* parent)
    : TDebugForm(machine, run, parent) {
    SymbolLoad load = LoadSymbolsBeside(dir, machine);
    QStringList messages;
    for (const std::string& message : load.Messages) messages << QString::fromStdString(message);
    Session().Symbols = std::move(load.Table);
    Session().Lines = std::move(load.Lines);
    // The sources where the user last found them, else beside the ROM.
    const QString folder = TWindowSettings::SourceFolder();
    tools_->Source()->SetSourceFolder(folder.isEmpty() ? dir : std::filesystem::path(folder.toStdString()));
    for (const QString& message : messages) std::fprintf(stderr, "%s\n", qPrintable(message));
    if (!messages.isEmpty()) controller_->SetStatus(messages.join(QLatin1Char('\n')));
}

void TDebugForm::BuildComponents() {
    setWindowTitle(QStringLiteral("Debug Window"));
    setFont(DebugWindowFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(ButtonFaceColour));
    palette.setColor(QPalette::WindowText, QColor::fromRgb(WindowTextColour));
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(OuterSize);

    const std::array<DebugPane*, PaneCount> models{&listPane_, &regPane_, &mainPane_, &binPane_};
    for (size_t i = 0; i < panes_.size(); ++i) panes_[i] = new TPaneBox(*this, *models[i], PaneLayouts[i], this);
    for (PaneId id : {ListId, BinId}) PaneBox(id).ScrollBar()->setMaximum(DefaultScrollMaximum);

    stepGroupBox_ = new TGroupBox(QStringLiteral(" Single step "), this);
    stepGroupBox_->setGeometry(StepBoxGeometry);
    stepGroupBox_->setFocusPolicy(Qt::ClickFocus);
    stepButton_ = new QPushButton(QStringLiteral("Run"), stepGroupBox_);
    stepButton_->setGeometry(RunButtonGeometry);
    stepButton_->setFocusPolicy(Qt::ClickFocus);
    traceGroupBox_ = MakeRunBox(" Number of steps (decimal) ", TraceBoxGeometry, &traceEdit_, &traceButton_);
    bpGroupBox_ = MakeRunBox(" Breakpoint address (hex) ", BpBoxGeometry, &bpEdit_, &bpButton_);

    connect(stepGroupBox_, &TGroupBox::Click, this, [this] { SelectPane(stepGroupBox_); });
    connect(stepButton_, &QPushButton::clicked, this, &TDebugForm::StepButtonClick);
    connect(traceButton_, &QPushButton::clicked, this, &TDebugForm::TraceButtonClick);
    connect(bpButton_, &QPushButton::clicked, this, &TDebugForm::BpButtonClick);
    connect(traceEdit_, &TEdit::Change, this, [this] { FilterDigits(*traceEdit_, 10); });
    connect(bpEdit_, &TEdit::Change, this, [this] { FilterDigits(*bpEdit_, 16); });
}

// A box with a digits field (Courier, upper case, no length limit; it
// keeps its text between uses) and a "Run" button. A click in the field is
// a click on the box.
TGroupBox* TDebugForm::MakeRunBox(const char* caption, QRect geometry, TEdit** edit, QPushButton** button) {
    auto* box = new TGroupBox(QString::fromLatin1(caption), this);
    box->setGeometry(geometry);
    *edit = new TEdit(box);
    (*edit)->setGeometry(RunEditGeometry);
    (*edit)->SetUpperCase(true);
    *button = new QPushButton(QStringLiteral("Run"), box);
    (*button)->setGeometry(RunButtonGeometry);
    (*button)->setFocusPolicy(Qt::ClickFocus);
    connect(box, &TGroupBox::Click, this, [this, box] { SelectPane(box); });
    connect(*edit, &TEdit::Click, this, [this, box] { SelectPane(box); });
    return box;
}

// ---- Shared mechanics --------------------------------------------------------------

QWidget* TDebugForm::FocusTargetOf(TGroupBox* box) const {
    for (const TPaneBox* pane : panes_) {
        if (pane->GroupBox() == box) return pane->Edit();
    }
    if (box == traceGroupBox_) return traceEdit_;
    if (box == bpGroupBox_) return bpEdit_;
    return box;
}

void TDebugForm::SelectPane(TGroupBox* box) {
    FocusTargetOf(box)->setFocus(Qt::OtherFocusReason);
    for (const TPaneBox* pane : panes_) pane->GroupBox()->SetCaptionColour(WindowTextColour);
    for (TGroupBox* run : {stepGroupBox_, traceGroupBox_, bpGroupBox_}) run->SetCaptionColour(WindowTextColour);
    box->SetCaptionColour(SelectedCaptionColour);
    CloseEditors();
}

void TDebugForm::CloseEditors() {
    state_.EditMode = EditKind::None;
    for (TPaneBox* pane : panes_) pane->CloseEditor();
    for (TPaneBox* pane : panes_) pane->Repaint();
}

// ---- Window life -------------------------------------------------------------------------

void TDebugForm::DebugCreate() {
    CloseEditors();
    state_.RegTop = 0;
    state_.MainTop = 0;
    state_.BinTop = BinFirstAddress;
    state_.ListTop = 0;
}

void TDebugForm::Show() {
    if (isVisible()) {
        raise();
    } else {
        show();
    }
    activateWindow();
}

void TDebugForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FitOuterSize();
    // Shows from the window system (a restore) are not the program showing
    // the window.
    if (!event->spontaneous()) DebugShow();
}

void TDebugForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) DebugHide();
}

// A window manager frames the window after it is first shown, and moves it
// when it does.
void TDebugForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) FitOuterSize();
}

// The frame is the window manager's; once it is known the client area
// shrinks so that window and frame together keep the outer size, but never
// below what the boxes need: a thick frame makes the window larger rather
// than cut off the hex editor. The window opens centred on its screen.
void TDebugForm::FitOuterSize() {
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize client = QSize(OuterSize.width() - frame.left() - frame.right(),
                               OuterSize.height() - frame.top() - frame.bottom())
                             .expandedTo(QSize(childrenRect().right() + 1 + WindowMargin,
                                               childrenRect().bottom() + 1 + WindowMargin));
    if (client != size()) setFixedSize(client);
    if (!placed_) {
        placed_ = true;
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            move(area.x() + (area.width() - OuterSize.width()) / 2, area.y() + (area.height() - OuterSize.height()) / 2);
        }
    }
}

void TDebugForm::DebugShow() {
    DebugShown(machine_, run_, state_);
    stepGroupBox_->setFocus(Qt::OtherFocusReason);
    // Whatever stopped the run, the debugger's stops are off while it is up.
    controller_->Halted();
    controller_->ShowStop();
    // Tools the user had up come back with the window, wherever they fit.
    ShowTools(toolsWereUp_);
}

void TDebugForm::DebugHide() {
    CloseEditors();
    DebugHidden(run_, state_);
    toolsWereUp_ = tools_->isVisible();
    tools_->hide();
}

// ---- Run controls -------------------------------------------------------------------------

// The single step, recorded in the trace; a watchpoint it hits says so.
// The controller's answer selects the step box.
void TDebugForm::StepButtonClick() { controller_->StepInto(); }

// The runs keep the breakpoints and watchpoints of the tools armed: the
// typed address is one more breakpoint.
void TDebugForm::TraceButtonClick() {
    const int32_t count = StepCountFromText(traceEdit_->text().toStdU16String());
    SelectPane(traceGroupBox_);
    if (!StartStepRun(run_.Stops, count)) return;
    controller_->Resume();
    ContinueRun(machine_, run_, Session());
    hide();
}

void TDebugForm::BpButtonClick() {
    const int32_t address = BreakAddressFromText(bpEdit_->text().toStdU16String());
    SelectPane(bpGroupBox_);
    StartBreakRun(run_.Stops, address);
    controller_->Resume();
    ContinueRun(machine_, run_, Session());
    hide();
}

}  // namespace varnox
