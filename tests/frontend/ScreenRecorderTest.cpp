// File > Record screen in the window, run tick by tick: the clip saved
// under the next free number lasts the emulated time it recorded at any
// speed, ends on the picture the window shows, and its mark goes with it.
#include <QAction>
#include <QDir>
#include <QSettings>

#include "GuiSupport.h"
#include "support/GifFrames.h"
#include "frontend/RecordMark.h"
#include "frontend/ScreenMessages.h"

using varnox::TMainForm;
using varnox::TRecordMark;
using varnox::test::DecodeGif;
using varnox::test::GifFrame;
using namespace varnox::test;

namespace {

bool ClipMarkShown(const TMainForm& form) {
    // The marks have no meta-object of their own: found by their type.
    for (const QWidget* widget : form.findChildren<QWidget*>()) {
        const auto* mark = dynamic_cast<const TRecordMark*>(widget);
        if (mark && mark->isVisible() && mark->State() == TRecordMark::TState::Clip) return true;
    }
    return false;
}

}  // namespace

class ScreenRecorderTest : public QObject {
    Q_OBJECT
private slots:
    void ClipsLastTheEmulatedTimeUnderTheNextNumber_data() {
        QTest::addColumn<int>("speed");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("saved");
        QTest::newRow("1x, empty folder") << 1 << QStringList{} << "varnox-0001.gif";
        QTest::newRow("8x, after others") << 8 << QStringList{"varnox-0003.gif", "varnox-0009.png"} << "varnox-0004.gif";
    }
    void ClipsLastTheEmulatedTimeUnderTheNextNumber() {
        QFETCH(int, speed);
        QFETCH(QStringList, present);
        QFETCH(QString, saved);
        Scratch scratch;
        scratch.CopyKit();
        for (const char* rom : {"rom0.bin", "rom1.bin"}) QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + rom, scratch.dir.filePath(rom));
        for (const QString& name : present) scratch.Write(name.toUtf8().constData(), "precious");
        QSettings().setValue("screenshots/folder", scratch.dir.path());
        auto form = ShowForm(scratch);
        form->RunTimer()->SetEnabled(false);  // the test runs the ticks
        form->Menu().Action(QStringLiteral("speed%1").arg(speed).toStdString())->trigger();

        form->Menu().Action("recordscreen")->trigger();
        QVERIFY(ClipMarkShown(*form));
        const long long from = form->Path().Tick();
        for (int i = 0; i < 120; ++i) form->RunTimer()->OnTimer()(form->RunTimer());
        const long long ticks = form->Path().Tick() - from;
        QCOMPARE(ticks, 120LL * speed);
        form->Menu().Action("recordscreen")->trigger();
        QVERIFY(!ClipMarkShown(*form));
        QVERIFY(!form->Menu().Action("recordscreen")->isChecked());
        QCOMPARE(form->findChild<varnox::TScreenMessages*>()->Lines().back().Text,
                 QStringLiteral("Clip %1 (%2 s)").arg(saved).arg(static_cast<double>(ticks) / 100, 0, 'f', 1));

        int width = 0;
        const std::vector<GifFrame> frames = DecodeGif(scratch.dir.filePath(saved).toStdString(), &width);
        int delays = 0;
        for (const GifFrame& frame : frames) delays += frame.delay;
        QCOMPARE(static_cast<long long>(delays), ticks);  // a hundredth of a second a run tick, whatever the speed
        // The last frame (each dot 2 x 2 at the default size) is the window's picture.
        form->PaintLcd();
        const QImage shown = form->DisplayBitmap();
        QCOMPARE(width, shown.width());
        for (size_t p = 0; p < frames.back().pixels.size(); ++p) {
            const bool black = shown.pixel(static_cast<int>(p) % width, static_cast<int>(p) / width) == qRgb(0, 0, 0);
            QCOMPARE(frames.back().pixels[p], black ? 1 : 0);
        }
        for (const QString& name : present) QCOMPARE(scratch.Read(name.toUtf8().constData()), QByteArray("precious"));
        QVERIFY(QDir(scratch.dir.path()).entryList({".varnox-clip-*"}, QDir::Files | QDir::Hidden).isEmpty());
        CloseAnsweringBoxes(*form);
    }
};

QTEST_MAIN(ScreenRecorderTest)
#include "ScreenRecorderTest.moc"
