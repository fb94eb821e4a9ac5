// The main window with real widgets under the offscreen platform: layout,
// key faces and their failures, mouse, keyboard and switches into HeldKeys
// and KI, the painted display, the run timer wiring, the warnings and the
// saving of the machine at close.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "GuiSupport.h"
#include "frontend/Main.h"
#include "frontend/ThdTimer.h"
#include "system/SaveState.h"

using varnox::Machine;
using varnox::TMainForm;
using namespace varnox::test;

namespace {

constexpr QRgb Silver = 0xFFC0C0C0;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void LayoutIsFixedAtItsPixelPlaces() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        QCOMPARE(form->windowTitle(), QStringLiteral("Varnox emulator"));
        // The client area below the menu bar, the window around both at 1x
        // at first start, free to grow.
        QWidget* client = form->LcdImage()->parentWidget();
        const int bar = form->Menu().MenuBar()->height();
        QVERIFY(bar > 0);
        QCOMPARE(form->Menu().MenuBar()->geometry(), QRect(0, 0, 315, bar));
        QCOMPARE(client->geometry(), QRect(0, bar, 315, 528));
        QCOMPARE(form->size(), QSize(315, 528 + bar));
        QVERIFY(form->maximumSize().height() > 2 * (528 + bar));
        QCOMPARE(form->LcdImage()->geometry(), QRect(60, 20, 192, 128));
        QCOMPARE(form->Button(1)->geometry(), QRect(16, 208, 41, 17));
        QCOMPARE(form->Button(6)->geometry(), QRect(256, 208, 41, 17));
        QCOMPARE(form->Button(30)->geometry(), QRect(256, 336, 41, 17));
        QCOMPARE(form->Button(31)->geometry(), QRect(16, 368, 49, 25));
        QCOMPARE(form->Button(50)->geometry(), QRect(248, 488, 49, 25));
        QCOMPARE(form->PrintSwitch()->geometry(), QRect(58, 178, 33, 13));
        QCOMPARE(form->PowerSwitch()->geometry(), QRect(202, 178, 33, 13));
        QStringList captions;
        for (QLabel* label : client->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (label != form->LcdImage()) captions << QStringLiteral("%1@%2,%3").arg(label->text()).arg(label->x()).arg(label->y());
        }
        captions.sort();
        QCOMPARE(captions, QStringList({"HD@120,176", "N@40,176", "OFF@264,176", "ON@176,176"}));
        QCOMPARE(form->RunTimer()->Interval(), 10u);
        QCOMPARE(form->RefreshTimer()->interval(), 30);
        QVERIFY(form->RunTimer()->Enabled());
        QVERIFY(form->RefreshTimer()->isActive());
    }

    // The kit's character set is the text font turned into dot columns,
    // top dot in bit 7; its picture is the grid of faces.
    void KitHoldsCharacterSetAndKeyFaces() {
        QFile charset(QStringLiteral(VARNOX_KIT_DIR "/charset.bin"));
        QVERIFY(charset.open(QIODevice::ReadOnly));
        const QByteArray glyphs = charset.readAll();
        QCOMPARE(glyphs.size(), 2048);
        auto column = [&](char c, int j) { return static_cast<uint8_t>(glyphs[8 * static_cast<uint8_t>(c) + j]); };
        // "A": .###. / #...# x2 / ##### / #...# x3
        QCOMPARE(column('A', 0), 0x7E);
        QCOMPARE(column('A', 1), 0x90);
        QCOMPARE(column('A', 4), 0x7E);
        QCOMPARE(column('A', 5), 0x00);
        QCOMPARE(column('_', 2), 0x02);
        for (int j = 0; j < 8; ++j) QCOMPARE(column(' ', j), 0x00);
        QCOMPARE(glyphs.left(8 * 32), QByteArray(8 * 32, 0));  // control codes stay blank
        const QImage faces(QStringLiteral(VARNOX_KIT_DIR "/keys.bmp"));
        QCOMPARE(faces.size(), QSize(210, 99));
    }

    // Each key shows its cell of the picture; without a firmware the only
    // warning is the one for "rom0.bin".
    void KeyFacesAreCutFromThePicture() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        QCOMPARE(AcknowledgeWarnings(*form), QStringList({"Failed to load the file rom0.bin"}));
        const QImage picture = QImage(QStringLiteral(VARNOX_KIT_DIR "/keys.bmp")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(210, 99));
        for (int n = 1; n <= 50; ++n) {
            const int column = n <= 30 ? (n - 1) % 6 : (n - 31) % 5;
            const int row = n <= 30 ? (n - 1) / 6 : 5 + (n - 31) / 5;
            const QImage face = form->Button(n)->Face().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(face, picture.copy(column * 35, row * 11, 35, 11));
        }
    }

    void BadKeyPictureGivesTheMessageAndBlankKeys_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("garbage") << QByteArray("BM\x10\x00garbage that is no picture at all", 38) << true;
        QTest::newRow("empty") << QByteArray() << true;
        QByteArray truncated;
        {
            QFile kit(QStringLiteral(VARNOX_KIT_DIR "/keys.bmp"));
            QVERIFY(kit.open(QIODevice::ReadOnly));
            truncated = kit.read(200);
        }
        QTest::newRow("truncated") << truncated << true;
        QByteArray wrongSize;
        {
            QImage small(100, 50, QImage::Format_RGB32);
            small.fill(Qt::red);
            QBuffer buffer(&wrongSize);
            buffer.open(QIODevice::WriteOnly);
            small.save(&buffer, "BMP");
        }
        QTest::newRow("wrong size") << wrongSize << true;
    }

    void BadKeyPictureGivesTheMessageAndBlankKeys() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, present);
        Scratch scratch;
        scratch.CopyKit(false);
        if (present) scratch.Write("keys.bmp", bytes);
        auto form = ShowForm(scratch);
        QCOMPARE(AcknowledgeWarnings(*form),
                 QStringList({"Failed to load the file rom0.bin", "Failed to load the file keys.bmp"}));
        for (int n = 1; n <= 50; ++n) QVERIFY(form->Button(n)->Face().isNull());
        QVERIFY(form->RunTimer()->Enabled());
    }

    // Damaged headers give either the whole picture or the message with
    // blank keys, never a crash.
    void DamagedKeyPicturesNeverCrash() {
        QFile kit(QStringLiteral(VARNOX_KIT_DIR "/keys.bmp"));
        QVERIFY(kit.open(QIODevice::ReadOnly));
        const QByteArray good = kit.readAll();
        QRandomGenerator random(1234);
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes = good;
            const int changes = 1 + random.bounded(4);
            for (int i = 0; i < changes; ++i) bytes[random.bounded(54)] = static_cast<char>(random.bounded(256));
            if (round % 5 == 4) bytes.truncate(random.bounded(bytes.size()));
            Scratch scratch;
            scratch.CopyKit(false);
            scratch.Write("keys.bmp", bytes);
            auto form = ShowForm(scratch);
            const QStringList warnings = AcknowledgeWarnings(*form);
            const bool failed = warnings.contains("Failed to load the file keys.bmp");
            for (int n = 1; n <= 50; ++n) QCOMPARE(form->Button(n)->Face().isNull(), failed);
        }
    }

    void NoFilesAtAllGiveThreeMessages() {
        Scratch scratch;
        auto form = ShowForm(scratch);
        QCOMPARE(AcknowledgeWarnings(*form),
                 QStringList({"Failed to load the file charset.bin", "Failed to load the file rom0.bin",
                              "Failed to load the file keys.bmp"}));
        QCOMPARE(form->GetMachine().DataRom[0x1234], 0xFF);
    }

    // Whatever is missing at start shows in one box, a line a file, with
    // the folder in full and the way out.
    void StartProblemsShowInOneBox_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("lines");
        const QString failed = QStringLiteral("Failed to load the file ");
        QTest::newRow("empty") << QStringList() << QStringList{failed + "charset.bin", failed + "rom0.bin", failed + "keys.bmp"};
        QTest::newRow("no keys") << QStringList{"charset.bin", "rom0.bin", "rom1.bin"} << QStringList{failed + "keys.bmp"};
        QTest::newRow("no firmware") << QStringList{"charset.bin", "keys.bmp"} << QStringList{failed + "rom0.bin"};
    }
    void StartProblemsShowInOneBox() {
        QFETCH(QStringList, present);
        QFETCH(QStringList, lines);
        Scratch scratch;
        for (const QString& name : present) QVERIFY(QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + name, scratch.dir.filePath(name)));
        auto form = ShowForm(scratch);
        QCOMPARE(form->Warnings().Pending(), 1);
        const QString advice = form->Warnings().Current()->informativeText();
        for (const QString& says : {scratch.dir.path(), QStringLiteral("varnox DIR"), QStringLiteral("File > Open folder...")}) {
            QVERIFY2(advice.contains(says), qPrintable(advice));
        }
        QCOMPARE(AcknowledgeWarnings(*form), lines);
    }

    void MouseHoldsTheKeyUnderIt() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        PowerOff(*form);
        Machine& m = form->GetMachine();
        m.Cpu.KO = 0xFF;
        m.Cpu.Halted = true;
        QTest::mousePress(form->Button(1), Qt::LeftButton);
        QCOMPARE(m.HeldKeys[0], 1);
        QCOMPARE(m.Cpu.KI, 0x01);
        QCOMPARE(m.Cpu.Halted, false);  // the wake line
        QTest::mouseRelease(form->Button(1), Qt::LeftButton);
        QCOMPARE(m.HeldKeys[0], 1);  // held until the firmware had time to see it
        LetHeldPressesGo(*form);
        QCOMPARE(m.HeldKeys[0], 0);
        QCOMPARE(m.Cpu.KI, 0x00);
        // Any mouse button; and only while KO drives the key's lines.
        m.Cpu.KO = 0x41;
        QTest::mousePress(form->Button(50), Qt::RightButton);
        QCOMPARE(m.HeldKeys[0], 50);
        QCOMPARE(m.Cpu.KI, 0x00);
        m.Cpu.KO = 0x42;
        QTest::mouseRelease(form->Button(50), Qt::RightButton);
        LetHeldPressesGo(*form);
        QCOMPARE(m.HeldKeys[0], 0);
    }

    void TypedCharactersAndPcKeysHoldTheirKeys() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        PowerOff(*form);
        Machine& m = form->GetMachine();
        m.Cpu.KO = 0xFF;
        struct Case {
            char character;
            int key;
        };
        const Case typed[] = {{'m', 31}, {'M', 31}, {'7', 31}, {'a', 19}, {'(', 27}, {')', 28}, {'[', 47},
                              {'.', 47}, {' ', 49}, {'*', 39}, {'/', 40}, {'+', 44}, {'-', 45}, {'0', 46},
                              {']', 48}, {'4', 36}, {'"', 3}, {':', 13}, {'!', 0}, {'{', 0}};
        for (const Case& c : typed) {
            QTest::keyPress(form.get(), c.character);
            QVERIFY2(m.HeldKeys[1] == c.key, qPrintable(QStringLiteral("typed %1").arg(QChar::fromLatin1(c.character))));
            QTest::keyRelease(form.get(), c.character);
            LetHeldPressesGo(*form);
            QCOMPARE(m.HeldKeys[1], 0);
        }
        QTest::keyPress(form.get(), 'A');
        QCOMPARE(m.Cpu.KI, 0x02);  // key 19 sits at KO 0x60, KI 0x02
        QTest::keyRelease(form.get(), 'A');
        LetHeldPressesGo(*form);

        const std::pair<Qt::Key, int> pcKeys[] = {{Qt::Key_Return, 50}, {Qt::Key_Enter, 50}, {Qt::Key_Escape, 35},
                                                  {Qt::Key_End, 2},     {Qt::Key_Home, 1},   {Qt::Key_Left, 4},
                                                  {Qt::Key_Up, 10},     {Qt::Key_Right, 5},  {Qt::Key_Down, 11},
                                                  {Qt::Key_Delete, 34}, {Qt::Key_F8, 52}};
        for (const auto& [key, number] : pcKeys) {
            QTest::keyPress(form.get(), key);
            QCOMPARE(m.HeldKeys[1], number);
            QTest::keyRelease(form.get(), key);
            LetHeldPressesGo(*form);
            QCOMPARE(m.HeldKeys[1], 0);
        }

        // Releasing a PC key leaves the key held by the mouse.
        QTest::mousePress(form->Button(7), Qt::LeftButton);
        QTest::keyPress(form.get(), Qt::Key_Home);
        QTest::keyRelease(form.get(), Qt::Key_Shift);
        LetHeldPressesGo(*form);
        QCOMPARE(m.HeldKeys[1], 0);
        QCOMPARE(m.HeldKeys[0], 7);
        QCOMPARE(m.Cpu.KI, 0x01);  // key 7 at KO 0x44, KI 0x01
        QTest::mouseRelease(form->Button(7), Qt::LeftButton);
    }

    // Nothing stays held when the keyboard goes elsewhere or the debugger
    // takes over: the releases the window will not see are made for it.
    void KeysLetGoOnFocusLossAndWhenTheDebuggerTakesOver() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        PowerOff(*form);
        Machine& m = form->GetMachine();
        int shown = 0;
        form->ShowDebugger = [&] { ++shown; };
        for (const char* how : {"focus lost", "F3", "debugger by the menu"}) {
            m.Cpu.KO = 0xFF;
            QTest::mousePress(form->Button(7), Qt::LeftButton);
            QTest::keyPress(form.get(), 'q');
            QCOMPARE(m.HeldKeys[0], 7);
            QCOMPARE(m.HeldKeys[1], 37);
            QVERIFY(form->Button(37)->isDown());
            if (how == std::string("focus lost")) {
                QFocusEvent lost(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
                QApplication::sendEvent(form.get(), &lost);
            } else if (how == std::string("F3")) {
                QTest::keyPress(form.get(), Qt::Key_F3);
            } else {
                form->Menu().Action("debugger")->trigger();
            }
            QVERIFY2(m.HeldKeys[0] == 0 && m.HeldKeys[1] == 0, how);
            QCOMPARE(m.Cpu.KI, 0x00);
            QVERIFY2(!form->Button(7)->isDown() && !form->Button(37)->isDown(), how);
            // Released elsewhere, or never: still nothing held later.
            LetHeldPressesGo(*form);
            QVERIFY2(m.HeldKeys[0] == 0 && m.HeldKeys[1] == 0, how);
            QTest::mouseRelease(form->Button(7), Qt::LeftButton);
            QTest::keyRelease(form.get(), 'q');
        }
        QCOMPARE(shown, 2);
        // Auto-repeat of a held key presses nothing again.
        QTest::keyPress(form.get(), 'q');
        QTest::keyRelease(form.get(), 'q');
        QTest::keyPress(form.get(), 'w');
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"), true);
        QApplication::sendEvent(form.get(), &repeat);
        LetHeldPressesGo(*form);
        QCOMPARE(m.HeldKeys[1], 43);  // w, not q again
    }

    void F3AndRunLoopStopsCallTheDebuggerHook() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        int shown = 0;
        form->ShowDebugger = [&] { ++shown; };
        QTest::keyClick(form.get(), Qt::Key_F3);
        QCOMPARE(shown, 1);
        QCOMPARE(form->GetMachine().HeldKeys[1], 0);
        form->Control().Stops.StepCount = 3;
        QTRY_COMPARE_WITH_TIMEOUT(shown, 2, 2000);
        QCOMPARE(form->Control().DebugActive, 1);
    }

    void SwitchesSlideAndActOnTheMachine() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        Machine& m = form->GetMachine();
        varnox::TShape* print = form->PrintSwitch();
        varnox::TShape* power = form->PowerSwitch();

        QTest::mouseClick(print, Qt::LeftButton);
        QCOMPARE(m.HeldKeys[2], 53);
        QCOMPARE(print->x(), 77);
        QCOMPARE(print->Tag(), 19);
        QTest::mouseClick(print, Qt::RightButton);
        QCOMPARE(m.HeldKeys[2], 0);
        QCOMPARE(print->x(), 58);
        QCOMPARE(print->Tag(), -19);

        QTest::mouseClick(power, Qt::LeftButton);
        QCOMPARE(power->x(), 221);
        QVERIFY(!form->RunTimer()->Enabled());
        QVERIFY(form->RefreshTimer()->isActive());
        m.Cpu.PC = 0x1234;
        QTest::mouseClick(power, Qt::LeftButton);
        QCOMPARE(power->x(), 202);
        QCOMPARE(m.Cpu.PC, 0);  // reset, and running again
        QVERIFY(form->RunTimer()->Enabled());

        // The print switch at "HD" is seen on KI bit 7 under KO 0xA0.
        PowerOff(*form);
        QTest::mouseClick(print, Qt::LeftButton);
        m.Cpu.KO = 0xA0;
        QTest::mousePress(form->Button(49), Qt::LeftButton);
        QCOMPARE(m.Cpu.KI, 0x80);
        QTest::mouseRelease(form->Button(49), Qt::LeftButton);
    }

    // Only changed nibbles are painted; a change of LcdControl repaints all.
    void PaintLcdDrawsChangedNibblesOnly() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        PowerOff(*form);
        form->RefreshTimer()->stop();
        Machine& m = form->GetMachine();
        auto& frame = m.Lcd.DisplayRam;  // shown as it is without a cursor
        m.Lcd.DisplayOn = true;
        frame.fill(0);

        m.Lcd.LcdControl = 0x00;
        form->PaintLcd();
        QCOMPARE(form->DisplayBitmap().pixel(0, 0), Silver);

        m.Lcd.LcdControl = 0x80;
        form->PaintLcd();
        const QImage blank = form->DisplayBitmap();
        QCOMPARE(blank.pixel(191, 127), White);

        // Band 1, column 5, lower half: dot rows 12..15 of column 5.
        const int index = 1 * 192 + 5 * 2 + 1;
        auto dotAt = [&](int row) { return form->DisplayBitmap().pixel(2 * 5 + 1, 2 * row + 1); };
        frame[index] = 0x9;
        form->PaintLcd();
        QCOMPARE(dotAt(12), Black);
        QCOMPARE(dotAt(13), White);
        QCOMPARE(dotAt(14), White);
        QCOMPARE(dotAt(15), Black);
        const QImage nine = form->DisplayBitmap();

        frame[index] = 0x6;
        form->PaintLcd();
        QCOMPARE(dotAt(12), White);
        QCOMPARE(dotAt(13), Black);
        QCOMPARE(dotAt(14), Black);
        QCOMPARE(dotAt(15), White);
        const QImage six = form->DisplayBitmap();
        int differing = 0;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 192; ++x) {
                if (nine.pixel(x, y) == six.pixel(x, y)) continue;
                ++differing;
                QVERIFY(x >= 10 && x <= 11 && y >= 24 && y <= 31);
            }
        }
        QCOMPARE(differing, 16);

        // Bits 0..5 of LcdControl alone repaint everything, nibbles again.
        m.Lcd.LcdControl = 0x81;
        form->PaintLcd();
        QCOMPARE(form->DisplayBitmap(), six);
        m.Lcd.LcdControl = 0x01;
        form->PaintLcd();
        QCOMPARE(form->DisplayBitmap().pixel(2 * 5, 2 * 13), Silver);
    }

    // The refresh timer paints the display memory and hands the picture to
    // the image, and leaves the machine alone: the self-test ticks are
    // counted down by every third run tick.
    void RefreshTimerOnlyPaintsAndRunTicksCountTheSelfTest() {
        Scratch scratch;
        scratch.CopyKit();
        scratch.Write("varnox.ini", "[Settings]\nOscFreq=0x400\nSelfTest=2\n");
        auto form = ShowForm(scratch);
        Machine& m = form->GetMachine();
        QCOMPARE(form->Control().CyclesPerTick, 10240);
        PowerOff(*form);
        form->RefreshTimer()->stop();
        QCOMPARE(m.Clock.SelfTestCounter, 2);
        m.Lcd.LcdControl = 0x80;
        m.Lcd.DisplayOn = true;
        m.Lcd.DisplayRam[0] = 0x8;  // the top-left dot
        const std::vector<uint8_t> before = varnox::EncodeState(m);
        form->OnRefreshTimer();
        QVERIFY(varnox::EncodeState(m) == before);
        const QImage shown = form->LcdImage()->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, form->DisplayBitmap());
        QCOMPARE(shown.pixel(1, 1), Black);
        QCOMPARE(shown.pixel(2, 2), White);
        const auto runTick = form->RunTimer()->OnTimer();
        std::vector<int> counter;
        for (int tick = 0; tick < 6; ++tick) {
            runTick(form->RunTimer());
            counter.push_back(m.Clock.SelfTestCounter);
        }
        QCOMPARE(counter, (std::vector<int>{2, 2, 1, 1, 1, 0}));
    }

    // With the default oscillator the run loop gets 9100 clock ticks per
    // 10 ms tick of the run timer (whose rate ThdTimerTest checks), and the
    // timer's ticks run it.
    void RunTimerDrivesTheMachine() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        QCOMPARE(form->Control().CyclesPerTick, 9100);
        QCOMPARE(form->RunTimer()->Interval(), 10u);
        int ticks = 0;
        const auto runTick = form->RunTimer()->OnTimer();
        form->RunTimer()->SetOnTimer([&](QObject* sender) {
            ++ticks;
            runTick(sender);
        });
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 10, 10000);
    }

    void ClosingSavesRamAndRegisters() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        PowerOff(*form);
        form->GetMachine().DataRam[0x10] = 0x5A;
        form->GetMachine().Cpu.MainRegisterFile[3] = 0x77;
        QVERIFY(form->close());
        QCOMPARE(form->Control().DebugActive, 1);
        QVERIFY(!form->RunTimer()->Enabled());
        QVERIFY(!form->RefreshTimer()->isActive());
        const QByteArray ram = scratch.Read("ram.bin");
        const QByteArray registers = scratch.Read("register.bin");
        QCOMPARE(ram.size(), 8192);
        QCOMPARE(registers.size(), 128);
        QCOMPARE(static_cast<uint8_t>(ram[0x10]), 0x5A);
        QCOMPARE(static_cast<uint8_t>(registers[3]), 0x77);

        // The next start reads them back.
        auto again = ShowForm(scratch);
        QCOMPARE(again->GetMachine().DataRam[0x10], 0x5A);
    }

    void ClosingWhileAMessageIsUpLosesNothing() {
        Scratch scratch;
        auto form = ShowForm(scratch);
        QVERIFY(form->Warnings().Current());
        QCOMPARE(form->Warnings().Pending(), 1);  // every missing file in one box
        QVERIFY(form->close());
        QCOMPARE(form->Warnings().Pending(), 0);
        QCOMPARE(scratch.Read("ram.bin").size(), 8192);
        QCOMPARE(scratch.Read("register.bin").size(), 128);
        QCoreApplication::processEvents();
    }

    void DestroyingAShownWindowSavesToo() {
        Scratch scratch;
        scratch.CopyKit();
        ShowForm(scratch).reset();
        QCOMPARE(scratch.Read("ram.bin").size(), 8192);
    }

    // A failed save says so without stopping the other file.
    void SaveFailureIsReportedAndTheOtherFileWritten() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        QVERIFY(QDir(scratch.dir.path()).mkdir("ram.bin"));
        const QStringList seen = CloseAnsweringBoxes(*form);
        QCOMPARE(seen, QStringList({"Failed to save the file ram.bin: Is a directory"}));
        QCOMPARE(scratch.Read("register.bin").size(), 128);
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
