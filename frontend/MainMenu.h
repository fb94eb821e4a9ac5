// The window's actions and the menus that show them. The actions come from
// one table of name, text, shortcuts and handler, and live on the window, so
// each shortcut works without a menu open. Menus are laid out over them by
// name: the menu bar and the display's right-click menu show the same
// actions, their checks and texts included.
#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace varnox {

class TRunSpeed;
class TScreenMessages;
class TScreenshots;
class TStateSlots;
class TViewSize;

// What the actions work on.
struct TMenuTargets {
    TRunSpeed& Speed;
    TScreenshots& Screenshots;
    TStateSlots& States;
    TViewSize& View;
    TScreenMessages& Messages;
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
    std::function<void()> RecordScreen;
    std::function<void()> OpenFolder;
    std::filesystem::path Folder;  // where the calculator's files are, for the About box
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
    // "fastforward", "screenshot", "screenshotas", "copyscreenshot",
    // "shot1", "shot2", "shot4", "screenshotfolder", "save1" .. "save4",
    // "savefile", "load1" .. "load4", "loadfile", "view1" .. "view9", "fit",
    // "displayonly", "fullscreen", "debugger", "keymap", "about", "quit",
    // "record", "recordpoweron", "stoprecord", "replay", "stopreplay",
    // "rewind", "undoload", "recordscreen", "openfolder".
    QAction* Action(const std::string& name) const;
    // Every action, in the order of the table.
    std::vector<QAction*> Actions() const;
    // Those that act on the emulator as a whole (pause, reset, the speeds,
    // the state slots and their undo), for its other windows to take too.
    std::vector<QAction*> EmulatorActions() const;

    // Adds `items` to `menu`; its texts, checks and the sizes offered are
    // brought up to date each time it opens.
    void Lay(QMenu* menu, const std::vector<TMenuItem>& items) const;

    // The display's right-click menu, and the bar above the window.
    QMenu* ContextMenu() const { return contextMenu_.get(); }
    QMenuBar* MenuBar() const { return menuBar_; }

private:
    void BuildActions();
    void BuildMenuBar();
    // The checks and the pause text follow the speed, however it was set.
    void ShowSpeed() const;
    void UpdateSlotTexts() const;
    // The view's checks, and the sizes that fit the screen now.
    void ShowView() const;
    void ShowAbout() const;

    QWidget* window_;
    TMenuTargets targets_;
    std::unique_ptr<QMenu> contextMenu_;
    QMenuBar* menuBar_;
    std::vector<std::string> names_;
};

}  // namespace varnox
