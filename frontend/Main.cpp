// The main window: components at their pixel places, the refresh of the
// display image, input into HeldKeys, and the start and end of the machine.
#include "frontend/Main.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <span>

#include "core/Cpu.h"
#include "frontend/DisplayWindow.h"
#include "frontend/KeyFocus.h"
#include "frontend/KeyHints.h"
#include "frontend/KeyMapWindow.h"
#include "frontend/QtKeys.h"
#include "frontend/RecordMark.h"
#include "frontend/ScreenRecorder.h"
#include "frontend/ThdTimer.h"
#include "frontend/WindowSettings.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"
#include "system/BitmapCheck.h"
#include "system/FaceLayout.h"
#include "system/Files.h"
#include "system/KeyMap.h"
#include "system/RunLoop.h"
#include "system/RunPath.h"

namespace varnox {
namespace {

constexpr QRgb Silver = 0xFFC0C0C0;
constexpr QRgb DotOff = 0xFFFFFFFF;
constexpr QRgb DotOn = 0xFF000000;
constexpr QRgb FaceColour = 0xFFD4D0C8;

constexpr QSize ClientSize(FaceWidth, FaceHeight);
constexpr QSize KeysPictureSize(KeysPictureWidth, KeysPictureHeight);

QRect ToQRect(const FaceRect& r) { return QRect(r.Left, r.Top, r.Width, r.Height); }

const QString Caption = QStringLiteral("Varnox emulator");

// Held, it takes the machine back in time, as Tab alone runs it forward
// fast: no typing habit uses it, and no key of the calculator can.
constexpr int RewindKey = Qt::Key_Backtab;

QFrame* MakeBevel(QWidget* parent, QFrame::Shape shape) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setLineWidth(1);
    return frame;
}

}  // namespace

// ---- TMainForm: creation and layout -------------------------------------------

