#include "frontend/debugger/DebugTools.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "frontend/debugger/PaneWidgets.h"

namespace varnox {
namespace {

// At least; wider when the tabs' titles need it.
constexpr QSize ToolsSize(600, 514);
// Room for the tab widget's frame and the style's indent of the tab bar.
constexpr int TabsSlack = 16;
constexpr const char* KeysHint =
    "Keys: F5 continue, F11 into, F10 over, Shift+F11 out, F4 to the cursor, F9 breakpoint, Ctrl+G go to, "
    "Ctrl+F find, Ctrl+T these tools; a click left of a listing line sets its breakpoint.";

}  // namespace

TDebugTools::TDebugTools(TDebugController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller) {
    setWindowTitle(QStringLiteral("Debug Tools"));
    setFont(DebugWindowFont());
    auto* layout = new QVBoxLayout(this);

    // A tool bar: on a narrow screen the buttons that do not fit go behind
    // its extension arrow.
    auto* bar = new QToolBar(this);
    struct ToolButton {
        const char* text;
        const char* key;
        void (TDebugController::*slot)();
    };
    const ToolButton buttons[] = {
        {"Continue", "F5", &TDebugController::Continue},
        {"Into", "F11", &TDebugController::StepInto},
        {"Over", "F10", &TDebugController::StepOver},
        {"Out", "Shift+F11", &TDebugController::StepOut},
        {"To cursor", "F4", &TDebugController::RunToCursor},
        {"Breakpoint", "F9", &TDebugController::ToggleBreakpointAtCursor},
        {"Go to", "Ctrl+G", &TDebugController::AskGoTo},
    };
    for (const ToolButton& tool : buttons) {
        QAction* action = bar->addAction(QString::fromLatin1(tool.text));
        action->setToolTip(QString::fromLatin1(tool.key));
        connect(action, &QAction::triggered, &controller_, tool.slot);
    }
    connect(bar->addAction(QStringLiteral("Symbols...")), &QAction::triggered, this, &TDebugTools::LoadSymbolsClick);
    layout->addWidget(bar);

    status_ = new QLabel(QString::fromLatin1(KeysHint), this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    connect(&controller_, &TDebugController::StatusChanged, status_, &QLabel::setText);

    tabs_ = new QTabWidget(this);
    source_ = new TToolsSource(controller_, this);
    watch_ = new TToolsWatch(controller_, this);
    profile_ = new TToolsProfile(controller_, this);
    breakpoints_ = new TToolsBreakpoints(controller_, this);
    watchpoints_ = new TToolsWatchpoints(controller_, this);
    callStack_ = new TToolsCallStack(controller_, this);
    trace_ = new TToolsTrace(controller_, this);
    memory_ = new TToolsMemory(controller_, this);
    registers_ = new TToolsRegisters(controller_, this);
    lcd_ = new TToolsLcd(controller_, this);
    AddTab(source_, QStringLiteral("&Source"));
    AddTab(watch_, QStringLiteral("W&atch"));
    AddTab(breakpoints_, QStringLiteral("&Breakpoints"));
    AddTab(watchpoints_, QStringLiteral("&Watchpoints"));
    AddTab(callStack_, QStringLiteral("&Call stack"));
    AddTab(profile_, QStringLiteral("&Profile"));
    AddTab(trace_, QStringLiteral("T&race"));
    AddTab(memory_, QStringLiteral("&Memory"));
    AddTab(registers_, QStringLiteral("Re&gisters"));
    AddTab(lcd_, QStringLiteral("&LCD"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { Refresh(); });
    layout->addWidget(tabs_, 1);
    connect(&controller_, &TDebugController::Refreshed, this, &TDebugTools::Refresh);
    // Wide enough for every tab's title: none hides behind scroll arrows
    // where the screen has room.
    const QMargins margins = layout->contentsMargins();
    const int tabsWidth = tabs_->tabBar()->sizeHint().width() + margins.left() + margins.right() + TabsSlack;
    resize(std::max(ToolsSize.width(), tabsWidth), ToolsSize.height());
}

void TDebugTools::AddTab(TToolsTab* tab, const QString& title) {
    pages_.push_back(tab);
    tabs_->addTab(tab, title);
}

QAbstractButton* TDebugTools::Button(const QString& text) const {
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

void TDebugTools::Refresh() {
    for (TToolsTab* tab : pages_) tab->Refresh();
}

void TDebugTools::LoadSymbolsClick() {
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Load symbols"), QString(),
                                                      QStringLiteral("Symbols (*.sym);;All files (*)"));
    if (file.isEmpty()) return;
    controller_.LoadSymbols(file.toStdString(), SymbolTrust::Anyway);
}

}  // namespace varnox
