// The main window: components at their pixel places, the paint of the
// display image, and the handlers that hand inputs, run timer ticks and the
// start and end of the machine to the session.
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
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <span>

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
#include "system/Session.h"

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
      view_(this, ClientSize, QSize(DisplayColumns, DisplayRows)),
      states_(session_.GetMachine(), dir_, ChooseFile, warnings_, messages_,
              [this](const std::filesystem::path& file) {
                  recordings_.EndBeforeOutsideChange(QStringLiteral("state load"));
                  return session_.LoadState(file);
              },
              [this] { AfterStateLoaded(); }),
      recordings_(session_, dir_, ChooseFile, warnings_, messages_,
                  [this] {
                      if (!recordingDisplay_) return;
                      recordingDisplay_->Show();
                      ShowPower();
                  }),
      rewind_(
          session_, messages_, [this](const QString& cause) { recordings_.EndBeforeOutsideChange(cause); },
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
    screenRecorder_ = std::make_unique<TScreenRecorder>(session_.GetMachine(), screenshots_, dir_, ChooseFile, warnings_, messages_, *clipMark, [this] {
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
    runTimer_->SetOnTimer([this](QObject*) { OnRunTimer(); });

    menu_ = std::make_unique<TMainMenu>(
        this, TMenuTargets{.Speed = runSpeed_,
                           .Screenshots = screenshots_,
                           .States = states_,
                           .View = view_,
                           .Messages = messages_,
                           .Reset = [this] { session_.Reset(); },
                           .ShowKeyMap =
                               [this] {
                                   if (!keyMap_) {
                                       keyMap_ = new TKeyMapWindow(
                                           this, [this](int key) { return Button(key)->Face(); }, session_.Keys(),
                                           [this] {
                                               TWindowSettings::StoreKeyMap(session_.Keys());
                                               hints_->Show(session_.Keys());
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
    connect(&runSpeed_, &TRunSpeed::Changed, this, &TMainForm::ShowSpeed);
    ShowSpeed();
    view_.SetMenus(menu_->MenuBar(), menu_->ContextMenu());
    new TKeyFocus(this, menu_->MenuBar());
    recordingDisplay_ = std::make_unique<TRecordingDisplay>(
        TRecordingDisplay{*recordMark_, recordings_, rewind_, session_, *menu_});
    recordingDisplay_->Show();
    if (const auto position = TWindowSettings::Position()) move(*position);
    view_.Apply();
    KeyMapRead stored = TWindowSettings::StoredKeyMap();
    session_.Keys() = stored.Map;
    hints_->Show(session_.Keys());
    if (!stored.Warnings.empty()) {
        // One box for all; the entries it names go back to their defaults,
        // so that the next start does not say them again.
        QStringList said;
        for (const std::string& warning : stored.Warnings) said << QString::fromStdString(warning);
        warnings_.Show(said.join('\n'));
        TWindowSettings::StoreKeyMap(session_.Keys());
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
    const LoadResult result = session_.Load();
    session_.Path().KeepSnapshots(true);
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
    DrawKeypad();
    displayBitmap_.fill(Silver);
    session_.Start();
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
    SaveResult saved = session_.Close();
    if (unrecorded) saved.Messages.insert(saved.Messages.begin(), *unrecorded);
    warnings_.ShowAtClose(saved.Messages);
    emit Closed(!saved.Failed && !unrecorded);
}

void TMainForm::SaveWithoutWindow() {
    if (!shown_ || closed_) return;
    closed_ = true;
    runTimer_->SetEnabled(false);
    if (const auto unrecorded = recordings_.StopRecordingAtClose()) std::fprintf(stderr, "varnox: %s\n", unrecorded->c_str());
    for (const std::string& message : session_.Close().Messages) {
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

// The dots that changed since the last paint, each a 2 x 2 block; all of
// them when the controller's power or mode changed, over the white of a
// powered display or the silver of an unpowered one.
void TMainForm::PaintLcd() {
    const DisplayReader::Read read = session_.ReadDisplay();
    const DisplayPicture& picture = read.Picture;
    if (read.Whole) {
        displayDirty_ = true;
        const QRgb blank = picture.Powered ? DotOff : Silver;
        displayBitmap_.fill(blank);
        lcdImage_->SetBackdrop(QColor::fromRgb(blank));
        for (int dot = 0; dot < DisplayDots; ++dot) {
            if (picture.Dots[static_cast<size_t>(dot)]) PaintDot(dot, DotOn);
        }
        return;
    }
    for (const uint16_t dot : read.Changed) PaintDot(dot, picture.Dots[dot] ? DotOn : DotOff);
    if (!read.Changed.empty()) displayDirty_ = true;
}

void TMainForm::PaintDot(int dot, QRgb colour) {
    const int column = dot % DisplayColumns;
    const int row = dot / DisplayColumns;
    for (int dy = 0; dy < 2; ++dy) {
        auto* line = reinterpret_cast<QRgb*>(displayBitmap_.scanLine(2 * row + dy));
        line[2 * column] = colour;
        line[2 * column + 1] = colour;
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

// The session runs as many run ticks as the speed holds for one interval:
// at Unlimited (and fast-forward) up to a little before the next timer
// tick is due, so that the event loop has its turn (painting, messages,
// input) in what is left and the next tick comes on time: a handler that
// ran past it would be followed by a whole interval with no tick. A tick
// not handed over by the timer, or handed over too late for that, has one
// interval.
void TMainForm::OnRunTimer() {
    if (rewind_.Held()) return;
    const TTimerClock& clock = runTimer_->Clock();
    const auto ms = [](TTimerClock::TimePoint t) { return std::chrono::duration<double, std::milli>(t.time_since_epoch()).count(); };
    const double interval = runTimer_->Interval();
    const double now = ms(clock.Now());
    double until = ms(runTimer_->NextTickDue() - EventLoopShare);
    if (until <= now) until = now + interval;
    const bool replaying = session_.Path().IsReplaying();
    const TicksRun run = session_.Pace({interval, until}, [&clock, &ms] { return ms(clock.Now()); }, [this](const Machine&) {
        screenRecorder_->AfterRunTick();
        runSpeed_.CountRunTick();
    });
    if (run.stopped) HandOverToDebugger();
    // Releases held back for their minimum, and a replay's keys and
    // switches, show at once; most ticks change no key.
    if (GetMachine().HeldKeys != shownKeys_) ShowHeldKeys();
    if (replaying && !session_.Path().IsReplaying()) recordingDisplay_->Show();
}

void TMainForm::ShowSpeed() {
    session_.SetSpeed(runSpeed_.FastForward() ? FramePace::Unlimited : runSpeed_.Speed());
    session_.SetPaused(runSpeed_.Paused());
    setWindowTitle(runSpeed_.Title(Caption));
    messages_.SetLasting(QStringLiteral("pause"), runSpeed_.Paused() ? QStringLiteral("Paused") : QString());
    messages_.SetLasting(QStringLiteral("speed"), runSpeed_.SpeedText());
}

// ---- Input ---------------------------------------------------------------------------

// Presses and releases go to the session, which holds each press long
// enough for the firmware to see it, however soon the release comes.
void TMainForm::ButtonMouseDown(int tag) {
    session_.MouseDown(tag);
    ShowHeldKeys();
}

void TMainForm::ButtonMouseUp(int) {
    session_.MouseUp();
    ShowHeldKeys();
}

void TMainForm::ShowHeldKeys() {
    const auto& held = GetMachine().HeldKeys;
    shownKeys_ = held;
    for (TSpeedButton* button : buttons_) {
        const bool down = held[HeldMouseSlot] == button->Tag() || held[HeldPcKeySlot] == button->Tag();
        if (button->isDown() != down) button->setDown(down);
    }
    if ((printSwitch_->Tag() > 0) != (held[HeldSwitchSlot] == PrintSwitchKey)) SlideSwitch(printSwitch_, printBevel_);
}

void TMainForm::FormKeyPress(QChar character) {
    session_.KeyTyped(character.unicode());
    ShowHeldKeys();
}

void TMainForm::FormKeyDown(int virtualKey) {
    if (virtualKey == VkF3) {
        HandOverToDebugger();
    } else {
        session_.KeyDown(virtualKey);
    }
    ShowHeldKeys();
}

void TMainForm::FormKeyUp() {
    session_.KeyUp();
    ShowHeldKeys();
}

void TMainForm::HandOverToDebugger() {
    recordings_.EndBeforeOutsideChange(QStringLiteral("debugger"));
    session_.ReleaseKeys();
    ShowHeldKeys();
    if (ShowDebugger) ShowDebugger();
}

// Another window or a menu takes the keyboard: the keys it will not see
// released here are let go now, as are those the mouse held.
void TMainForm::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    session_.ReleaseKeys();
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
    if (!session_.TakesUserInput()) return;
    if (sender == printSwitch_) {
        session_.SetPrintSwitch(sender->Tag() <= 0);
    } else if (sender == powerSwitch_) {
        session_.SetPower(sender->Tag() > 0);
        runTimer_->SetEnabled(session_.PoweredOn());
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
    session_.SwitchOn();
    recordingDisplay_->Show();
    ShowPower();
    PaintLcd();
    lcdImage_->setPixmap(QPixmap::fromImage(displayBitmap_));
    displayDirty_ = false;
}

void TMainForm::ShowPower() {
    if (!session_.PoweredOn() || powerSwitch_->Tag() <= 0) return;
    SlideSwitch(powerSwitch_, powerBevel_);
    runTimer_->SetEnabled(true);
}

}  // namespace varnox
