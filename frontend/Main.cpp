// The main window: components at their pixel places, the refresh of the
// display image, input into HeldKeys, and the start and end of the machine.
#include "frontend/Main.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <string_view>

#include "frontend/Files.h"
#include "frontend/RunLoop.h"
#include "frontend/ThdTimer.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"

namespace varnox {
namespace {

constexpr QRgb Silver = 0xFFC0C0C0;
constexpr QRgb DotOff = 0xFFFFFFFF;
constexpr QRgb DotOn = 0xFF000000;
constexpr QRgb FaceColour = 0xFFD4D0C8;

constexpr int ClientWidth = 315;
constexpr int ClientHeight = 528;
constexpr int FaceWidth = 35;
constexpr int FaceHeight = 11;
constexpr QSize KeysPictureSize(6 * FaceWidth, 9 * FaceHeight);

// Characters in the order of the keys they press; 'a' fills places that
// no upper-cased character can match.
constexpr std::string_view KeyLabels = "ABCDEFGHIJKLMNOaaPQRSTUVWXYZ[] ()aa789aa456*/123+-0.";

// PC key codes as the key handlers know them.
enum VirtualKey : int {
    VkReturn = 13,
    VkEscape = 27,
    VkEnd = 35,
    VkHome = 36,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40,
    VkDelete = 46,
    VkF3 = 114,
    VkF8 = 119,
};

int VirtualKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return VkReturn;
        case Qt::Key_Escape: return VkEscape;
        case Qt::Key_End: return VkEnd;
        case Qt::Key_Home: return VkHome;
        case Qt::Key_Left: return VkLeft;
        case Qt::Key_Up: return VkUp;
        case Qt::Key_Right: return VkRight;
        case Qt::Key_Down: return VkDown;
        case Qt::Key_Delete: return VkDelete;
        case Qt::Key_F3: return VkF3;
        case Qt::Key_F8: return VkF8;
        default: return 0;
    }
}

// Fixed fonts of the layout, by pixel size, closest to what the window was
// drawn for.
QFont LayoutFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QFrame* MakeBevel(QWidget* parent, QRect geometry, QFrame::Shape shape) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setGeometry(geometry);
    return frame;
}

// Qt's BMP reader fills in whatever rows a cut-off file lacks; such a file
// is not a picture we show. Only uncompressed bitmaps can be checked this
// way; other formats are left to their readers.
bool IsTruncatedBitmap(const QByteArray& bytes) {
    if (bytes.size() < 30 || !bytes.startsWith("BM")) return false;
    auto field = [&](int at, int size) {
        uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
        return value;
    };
    const uint32_t headerSize = field(14, 4);
    if (headerSize < 40 || bytes.size() < 34) return false;  // old OS/2 headers: left to the reader
    const int64_t width = static_cast<int32_t>(field(18, 4));
    const int64_t height = static_cast<int32_t>(field(22, 4));
    const int64_t bitsPerPixel = field(28, 2);
    const uint32_t compression = field(30, 4);
    if (compression != 0 || width <= 0 || bitsPerPixel == 0) return false;
    const int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const int64_t rows = height < 0 ? -height : height;
    return static_cast<int64_t>(field(10, 4)) + rowBytes * rows > bytes.size();
}

QLabel* MakeLabel(QWidget* parent, int left, int top, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

// ---- TSpeedButton ------------------------------------------------------------

TSpeedButton::TSpeedButton(int tag, QWidget* parent) : QAbstractButton(parent), tag_(tag) {
    setFocusPolicy(Qt::NoFocus);
}

void TSpeedButton::SetFace(const QPixmap& face) {
    face_ = face;
    update();
}

void TSpeedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), QColor::fromRgb(FaceColour));
    const QColor light(Qt::white), dark(0x80, 0x80, 0x80), black(Qt::black);
    const QColor& topLeft = isDown() ? black : light;
    const QColor& bottomRight = isDown() ? light : black;
    painter.setPen(topLeft);
    painter.drawLine(0, 0, w - 1, 0);
    painter.drawLine(0, 0, 0, h - 1);
    painter.setPen(bottomRight);
    painter.drawLine(0, h - 1, w - 1, h - 1);
    painter.drawLine(w - 1, 0, w - 1, h - 1);
    painter.setPen(dark);
    if (isDown()) {
        painter.drawLine(1, 1, w - 2, 1);
        painter.drawLine(1, 1, 1, h - 2);
    } else {
        painter.drawLine(1, h - 2, w - 2, h - 2);
        painter.drawLine(w - 2, 1, w - 2, h - 2);
    }
    if (!face_.isNull()) {
        const int shift = isDown() ? 1 : 0;
        painter.drawPixmap((w - face_.width()) / 2 + shift, (h - face_.height()) / 2 + shift, face_);
    }
}