TMainForm::TMainForm(std::filesystem::path dir, QWidget* parent)
    : QWidget(parent),
      dir_(std::move(dir)),
      machine_(std::make_unique<Machine>()),
      view_(this, ClientSize, QSize(DisplayColumns, DisplayRows)),
      states_(*machine_, dir_, ChooseFile, warnings_, messages_,
              [this](const std::filesystem::path& file) {
                  recordings_.EndBeforeOutsideChange(QStringLiteral("state load"));
                  return path_.LoadState(file);
              },
              [this] { AfterStateLoaded(); }),
      recordings_(path_, dir_, ChooseFile, warnings_, messages_, [this] {
          if (recordingDisplay_) recordingDisplay_->Show();
      }),
      rewind_(
          path_, messages_, [this](const QString& cause) { recordings_.EndBeforeOutsideChange(cause); },
          [this] { AfterStateLoaded(); }) {
    setWindowTitle(Caption);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(FaceColour));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    // The controls sit on the client area below the menu bar.
    QWidget* client = view_.Client();
    bevel2_ = MakeBevel(client, QFrame::Box);
    view_.Place(bevel2_, ToQRect(OuterBevelPlace));
    bevel1_ = MakeBevel(client, QFrame::Panel);
    view_.Place(bevel1_, ToQRect(InnerBevelPlace));
    lcdImage_ = new TLcdImage(client, QSize(DisplayColumns, DisplayRows));
    lcdImage_->SetMessages(&messages_);
    connect(&messages_, &TScreenMessages::Changed, lcdImage_, qOverload<>(&QWidget::update));
    view_.Place(lcdImage_, ToQRect(DisplayPlace));
    view_.SetDisplay(lcdImage_);
    // "Paused", the speed and a replay's progress, between the display's
    // frame and the switches: they stay, so they must hide none of its rows.
    view_.Place(new TBadgeStrip(client, messages_), ToQRect(BadgeStripPlace));
    // In the frame left of the display, where it hides nothing.
    recordMark_ = new TRecordMark(client);
    view_.Place(recordMark_, QRect(19, 20, 27, 26));
    // The clip's mark, in the frame right of the display.
    auto* clipMark = new TRecordMark(client);
    view_.Place(clipMark, QRect(268, 20, 27, 26));
    screenRecorder_ = std::make_unique<TScreenRecorder>(*machine_, screenshots_, dir_, ChooseFile, warnings_, messages_, *clipMark, [this] {
        if (menu_) menu_->Action("recordscreen")->setChecked(screenRecorder_->Recording());
    });

    for (int tag = 1; tag <= ButtonCount; ++tag) {
        auto* button = new TSpeedButton(tag, client);
        view_.Place(button, ToQRect(KeyPlace(tag)));
        connect(button, &TSpeedButton::MouseDown, this, &TMainForm::ButtonMouseDown);
        connect(button, &TSpeedButton::MouseUp, this, &TMainForm::ButtonMouseUp);
        buttons_.push_back(button);
    }

    hints_ = std::make_unique<TKeyHints>(view_, client);

    printBevel_ = MakeBevel(client, QFrame::Panel);
    view_.Place(printBevel_, ToQRect(PrintSwitchPlace.Bevel));
    printSwitch_ = new TShape(client);
    view_.Place(printSwitch_, ToQRect(PrintSwitchPlace.Knob));
    powerBevel_ = MakeBevel(client, QFrame::Panel);
    view_.Place(powerBevel_, ToQRect(PowerSwitchPlace.Bevel));
    powerSwitch_ = new TShape(client);
    view_.Place(powerSwitch_, ToQRect(PowerSwitchPlace.Knob));
    connect(printSwitch_, &TShape::MouseDown, this, &TMainForm::SwitchMouseDown);
    connect(powerSwitch_, &TShape::MouseDown, this, &TMainForm::SwitchMouseDown);

    // Labels take the size of their text; only their places are fixed.
    for (const FaceCaption& c : FaceCaptions) {
        view_.Place(new QLabel(QString::fromLatin1(c.Text), client), QRect(c.Left, c.Top, 0, 0));
    }

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(RefreshInterval);
    refreshTimer_->setTimerType(Qt::PreciseTimer);
    connect(refreshTimer_, &QTimer::timeout, this, &TMainForm::OnRefreshTimer);

    runTimer_ = new TThreadedTimer(this);
    runTimer_->SetInterval(RunInterval);
    runTimer_->SetOnTimer([this](QObject*) { RunTick(); });

    menu_ = std::make_unique<TMainMenu>(
        this, TMenuTargets{.Speed = runSpeed_,
                           .Screenshots = screenshots_,
                           .States = states_,
                           .View = view_,
                           .Messages = messages_,
                           .Reset = [this] { path_.Reset(); },
                           .ShowKeyMap =
                               [this] {
                                   if (!keyMap_) {
                                       keyMap_ = new TKeyMapWindow(
                                           this, [this](int key) { return Button(key)->Face(); }, keys_,
                                           [this] {
                                               TWindowSettings::StoreKeyMap(keys_);
                                               hints_->Show(keys_);
                                           });
                                   }
                                   keyMap_->show();
                                   keyMap_->raise();
                                   keyMap_->activateWindow();
                               },
                           .ShowDebugger = [this] { HandOverToDebugger(); },
                           .Quit = [this] { close(); },
                           .StartRecording = [this] { recordings_.StartRecording(false); },
                           .RecordFromPowerOn = [this] { recordings_.StartRecording(true); },
                           .StopRecording = [this] { recordings_.StopRecording(); },
                           .Replay = [this] { recordings_.Replay(); },
                           .StopReplay = [this] { recordings_.StopReplay(); },
                           .StepBack = [this] { rewind_.StepBack(); },
                           .UndoLoad = [this] { rewind_.UndoLoad(); },
                           .RecordScreen = [this] { screenRecorder_->Toggle(); },
                           .OpenFolder = [this] { folders_.Choose(); },
                           .Folder = dir_});
    connect(&runSpeed_, &TRunSpeed::Changed, this, [this] {
        setWindowTitle(runSpeed_.Title(Caption));
        messages_.SetLasting(QStringLiteral("pause"), runSpeed_.Paused() ? QStringLiteral("Paused") : QString());
        messages_.SetLasting(QStringLiteral("speed"), runSpeed_.SpeedText());
    });
    view_.SetMenus(menu_->MenuBar(), menu_->ContextMenu());
    new TKeyFocus(this, menu_->MenuBar());
    recordingDisplay_ = std::make_unique<TRecordingDisplay>(
        TRecordingDisplay{*recordMark_, recordings_, rewind_, path_, *menu_});
    path_.KeepSnapshots(true);
    recordingDisplay_->Show();
    if (const auto position = TWindowSettings::Position()) move(*position);
    view_.Apply();
    KeyMapRead stored = TWindowSettings::StoredKeyMap();
    keys_ = stored.Map;
    hints_->Show(keys_);
    if (!stored.Warnings.empty()) {
        // One box for all; the entries it names go back to their defaults,
        // so that the next start does not say them again.
        QStringList said;
        for (const std::string& warning : stored.Warnings) said << QString::fromStdString(warning);
        warnings_.Show(said.join('\n'));
        TWindowSettings::StoreKeyMap(keys_);
    }
    FormCreate();
}

