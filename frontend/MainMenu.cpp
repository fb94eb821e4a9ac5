// The actions' shortcuts take no key the calculator uses: those are
// letters, digits and the punctuation on the keys typed alone, and the PC
// keys of the key map, F3 and Tab.
#include "frontend/MainMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include <map>

#include "frontend/RunSpeed.h"
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
    QKeySequence Keys;
    std::function<void()> Handler;
    TCheck Check = TCheck::None;
    std::string Group = std::string();  // the actions of which one is checked
};

std::string Numbered(const char* name, int n) { return name + std::to_string(n); }

QKeySequence Keys(QKeyCombination combination) { return QKeySequence(combination); }

QKeyCombination Digit(Qt::KeyboardModifier modifier, int n) { return modifier | static_cast<Qt::Key>(Qt::Key_0 + n); }

Qt::Key SlotKey(int slot) { return static_cast<Qt::Key>(Qt::Key_F9 + slot - 1); }

// The display's right-click menu, as it has always been.
std::vector<TMenuItem> ContextMenuItems() {
    const QString speed = QStringLiteral("Speed");
    const QString shotSize = QStringLiteral("Screenshot size");
    const QString save = QStringLiteral("Save state");
    const QString load = QStringLiteral("Load state");
    const QString view = QStringLiteral("View size");
    std::vector<TMenuItem> items = {{"pause"}, {"reset"}};
    for (const int n : TRunSpeed::Speeds) items.push_back({Numbered("speed", n), speed});
    items.insert(items.end(), {{"unlimited", speed}, {"-", speed}, {"fastforward", speed}, {"-"}, {"screenshot"},
                               {"copyscreenshot"}});
    for (const int n : TScreenshots::Scales) items.push_back({Numbered("shot", n), shotSize});
    items.push_back({"-"});
    for (int slot = 1; slot <= StateSlotCount; ++slot) items.push_back({Numbered("save", slot), save});
    items.insert(items.end(), {{"-", save}, {"savefile", save}});
    for (int slot = 1; slot <= StateSlotCount; ++slot) items.push_back({Numbered("load", slot), load});
    items.insert(items.end(), {{"-", load}, {"loadfile", load}, {"undoload"}, {"rewind"}});
    const QString record = QStringLiteral("Recording");
    items.insert(items.end(), {{"record", record}, {"recordpoweron", record}, {"stoprecord", record}, {"-", record},
                               {"replay", record}, {"stopreplay", record}, {"-"}});
    for (int n = 1; n <= TViewSize::Largest; ++n) items.push_back({Numbered("view", n), view});
    items.insert(items.end(), {{"keymap"}, {"debugger"}, {"-"}, {"quit"}});
    return items;
}

}  // namespace

TMainMenu::TMainMenu(QWidget* window, TMenuTargets targets)
    // Without a parent: a menu is a window of its own and keeps the
    // desktop's font whatever the view size.
    : window_(window), targets_(std::move(targets)), contextMenu_(std::make_unique<QMenu>()) {
    BuildActions();
    Lay(contextMenu_.get(), ContextMenuItems());
    ShowSpeed();
    QObject::connect(&targets_.Speed, &TRunSpeed::Changed, window_, [this] { ShowSpeed(); });
}

TMainMenu::~TMainMenu() = default;

