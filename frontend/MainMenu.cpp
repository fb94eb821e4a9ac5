// The actions' shortcuts take no key the calculator uses: those are
// letters, digits and the punctuation on the keys typed alone, and the PC
// keys of the key map. A shortcut on a key alone is one the key map keeps
// for the window (Print, F9..F12), as are F3 and Tab, which the key
// handlers watch.
#include "frontend/MainMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QWidget>

#include <map>

#include "frontend/RunSpeed.h"
#include "frontend/ScreenMessages.h"
#include "frontend/Screenshots.h"
#include "frontend/StateSlots.h"
#include "frontend/ViewSize.h"
#include "peripherals/Lcd.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

enum class TCheck {
    None,
    OnOff,  // checked while on
    OneOf,  // one of the actions of its group
};

struct TActionRow {
    std::string Name;
    QString Text;  // the slots' are set as their menu opens
    QList<QKeySequence> Keys;
    std::function<void()> Handler;
    TCheck Check = TCheck::None;
    std::string Group = std::string();  // the actions of which one is checked
};

std::string Numbered(const char* name, int n) { return name + std::to_string(n); }

QList<QKeySequence> Keys(QKeyCombination combination) { return {QKeySequence(combination)}; }

QKeyCombination Digit(Qt::KeyboardModifier modifier, int n) { return modifier | static_cast<Qt::Key>(Qt::Key_0 + n); }

Qt::Key SlotKey(int slot) { return static_cast<Qt::Key>(Qt::Key_F9 + slot - 1); }

// The parts the menus share.
std::vector<TMenuItem> SpeedItems(const QString& submenu) {
    std::vector<TMenuItem> items;
    for (const int n : TRunSpeed::Speeds) items.push_back({Numbered("speed", n), submenu});
    items.insert(items.end(), {{"unlimited", submenu}, {"-", submenu}, {"fastforward", submenu}});
    return items;
}

std::vector<TMenuItem> ScreenshotItems() {
    const QString shotSize = QStringLiteral("Screenshot size");
    std::vector<TMenuItem> items = {{"screenshot"}, {"screenshotas"}, {"copyscreenshot"}, {"recordscreen"}};
    for (const int n : TScreenshots::Scales) items.push_back({Numbered("shot", n), shotSize});
    items.push_back({"screenshotfolder"});
    return items;
}

std::vector<TMenuItem> StateItems() {
    const QString save = QStringLiteral("Save state");
    const QString load = QStringLiteral("Load state");
    std::vector<TMenuItem> items;
    for (int slot = 1; slot <= StateSlotCount; ++slot) items.push_back({Numbered("save", slot), save});
    items.insert(items.end(), {{"-", save}, {"savefile", save}});
    for (int slot = 1; slot <= StateSlotCount; ++slot) items.push_back({Numbered("load", slot), load});
    items.insert(items.end(), {{"-", load}, {"loadfile", load}, {"undoload"}});
    return items;
}

std::vector<TMenuItem> RecordingItems() {
    const QString record = QStringLiteral("Recording");
    return {{"record", record},  {"recordpoweron", record}, {"stoprecord", record},
            {"-", record},       {"replay", record},        {"stopreplay", record}};
}

std::vector<TMenuItem> ViewItems() {
    const QString size = QStringLiteral("View size");
    std::vector<TMenuItem> items;
    for (int n = 1; n <= TViewSize::Largest; ++n) items.push_back({Numbered("view", n), size});
    items.push_back({"fit", size});
    items.insert(items.end(), {{"displayonly"}, {"fullscreen"}});
    return items;
}

std::vector<TMenuItem> Joined(std::initializer_list<std::vector<TMenuItem>> parts) {
    std::vector<TMenuItem> items;
    for (const auto& part : parts) {
        if (!items.empty()) items.push_back({"-"});
        items.insert(items.end(), part.begin(), part.end());
    }
    return items;
}

// The display's right-click menu: everything, for fullscreen has no bar.
std::vector<TMenuItem> ContextMenuItems() {
    return Joined({{{"pause"}, {"reset"}, {"rewind"}},
                   SpeedItems(QStringLiteral("Speed")),
                   ScreenshotItems(),
                   StateItems(),
                   RecordingItems(),
                   ViewItems(),
                   {{"keymap"}, {"debugger"}},
                   {{"openfolder"}, {"quit"}}});
}

