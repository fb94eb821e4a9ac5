// The window's actions and the menus that show them. The actions come from
// one table of name, text, shortcut and handler, and live on the window, so
// each shortcut works without a menu open. A menu is laid out over them by
// name: the display's right-click menu now, and any other menu (a menu bar)
// can show the same actions, their checks and texts included.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace varnox {

class TRunSpeed;
class TScreenshots;
class TStateSlots;
class TViewSize;

// What the actions work on.
struct TMenuTargets {
    TRunSpeed& Speed;
    TScreenshots& Screenshots;
    TStateSlots& States;
    TViewSize& View;
    std::function<void()> Reset;
    std::function<void()> ShowKeyMap;
    std::function<void()> ShowDebugger;
    std::function<void()> Quit;
    std::function<void()> StartRecording;
    std::function<void()> RecordFromPowerOn;
    std::function<void()> StopRecording;
    std::function<void()> Replay;
    std::function<void()> StopReplay;
    std::function<void()> StepBack;
    std::function<void()> UndoLoad;
};

// One item of a menu: the action of that name, or a separator ("-"); with
// a submenu title, the item goes into that submenu, made where it first
// appears.
struct TMenuItem {
    std::string Action;
    QString Submenu = QString();
};

class TMainMenu {
public:
    TMainMenu(QWidget* window, TMenuTargets targets);
    ~TMainMenu();

    // By name: "pause", "reset", "speed1" .. "speed8", "unlimited",
    // "fastforward", "screenshot", "copyscreenshot", "shot1", "shot2",
    // "shot4", "save1" .. "save4", "savefile", "load1" .. "load4",
    // "loadfile", "keymap", "view1" .. "view3", "debugger", "quit",
    // "record", "recordpoweron", "stoprecord", "replay", "stopreplay",
    // "rewind", "undoload".
    QAction* Action(const std::string& name) const;

    // Adds `items` to `menu`; its slot texts are brought up to date each
    // time it opens.
    void Lay(QMenu* menu, const std::vector<TMenuItem>& items) const;

    // The display's right-click menu.
    QMenu* ContextMenu() const { return contextMenu_.get(); }

private:
    void BuildActions();
    // The checks and the pause text follow the speed, however it was set.
    void ShowSpeed() const;
    void UpdateSlotTexts() const;

    QWidget* window_;
    TMenuTargets targets_;
    std::unique_ptr<QMenu> contextMenu_;
};

}  // namespace varnox
