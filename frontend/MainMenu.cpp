// The display's menu: pause, reset and speed, screenshots, save states, the
// view size, the key map, the debugger and quitting. Its shortcuts take no
// key the calculator uses: those are letters, digits and the punctuation on
// the keys typed alone, and the PC keys of the key map, F3 and Tab.
#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QSaveFile>
#include <QScreen>
#include <QSettings>

#include <algorithm>
#include <string>

#include "frontend/KeyMapWindow.h"
#include "frontend/Main.h"
#include "frontend/ThdTimer.h"
#include "peripherals/Keyboard.h"
#include "system/RunLoop.h"
#include "system/RunPath.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

constexpr const char* ViewSizeSetting = "window/viewSize";
constexpr const char* PositionSetting = "window/position";
constexpr const char* ScreenshotSetting = "window/screenshotScale";
constexpr int ScreenshotScales[] = {1, 2, 4};
constexpr int Speeds[] = {1, 2, 4, 8};
const QString StateFilter = QStringLiteral("Varnox states (*.vxs)");
const QString PictureFilter = QStringLiteral("PNG pictures (*.png)");

QString FileText(const std::filesystem::path& file) { return QString::fromStdString(file.string()); }

}  // namespace

// ---- Building the menu ------------------------------------------------------------

void TMainForm::BuildMenu() {
    ChooseFile = [this](bool save, const QString& caption, const QString& suggested, const QString& filter) {
        return save ? QFileDialog::getSaveFileName(this, caption, suggested, filter)
                    : QFileDialog::getOpenFileName(this, caption, suggested, filter);
    };
    // Without a parent: a menu is a window of its own and keeps the desktop's
    // font whatever the view size.
    menu_ = new QMenu();
    connect(this, &QObject::destroyed, menu_, &QObject::deleteLater);
    // Every action lives on the window as well, so its shortcut works
    // without the menu open.
    auto add = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                      auto&& handler) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setAutoRepeat(false);
        addAction(action);
        menu->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto group = [this](QAction* action, QActionGroup*& into) {
        if (!into) into = new QActionGroup(this);
        action->setCheckable(true);
        into->addAction(action);
    };

    add(menu_, "pause", QStringLiteral("Pause"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { SetPaused(!paused_); });
    add(menu_, "reset", QStringLiteral("Reset"), QKeySequence(Qt::CTRL | Qt::Key_R), [this] { Reset(); });

    QMenu* speed = menu_->addMenu(QStringLiteral("Speed"));
    QActionGroup* speeds = nullptr;
    for (const int n : Speeds) {
        const QByteArray name = "speed" + QByteArray::number(n);
        group(add(speed, name.constData(), QStringLiteral("%1x").arg(n), QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + n)),
                  [this, n] { SetSpeed(n); }),
              speeds);
    }
    group(add(speed, "unlimited", QStringLiteral("Unlimited"), QKeySequence(Qt::CTRL | Qt::Key_0), [this] { SetSpeed(0); }),
          speeds);
    speed->addSeparator();
    // Held, not pressed: Tab is watched by the key handlers, so the menu only
    // names it.
    QAction* fast = add(speed, "fastforward", QStringLiteral("Fast-forward\tTab (hold)"), QKeySequence(),
                        [this](bool on) { SetFastForward(on); });
    fast->setCheckable(true);

    menu_->addSeparator();
    add(menu_, "screenshot", QStringLiteral("Save screenshot..."), QKeySequence(Qt::CTRL | Qt::Key_S),
        [this] { SaveScreenshot(); });
    add(menu_, "copyscreenshot", QStringLiteral("Copy screenshot"), QKeySequence(Qt::CTRL | Qt::Key_C),
        [this] { CopyScreenshot(); });
    QMenu* shotSize = menu_->addMenu(QStringLiteral("Screenshot size"));
    QActionGroup* shots = nullptr;
    for (const int n : ScreenshotScales) {
        const QByteArray name = "shot" + QByteArray::number(n);
        group(add(shotSize, name.constData(), QStringLiteral("%1x (%2 x %3)").arg(n).arg(DisplayColumns * n).arg(DisplayRows * n),
                  QKeySequence(), [this, n] { screenshotScale_ = n; }),
              shots);
    }

    menu_->addSeparator();
    QMenu* save = menu_->addMenu(QStringLiteral("Save state"));
    QMenu* load = menu_->addMenu(QStringLiteral("Load state"));
    for (int slot = 1; slot <= StateSlotCount; ++slot) {
        const QByteArray saveName = "save" + QByteArray::number(slot);
        const QByteArray loadName = "load" + QByteArray::number(slot);
        const auto key = static_cast<Qt::Key>(Qt::Key_F9 + slot - 1);
        add(save, saveName.constData(), QString(), QKeySequence(Qt::SHIFT | key),
            [this, slot] { SaveStateTo(StateSlotPath(dir_, slot)); });
        add(load, loadName.constData(), QString(), QKeySequence(key), [this, slot] { LoadStateFrom(StateSlotPath(dir_, slot)); });
    }
    save->addSeparator();
    load->addSeparator();
    add(save, "savefile", QStringLiteral("To file..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] {
        const QString file = ChooseFileIn(true, QStringLiteral("Save state"), "state.vxs", StateFilter);
        if (!file.isEmpty()) SaveStateTo(file.toStdString());
    });
    add(load, "loadfile", QStringLiteral("From file..."), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        const QString file = ChooseFileIn(false, QStringLiteral("Load state"), "", StateFilter);
        if (!file.isEmpty()) LoadStateFrom(file.toStdString());
    });
    // The slots show when they were saved, as they are now.
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        for (int slot = 1; slot <= StateSlotCount; ++slot) {
            const QFileInfo info(FileText(StateSlotPath(dir_, slot)));
            const QString when = info.isFile() ? info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                               : QStringLiteral("empty");
            const QString text = QStringLiteral("Slot %1 (%2)").arg(slot).arg(when);
            Action(("save" + std::to_string(slot)).c_str())->setText(text);
            Action(("load" + std::to_string(slot)).c_str())->setText(text);
        }
    });

    menu_->addSeparator();
    QMenu* view = menu_->addMenu(QStringLiteral("View size"));
    QActionGroup* views = nullptr;
    for (int n = 1; n <= ViewSizes; ++n) {
        const QByteArray name = "view" + QByteArray::number(n);
        group(add(view, name.constData(), QStringLiteral("%1x").arg(n), QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + n)),
                  [this, n] { SetViewSize(n); }),
              views);
    }
    add(menu_, "keymap", QStringLiteral("Key map"), QKeySequence(Qt::CTRL | Qt::Key_K), [this] { ShowKeyMap(); });
    // F3 reaches the key handlers, as it always has; the menu names it.
    add(menu_, "debugger", QStringLiteral("Debugger\tF3"), QKeySequence(), [this] {
        if (ShowDebugger) ShowDebugger();
    });
    menu_->addSeparator();
    add(menu_, "quit", QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

    Action("speed1")->setChecked(true);
}