void TSpeedButton::mousePressEvent(QMouseEvent* event) {
    setDown(true);
    event->accept();
    emit MouseDown(tag_);
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    setDown(false);
    event->accept();
    emit MouseUp(tag_);
}

// ---- TShape ------------------------------------------------------------------

TShape::TShape(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void TShape::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit MouseDown(this);
}

// ---- TMainForm: creation and layout -------------------------------------------

TMainForm::TMainForm(std::filesystem::path dir, QWidget* parent)
    : QWidget(parent), dir_(std::move(dir)), machine_(std::make_unique<Machine>()) {
    BuildComponents();
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

void TMainForm::BuildComponents() {
    setWindowTitle(QStringLiteral("Varnox emulator"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(LayoutFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(FaceColour));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    bevel2_ = MakeBevel(this, QRect(16, 8, 281, 153), QFrame::Box);
    bevel1_ = MakeBevel(this, QRect(48, 16, 217, 137), QFrame::Panel);
    lcdImage_ = new QLabel(this);
    lcdImage_->setGeometry(60, 20, DisplayWidth, DisplayHeight);

    for (int tag = 1; tag <= ButtonCount; ++tag) {
        auto* button = new TSpeedButton(tag, this);
        if (tag <= 30) {
            const int column = (tag - 1) % 6;
            const int row = (tag - 1) / 6;
            button->setGeometry(16 + 48 * column, 208 + 32 * row, 41, 17);
        } else {
            static constexpr int Lefts[5] = {16, 74, 132, 190, 248};
            const int column = (tag - 31) % 5;
            const int row = (tag - 31) / 5;
            button->setGeometry(Lefts[column], 368 + 40 * row, 49, 25);
        }
        connect(button, &TSpeedButton::MouseDown, this, &TMainForm::ButtonMouseDown);
        connect(button, &TSpeedButton::MouseUp, this, &TMainForm::ButtonMouseUp);
        buttons_.push_back(button);
    }

    printBevel_ = MakeBevel(this, QRect(56, 176, 57, 17), QFrame::Panel);
    printSwitch_ = new TShape(this);
    printSwitch_->setGeometry(58, 178, 33, 13);
    MakeLabel(this, 40, 176, "N");
    MakeLabel(this, 120, 176, "HD");

    powerBevel_ = MakeBevel(this, QRect(200, 176, 57, 17), QFrame::Panel);
    powerSwitch_ = new TShape(this);
    powerSwitch_->setGeometry(202, 178, 33, 13);
    MakeLabel(this, 176, 176, "ON");
    MakeLabel(this, 264, 176, "OFF");
    connect(printSwitch_, &TShape::MouseDown, this, &TMainForm::SwitchMouseDown);
    connect(powerSwitch_, &TShape::MouseDown, this, &TMainForm::SwitchMouseDown);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(RefreshInterval);
    refreshTimer_->setTimerType(Qt::PreciseTimer);
    connect(refreshTimer_, &QTimer::timeout, this, &TMainForm::OnRefreshTimer);

    runTimer_ = new TThreadedTimer(this);
    runTimer_->SetInterval(RunInterval);
    runTimer_->SetOnTimer([this](QObject*) { RunTick(); });
}

void TMainForm::FormCreate() {
    displayBitmap_ = QImage(DisplayWidth, DisplayHeight, QImage::Format_RGB32);
    displayBitmap_.fill(Silver);
    const LoadResult result = LoadMachine(*machine_, dir_);
    saveGuard_ = result.Guard;
    for (const std::string& message : result.Messages) ShowWarning(QString::fromStdString(message));
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_ && !closed_) {
        shown_ = true;
        // The keys go to the window itself: none of its controls takes focus.
        setFocus(Qt::ActiveWindowFocusReason);
        FormShow();
    }
}

void TMainForm::FormShow() {
    Machine& m = *machine_;
    DrawKeypad();
    displayBitmap_.fill(Silver);
    StartMachine(m, static_cast<int32_t>(runTimer_->Interval()));
    lastLcdControl_ = static_cast<uint8_t>(~m.Lcd.LcdControl);
    runTimer_->SetEnabled(true);
    refreshTimer_->start();
    displayDirty_ = true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closed_) FormClose();
    event->accept();
}

void TMainForm::FormClose() {
    closed_ = true;
    machine_->Run.DebugActive = 1;
    runTimer_->SetEnabled(false);
    refreshTimer_->stop();
    // Load-time warnings still up go with the window.
    pendingWarnings_.clear();
    if (currentBox_) {
        QMessageBox* box = currentBox_;
        currentBox_ = nullptr;
        box->disconnect(this);
        box->close();
        box->deleteLater();
    }
    for (const std::string& message : SaveFiles(*machine_, dir_, saveGuard_).Messages) {
        ShowBlockingWarning(QString::fromStdString(message));
    }
    emit Closed();
}

// ---- Warnings -------------------------------------------------------------------

void TMainForm::ShowWarning(const QString& text) {
    pendingWarnings_.push_back(text);
    if (!currentBox_) ShowNextWarning();
}

void TMainForm::ShowNextWarning() {
    if (pendingWarnings_.empty() || closed_) return;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Warning"), pendingWarnings_.front(),
                                QMessageBox::Ok, this);
    pendingWarnings_.pop_front();
    box->setAttribute(Qt::WA_DeleteOnClose);
    currentBox_ = box;
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (currentBox_ == box) currentBox_ = nullptr;
        ShowNextWarning();
    });
    box->open();
}