TMainForm::~TMainForm() {
    // A window destroyed without closing (the application told to quit)
    // still keeps the calculator's memory.
    if (shown_ && !closed_) FormClose();
    // The run timer goes before the machine its handler uses.
    delete runTimer_;
    runTimer_ = nullptr;
}

void TMainForm::FormCreate() {
    displayBitmap_ = QImage(DisplayWidth, DisplayHeight, QImage::Format_RGB32);
    displayBitmap_.fill(Silver);
    const LoadResult result = LoadMachine(*machine_, dir_);
    saveGuard_ = result.Guard;
    for (const std::string& message : result.Messages) startProblems_ << QString::fromStdString(message);
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_ && !closed_) {
        shown_ = true;
        // The keys go to the window itself: none of its controls takes focus.
        setFocus(Qt::ActiveWindowFocusReason);
        view_.Arrange();  // the display's own window, if it was open at the last close
        FormShow();
    }
}

void TMainForm::FormShow() {
    Machine& m = *machine_;
    DrawKeypad();
    displayBitmap_.fill(Silver);
    path_.StartMachine();
    lastLcdControl_ = static_cast<uint8_t>(~m.Lcd.LcdControl);
    runTimer_->SetEnabled(true);
    refreshTimer_->start();
    displayDirty_ = true;
    ShowStartProblems();
}

// Started in the wrong place (an empty folder, say), the window says so
// once, with every file and the way out, rather than in a box a file.
void TMainForm::ShowStartProblems() {
    if (startProblems_.isEmpty()) return;
    const QString folder = QString::fromStdString(dir_.string());
    warnings_.ShowTogether(startProblems_,
                           QStringLiteral("These are the calculator's files in the folder %1.\n\n"
                                          "To use the files of another folder, start varnox DIR with that folder, "
                                          "or choose it with File > Open folder..., which restarts the machine on it.")
                               .arg(folder));
    startProblems_.clear();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closed_) FormClose();
    event->accept();
}

void TMainForm::FormClose() {
    closed_ = true;
    path_.Control().DebugActive = 1;
    runTimer_->SetEnabled(false);
    refreshTimer_->stop();
    // A recording under way is kept, as the memory is; a failure is said
    // with those of the memory, once the boxes of the session are gone.
    const std::optional<std::string> unrecorded = recordings_.StopRecordingAtClose();
    screenRecorder_->Stop(TScreenRecorder::TOnFailure::Say);
    // Load-time warnings still up go with the window.
    warnings_.Close();
    if (keyMap_) keyMap_->close();
    if (shown_) {
        TWindowSettings::StorePosition(view_.WindowPlace());
        view_.Remember();
    }
    if (view_.DisplayWindow()) view_.DisplayWindow()->hide();
    SaveResult saved = SaveFiles(*machine_, dir_, saveGuard_);
    if (unrecorded) saved.Messages.insert(saved.Messages.begin(), *unrecorded);
    warnings_.ShowAtClose(saved.Messages);
    emit Closed(!saved.Failed && !unrecorded);
}

