// What the debugger window has beside its own controls: the tools window,
// the keys, the breakpoint margin and cursor of the listing, and the steps
// and runs that keep breakpoints and watchpoints.
#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QScreen>

#include "debugger/AddressText.h"
#include "frontend/debugger/Debug.h"
#include "frontend/debugger/DebugTools.h"
#include "frontend/debugger/ListMargin.h"

namespace varnox {
namespace {

// The margin lies between the box's left edge and the listing's surface.
constexpr QRect MarginGeometry(1, 16, 7, 137);
constexpr int ToolsGap = 8;

}  // namespace

TDebugForm::~TDebugForm() {
    session_.Disarm(machine_);
    delete tools_;
}

void TDebugForm::BuildAdditions() {
    listPane_.SetSymbols(&session_.Symbols);
    TPaneBox& list = PaneBox(ListId);
    margin_ = new TListMargin(list.CellSize().height(), list.GroupBox());
    margin_->setGeometry(MarginGeometry);
    margin_->Rows = [this] {
        std::vector<TListMargin::Row> rows;
        const uint16_t cursor = CursorAddress();
        for (const std::optional<uint16_t>& address : listPane_.RowAddresses()) {
            TListMargin::Row row;
            if (address) {
                if (const auto index = session_.Breakpoints.Find(*address)) {
                    row.Breakpoint = session_.Breakpoints.All()[*index].Enabled ? TListMargin::Mark::Enabled
                                                                                  : TListMargin::Mark::Disabled;
                }
                row.Cursor = cursor_ && *address == cursor;
            }
            rows.push_back(row);
        }
        return rows;
    };
    margin_->OnClick = [this](int row) { MarginClick(row); };
    list.AfterClick = [this](int, int row) {
        const std::vector<std::optional<uint16_t>> addresses = listPane_.RowAddresses();
        if (row >= 0 && row < static_cast<int>(addresses.size()) && addresses[static_cast<size_t>(row)]) {
            cursor_ = addresses[static_cast<size_t>(row)];
        }
        margin_->update();
    };

    tools_ = new TDebugTools(*this, machine_, session_);
    tools_->setAttribute(Qt::WA_ShowWithoutActivating);
    AddShortcuts(this);
    AddShortcuts(tools_);
}

// The same keys in both windows, and only there: the main window keeps its
// own function keys.
void TDebugForm::AddShortcuts(QWidget* window) {
    const std::pair<QKeySequence, void (TDebugForm::*)()> keys[] = {
        {QKeySequence(Qt::Key_F5), &TDebugForm::ContinueClick},
        {QKeySequence(Qt::Key_F11), &TDebugForm::StepButtonClick},
        {QKeySequence(Qt::Key_F10), &TDebugForm::StepOverClick},
        {QKeySequence(Qt::SHIFT | Qt::Key_F11), &TDebugForm::StepOutClick},
        {QKeySequence(Qt::Key_F4), &TDebugForm::RunToCursorClick},
        {QKeySequence(Qt::Key_F9), &TDebugForm::ToggleBreakpointAtCursor},
        {QKeySequence(Qt::CTRL | Qt::Key_G), &TDebugForm::GoToClick},
        {QKeySequence(Qt::CTRL | Qt::Key_T), &TDebugForm::FocusTools},
    };
    for (const auto& [key, slot] : keys) {
        auto* action = new QAction(window);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        window->addAction(action);
    }
    auto* find = new QAction(window);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] {
        ShowTools();
        tools_->Tabs()->setCurrentIndex(TDebugTools::MemoryTab);
        tools_->activateWindow();
        tools_->FindEdit()->setFocus(Qt::ShortcutFocusReason);
        tools_->FindEdit()->selectAll();
    });
    window->addAction(find);
}