void TMainMenu::BuildActions() {
    TRunSpeed& speed = targets_.Speed;
    TScreenshots& shots = targets_.Screenshots;
    TStateSlots& states = targets_.States;
    TViewSize& view = targets_.View;
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
    rows.push_back({"fastforward", QStringLiteral("Fast-forward\tTab (hold)"), QKeySequence(),
                    [&speed] { speed.SetFastForward(!speed.FastForward()); }, TCheck::OnOff});
    rows.push_back({"screenshot", QStringLiteral("Save screenshot..."), Keys(Qt::CTRL | Qt::Key_S), [&shots] { shots.Save(); }});
    rows.push_back({"copyscreenshot", QStringLiteral("Copy screenshot"), Keys(Qt::CTRL | Qt::Key_C), [&shots] { shots.Copy(); }});
    for (const int n : TScreenshots::Scales) {
        rows.push_back({Numbered("shot", n), QStringLiteral("%1x (%2 x %3)").arg(n).arg(DisplayColumns * n).arg(DisplayRows * n),
                        QKeySequence(), [&shots, n] { shots.SetScale(n); }, TCheck::OneOf, "shot"});
    }
    for (int slot = 1; slot <= StateSlotCount; ++slot) {
        rows.push_back({Numbered("save", slot), QString(), Keys(Qt::SHIFT | SlotKey(slot)), [&states, slot] { states.SaveSlot(slot); }});
        rows.push_back({Numbered("load", slot), QString(), Keys(SlotKey(slot)), [&states, slot] { states.LoadSlot(slot); }});
    }
    rows.push_back({"savefile", QStringLiteral("To file..."), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [&states] { states.SaveToChosenFile(); }});
    rows.push_back({"loadfile", QStringLiteral("From file..."), Keys(Qt::CTRL | Qt::Key_O), [&states] { states.LoadFromChosenFile(); }});
    for (int n = 1; n <= TViewSize::Largest; ++n) {
        rows.push_back({Numbered("view", n), QStringLiteral("%1x").arg(n), Keys(Digit(Qt::AltModifier, n)),
                        [&view, n] { view.SetSize(n); }, TCheck::OneOf, "view"});
    }
    rows.push_back({"keymap", QStringLiteral("Key map"), Keys(Qt::CTRL | Qt::Key_K), targets_.ShowKeyMap});
    // F3 reaches the key handlers, as it always has; the menu names it.
    rows.push_back({"debugger", QStringLiteral("Debugger\tF3"), QKeySequence(), targets_.ShowDebugger});
    rows.push_back({"quit", QStringLiteral("Quit"), Keys(Qt::CTRL | Qt::Key_Q), targets_.Quit});
    rows.push_back({"record", QStringLiteral("Start recording..."), QKeySequence(), targets_.StartRecording});
    rows.push_back({"recordpoweron", QStringLiteral("Record from power-on..."), QKeySequence(), targets_.RecordFromPowerOn});
    rows.push_back({"stoprecord", QStringLiteral("Stop recording"), QKeySequence(), targets_.StopRecording});
    rows.push_back({"replay", QStringLiteral("Replay recording..."), QKeySequence(), targets_.Replay});
    rows.push_back({"stopreplay", QStringLiteral("Stop replay"), QKeySequence(), targets_.StopReplay});
    // Held, not pressed, as fast-forward: the key handlers watch Backspace;
    // the item takes one step back.
    rows.push_back({"rewind", QStringLiteral("Rewind\tBackspace (hold)"), QKeySequence(), targets_.StepBack});
    rows.push_back({"undoload", QStringLiteral("Undo load state"), Keys(Qt::CTRL | Qt::Key_Z), targets_.UndoLoad});

    std::map<std::string, QActionGroup*> groups;
    for (TActionRow& row : rows) {
        auto* action = new QAction(row.Text, window_);
        action->setObjectName(QString::fromStdString(row.Name));
        action->setShortcut(row.Keys);
        action->setAutoRepeat(false);
        action->setCheckable(row.Check != TCheck::None);
        if (row.Check == TCheck::OneOf) {
            QActionGroup*& group = groups[row.Group];
            if (!group) group = new QActionGroup(window_);
            group->addAction(action);
        }
        window_->addAction(action);
        QObject::connect(action, &QAction::triggered, window_, [handler = std::move(row.Handler)] {
            if (handler) handler();
        });
    }
    Action(Numbered("shot", shots.Scale()))->setChecked(true);
    Action(Numbered("view", view.Size()))->setChecked(true);
}

QAction* TMainMenu::Action(const std::string& name) const {
    return window_->findChild<QAction*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly);
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
    QObject::connect(menu, &QMenu::aboutToShow, window_, [this] { UpdateSlotTexts(); });
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
    }
}

}  // namespace varnox