void TMainForm::SaveWithoutWindow() {
    if (!shown_ || closed_) return;
    closed_ = true;
    path_.Control().DebugActive = 1;
    runTimer_->SetEnabled(false);
    if (const auto unrecorded = recordings_.StopRecordingAtClose()) std::fprintf(stderr, "varnox: %s\n", unrecorded->c_str());
    for (const std::string& message : SaveFiles(*machine_, dir_, saveGuard_).Messages) {
        std::fprintf(stderr, "varnox: %s\n", message.c_str());
    }
    std::fflush(stderr);
}

// ---- Display ----------------------------------------------------------------------

// Only paints: the machine's own refresh work runs in its run ticks, so
// what it sees does not hang on when this timer fires. The picture comes
// from the controller as it is now, so a paused machine still shows what
// the debugger does to it.
void TMainForm::OnRefreshTimer() {
    rewind_.OnRefresh();
    PaintLcd();
    recordings_.ShowProgress();
    runSpeed_.MeasureSpeed();
    messages_.Tick();
    if (displayDirty_) lcdImage_->setPixmap(QPixmap::fromImage(displayBitmap_));
    displayDirty_ = false;
}

void TMainForm::PaintLcd() {
    const LcdController& lcd = machine_->Lcd;
    LcdCompose(lcd, frame_);
    if (lcd.LcdControl != lastLcdControl_) {
        displayDirty_ = true;
        lastLcdControl_ = lcd.LcdControl;
        const QRgb blank = lastLcdControl_ & LcdPowered ? DotOff : Silver;
        if (lastLcdControl_ & LcdPowered) shadowFrame_.fill(0);
        displayBitmap_.fill(blank);
        lcdImage_->SetBackdrop(QColor::fromRgb(blank));
    }
    if (!(lastLcdControl_ & LcdPowered)) return;
    // Band by band, column by column, upper nibble first: index order.
    for (int i = 0; i < FrameNibbles; ++i) {
        const uint8_t nibble = frame_[i];
        if (nibble == shadowFrame_[i]) continue;
        displayDirty_ = true;
        shadowFrame_[i] = nibble;
        const int column = FrameColumnOfNibble(i);
        for (int y = FrameRowOfNibble(i), k = 0; k < 4; ++y, ++k) {
            const QRgb colour = (nibble >> FrameBitOfDot(y)) & 1 ? DotOn : DotOff;
            for (int dy = 0; dy < 2; ++dy) {
                auto* line = reinterpret_cast<QRgb*>(displayBitmap_.scanLine(2 * y + dy));
                line[2 * column] = colour;
                line[2 * column + 1] = colour;
            }
        }
    }
}

void TMainForm::DrawKeypad() {
    const std::filesystem::path path = dir_ / KeysFileName;
    const QString failure = QStringLiteral("Failed to load the file ") + QString::fromLatin1(KeysFileName);
    // Only a regular file counts, as for the data files: a FIFO or device in
    // its place would block the start for good.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        startProblems_ << failure;
        return;
    }
    // The right picture is small; a big file is the wrong one.
    constexpr qint64 MaxKeysFileBytes = 4 << 20;
    QFile file(QString::fromStdString(path.string()));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly) && file.size() <= MaxKeysFileBytes) bytes = file.read(MaxKeysFileBytes);
    const std::span<const uint8_t> raw(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // Read the size from the header first, so that a wrong picture is
    // turned down before it is decoded.
    QImageReader reader(&buffer);
    QImage picture;
    if (!IsTruncatedBitmap(raw) && reader.canRead() && reader.size() == KeysPictureSize) picture = reader.read();
    if (picture.isNull() || picture.size() != KeysPictureSize) {
        for (TSpeedButton* button : buttons_) button->SetFace(QPixmap());
        startProblems_ << failure;
        return;
    }
    picture = picture.convertToFormat(QImage::Format_RGB32);
    for (int n = 1; n <= ButtonCount; ++n) {
        const QImage cell = picture.copy(ToQRect(KeyFaceCell(n)));
        Button(n)->SetFace(QPixmap::fromImage(cell));
    }
}

