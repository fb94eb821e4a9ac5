// The face at any window size on a 1920 x 1080 screen: the display's dots
// at the largest whole number of pixels that fits their place, every dot a
// whole square, the face centred; and Fit to screen.
#include <QAction>
#include <QMenuBar>
#include <QSettings>

#include "GuiSupport.h"
#include "frontend/MainWidgets.h"
#include "frontend/ScreenMessages.h"

using varnox::TMainForm;
using namespace varnox::test;

namespace {

// Dots on and off all over, and no message over them.
void Checkers(TMainForm& form) {
    form.Menu().Action("pause")->trigger();
    form.Messages().SetLasting("pause", QString());
    varnox::Machine& m = form.GetMachine();
    m.Lcd.LcdControl |= varnox::LcdPowered;
    for (int i = 0; i < 1536; ++i) m.Lcd.DisplayRam[i] = static_cast<uint8_t>((i * 7) & 15);
    m.Lcd.DisplayOn = true;
    varnox::LcdRefresh(m.Lcd);
    form.OnRefreshTimer();
}

// Every dot a whole `scale` x `scale` square of its colour in the picture.
bool DotsAreWholeSquares(TMainForm& form, int scale) {
    const QImage shown = form.LcdImage()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at = form.LcdImage()->DotsRect().topLeft().toPoint();
    for (int y = 0; y < 64 * scale; ++y) {
        for (int x = 0; x < 96 * scale; ++x) {
            if (shown.pixel(at + QPoint(x, y)) != form.DisplayBitmap().pixel(2 * (x / scale), 2 * (y / scale))) return false;
        }
    }
    return true;
}

}  // namespace

class ScaledFaceTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    void DotsScaleWholeAtAnySize_data() {
        QTest::addColumn<QSize>("face");
        QTest::addColumn<int>("dotScale");
        QTest::addColumn<int>("displayLeft");
        QTest::newRow("1x") << QSize(315, 528) << 2 << 60;
        QTest::newRow("just under 1.5x") << QSize(472, 792) << 3 << 90;
        QTest::newRow("2x") << QSize(630, 1056) << 4 << 120;
        QTest::newRow("wide: centred") << QSize(1000, 528) << 2 << 402;
        // Too small for 2 pixels a dot: the face takes the size of the
        // dots at 1 (0.5x), centred, rather than leave its display a frame.
        QTest::newRow("small") << QSize(200, 400) << 1 << 51;
        QTest::newRow("between whole dots") << QSize(420, 700) << 2 << 112;
    }
    void DotsScaleWholeAtAnySize() {
        QFETCH(QSize, face);
        QFETCH(int, dotScale);
        QFETCH(int, displayLeft);
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        Checkers(*form);
        form->resize(face + QSize(0, form->Menu().MenuBar()->height()));
        QTRY_COMPARE(form->LcdImage()->parentWidget()->size(), face);
        QCOMPARE(form->LcdImage()->x(), displayLeft);
        QCOMPARE(form->LcdImage()->DeviceDotScale(), dotScale);
        QCOMPARE(form->LcdImage()->size(), QSize(96, 64) * dotScale);  // the dots fill their place
        QVERIFY(DotsAreWholeSquares(*form, dotScale));
    }

    // Fitted to a 1920 x 1080 screen the face shows the display at 1.5 times
    // its 1x size or more, its dots filling their place, and comes back so
    // at the next start.
    void FitToScreenShowsTheDisplayLarger() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        Checkers(*form);
        form->Menu().Action("fit")->trigger();
        QTRY_VERIFY(form->height() > 780);
        const int dot = form->LcdImage()->DeviceDotScale();
        QVERIFY(dot >= 3);
        QCOMPARE(form->LcdImage()->size(), QSize(96, 64) * dot);
        QVERIFY(DotsAreWholeSquares(*form, form->LcdImage()->DeviceDotScale()));
        QVERIFY(form->Menu().Action("fit")->isChecked());
        form.reset();
        auto again = ShowForm(scratch);
        QTRY_VERIFY(again->height() > 780);
        QVERIFY(again->Menu().Action("fit")->isChecked());
    }
};

QTEST_MAIN(ScaledFaceTest)
#include "ScaledFaceTest.moc"
