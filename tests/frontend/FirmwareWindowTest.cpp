// The default firmware in the real window: the start page appears, and a
// calculation clicked on the on-screen keys shows its result on the
// painted display.
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "frontend/Main.h"
#include "frontend/MainMenu.h"

using varnox::TMainForm;

namespace {

constexpr int TextRows = 8;
constexpr int TextColumns = 16;
constexpr int GlyphColumns = 6;

// The text on a row of the painted display, read back with the kit's
// character set (light on dark reads the same as dark on light).
QString RowText(const QImage& shown, const QByteArray& charset, int row) {
    QString text;
    if (shown.size() != QSize(192, 128)) return text;  // nothing painted yet
    for (int column = 0; column < TextColumns; ++column) {
        QChar found = '?';
        for (int code = 32; code < 127 && found == '?'; ++code) {
            for (const bool inverse : {false, true}) {
                bool same = true;
                for (int x = 0; x < GlyphColumns && same; ++x) {
                    const auto dots = static_cast<unsigned char>(charset[code * 8 + x]);
                    for (int y = 0; y < 8 && same; ++y) {
                        const bool dark = shown.pixel(2 * (column * GlyphColumns + x), 2 * (row * 8 + y)) == 0xFF000000;
                        same = dark == (((dots >> (7 - y)) & 1) != inverse);
                    }
                }
                if (same) found = QChar(code);
            }
        }
        text += found;
    }
    return text;
}

// Opens the File menu with a click and closes it with Esc, as a hand does.
void FileMenuClosedByEsc(TMainForm& form) {
    QMenuBar* bar = form.Menu().MenuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions().first()).center());
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

// Types on the PC keyboard into whatever has the keys now: '\b' is
// Backspace, '\n' Enter, '~' the keypad's =.
void Type(const char* keys) {
    QCoreApplication::processEvents();
    for (const char* c = keys; *c; ++c) {
        QWidget* into = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        if (*c == '\b') QTest::keyClick(into, Qt::Key_Backspace);
        else if (*c == '\n') QTest::keyClick(into, Qt::Key_Return);
        else if (*c == '~') QTest::keyClick(into, Qt::Key_Equal, Qt::KeypadModifier);
        else QTest::keyClick(into, *c);
    }
}

class FirmwareWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QByteArray charset_;
    std::unique_ptr<TMainForm> form_;

    QString Row(int row) const {
        const QImage shown = form_->LcdImage()->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        return RowText(shown, charset_, row);
    }

    // A click as a hand makes it: held until the firmware's key scan has
    // seen the key, let go until it has seen no key. (The firmware keeps the
    // key of its last scan in r87.)
    void Click(int key) {
        const uint8_t& scanned = form_->GetMachine().Cpu.MainRegisterFile[87];
        QTest::mousePress(form_->Button(key), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(scanned), key, 5000);
        QTest::mouseRelease(form_->Button(key), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(scanned), 0, 5000);
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        for (const char* name : {"rom0.bin", "rom1.bin", "charset.bin", "keys.bmp", "varnox.ini"}) {
            QVERIFY(QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + name, dir_->filePath(name)));
        }
        QFile charset(dir_->filePath("charset.bin"));
        QVERIFY(charset.open(QIODevice::ReadOnly));
        charset_ = charset.readAll();
        form_ = std::make_unique<TMainForm>(dir_->path().toStdString());
        form_->show();
    }

    void cleanup() {
        form_.reset();
        dir_.reset();
    }

    void StartPageAppears() {
        QTRY_COMPARE_WITH_TIMEOUT(Row(1), QStringLiteral("Varnox      v1.0"), 5000);
        QCOMPARE(Row(2), QStringLiteral("CALC F2 or 0-9  "));
        QVERIFY(Row(0).startsWith("MENU "));
    }

    void ClickedCalculationShowsItsResult() {
        QTRY_COMPARE_WITH_TIMEOUT(Row(1), QStringLiteral("Varnox      v1.0"), 5000);
        for (const int key : {8, 41, 42, 44, 43, 39, 36, 50}) Click(key);  // CALC 12+3*4 =
        QTRY_COMPARE_WITH_TIMEOUT(Row(5), QStringLiteral("              24"), 5000);
        QVERIFY(Row(0).startsWith("CALC "));
        QCOMPARE(Row(2).left(6), QStringLiteral("12+3*4"));
    }

    // Typed on the PC keyboard: Backspace erases, and Enter (or =, as on
    // the key) evaluates even right after a menu was closed with Esc.
    void TypedCalculationShowsItsResult_data() {
        QTest::addColumn<bool>("menuFirst");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("result");
        QTest::newRow("backspace") << false << "12\b3\n" << "              13";
        QTest::newRow("after a menu") << true << "1+6\n" << "               7";
        QTest::newRow("=, the sign on the key") << false << "2*3=" << "               6";
        QTest::newRow("the keypad's =") << false << "9-4~" << "               5";
    }
    void TypedCalculationShowsItsResult() {
        QFETCH(bool, menuFirst);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QTRY_COMPARE_WITH_TIMEOUT(Row(1), QStringLiteral("Varnox      v1.0"), 5000);
        Click(8);  // CALC
        if (menuFirst) FileMenuClosedByEsc(*form_);
        QTRY_COMPARE(QApplication::focusWidget(), form_.get());  // not the menu bar
        Type(keys.toLatin1().constData());
        QTRY_COMPARE_WITH_TIMEOUT(Row(5), result, 5000);
        QVERIFY(!QApplication::activePopupWidget());
    }

    // Presses and releases that come back to back, in one turn of the
    // event loop (a touchpad tap, automation), each register once: five
    // taps of the mouse on 1, then five of the PC key 2.
    void TapsInOneTurnRegisterOnceEach() {
        QTRY_COMPARE_WITH_TIMEOUT(Row(1), QStringLiteral("Varnox      v1.0"), 5000);
        Click(8);  // CALC
        for (int tap = 0; tap < 5; ++tap) {
            QTest::mousePress(form_->Button(41), Qt::LeftButton);
            QTest::mouseRelease(form_->Button(41), Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(Row(2).left(6), QStringLiteral("11111 "), 5000);
        for (int tap = 0; tap < 5; ++tap) QTest::keyClick(form_.get(), '2');
        QTRY_COMPARE_WITH_TIMEOUT(Row(2).left(12), QStringLiteral("1111122222  "), 5000);
    }
};

}  // namespace

QTEST_MAIN(FirmwareWindowTest)
#include "FirmwareWindowTest.moc"