QAction* TMainForm::Action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

// ---- Running -------------------------------------------------------------------------

void TMainForm::SetPaused(bool paused) {
    paused_ = paused;
    Action("pause")->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    UpdateTitle();
}

void TMainForm::SetSpeed(int speed) {
    speed_ = speed;
    const QByteArray name = speed == 0 ? QByteArray("unlimited") : "speed" + QByteArray::number(speed);
    if (QAction* action = Action(name.constData())) action->setChecked(true);
    measuredSpeed_ = 0;
    UpdateTitle();
}

void TMainForm::SetFastForward(bool on) {
    fastForward_ = on;
    Action("fastforward")->setChecked(on);
    measuredSpeed_ = 0;
    UpdateTitle();
}

void TMainForm::Reset() { PowerOnReset(*machine_); }

void TMainForm::MeasureSpeed() {
    if (!speedClock_.isValid()) speedClock_.start();
    const qint64 elapsed = speedClock_.elapsed();
    if (elapsed < 1000) return;
    const bool full = speed_ == 0 || fastForward_;
    measuredSpeed_ = static_cast<int>(runTicksCounted_ * RunInterval / elapsed);
    runTicksCounted_ = 0;
    speedClock_.restart();
    if (full) UpdateTitle();
}

void TMainForm::UpdateTitle() {
    QStringList state;
    const QString reached = measuredSpeed_ > 0 ? QStringLiteral(" (%1x)").arg(measuredSpeed_) : QString();
    if (fastForward_) {
        state << QStringLiteral("fast-forward") + reached;
    } else if (speed_ == 0) {
        state << QStringLiteral("unlimited") + reached;
    } else if (speed_ != 1) {
        state << QStringLiteral("%1x").arg(speed_);
    }
    if (paused_) state << QStringLiteral("paused");
    const QString title = QStringLiteral("Varnox emulator");
    setWindowTitle(state.isEmpty() ? title : title + QStringLiteral(" - ") + state.join(QStringLiteral(", ")));
}

// ---- Screenshots ------------------------------------------------------------------------