struct TBarMenu {
    QString Title;
    std::vector<TMenuItem> Items;
};

std::vector<TBarMenu> MenuBarMenus() {
    return {{QStringLiteral("&File"),
             Joined({{{"openfolder"}}, ScreenshotItems(), StateItems(), RecordingItems(), {{"quit"}}})},
            {QStringLiteral("&Emulation"), Joined({{{"pause"}, {"reset"}, {"rewind"}}, SpeedItems(QStringLiteral("Speed"))})},
            {QStringLiteral("&View"), ViewItems()},
            {QStringLiteral("&Debug"), {{"debugger"}}},
            {QStringLiteral("&Help"), {{"keymap"}, {"about"}}}};
}

}  // namespace

TMainMenu::TMainMenu(QWidget* window, TMenuTargets targets)
    // Without a parent: a menu is a window of its own and keeps the
    // desktop's font whatever the view size.
    : window_(window),
      targets_(std::move(targets)),
      contextMenu_(std::make_unique<QMenu>()),
      menuBar_(new QMenuBar(window)) {
    BuildActions();
    Lay(contextMenu_.get(), ContextMenuItems());
    BuildMenuBar();
    ShowSpeed();
    ShowView();
    QObject::connect(&targets_.Speed, &TRunSpeed::Changed, window_, [this] { ShowSpeed(); });
}

TMainMenu::~TMainMenu() = default;

void TMainMenu::BuildMenuBar() {
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    // The keys belong to the calculator: the bar never holds on to them.
    menuBar_->setFocusPolicy(Qt::NoFocus);
    for (const TBarMenu& bar : MenuBarMenus()) Lay(menuBar_->addMenu(bar.Title), bar.Items);
}