// ---- Run tick ------------------------------------------------------------------------

// Faster speeds run more whole run ticks per timer tick, each exactly as at
// 1x; "as many as fit" fills the time up to a little before the next timer
// tick is due, stopping when another run tick as long as the last would
// pass it. The event loop has its turn (painting, messages, input) in what
// is left, and the next tick comes on time: a handler that ran past it
// would be followed by a whole interval with no tick. A tick not handed
// over by the timer, or handed over too late for that, runs for one
// interval.
void TMainForm::RunTick() {
    if (runSpeed_.Paused() || rewind_.Held()) return;
    const int ticks = runSpeed_.FastForward() ? 0 : runSpeed_.Speed();
    const TTimerClock& clock = runTimer_->Clock();
    auto last = clock.Now();
    auto until = runTimer_->NextTickDue() - EventLoopShare;
    if (until <= last) until = last + std::chrono::milliseconds(runTimer_->Interval());
    const bool replaying = path_.IsReplaying();
    // Releases held back for their minimum, and a replay's keys and
    // switches, show at once.
    const auto showKeys = qScopeGuard([this, replaying] {
        path_.ApplyDue();
        // Most ticks change no key: the keys are left alone then.
        if (machine_->HeldKeys != shownKeys_) ShowHeldKeys();
        if (replaying && !path_.IsReplaying()) recordingDisplay_->Show();
    });
    for (int done = 1;; ++done) {
        const bool stopped = path_.RunTick();
        screenRecorder_->AfterRunTick();
        runSpeed_.CountRunTick();
        if (stopped) {
            HandOverToDebugger();
            return;
        }
        // A machine granted no cycles makes no progress however often it runs.
        if (path_.Control().DebugActive || path_.Control().CyclesPerTick <= 0) return;
        if (ticks > 0) {
            if (done >= ticks) return;
            continue;
        }
        const auto now = clock.Now();
        if (!AnotherTickFits(now, last, until)) return;
        last = now;
    }
}

// ---- Input ---------------------------------------------------------------------------

// Presses and releases go through the input path, which holds each press
// long enough for the firmware to see it, however soon the release comes.
void TMainForm::ButtonMouseDown(int tag) {
    path_.Press(HeldMouseSlot, tag);
    ShowHeldKeys();
}

void TMainForm::ButtonMouseUp(int) {
    path_.Release(HeldMouseSlot);
    ShowHeldKeys();
}

void TMainForm::ShowHeldKeys() {
    const auto& held = machine_->HeldKeys;
    shownKeys_ = held;
    for (TSpeedButton* button : buttons_) {
        const bool down = held[HeldMouseSlot] == button->Tag() || held[HeldPcKeySlot] == button->Tag();
        if (button->isDown() != down) button->setDown(down);
    }
    if ((printSwitch_->Tag() > 0) != (held[HeldSwitchSlot] == PrintSwitchKey)) SlideSwitch(printSwitch_, printBevel_);
}

void TMainForm::FormKeyPress(QChar character) {
    const CharacterKey found = keys_.KeyOfCharacter(character.unicode());
    if (found.key == 0) return;
    path_.Press(HeldPcKeySlot, found.key, found.scan);
    ShowHeldKeys();
}

void TMainForm::FormKeyDown(int virtualKey) {
    if (virtualKey == VkF3) {
        HandOverToDebugger();
    } else if (const int key = keys_.KeyOfVirtualKey(virtualKey)) {
        path_.Press(HeldPcKeySlot, key);
    }
    ShowHeldKeys();
}