QImage TMainForm::Screenshot(int scale) const {
    // The bitmap shows each dot as a 2 x 2 block: one pixel of each block,
    // repeated `scale` times each way.
    QImage picture(DisplayColumns * scale, DisplayRows * scale, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(displayBitmap_.constScanLine(2 * (y / scale)));
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) line[x] = source[2 * (x / scale)];
    }
    return picture;
}

QString TMainForm::ChooseFileIn(bool save, const QString& caption, const char* suggestedName, const QString& filter) {
    QString file = ChooseFile(save, caption, FileText(dir_ / suggestedName), filter);
    // A name typed without its ending gets the one of the files offered.
    if (save && !file.isEmpty() && QFileInfo(file).suffix().isEmpty()) {
        file += filter.mid(filter.indexOf(QLatin1String("*.")) + 1).chopped(1);
    }
    return file;
}

void TMainForm::SaveScreenshot() {
    const QImage picture = Screenshot(screenshotScale_);  // the display as it was asked for
    const QString file = ChooseFileIn(true, QStringLiteral("Save screenshot"), "screen.png", PictureFilter);
    if (file.isEmpty()) return;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") || !out.commit()) {
        ShowWarning(QStringLiteral("Failed to save the file %1: %2").arg(file, out.errorString()));
    }
}

void TMainForm::CopyScreenshot() { QGuiApplication::clipboard()->setImage(Screenshot(screenshotScale_)); }

// ---- Save states -------------------------------------------------------------------------

void TMainForm::SaveStateTo(const std::filesystem::path& file) {
    if (const auto failure = SaveStateFile(*machine_, file)) ShowWarning(QString::fromStdString(*failure));
}

void TMainForm::LoadStateFrom(const std::filesystem::path& file) {
    if (const auto failure = LoadStateToRun(*machine_, file)) {
        ShowWarning(QString::fromStdString(*failure));
        return;
    }
    AfterStateLoaded();
}

// The window catches up with the machine it now shows (whose keys not held
// by anyone now were let go on loading): the switches go where the state
// has them, and a calculator switched off is switched on without a reset.
void TMainForm::AfterStateLoaded() {
    Machine& m = *machine_;
    ShowHeldKeys();
    if ((printSwitch_->Tag() > 0) != (m.HeldKeys[HeldSwitchSlot] == PrintSwitchKey)) {
        SlideSwitch(printSwitch_, printBevel_);
    }
    if (powerSwitch_->Tag() > 0) {
        SlideSwitch(powerSwitch_, powerBevel_);
        runTimer_->SetEnabled(true);
    }
    RepaintWholeDisplay();
}

void TMainForm::RepaintWholeDisplay() {
    lastLcdControl_ = static_cast<uint8_t>(~machine_->Lcd.LcdControl);
    PaintLcd();
    lcdImage_->setPixmap(QPixmap::fromImage(displayBitmap_));
    displayDirty_ = false;
}

// ---- Key map and view size -------------------------------------------------------------

void TMainForm::ShowKeyMap() {
    if (!keyMap_) keyMap_ = new TKeyMapWindow(this, [this](int key) { return Button(key)->Face(); });
    keyMap_->show();
    keyMap_->raise();
    keyMap_->activateWindow();
}

void TMainForm::SetViewSize(int size) {
    viewSize_ = std::clamp(size, 1, ViewSizes);
    ApplyViewSize();
    Action(("view" + std::to_string(viewSize_)).c_str())->setChecked(true);
    StoreWindowSettings();
}

// The desktop's per-user settings: the files of the calculator's directory
// are its own and "varnox.ini" is only read.
void TMainForm::RestoreWindowSettings() {
    const QSettings settings;
    viewSize_ = std::clamp(settings.value(ViewSizeSetting, 1).toInt(), 1, ViewSizes);
    Action(("view" + std::to_string(viewSize_)).c_str())->setChecked(true);
    const int shot = settings.value(ScreenshotSetting, screenshotScale_).toInt();
    if (std::find(std::begin(ScreenshotScales), std::end(ScreenshotScales), shot) != std::end(ScreenshotScales)) {
        screenshotScale_ = shot;
    }
    Action(("shot" + std::to_string(screenshotScale_)).c_str())->setChecked(true);
    // Only to a place still on one of the screens.
    const QPoint position = settings.value(PositionSetting).toPoint();
    if (settings.contains(PositionSetting) && QGuiApplication::screenAt(position)) move(position);
}

void TMainForm::StoreWindowSettings() const {
    QSettings settings;
    settings.setValue(ViewSizeSetting, viewSize_);
    settings.setValue(ScreenshotSetting, screenshotScale_);
    if (shown_) settings.setValue(PositionSetting, pos());
}

}  // namespace varnox