void TMainMenu::BuildActions() {
    TRunSpeed& speed = targets_.Speed;
    TScreenshots& shots = targets_.Screenshots;
    TStateSlots& states = targets_.States;
    TViewSize& view = targets_.View;
    TScreenMessages& messages = targets_.Messages;
    std::vector<TActionRow> rows = {
        {"pause", QStringLiteral("Pause"), Keys(Qt::CTRL | Qt::Key_P), [&speed] { speed.SetPaused(!speed.Paused()); }},
        {"reset", QStringLiteral("Reset"), Keys(Qt::CTRL | Qt::Key_R), targets_.Reset},
    };
    for (const int n : TRunSpeed::Speeds) {
        rows.push_back({Numbered("speed", n), QStringLiteral("%1x").arg(n), Keys(Digit(Qt::ControlModifier, n)),
                        [&speed, n] { speed.SetSpeed(n); }, TCheck::OneOf, "speed"});
    }
    rows.push_back({"unlimited", QStringLiteral("Unlimited"), Keys(Qt::CTRL | Qt::Key_0), [&speed] { speed.SetSpeed(0); },
                    TCheck::OneOf, "speed"});
    // Held, not pressed: the key handlers watch Tab, the menu only names it.
    rows.push_back({"fastforward", QStringLiteral("Fast-forward\tTab (hold)"), {},
                    [&speed] { speed.SetFastForward(!speed.FastForward()); }, TCheck::OnOff});
    rows.push_back({"screenshot", QStringLiteral("Screenshot"), {QKeySequence(Qt::Key_Print), QKeySequence(Qt::CTRL | Qt::Key_S)},
                    [&shots] { shots.SaveNumbered(); }});
    rows.push_back({"screenshotas", QStringLiteral("Save screenshot as..."), Keys(Qt::CTRL | Qt::ALT | Qt::Key_S),
                    [&shots] { shots.Save(); }});
    rows.push_back({"copyscreenshot", QStringLiteral("Copy screenshot"), Keys(Qt::CTRL | Qt::Key_C), [&shots] { shots.Copy(); }});
    for (const int n : TScreenshots::Scales) {
        rows.push_back({Numbered("shot", n), QStringLiteral("%1x (%2 x %3)").arg(n).arg(DisplayColumns * n).arg(DisplayRows * n),
                        {}, [&shots, n] { shots.SetScale(n); }, TCheck::OneOf, "shot"});
    }
    rows.push_back({"screenshotfolder", QStringLiteral("Screenshot folder..."), {}, [&shots] { shots.ChooseFolder(); }});
    for (int slot = 1; slot <= StateSlotCount; ++slot) {
        rows.push_back({Numbered("save", slot), QString(), Keys(Qt::SHIFT | SlotKey(slot)), [&states, slot] { states.SaveSlot(slot); }});
        rows.push_back({Numbered("load", slot), QString(), Keys(SlotKey(slot)), [&states, slot] { states.LoadSlot(slot); }});
    }
    rows.push_back({"savefile", QStringLiteral("To file..."), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [&states] { states.SaveToChosenFile(); }});
    rows.push_back({"loadfile", QStringLiteral("From file..."), Keys(Qt::CTRL | Qt::Key_O), [&states] { states.LoadFromChosenFile(); }});
    for (int n = 1; n <= TViewSize::Largest; ++n) {
        rows.push_back({Numbered("view", n), QStringLiteral("%1x").arg(n), Keys(Digit(Qt::AltModifier, n)),
                        [this, &view, n] {
                            view.SetSize(n);
                            ShowView();
                        },
                        TCheck::OneOf, "view"});
    }
    rows.push_back({"fit", QStringLiteral("Fit to screen"), Keys(Qt::ALT | Qt::Key_0),
                    [this, &view] {
                        view.SetSize(TViewSize::FitToScreen);
                        ShowView();
                    },
                    TCheck::OneOf, "view"});
    rows.push_back({"displayonly", QStringLiteral("Display only"), Keys(Qt::CTRL | Qt::Key_D),
                    [this, &view] {
                        view.SetDisplayOnly(!view.DisplayOnly());
                        ShowView();
                    },
                    TCheck::OnOff});
    // Esc stays the calculator's: the same shortcut leaves, and says so.
    rows.push_back({"fullscreen", QStringLiteral("Fullscreen"),
                    {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_F)},
                    [this, &view, &messages] {
                        view.SetFullscreen(!view.Fullscreen());
                        if (view.Fullscreen()) messages.Say(QStringLiteral("Fullscreen: Alt+Enter or Ctrl+F leaves"));
                        ShowView();
                    },
                    TCheck::OnOff});
    // F3 reaches the key handlers, as it always has; the menu names it.
    rows.push_back({"debugger", QStringLiteral("Debugger\tF3"), {}, targets_.ShowDebugger});
    rows.push_back({"keymap", QStringLiteral("Key map..."), Keys(Qt::CTRL | Qt::Key_K), targets_.ShowKeyMap});
    rows.push_back({"about", QStringLiteral("About Varnox..."), {}, [this] { ShowAbout(); }});
    rows.push_back({"quit", QStringLiteral("Quit"), Keys(Qt::CTRL | Qt::Key_Q), targets_.Quit});
    rows.push_back({"record", QStringLiteral("Start recording..."), {}, targets_.StartRecording});
    rows.push_back({"recordpoweron", QStringLiteral("Record from power-on..."), {}, targets_.RecordFromPowerOn});
    rows.push_back({"stoprecord", QStringLiteral("Stop recording"), {}, targets_.StopRecording});
    rows.push_back({"replay", QStringLiteral("Replay recording..."), {}, targets_.Replay});
    rows.push_back({"stopreplay", QStringLiteral("Stop replay"), {}, targets_.StopReplay});
    // Held, not pressed, as fast-forward: the key handlers watch Shift+Tab;
    // the item takes one step back.
    rows.push_back({"rewind", QStringLiteral("Rewind\tShift+Tab (hold)"), {}, targets_.StepBack});
    rows.push_back({"recordscreen", QStringLiteral("Record screen"), {}, targets_.RecordScreen, TCheck::OnOff});
    rows.push_back({"openfolder", QStringLiteral("Open folder..."), {}, targets_.OpenFolder});
    rows.push_back({"undoload", QStringLiteral("Undo load state"), Keys(Qt::CTRL | Qt::Key_Z), targets_.UndoLoad});

    std::map<std::string, QActionGroup*> groups;
    for (TActionRow& row : rows) {
        auto* action = new QAction(row.Text, window_);
        action->setObjectName(QString::fromStdString(row.Name));
        action->setShortcuts(row.Keys);
        action->setAutoRepeat(false);
        action->setCheckable(row.Check != TCheck::None);
        if (row.Check == TCheck::OneOf) {
            QActionGroup*& group = groups[row.Group];
            if (!group) group = new QActionGroup(window_);
            group->addAction(action);
        }
        window_->addAction(action);
        names_.push_back(row.Name);
        QObject::connect(action, &QAction::triggered, window_, [handler = std::move(row.Handler)] {
            if (handler) handler();
        });
    }
    Action(Numbered("shot", shots.Scale()))->setChecked(true);
    // A window resized by hand is at none of the sizes.
    Action("fit")->actionGroup()->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
}