void TMainForm::FormKeyUp() {
    path_.Release(HeldPcKeySlot);
    ShowHeldKeys();
}

void TMainForm::HandOverToDebugger() {
    recordings_.EndBeforeOutsideChange(QStringLiteral("debugger"));
    path_.ReleaseKeys();
    ShowHeldKeys();
    if (ShowDebugger) ShowDebugger();
}

// Another window or a menu takes the keyboard: the keys it will not see
// released here are let go now, as are those the mouse held.
void TMainForm::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    path_.ReleaseKeys();
    ShowHeldKeys();
    rewind_.Hold(false);
    runSpeed_.SetFastForward(false);
}


void TMainForm::keyPressEvent(QKeyEvent* event) {
    event->accept();
    // The window system's auto-repeat presses a key held again and again:
    // the calculator's key stays held instead.
    if (event->isAutoRepeat()) return;
    // Tab is fast-forward and Shift+Tab rewind while held; neither is a key
    // of the calculator.
    if (event->key() == Qt::Key_Tab) runSpeed_.SetFastForward(true);
    if (event->key() == RewindKey) {
        rewind_.Hold(true);
        return;
    }
    FormKeyDown(VirtualKeyOf(event->key()));
    for (const QChar character : event->text()) FormKeyPress(character);
}

void TMainForm::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // The window system's auto-repeat sends releases of keys still held.
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_Tab) runSpeed_.SetFastForward(false);
    // Shift let go first, Tab comes up as itself.
    if (event->key() == RewindKey || (event->key() == Qt::Key_Tab && rewind_.Held())) {
        rewind_.Hold(false);
        return;
    }
    FormKeyUp();
}

bool TMainForm::focusNextPrevChild(bool) {
    return false;  // Tab stays with the window: no control here takes focus
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event) {
    // The display and its bevel; the keys keep every mouse button.
    if (event->reason() == QContextMenuEvent::Mouse && !view_.MenuArea(bevel2_).contains(event->pos())) {
        event->ignore();
        return;
    }
    const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                   : lcdImage_->mapToGlobal(lcdImage_->rect().center());
    menu_->ContextMenu()->popup(at);
    event->accept();
}

void TMainForm::SwitchMouseDown(TShape* sender) {
    // A replay moves the switches as they were moved when it was recorded.
    if (!path_.TakesUserInput()) return;
    if (sender == printSwitch_) {
        path_.SetPrintSwitch(sender->Tag() <= 0);
    } else if (sender == powerSwitch_) {
        path_.Reset();
        runTimer_->SetEnabled(sender->Tag() > 0);
    } else {
        return;
    }
    SlideSwitch(sender, sender == printSwitch_ ? printBevel_ : powerBevel_);
}

// To the mirrored place in its bevel, worked out in 1x pixels.
void TMainForm::SlideSwitch(TShape* shape, QFrame* bevel) {
    const QRect bevelPlace = view_.PlaceOf(bevel);
    const QRect place = view_.PlaceOf(shape);
    const int d = (bevelPlace.x() - place.x()) * 2 + bevelPlace.width() - place.width() - 1;
    shape->SetTag(d);
    view_.Place(shape, place.translated(d, 0));
}

// ---- Loaded states -----------------------------------------------------------------

// The window catches up with the machine it now shows (whose keys not held
// by anyone now were let go on loading): the switches go where the state
// has them, and a calculator switched off is switched on without a reset.
void TMainForm::AfterStateLoaded() {
    ShowHeldKeys();
    recordingDisplay_->Show();
    if (powerSwitch_->Tag() > 0) {
        SlideSwitch(powerSwitch_, powerBevel_);
        runTimer_->SetEnabled(true);
    }
    lastLcdControl_ = static_cast<uint8_t>(~machine_->Lcd.LcdControl);  // paint it all
    PaintLcd();
    lcdImage_->setPixmap(QPixmap::fromImage(displayBitmap_));
    displayDirty_ = false;
}



}  // namespace varnox