void TMainForm::ShowBlockingWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok);
    box.exec();
}

int TMainForm::PendingMessages() const {
    return static_cast<int>(pendingWarnings_.size()) + (currentBox_ ? 1 : 0);
}

// ---- Display ----------------------------------------------------------------------

void TMainForm::OnRefreshTimer() {
    // The self-test count-down of the tick does not look at the picture, so
    // it may run before the painting.
    RefreshTick(*machine_);
    PaintLcd();
    if (displayDirty_) lcdImage_->setPixmap(QPixmap::fromImage(displayBitmap_));
    displayDirty_ = false;
}

void TMainForm::PaintLcd() {
    const LcdController& lcd = machine_->Lcd;
    if (lcd.LcdControl != lastLcdControl_) {
        displayDirty_ = true;
        lastLcdControl_ = lcd.LcdControl;
        if (lastLcdControl_ & LcdPowered) {
            shadowFrame_.fill(0);
            displayBitmap_.fill(DotOff);
        } else {
            displayBitmap_.fill(Silver);
        }
    }
    if (!(lastLcdControl_ & LcdPowered)) return;
    // Band by band, column by column, upper nibble first: index order.
    for (int i = 0; i < FrameNibbles; ++i) {
        const uint8_t nibble = lcd.FrameBuffer[i];
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
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        ShowWarning(failure);
        return;
    }
    // The right picture is small; a big file is the wrong one.
    constexpr qint64 MaxKeysFileBytes = 4 << 20;
    QFile file(QString::fromStdString(path.string()));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly) && file.size() <= MaxKeysFileBytes) bytes = file.read(MaxKeysFileBytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // Read the size from the header first, so that a wrong picture is
    // turned down before it is decoded.
    QImageReader reader(&buffer);
    QImage picture;
    if (!IsTruncatedBitmap(bytes) && reader.canRead() && reader.size() == KeysPictureSize) picture = reader.read();
    if (picture.isNull() || picture.size() != KeysPictureSize) {
        for (TSpeedButton* button : buttons_) button->SetFace(QPixmap());
        ShowWarning(failure);
        return;
    }
    picture = picture.convertToFormat(QImage::Format_RGB32);
    for (int n = 1; n <= ButtonCount; ++n) {
        const int column = n <= 30 ? (n - 1) % 6 : (n - 31) % 5;
        const int row = n <= 30 ? (n - 1) / 6 : 5 + (n - 31) / 5;
        const QImage cell = picture.copy(column * FaceWidth, row * FaceHeight, FaceWidth, FaceHeight);
        Button(n)->SetFace(QPixmap::fromImage(cell));
    }
}