QAction* TMainMenu::Action(const std::string& name) const {
    return window_->findChild<QAction*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly);
}

std::vector<QAction*> TMainMenu::EmulatorActions() const {
    std::vector<QAction*> actions{Action("pause"), Action("reset"), Action("unlimited"), Action("undoload")};
    for (const int n : TRunSpeed::Speeds) actions.push_back(Action(Numbered("speed", n)));
    for (int slot = 1; slot <= StateSlotCount; ++slot) {
        actions.push_back(Action(Numbered("save", slot)));
        actions.push_back(Action(Numbered("load", slot)));
    }
    return actions;
}

std::vector<QAction*> TMainMenu::Actions() const {
    std::vector<QAction*> actions;
    for (const std::string& name : names_) actions.push_back(Action(name));
    return actions;
}

void TMainMenu::Lay(QMenu* menu, const std::vector<TMenuItem>& items) const {
    std::map<QString, QMenu*> submenus;
    for (const TMenuItem& item : items) {
        QMenu* into = menu;
        if (!item.Submenu.isEmpty()) {
            QMenu*& submenu = submenus[item.Submenu];
            if (!submenu) submenu = menu->addMenu(item.Submenu);
            into = submenu;
        }
        if (item.Action == "-") {
            into->addSeparator();
        } else {
            into->addAction(Action(item.Action));
        }
    }
    QObject::connect(menu, &QMenu::aboutToShow, window_, [this] {
        UpdateSlotTexts();
        ShowView();
    });
    // The shortcut of an empty slot still answers, in the message line.
    QObject::connect(menu, &QMenu::aboutToHide, window_, [this] {
        for (int slot = 1; slot <= StateSlotCount; ++slot) Action(Numbered("load", slot))->setEnabled(true);
    });
}

void TMainMenu::ShowSpeed() const {
    const TRunSpeed& speed = targets_.Speed;
    Action("pause")->setText(speed.Paused() ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (QAction* chosen = Action(speed.Speed() == 0 ? std::string("unlimited") : Numbered("speed", speed.Speed()))) {
        chosen->setChecked(true);
    }
    Action("fastforward")->setChecked(speed.FastForward());
}

void TMainMenu::UpdateSlotTexts() const {
    for (int slot = 1; slot <= StateSlotCount; ++slot) {
        const QString text = targets_.States.SlotText(slot);
        Action(Numbered("save", slot))->setText(text);
        Action(Numbered("load", slot))->setText(text);
        // Shown greyed while the menu is open; its shortcut says why.
        Action(Numbered("load", slot))->setEnabled(!targets_.States.SlotEmpty(slot));
    }
}

void TMainMenu::ShowView() const {
    const TViewSize& view = targets_.View;
    for (int n = 1; n <= TViewSize::Largest; ++n) {
        QAction* size = Action(Numbered("view", n));
        size->setEnabled(view.Fits(n));
        size->setVisible(size->isEnabled());
        size->setChecked(view.Size() == n);
    }
    Action("fit")->setChecked(view.Size() == TViewSize::FitToScreen);
    Action("displayonly")->setChecked(view.DisplayOnly());
    Action("fullscreen")->setChecked(view.Fullscreen());
}

void TMainMenu::ShowAbout() const {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("About Varnox"),
                                QStringLiteral("<b>Varnox emulator</b><br>Version %1<br><br>"
                                               "A pocket calculator with a 96 x 64 dot display, "
                                               "emulated to the cycle.<br>Help &gt; Key map lists its keys.<br><br>"
                                               "Its files are in %2")
                                    .arg(QStringLiteral(VARNOX_VERSION),
                                         QString::fromStdString(targets_.Folder.string()).toHtmlEscaped()),
                                QMessageBox::Ok, window_);
    box->setObjectName(QStringLiteral("about"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace varnox
