// What the debugger window has beside its own controls: the tools window,
// the keys, and the breakpoint margin and cursor of the listing; the steps
// and runs themselves are the controller's.
#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "debugger/AddressText.h"
#include "frontend/debugger/Debug.h"
#include "frontend/debugger/DebugTools.h"
#include "frontend/debugger/ListMargin.h"

namespace varnox {
namespace {

// The margin lies between the box's left edge and the listing's surface.
constexpr QRect MarginGeometry(1, 16, 7, 137);
constexpr int ToolsGap = 8;
constexpr int FrameKnownMs = 300;

}  // namespace

TDebugForm::~TDebugForm() { delete tools_; }

void TDebugForm::BuildAdditions() {
    controller_ = new TDebugController(machine_, run_, state_, this);
    listPane_.SetSymbols(&Session().Symbols);
    TPaneBox& list = PaneBox(ListId);
    margin_ = new TListMargin(list.CellSize().height(), list.GroupBox());
    margin_->setGeometry(MarginGeometry);
    margin_->Rows = [this] {
        std::vector<TListMargin::Row> rows;
        const BreakpointList& breakpoints = Session().Breakpoints;
        for (const std::optional<uint16_t>& address : listPane_.RowAddresses()) {
            TListMargin::Row row;
            if (address) {
                if (const auto index = breakpoints.Find(*address)) {
                    row.Breakpoint = breakpoints.All()[*index].Enabled ? TListMargin::Mark::Enabled
                                                                       : TListMargin::Mark::Disabled;
                }
                row.Cursor = controller_->Cursor() == address;
            }
            rows.push_back(row);
        }
        return rows;
    };
    margin_->OnClick = [this](int row) { MarginClick(row); };
    list.AfterClick = [this](int, int row) {
        const std::vector<std::optional<uint16_t>> addresses = listPane_.RowAddresses();
        if (row >= 0 && row < static_cast<int>(addresses.size()) && addresses[static_cast<size_t>(row)]) {
            controller_->SetCursor(addresses[static_cast<size_t>(row)]);
        }
        margin_->update();
    };

    tools_ = new TDebugTools(*controller_);
    tools_->setAttribute(Qt::WA_ShowWithoutActivating);
    connect(controller_, &TDebugController::Refreshed, this, [this] {
        CloseEditors();
        margin_->update();
    });
    connect(controller_, &TDebugController::Finished, this, [this] { SelectPane(StepGroupBox()); });
    connect(controller_, &TDebugController::Resumed, this, [this] {
        CloseEditors();
        hide();
    });
    connect(controller_, &TDebugController::ToolsWanted, this, &TDebugForm::FocusTools);
    connect(controller_, &TDebugController::GoToWanted, this, &TDebugForm::GoToClick);
    connect(controller_, &TDebugController::FindWanted, this, &TDebugForm::FindClick);
    AddShortcuts(this);
    AddShortcuts(tools_);
}

// The same keys in both windows, and only there: the main window keeps its
// own function keys.
void TDebugForm::AddShortcuts(QWidget* window) {
    const std::pair<QKeySequence, void (TDebugController::*)()> keys[] = {
        {QKeySequence(Qt::Key_F5), &TDebugController::Continue},
        {QKeySequence(Qt::Key_F11), &TDebugController::StepInto},
        {QKeySequence(Qt::Key_F10), &TDebugController::StepOver},
        {QKeySequence(Qt::SHIFT | Qt::Key_F11), &TDebugController::StepOut},
        {QKeySequence(Qt::Key_F4), &TDebugController::RunToCursor},
        {QKeySequence(Qt::Key_F9), &TDebugController::ToggleBreakpointAtCursor},
        {QKeySequence(Qt::CTRL | Qt::Key_G), &TDebugController::AskGoTo},
        {QKeySequence(Qt::CTRL | Qt::Key_T), &TDebugController::AskForTools},
        {QKeySequence(Qt::CTRL | Qt::Key_F), &TDebugController::AskFind},
    };
    for (const auto& [key, slot] : keys) {
        auto* action = new QAction(window);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, controller_, slot);
        window->addAction(action);
    }
}

void TDebugForm::FindClick() {
    ShowTools(true);
    tools_->Tabs()->setCurrentIndex(TDebugTools::MemoryTab);
    tools_->activateWindow();
    tools_->FindEdit()->setFocus(Qt::ShortcutFocusReason);
    tools_->FindEdit()->selectAll();
}

void TDebugForm::MarginClick(int row) {
    const std::vector<std::optional<uint16_t>> addresses = listPane_.RowAddresses();
    // A label's row stands for the line under it.
    for (size_t i = static_cast<size_t>(std::max(row, 0)); i < addresses.size(); ++i) {
        if (addresses[i]) {
            ToggleBreakpointAt(*addresses[i]);
            return;
        }
    }
}

// In the tools' Memory tab Ctrl+G goes to its address field; anywhere
// else it asks where the listing should go.
void TDebugForm::GoToClick() {
    if (tools_->isActiveWindow() && tools_->Tabs()->currentIndex() == TDebugTools::MemoryTab) {
        tools_->GoToEdit()->setFocus(Qt::ShortcutFocusReason);
        tools_->GoToEdit()->selectAll();
        return;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(this, QStringLiteral("Go to"), QStringLiteral("Address (hex) or name:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok) return;
    const AddressValue address = ParseAddressText(text.toStdString(), Session().Names());
    if (!address.Address) {
        controller_->SetStatus(QString::fromStdString(address.Problem));
        return;
    }
    ShowInListing(*address.Address);
}

void TDebugForm::ShowTools(bool asked) {
    if (!tools_->isVisible()) {
        PlaceTools(asked);
        if (!asked && !tools_->isVisible()) return;
    }
    tools_->raise();
    tools_->Refresh();
}

void TDebugForm::PlaceTools(bool asked) {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(pos(), OuterSize).adjusted(0, 0, 4096, 4096);
    const QSize frame = tools_->frameGeometry().size();
    const TToolsPlace place = PlaceToolsBeside(area, QRect(pos(), OuterSize), frame, ToolsGap, asked);
    if (!place.Tools) return;
    if (place.Debugger != pos()) move(place.Debugger);
    // The frame is known once the window is up.
    tools_->show();
    tools_->move(place.Tools->topLeft());
    const QRect wanted = *place.Tools;
    auto fit = [this, wanted] {
        const QMargins margins = tools_->windowHandle() ? tools_->windowHandle()->frameMargins() : QMargins();
        const QSize client = wanted.size().shrunkBy(margins);
        if (client != tools_->size()) tools_->resize(client);
    };
    fit();
    // A window manager tells the frame a moment after the window is up.
    QTimer::singleShot(FrameKnownMs, tools_, fit);
}

void TDebugForm::FocusTools() {
    ShowTools(true);
    tools_->activateWindow();
    tools_->Tabs()->currentWidget()->setFocus(Qt::ShortcutFocusReason);
}

// The close box lets the emulator run on freely, as it always did.
void TDebugForm::closeEvent(QCloseEvent* event) {
    controller_->Halted();
    QWidget::closeEvent(event);
}

}  // namespace varnox
