// The main window: the calculator's display at double size above its 50
// keys and two slide switches. It owns the machine, loads it when created,
// starts it when shown and saves it when closed.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Def.h"
#include "frontend/MainWidgets.h"
#include "peripherals/Lcd.h"
#include "system/Files.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QMessageBox;
class QTimer;

namespace varnox {

class TKeyMapWindow;
class TThreadedTimer;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int ButtonCount = 50;
    static constexpr int DisplayWidth = 192;
    static constexpr int DisplayHeight = 128;
    static constexpr uint32_t RunInterval = 10;
    static constexpr int RefreshInterval = 30;
    static constexpr int ViewSizes = 3;  // 1x (the default), 2x and 3x

    // Reads settings and files from `dir` (the working directory when run
    // as the program).
    explicit TMainForm(std::filesystem::path dir = std::filesystem::current_path(), QWidget* parent = nullptr);
    ~TMainForm() override;

    Machine& GetMachine() { return *machine_; }
    const QImage& DisplayBitmap() const { return displayBitmap_; }
    TSpeedButton* Button(int tag) const { return buttons_.at(tag - 1); }
    TShape* PrintSwitch() const { return printSwitch_; }
    TShape* PowerSwitch() const { return powerSwitch_; }
    QLabel* LcdImage() const { return lcdImage_; }
    TThreadedTimer* RunTimer() const { return runTimer_; }
    QTimer* RefreshTimer() const { return refreshTimer_; }

    // What F3 and a stop of the run loop call; the debugger fills it.
    std::function<void()> ShowDebugger;

    // Asks for a file name (empty: cancelled): the desktop's file dialog,
    // replaceable where no one can answer it.
    std::function<QString(bool save, const QString& caption, const QString& suggested, const QString& filter)>
        ChooseFile;

    // From the start of the close until the process ends.
    bool Closing() const { return closed_; }

    // Saves the machine as closing would, without touching the window
    // system: for an exit forced on the process when the display connection
    // broke. Messages go to stderr. Does nothing once the window closed.
    void SaveWithoutWindow();

    // The warning boxes still up, oldest first (shown one at a time).
    int PendingMessages() const;
    QMessageBox* CurrentMessageBox() const { return currentBox_; }

    // ---- The display's menu (MainMenu.cpp) ----
    QMenu* ContextMenu() const { return menu_; }
    // The menu's actions by name: "pause", "reset", "speed1" .. "speed8",
    // "unlimited", "fastforward", "screenshot", "copyscreenshot", "shot1",
    // "shot2", "shot4", "save1" .. "save4", "savefile", "load1" .. "load4",
    // "loadfile", "keymap", "view1" .. "view3", "debugger", "quit".
    QAction* Action(const char* name) const;
    bool Paused() const { return paused_; }
    int Speed() const { return speed_; }  // run ticks per timer tick; 0: as many as fit
    bool FastForward() const { return fastForward_; }
    int ViewSize() const { return viewSize_; }
    TKeyMapWindow* KeyMapWindow() const { return keyMap_; }
    // The display as a picture of one pixel per dot, times `scale`.
    QImage Screenshot(int scale) const;
    int ScreenshotScale() const { return screenshotScale_; }

    void SetPaused(bool paused);
    void SetSpeed(int speed);
    void SetFastForward(bool on);
    void SetViewSize(int size);
    void Reset();
    void SaveScreenshot();
    void CopyScreenshot();
    void SaveStateTo(const std::filesystem::path& file);
    void LoadStateFrom(const std::filesystem::path& file);
    void ShowKeyMap();

    void PaintLcd();
    void DrawKeypad();
    void OnRefreshTimer();
    void FormKeyPress(QChar character);
    void FormKeyDown(int virtualKey);
    void FormKeyUp();
    void ButtonMouseDown(int tag);
    void ButtonMouseUp(int tag);
    void SwitchMouseDown(TShape* sender);

signals:
    // After FormClose has saved the machine.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void BuildComponents();
    void BuildMenu();
    void FormCreate();
    void FormShow();
    void FormClose();
    void RunTick();
    void KeyScanNow();
    // The on-screen keys show pressed what the mouse or a PC key holds.
    void ShowHeldKeys();
    void UpdateTitle();
    void RepaintWholeDisplay();
    void AfterStateLoaded();
    void MeasureSpeed();
    QString ChooseFileIn(bool save, const QString& caption, const char* suggestedName, const QString& filter);

    // Every control at its 1x place; the view size multiplies them all.
    void Place(QWidget* widget, QRect geometry);
    void ApplyViewSize();
    void SlideSwitch(TShape* shape, QFrame* bevel);
    void RestoreWindowSettings();
    void StoreWindowSettings() const;

    // Load-time warnings queue up and show one after the other without
    // blocking; save-time warnings block, as the window is going away.
    void ShowWarning(const QString& text);
    void ShowNextWarning();
    void ShowBlockingWarning(const QString& text);

    std::filesystem::path dir_;
    std::unique_ptr<Machine> machine_;
    SaveGuard saveGuard_;  // what loading read in full, for the save at close
    QImage displayBitmap_;
    std::array<uint8_t, FrameNibbles> frame_{};        // the picture the controller shows now
    std::array<uint8_t, FrameNibbles> shadowFrame_{};  // the picture last painted
    uint8_t lastLcdControl_ = 0;
    bool displayDirty_ = false;
    bool shown_ = false;
    bool closed_ = false;

    QFrame* bevel2_ = nullptr;
    QFrame* bevel1_ = nullptr;
    QLabel* lcdImage_ = nullptr;
    std::vector<TSpeedButton*> buttons_;
    QFrame* printBevel_ = nullptr;
    TShape* printSwitch_ = nullptr;
    QFrame* powerBevel_ = nullptr;
    TShape* powerSwitch_ = nullptr;
    std::vector<QLabel*> labels_;
    std::vector<QFrame*> bevels_;
    QHash<QWidget*, QRect> places_;  // 1x geometry of every control
    TThreadedTimer* runTimer_ = nullptr;
    QTimer* refreshTimer_ = nullptr;

    QMenu* menu_ = nullptr;
    TKeyMapWindow* keyMap_ = nullptr;
    bool paused_ = false;
    int speed_ = 1;
    bool fastForward_ = false;
    int viewSize_ = 1;
    int screenshotScale_ = 2;
    // Run ticks against host time, for the speed reached at full speed.
    long long runTicksCounted_ = 0;
    QElapsedTimer speedClock_;
    int measuredSpeed_ = 0;

    std::deque<QString> pendingWarnings_;
    QMessageBox* currentBox_ = nullptr;
};

}  // namespace varnox