uint16_t TDebugForm::CursorAddress() const {
    if (cursor_) {
        for (const std::optional<uint16_t>& address : listPane_.RowAddresses()) {
            if (address == cursor_) return *cursor_;
        }
    }
    return static_cast<uint16_t>(state_.ListTop);
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

void TDebugForm::ToggleBreakpointAt(uint16_t address) {
    const bool added = session_.Breakpoints.Toggle(address);
    const QString where = QString::fromStdString(AddressWithName(address, session_.Names(), SymbolSpace::Code));
    tools_->SetStatus((added ? QStringLiteral("Breakpoint set at ") : QStringLiteral("Breakpoint removed at ")) + where);
    Changed();
}

void TDebugForm::ToggleBreakpointAtCursor() { ToggleBreakpointAt(CursorAddress()); }

void TDebugForm::ShowInListing(uint16_t address) {
    state_.ListTop = address;
    cursor_ = address;
    CloseEditors();
    margin_->update();
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
    const AddressValue address = ParseAddressText(text.toStdString(), session_.Names());
    if (!address.Address) {
        tools_->SetStatus(QString::fromStdString(address.Problem));
        return;
    }
    ShowInListing(*address.Address);
}

SymbolLoad TDebugForm::LoadSymbols(const std::filesystem::path& file, SymbolTrust trust) {
    SymbolLoad load = LoadSymbolFile(file, machine_, trust);
    QStringList lines;
    for (const std::string& message : load.Messages) lines << QString::fromStdString(message);
    if (load.Found && load.Table.All().size() > 0) {
        session_.Symbols = load.Table;
        lines << QStringLiteral("%1 symbols from %2").arg(load.Table.All().size()).arg(QString::fromStdString(file.string()));
    }
    tools_->SetStatus(lines.join(QLatin1Char('\n')));
    Changed();
    return load;
}

void TDebugForm::ShowTools() {
    if (!tools_->isVisible()) {
        PlaceTools();
        tools_->show();
    }
    tools_->raise();
    tools_->Refresh();
}

void TDebugForm::PlaceTools() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(pos(), OuterSize).adjusted(0, 0, 4096, 4096);
    const TToolsPlace place = PlaceToolsBeside(area, QRect(pos(), OuterSize), tools_->frameGeometry().size(), ToolsGap);
    if (place.Debugger != pos()) move(place.Debugger);
    tools_->move(place.Tools);
}

void TDebugForm::FocusTools() {
    ShowTools();
    tools_->activateWindow();
    tools_->Tabs()->currentWidget()->setFocus(Qt::ShortcutFocusReason);
}

void TDebugForm::Changed() {
    CloseEditors();
    margin_->update();
    tools_->Refresh();
}

void TDebugForm::ShowStop() {
    std::string text = session_.StopText();
    if (text.empty()) text = "Stopped at " + AddressWithName(machine_.Cpu.PC, session_.Names(), SymbolSpace::Code);
    tools_->SetStatus(QString::fromStdString(text));
}

void TDebugForm::Resume() {
    tools_->SetRegistersBefore(machine_.Cpu);
    session_.CyclesSinceStop = 0;
    session_.ForgetStop();
}

void TDebugForm::Finish(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::HandedOver:
            // Longer than the debugger steps through: the run loop goes on
            // to the same bound, as after a Run button.
            hide();
            return;
        case StepOutcome::NoCaller: tools_->SetStatus(QStringLiteral("No call on the stack to step out of")); break;
        case StepOutcome::Stopped:
        case StepOutcome::Done: ShowStop(); break;
    }
    SelectPane(StepGroupBox());
    margin_->update();
    tools_->Refresh();
}

void TDebugForm::ContinueClick() {
    CloseEditors();
    Resume();
    ContinueRun(machine_, session_);
    hide();
}

void TDebugForm::StepOverClick() {
    Resume();
    Finish(StepOver(machine_, session_, state_));
}

void TDebugForm::StepOutClick() {
    Resume();
    Finish(StepOut(machine_, session_, state_));
}

void TDebugForm::RunToCursorClick() {
    const uint16_t target = CursorAddress();
    Resume();
    Finish(RunTo(machine_, session_, state_, target));
}

// The close box lets the emulator run on freely, as it always did.
void TDebugForm::closeEvent(QCloseEvent* event) {
    session_.Disarm(machine_);
    QWidget::closeEvent(event);
}

}  // namespace varnox
