// At a device pixel ratio of 2 the display's dots and the key faces are
// drawn in sharp blocks of whole device pixels, without smoothing.
#include <QLabel>

#include "GuiSupport.h"

using varnox::Machine;
using varnox::TMainForm;
using namespace varnox::test;

class CrispDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void DotsAndFacesStaySharp() {
        Scratch scratch;
        scratch.CopyKit();
        auto form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        PowerOff(*form);
        form->RefreshTimer()->stop();
        Machine& m = form->GetMachine();
        m.Lcd.LcdControl = 0x80;
        m.Lcd.DisplayOn = true;
        for (int i = 0; i < 1536; ++i) m.Lcd.DisplayRam[i] = static_cast<uint8_t>((i * 5) & 15);
        form->OnRefreshTimer();

        const QPixmap grabbed = form->LcdImage()->grab();
        if (grabbed.devicePixelRatio() < 2) QSKIP("this platform gives no device pixel ratio of 2");
        const QImage display = grabbed.toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(display.size(), QSize(384, 256));
        const QImage bitmap = form->DisplayBitmap();
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 384; ++x) QCOMPARE(display.pixel(x, y), bitmap.pixel(x / 2, y / 2));
        }

        const QImage key = form->Button(31)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage face = form->Button(31)->Face().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < 22; ++y) {
            for (int x = 0; x < 70; ++x) QCOMPARE(key.pixel(14 + x, 14 + y), face.pixel(x / 2, y / 2));
        }
    }
};

QTEST_MAIN(CrispDisplayTest)
#include "CrispDisplayTest.moc"