// ---- Run tick ------------------------------------------------------------------------

void TMainForm::RunTick() {
    if (OnRunTimer(*machine_) && ShowDebugger) ShowDebugger();
}

void TMainForm::KeyScanNow() { KeyScan(*machine_); }

// ---- Input ---------------------------------------------------------------------------

void TMainForm::ButtonMouseDown(int tag) {
    machine_->HeldKeys[HeldMouseSlot] = tag;
    KeyScanNow();
}

void TMainForm::ButtonMouseUp(int) {
    machine_->HeldKeys[HeldMouseSlot] = 0;
    KeyScanNow();
}

void TMainForm::FormKeyPress(QChar character) {
    char16_t c = character.unicode();
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    auto& pcKey = machine_->HeldKeys[HeldPcKeySlot];
    if (c == u'"') {
        pcKey = KeyQuote;
        return;
    }
    if (c == u':') {
        pcKey = KeyColon;
        return;
    }
    if (c > 0x7F) return;
    const auto found = KeyLabels.find(static_cast<char>(c));
    if (found == std::string_view::npos) return;
    // Positions 1..31 are keys 19..49 (letters A.. and ( ) [ ] space),
    // positions 36.. are keys 31.. (digits and operators).
    const int p = static_cast<int>(found) + 1;
    pcKey = p <= 31 ? p + 18 : p - 5;
    KeyScanNow();
}

void TMainForm::FormKeyDown(int virtualKey) {
    auto& pcKey = machine_->HeldKeys[HeldPcKeySlot];
    switch (virtualKey) {
        case VkReturn: pcKey = KeyEnter; break;
        case VkEscape: pcKey = KeyEscape; break;
        case VkEnd: pcKey = KeyEnd; break;
        case VkHome: pcKey = KeyHome; break;
        case VkLeft: pcKey = KeyLeft; break;
        case VkUp: pcKey = KeyUp; break;
        case VkRight: pcKey = KeyRight; break;
        case VkDown: pcKey = KeyDown; break;
        case VkDelete: pcKey = KeyDelete; break;
        case VkF3:
            if (ShowDebugger) ShowDebugger();
            break;
        case VkF8: pcKey = KeyF8; break;
        default: break;
    }
    if (pcKey != 0) KeyScanNow();
}

void TMainForm::FormKeyUp() {
    machine_->HeldKeys[HeldPcKeySlot] = 0;
    KeyScanNow();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(VirtualKeyOf(event->key()));
    for (const QChar character : event->text()) FormKeyPress(character);
    event->accept();
}

void TMainForm::keyReleaseEvent(QKeyEvent* event) {
    // The window system's auto-repeat sends releases of keys still held.
    if (!event->isAutoRepeat()) FormKeyUp();
    event->accept();
}

void TMainForm::SwitchMouseDown(TShape* sender) {
    Machine& m = *machine_;
    if (sender == printSwitch_) {
        m.HeldKeys[HeldSwitchSlot] = sender->Tag() <= 0 ? PrintSwitchKey : 0;
        KeyScanNow();
    } else if (sender == powerSwitch_) {
        PowerOnReset(m);
        runTimer_->SetEnabled(sender->Tag() > 0);
    } else {
        return;
    }
    const QFrame* bevel = sender == printSwitch_ ? printBevel_ : powerBevel_;
    const int d = (bevel->x() - sender->x()) * 2 + bevel->width() - sender->width() - 1;
    sender->SetTag(d);
    sender->move(sender->x() + d, sender->y());
}

}  // namespace varnox
