// The window on the offscreen platform's 800 x 600 screen: the sizes
// offered, the display-only view, fullscreen, the messages over the display
// and numbered screenshots.
#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>

#include "GuiSupport.h"
#include "frontend/MainWidgets.h"
#include "frontend/ScreenMessages.h"
#include "frontend/Screenshots.h"

using varnox::TMainForm;
using varnox::TScreenMessages;
using namespace varnox::test;

namespace {

struct Shown {
    Scratch scratch;
    std::unique_ptr<TMainForm> form;
    TScreenMessages* messages = nullptr;
    qint64 now = 0;  // the messages' clock

    Shown() {
        scratch.CopyKit();
        form = ShowForm(scratch);
        AcknowledgeWarnings(*form);
        messages = form->findChild<TScreenMessages*>();
        messages->SetClock([this] { return now; });
    }
    QAction* Action(const char* name) const { return form->Menu().Action(name); }
    QStringList Lines() const {
        QStringList texts;
        for (const auto& line : messages->Lines()) texts << line.Text;
        return texts;
    }
    // The display's dots as they show, each `scale` pixels square, against
    // the window's picture of them, in rows `fromRow` up to `toRow`.
    void CompareDots(const QImage& shown, int scale, int fromRow = 0, int toRow = 64) const {
        const QImage bitmap = form->DisplayBitmap();
        for (int y = fromRow; y < toRow; ++y) {
            for (int x = 0; x < 96; ++x) {
                const QRgb dot = bitmap.pixel(2 * x, 2 * y);
                QCOMPARE(shown.pixel(x * scale, y * scale), dot);
                QCOMPARE(shown.pixel(x * scale + scale - 1, y * scale + scale - 1), dot);
            }
        }
    }
};

// A picture with dots on and off all over.
void Checkers(TMainForm& form) {
    form.Menu().Action("pause")->trigger();
    varnox::Machine& m = form.GetMachine();
    m.Lcd.LcdControl |= varnox::LcdPowered;
    for (int i = 0; i < 1536; ++i) m.Lcd.DisplayRam[i] = static_cast<uint8_t>((i * 7) & 15);
    m.Lcd.DisplayOn = true;
    varnox::LcdRefresh(m.Lcd);
    form.OnRefreshTimer();
}

}  // namespace

class WindowViewTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings().clear(); }

    void OnlySizesThatFitAreOffered() {
        QSettings().setValue("window/viewSize", 3);  // stored on a larger screen
        Shown shown;
        QVERIFY(shown.Action("view1")->isChecked());
        QVERIFY(!shown.Action("view2")->isEnabled());
        QVERIFY(!shown.Action("view3")->isEnabled());
        QVERIFY(shown.form->height() <= 600);

        // The display alone goes into a window of its own, any size, beside
        // the keys; closing it brings the display back.
        const QSize face = shown.form->size();
        shown.Action("displayonly")->trigger();
        QWidget* own = shown.form->LcdImage()->window();
        QVERIFY(own != shown.form.get() && own->isVisible());
        QVERIFY(shown.form->Button(1)->isVisible());
        own->resize(500, 300);
        QTRY_COMPARE(shown.form->LcdImage()->geometry(), QRect(58, 22, 384, 256));  // its badges beside it
        QCOMPARE(shown.form->size(), face);
        own->close();
        QVERIFY(!own->isVisible());
        QCOMPARE(shown.form->LcdImage()->window(), shown.form.get());
        QCOMPARE(shown.form->LcdImage()->geometry(), QRect(60, 20, 192, 128));
    }

    // Fullscreen: the display alone, centred at the largest whole number of
    // pixels a dot (8 on 800 x 600), black around it; and back.
    void FullscreenShowsTheDisplayAtTheLargestWholeScale() {
        Shown shown;
        Checkers(*shown.form);
        shown.Action("fullscreen")->trigger();
        QTRY_VERIFY(shown.form->isFullScreen());
        QTRY_COMPARE(shown.form->size(), QSize(800, 600));
        QVERIFY(!shown.form->Menu().MenuBar()->isVisible());
        QCOMPARE(shown.form->LcdImage()->geometry(), QRect(16, 36, 768, 512));  // above the badges' line
        QCOMPARE(shown.Lines().last(), QStringLiteral("Fullscreen: Alt+Enter or Ctrl+F leaves"));
        shown.now += TScreenMessages::ShowMs + TScreenMessages::FadeMs;
        shown.messages->SetLasting("pause", QString());
        const QImage screen = shown.form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (const QPoint corner : {QPoint(0, 0), QPoint(15, 35), QPoint(799, 599), QPoint(784, 548)}) {
            QCOMPARE(screen.pixel(corner), 0xFF000000u);
        }
        shown.CompareDots(screen.copy(16, 36, 768, 512), 8);
        // A right click anywhere on it opens the menu: there is no bar.
        auto* stage = shown.form->findChild<varnox::TDisplayStage*>();
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), stage->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(stage, &click);
        QVERIFY(shown.form->Menu().ContextMenu()->isVisible());
        shown.form->Menu().ContextMenu()->hide();

        QTest::keyClick(shown.form.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(!shown.form->isFullScreen());
        QVERIFY(shown.form->Menu().MenuBar()->isVisible());
        QCOMPARE(shown.form->LcdImage()->geometry(), QRect(60, 20, 192, 128));
        QTRY_COMPARE(shown.form->size(), QSize(315, 528 + shown.form->Menu().MenuBar()->height()));
    }

    // Lasting messages follow the state; the others show two seconds, fade
    // and go. None reaches the picture or the screenshots.
    void MessagesShowOverTheDisplayOnly() {
        Shown shown;
        QSettings().setValue("screenshots/folder", shown.scratch.dir.path());
        shown.scratch.Write("varnox-0007.png", "precious");
        Checkers(*shown.form);
        QCOMPARE(shown.Lines(), QStringList{"Paused"});
        shown.Action("speed2")->trigger();
        QCOMPARE(shown.Lines(), (QStringList{"Paused", "2x"}));
        shown.Action("speed1")->trigger();

        shown.Action("save2")->trigger();
        QVERIFY2(QRegularExpression("^State 2 saved \\d\\d:\\d\\d:\\d\\d$").match(shown.Lines().last()).hasMatch(),
                 qPrintable(shown.Lines().last()));
        shown.now += 1000;
        QTest::keyClick(shown.form.get(), Qt::Key_Print);
        QTest::keyClick(shown.form.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(shown.Lines().mid(2), (QStringList{"Screenshot " + shown.scratch.dir.filePath("varnox-0008.png"),
                                                    "Screenshot " + shown.scratch.dir.filePath("varnox-0009.png")}));
        QCOMPARE(shown.scratch.Read("varnox-0007.png"), QByteArray("precious"));
        const QImage saved(shown.scratch.dir.filePath("varnox-0009.png"));
        shown.CompareDots(saved.convertToFormat(QImage::Format_RGB32), 2);
        shown.CompareDots(shown.form->DisplayBitmap(), 2);
        const QImage over = shown.form->LcdImage()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(over != shown.form->DisplayBitmap().convertToFormat(QImage::Format_RGB32));
        shown.CompareDots(over, 2, 10, 40);  // between the lasting ones above and the others below

        shown.now += TScreenMessages::ShowMs - 1000;  // the state's: full, about to fade
        QCOMPARE(shown.messages->Lines()[1].Opacity, 1.0);
        shown.now += TScreenMessages::FadeMs / 2;
        QCOMPARE(shown.messages->Lines()[1].Opacity, 0.5);
        shown.now += TScreenMessages::FadeMs / 2;
        shown.messages->Tick();
        QCOMPARE(shown.Lines().size(), 3);
        shown.Action("pause")->trigger();
        QCOMPARE(shown.Lines().first(), "Screenshot " + shown.scratch.dir.filePath("varnox-0008.png"));
    }

    // Each change of the machine the user did not see happen is said:
    // `steps` are actions by name, and "tick" runs ten run ticks.
    void ChangesAreSaid_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("said");
        QTest::newRow("undo load") << "save1 load1 undoload" << "Load undone";
        QTest::newRow("recording saved") << "record tick tick stoprecord" << "Recording saved: take.vxr (0.2 s)";
        QTest::newRow("by rewind") << "record tick tick rewind" << "Recording stopped by rewind: take.vxr";
        QTest::newRow("by state load") << "save1 record tick load1" << "Recording stopped by state load: take.vxr";
        QTest::newRow("by debugger") << "record tick debugger" << "Recording stopped by debugger: take.vxr";
        QTest::newRow("replay") << "record tick tick stoprecord replay tick" << "PLAY 0.1 / 0.2 s";
    }
    void ChangesAreSaid() {
        QFETCH(QString, steps);
        QFETCH(QString, said);
        Shown shown;
        PowerOff(*shown.form);  // only the ticks run here count
        AnswerFileDialog(*shown.form, shown.scratch.dir.filePath("take.vxr"));
        for (const QString& step : steps.split(' ')) {
            if (step != "tick") {
                shown.Action(step.toLatin1().constData())->trigger();
                continue;
            }
            for (int tick = 0; tick < 10; ++tick) shown.form->RunTimer()->OnTimer()(shown.form->RunTimer());
            shown.form->OnRefreshTimer();
        }
        QVERIFY2(shown.Lines().contains(said), qPrintable(shown.Lines().join(" | ")));
    }

    // The window comes back to its place after fullscreen, and the display's
    // own window to its place at the next start.
    void PlacesComeBack() {
        QRect displayPlace;
        {
            Shown shown;
            shown.form->move(40, 30);
            QTRY_COMPARE(shown.form->pos(), QPoint(40, 30));
            const QRect before = shown.form->geometry();
            for (int round = 0; round < 2; ++round) {
                shown.Action("fullscreen")->trigger();
                QTRY_VERIFY(shown.form->isFullScreen());
                shown.Action("fullscreen")->trigger();
                QTRY_VERIFY(!shown.form->isFullScreen());
                QTRY_COMPARE(shown.form->geometry(), before);
            }
            shown.Action("displayonly")->trigger();
            QWidget* own = shown.form->LcdImage()->window();
            own->setGeometry(QRect(300, 200, 400, 300));
            QTRY_COMPARE(own->geometry(), QRect(300, 200, 400, 300));
            displayPlace = own->geometry();
            shown.form->close();
        }
        Shown again;
        QTRY_VERIFY(again.form->LcdImage()->window() != again.form.get());
        QTRY_COMPARE(again.form->LcdImage()->window()->geometry(), displayPlace);
        QCOMPARE(again.form->pos(), QPoint(40, 30));
    }

    // "Paused", the speed and a replay's progress stay as long as they
    // last: they show beside the display, never over its dots, in every
    // view (the face, the display's own window, fullscreen).
    void BadgesNeverCoverTheDots() {
        Shown shown;
        Checkers(*shown.form);  // paused
        shown.messages->SetLasting("play", "PLAY 12.3 / 40.0 s");
        shown.Action("speed2")->trigger();
        const auto dotsUnchanged = [&shown](const char* view) {
            const QImage with = shown.form->LcdImage()->grab().toImage();
            const QString said[] = {"Paused", "2x", "PLAY 12.3 / 40.0 s"};
            for (const QString& text : said) QVERIFY2(shown.Lines().contains(text), view);
            shown.messages->SetLasting("pause", QString());
            shown.messages->SetLasting("speed", QString());
            shown.messages->SetLasting("play", QString());
            QVERIFY2(shown.form->LcdImage()->grab().toImage() == with, view);
            shown.messages->SetLasting("pause", said[0]);
            shown.messages->SetLasting("speed", said[1]);
            shown.messages->SetLasting("play", said[2]);
        };
        auto* strip = shown.form->findChild<QWidget*>("badgeStrip");
        QVERIFY(strip && strip->isVisible());
        QVERIFY(!strip->geometry().intersects(shown.form->LcdImage()->geometry()));
        dotsUnchanged("face");
        // Drawn where the strip is: its picture changes with them.
        const QImage badges = strip->grab().toImage();
        shown.messages->SetLasting("pause", QString());
        QVERIFY(strip->grab().toImage() != badges);
        shown.messages->SetLasting("pause", "Paused");

        for (const char* view : {"displayonly", "fullscreen"}) {
            shown.Action(view)->trigger();
            auto* stage = qobject_cast<varnox::TDisplayStage*>(shown.form->LcdImage()->parentWidget());
            QVERIFY2(stage, view);
            QTRY_VERIFY(stage->isVisible());
            QVERIFY2(!stage->BadgeArea().intersects(shown.form->LcdImage()->geometry()), view);
            QVERIFY2(stage->BadgeArea().height() >= stage->BadgeLineHeight(), view);
            dotsUnchanged(view);
            shown.Action(view)->trigger();
        }
    }

    // Without a folder chosen, numbered screenshots and clips go to a
    // Varnox folder in the user's pictures folder, made when missing; the
    // calculator's folder only when that cannot be had.
    void PicturesGoToTheUsersPicturesFolder() {
        const struct {
            const char *xdg, *desktop, *home;
            QStringList choices;
        } cases[] = {
            {"/x/pics", "/d/Pictures", "/h", {"/x/pics/Varnox", "/calc"}},
            {"", "/d/Pictures/", "/h", {"/d/Pictures/Varnox", "/calc"}},
            {"pics", "", "/h", {"/h/Pictures/Varnox", "/calc"}},  // a relative name counts for nothing
            {"", "", "", {"/calc"}},
        };
        for (const auto& c : cases) QCOMPARE(varnox::PictureFolderChoices(c.xdg, c.desktop, c.home, "/calc"), c.choices);

        Scratch scratch;
        const QString made = scratch.dir.filePath("home/Pictures/Varnox");
        QCOMPARE(varnox::UsablePictureFolder({made, scratch.dir.path()}), made);
        QVERIFY(QFileInfo(made).isDir());
        scratch.Write("file", "not a folder");
        QCOMPARE(varnox::UsablePictureFolder({scratch.dir.filePath("file/Varnox"), scratch.dir.path()}), scratch.dir.path());

        // The window, with the environment's pictures folder; the message
        // names the file in full.
        const QByteArray kept = qgetenv("XDG_PICTURES_DIR");
        qputenv("XDG_PICTURES_DIR", scratch.dir.filePath("pics").toUtf8());
        {
            Shown shown;
            shown.Action("screenshot")->trigger();
            const QString file = scratch.dir.filePath("pics/Varnox/varnox-0001.png");
            QVERIFY(QFileInfo(file).isFile());
            QCOMPARE(shown.Lines().last(), "Screenshot " + file);
        }
        if (kept.isNull()) qunsetenv("XDG_PICTURES_DIR");
        else qputenv("XDG_PICTURES_DIR", kept);
    }

    void ScreenshotFailuresNameTheFile() {
        Shown shown;
        const QString folder = shown.scratch.dir.filePath("missing");
        QSettings().setValue("screenshots/folder", folder);
        shown.Action("screenshot")->trigger();
        QCOMPARE(AcknowledgeWarnings(*shown.form),
                 QStringList("Failed to save the file " + folder + "/varnox-0001.png: No such file or directory"));
        QVERIFY(shown.Lines().isEmpty());
    }
};

QTEST_MAIN(WindowViewTest)
#include "WindowViewTest.moc"
