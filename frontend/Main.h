// The main window: the calculator's display at double size above its 50
// keys and two slide switches. It owns the machine, loads it when created,
// starts it when shown and saves it when closed.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
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
#include "frontend/Files.h"
#include "peripherals/Lcd.h"

class QFrame;
class QLabel;
class QMessageBox;
class QTimer;

namespace varnox {

class TThreadedTimer;

// A flat key: a raised bevel around a 35 x 11 face that sinks while held.
// Reports presses and releases of any mouse button with its Tag.
class TSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    TSpeedButton(int tag, QWidget* parent);
    int Tag() const { return tag_; }
    void SetFace(const QPixmap& face);
    const QPixmap& Face() const { return face_; }

signals:
    void MouseDown(int tag);
    void MouseUp(int tag);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int tag_;
    QPixmap face_;
};

// A filled black rectangle that reports mouse presses; its Tag tells the
// side of its bevel it sits on.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

signals:
    void MouseDown(TShape* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int tag_ = -1;
};

class TMainForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int ButtonCount = 50;
    static constexpr int DisplayWidth = 192;
    static constexpr int DisplayHeight = 128;
    static constexpr uint32_t RunInterval = 10;
    static constexpr int RefreshInterval = 30;

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

    // The warning boxes still up, oldest first (shown one at a time).
    int PendingMessages() const;
    QMessageBox* CurrentMessageBox() const { return currentBox_; }

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

private:
    void BuildComponents();
    void FormCreate();
    void FormShow();
    void FormClose();
    void RunTick();
    void KeyScanNow();

    // Load-time warnings queue up and show one after the other without
    // blocking; save-time warnings block, as the window is going away.
    void ShowWarning(const QString& text);
    void ShowNextWarning();
    void ShowBlockingWarning(const QString& text);

    std::filesystem::path dir_;
    std::unique_ptr<Machine> machine_;
    SaveGuard saveGuard_;  // what loading read in full, for the save at close
    QImage displayBitmap_;
    std::array<uint8_t, FrameNibbles> shadowFrame_{};
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
    TThreadedTimer* runTimer_ = nullptr;
    QTimer* refreshTimer_ = nullptr;

    std::deque<QString> pendingWarnings_;
    QMessageBox* currentBox_ = nullptr;
};

}  // namespace varnox
