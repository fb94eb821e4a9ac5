// The debugger's additions with real widgets under the offscreen platform,
// over a main window running an assembled program with its rom.sym: names
// in the listing, a breakpoint set in the margin that stops the run, the
// keys of step over and out, the call stack, every memory and the wheel.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>
#include <QTest>
#include <QWheelEvent>

#include <filesystem>
#include <functional>
#include <memory>

#include "DebugRig.h"
#include "frontend/debugger/ListMargin.h"
#include "support/WriteCheck.h"

using varnox::TDebugForm;
using varnox::TDebugTools;
using Pane = TDebugForm::PaneId;

using varnox::test::Rig;

class DebugToolsTest : public QObject {
    Q_OBJECT
private slots:
    // The tools never cover the debugger where the screen has room for both.
    void ToolsGoBesideTheDebugger() {
        const QRect screen(0, 0, 1600, 1000);
        const QSize tools(600, 450);
        const struct {
            QRect debugger;
            QPoint debuggerTo, toolsTo;
        } cases[] = {
            {{100, 100, 625, 514}, {100, 100}, {733, 100}},  // right of it
            {{900, 100, 625, 514}, {900, 100}, {292, 100}},  // left of it
            {{487, 243, 625, 514}, {367, 243}, {1000, 243}},  // centred: it moves over
        };
        for (const auto& c : cases) {
            const varnox::TToolsPlace place = varnox::PlaceToolsBeside(screen, c.debugger, tools, 8, false);
            QCOMPARE(place.Debugger, c.debuggerTo);
            QCOMPARE(place.Tools->topLeft(), c.toolsTo);
        }
        // Too narrow for both: below it; else not by itself, and when asked,
        // beside it in what the debugger leaves at the screen's left edge.
        QCOMPARE(varnox::PlaceToolsBeside({0, 0, 1024, 1200}, {200, 50, 625, 514}, tools, 8, false).Tools->topLeft(),
                 QPoint(200, 572));
        QVERIFY(!varnox::PlaceToolsBeside({0, 0, 1024, 768}, {200, 50, 625, 514}, tools, 8, false).Tools);
        const varnox::TToolsPlace asked = varnox::PlaceToolsBeside({0, 0, 1024, 768}, {200, 50, 625, 514}, tools, 8, true);
        QCOMPARE(asked.Debugger, QPoint(0, 50));
        QCOMPARE(*asked.Tools, QRect(633, 0, 391, 768));
    }

    // The Debug Window beside the emulator's window, never over its display
    // where the screen has room, and the tools not over it either.
    void TheDebuggerOpensBesideTheEmulatorsWindow() {
        const QSize debugger(625, 514);
        const struct {
            QRect area, window, display;
            QPoint to;
        } cases[] = {
            {{0, 0, 1920, 1080}, {803, 294, 315, 547}, {815, 330, 290, 100}, {1126, 294}},  // right of it
            {{0, 0, 1920, 1080}, {1590, 100, 315, 547}, {1600, 140, 290, 100}, {957, 100}},  // left of it
            {{0, 0, 1400, 1000}, {542, 200, 315, 547}, {555, 230, 290, 100}, {387, 338}},  // below the display
            {{0, 0, 1024, 768}, {355, 138, 315, 547}, {370, 170, 285, 120}, {200, 254}},  // as little over it as fits
        };
        for (const auto& c : cases) QCOMPARE(varnox::PlaceDebuggerBeside(c.area, c.window, c.display, debugger, 8), c.to);
        const QRect area(0, 0, 1920, 1080), beside(1126, 294, 625, 514), display(815, 330, 290, 100);
        QCOMPARE(varnox::PlaceToolsBeside(area, beside, {722, 489}, 8, false).Tools->topLeft(), QPoint(396, 294));
        QCOMPARE(varnox::PlaceToolsBeside(area, beside, {722, 489}, 8, false, display).Tools->topLeft(), QPoint(0, 294));
    }

    void ListingShowsNamesAndTheMarginSetsABreakpointThatStops() {
        Rig rig;
        QVERIFY(rig.Tools().isVisible());
        const QStringList rows = rig.ListRows();
        QCOMPARE(rows.mid(0, 4), QStringList({"main:", "0000: ldw   sp,&HE000", "0001: ldw   ix,count", "again:"}));
        // A click in the margin of the "again:" row sets the breakpoint of its line.
        const int cell = rig.PaneBox(Pane::ListId).CellSize().height();
        QTest::mouseClick(rig.Find("ListMargin"), Qt::LeftButton, {}, QPoint(3, 3 * cell + 2));
        QCOMPARE(rig.Session().Breakpoints.Size(), size_t{1});
        QCOMPARE(rig.Session().Breakpoints.All()[0].Address, rig.At("again"));
        QCOMPARE(rig.Tools().BreakpointTable()->rowCount(), 1);

        rig.Key(Qt::Key_F5);  // continue
        QVERIFY(!rig.Debug().isVisible());
        QVERIFY(rig.TicksUntilShown() > 0);
        QCOMPARE(rig.M().Cpu.PC, rig.At("again"));
        QVERIFY(rig.Tools().Status().startsWith("Breakpoint 1 at 0002 again (hit 1)"));
        // Once more round: the breakpoint's second hit.
        rig.Key(Qt::Key_F5);
        QVERIFY(rig.TicksUntilShown() > 0);
        QCOMPARE(rig.Session().Breakpoints.All()[0].Hits, 2u);
        // Unticked in its list, it lets the run go on.
        rig.Tools().BreakpointTable()->item(0, 0)->setCheckState(Qt::Unchecked);
        rig.Key(Qt::Key_F5);
        QCOMPARE(rig.TicksUntilShown(50), -1);
    }

    void StepOverOutAndTheCallStack() {
        Rig rig;
        varnox::Machine& m = rig.M();
        rig.Key(Qt::Key_F11);
        rig.Key(Qt::Key_F11);
        QCOMPARE(m.Cpu.PC, rig.At("again"));
        rig.Key(Qt::Key_F10);  // the whole call
        QCOMPARE(m.Cpu.PC, rig.At("after"));
        QCOMPARE(m.DataRam[0x10], 1);
        rig.Key(Qt::Key_F10);
        rig.Key(Qt::Key_F11);
        rig.Key(Qt::Key_F11);
        QCOMPARE(m.Cpu.PC, rig.At("inner"));
        QListWidget* stack = rig.Tools().CallStackList();
        QCOMPARE(stack->count(), 2);
        QCOMPARE(stack->item(0)->text(), QStringLiteral("0005 outer+1 <- cal inner"));
        QCOMPARE(stack->item(1)->text(), QStringLiteral("0003 after <- cal outer"));
        // Choosing a frame shows its call in the listing.
        emit stack->itemActivated(stack->item(1));
        QCOMPARE(rig.State().ListTop, 2);
        rig.Key(QKeySequence(Qt::SHIFT | Qt::Key_F11));
        QCOMPARE(m.Cpu.PC, rig.At("outer") + 1);
        QCOMPARE(rig.Tools().CallStackList()->count(), 1);
        // The register view marks what the step out changed.
        QTableWidget* registers = rig.Tools().RegisterTable();
        QCOMPARE(registers->item(0, 0)->text(), QStringLiteral("PC"));
        QVERIFY(registers->item(0, 1)->font().bold());
        QCOMPARE(registers->item(1, 1)->text(), QStringLiteral("DFFE"));  // sp, a word
    }

    // The source beside the ROM, PC's line marked; a click in the margin
    // sets a line's breakpoint; steps go by source line.
    void SourceTabMarksPcsLineAndStepsByLine() {
        using Source = varnox::TSourceModel;
        Rig rig;
        rig.Tools().Tabs()->setCurrentIndex(TDebugTools::SourceTab);
        varnox::TToolsSource& source = *rig.Tools().Source();
        auto pcText = [&source] { return source.Table()->model()->index(source.PcRow(), Source::TextColumn).data().toString(); };
        QCOMPARE(pcText(), QStringLiteral("main:   ldw sp,&HE000"));
        const struct {
            const char* button;
            const char* line;
        } steps[] = {
            {"Line into", "        ldw ix,count"},
            {"Line into", "again:  cal outer"},
            {"Line over", "after:  jmp again"},
            {"Line into", "again:  cal outer"},
            {"Line into", "outer:  cal inner"},
        };
        for (const auto& step : steps) {
            QTest::mouseClick(rig.Tools().Button(step.button), Qt::LeftButton);
            QCOMPARE(pcText(), QString::fromLatin1(step.line));
        }
        QTableView* table = source.Table();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(6, Source::MarkColumn)).center());
        QVERIFY(rig.Session().Breakpoints.Find(rig.At("inner")).has_value());
        // F9 on a chosen line, there too.
        table->setCurrentIndex(table->model()->index(8, Source::TextColumn));
        QTest::keyClick(table, Qt::Key_F9);
        QVERIFY(rig.Session().Breakpoints.Find(rig.At("inner") + 2).has_value());
        // The listing shows each group of words under its source line.
        source.ShowFile("Listing");
        source.SourceAbove()->setChecked(true);
        QCOMPARE(source.Table()->model()->match(source.Table()->model()->index(0, Source::WhereColumn), Qt::DisplayRole,
                                                "main.asm:5", -1, Qt::MatchExactly).size(), 1);
    }

    // With line rows but no sources beside them (as the default kit has
    // them), the status line still says why the run stopped; the Source
    // tab says its trouble above its table, until the file is there.
    void AStopsReasonWinsOverTheSourceTabsTrouble() {
        Rig rig;
        const QByteArray source = rig.Dir().Read("main.asm");
        std::filesystem::remove(rig.Dir().Path() / "main.asm");
        rig.Controller().ToggleBreakpointAt(rig.At("inner"));
        rig.Key(Qt::Key_F5);
        QVERIFY(rig.TicksUntilShown() > 0);
        QCOMPARE(rig.Tools().Status(), QStringLiteral("Breakpoint 1 at 0006 inner (hit 1)"));
        auto* problem = rig.Tools().findChild<QLabel*>("sourceProblem");
        QVERIFY(problem->isVisible());
        QVERIFY(problem->text().contains("main.asm: No such file or directory (Folder... says where the sources are)"));
        rig.Dir().Write("main.asm", source);
        rig.Key(Qt::Key_F11);
        QVERIFY(!problem->isVisible());
        QCOMPARE(rig.Tools().Status(), QStringLiteral("Stopped at 0007 inner+1"));
    }

    // A line that never ends (a loop on itself, a wait) ends the line step
    // at its bound instead of hanging the window.
    void LineStepOfALoopOnItselfEnds() {
        Rig rig("main:   jmp main\n");
        for (const char* button : {"Line into", "Line over"}) {
            QTest::mouseClick(rig.Tools().Button(button), Qt::LeftButton);
            QCOMPARE(rig.M().Cpu.PC, uint16_t{0});
            QVERIFY(rig.Debug().isVisible());
        }
    }

    // Run with the profiler to a breakpoint: the table's cycles add up to
    // the run's, and a double-click shows the function in the listing.
    void ProfileTabCountsARunAndGoesToTheCode() {
        using Profile = varnox::TToolsProfile;
        Rig rig;
        rig.Controller().ToggleBreakpointAt(rig.At("after"));
        QTest::mouseClick(rig.Tools().Button("Run"), Qt::LeftButton);
        QVERIFY(rig.TicksUntilShown() > 0);
        QTableWidget* table = rig.Tools().Profile()->Table();
        uint64_t sum = 0;
        for (int row = 0; row < table->rowCount(); ++row) sum += table->item(row, Profile::CyclesColumn)->text().toULongLong();
        QVERIFY(sum > 0);
        QCOMPARE(table->item(0, Profile::NameColumn)->text(), QStringLiteral("inner"));
        emit table->cellDoubleClicked(0, Profile::NameColumn);
        QCOMPARE(rig.Controller().CursorAddress(), rig.At("inner"));
        QTest::mouseClick(rig.Tools().Button("Reset"), Qt::LeftButton);
        QCOMPARE(table->rowCount(), 0);
    }

    // Expressions read at every stop, the changed ones marked.
    void WatchTabMarksWhatAStepChanged() {
        Rig rig;
        varnox::TToolsWatch& watch = *rig.Tools().Watch();
        for (const char* text : {"[count]", "ix", "r6"}) QVERIFY(watch.Add(text));
        QVERIFY(!watch.Add("[nothing]"));
        const struct {
            QKeySequence key;
            QString count, ix;
            bool countChanged, ixChanged;
        } steps[] = {
            {Qt::Key_F11, "00 (0)", "0000 (0)", false, false},
            {Qt::Key_F11, "00 (0)", "C010 (49168)", false, true},
            {Qt::Key_F10, "01 (1)", "C010 (49168)", true, false},
        };
        for (const auto& step : steps) {
            rig.Key(step.key);
            QCOMPARE(watch.Table()->item(0, 1)->text(), step.count);
            QCOMPARE(watch.Table()->item(1, 1)->text(), step.ix);
            QCOMPARE(watch.Table()->item(0, 1)->font().bold(), step.countChanged);
            QCOMPARE(watch.Table()->item(1, 1)->font().bold(), step.ixChanged);
        }
    }

    // The field takes what conditions take; a refused entry stays marked
    // and selected, so what is typed next replaces it.
    void WatchFieldTakesOffsetsAndKeepsARefusalApart() {
        Rig rig;
        auto* field = rig.Tools().findChild<QLineEdit*>("watchEntry");
        const struct {
            const char* typed;
            QString left;  // in the field after Enter
            bool refused;
        } entries[] = {
            {"[count+1]", "", false},
            {"word [count+#2]", "", false},
            {"[count+1", "[count+1", true},
            {"r8", "", false},  // typed over the refused text, not after it
        };
        for (const auto& entry : entries) {
            QTest::keyClicks(field, entry.typed);
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(field->text(), entry.left);
            QCOMPARE(field->property("refused").toBool(), entry.refused);
        }
        QStringList taken;
        for (const varnox::WatchExpression& e : rig.Session().Expressions.All()) taken << QString::fromStdString(e.Text);
        QCOMPARE(taken, QStringList({"[count+1]", "word [count+#2]", "r8"}));
    }

    void EveryMemoryWithGoToFindAndTheWheel() {
        Rig rig;
        TDebugTools& tools = rig.Tools();
        tools.SpaceBox()->setCurrentIndex(static_cast<int>(varnox::MemorySpace::DataRom));
        QVERIFY(tools.GoToMemory("8000"));
        QVERIFY(tools.HexView()->RowTexts().at(0).startsWith("8000: FF FF"));
        QVERIFY(!tools.GoToMemory("C000"));  // RAM is not in the data ROM
        QVERIFY(tools.Status().contains("not in the Data ROM"));
        tools.SpaceBox()->setCurrentIndex(static_cast<int>(varnox::MemorySpace::InstrRom));
        QVERIFY(tools.FindInMemory("58"));  // rtn
        QCOMPARE(tools.HexView()->Cursor(), 3u * 5);
        QVERIFY(tools.GoToMemory("inner"));  // a code name: its word's bytes
        QCOMPARE(tools.HexView()->Cursor(), 3u * rig.At("inner"));
        // ROM bytes take no typing; RAM bytes do.
        QTest::keyClicks(tools.HexView(), "12");
        QCOMPARE(rig.M().InstrRom[3u * rig.At("inner")], uint8_t{0x1A8 & 0xFF});
        tools.SpaceBox()->setCurrentIndex(static_cast<int>(varnox::MemorySpace::Ram));
        QVERIFY(tools.GoToMemory("count"));
        QTest::keyClicks(tools.HexView(), "5a");
        QCOMPARE(rig.M().DataRam[0x10], 0x5A);
        QVERIFY(tools.FindInMemory("\"Z\""));
        QCOMPARE(tools.HexView()->Cursor(), 0x10u);
        QCOMPARE(tools.Status(), QStringLiteral("Stopped at 0000 main\nFound at C010"));  // under why it stands

        // The wheel scrolls the memory view and the window's own panes alike.
        rig.Wheel(tools.HexView(), -2);
        QCOMPARE(tools.HexView()->Top(), 6u * 16);
        varnox::TPaneBox& hex = rig.PaneBox(Pane::BinId);
        rig.Wheel(hex.PaintBox(), -1);
        QCOMPARE(rig.State().BinTop, 0xC030);
        rig.Wheel(hex.PaintBox(), 5);
        QCOMPARE(rig.State().BinTop, 0xC000);
        rig.Wheel(rig.PaneBox(Pane::ListId).PaintBox(), -1);
        QCOMPARE(rig.State().ListTop, 3);
    }

    void WatchpointStopsAndTheTraceIsSaved() {
        Rig rig;
        QVERIFY(rig.Tools().AddWatchpoint("count:w"));
        QVERIFY(!rig.Tools().AddWatchpoint("count:q"));
        rig.Key(Qt::Key_F5);
        QVERIFY(rig.TicksUntilShown() > 0);
        QCOMPARE(rig.Tools().Status(), QStringLiteral("Watch: write C010 00 -> 01 at 0008 (inner+2), count"));
        QCOMPARE(rig.Session().Trace.Size(), size_t{7});  // ldw, ldw, cal, cal, ld, ad, st
        varnox::test::Scratch out;
        QVERIFY(!rig.Tools().SaveTrace(out.Path() / "trace.txt"));
        QVERIFY(out.Read("trace.txt").startsWith("0000: ldw   sp,&HE000"));
        QVERIFY(rig.Tools().SaveTrace(out.Path() / "missing" / "trace.txt").has_value());
    }

    // Typed into a field or a condition's cell, a condition or watch is
    // taken whole up to the limit said, and refused past it: never cut.
    void LongConditionsAndWatchesAreTakenWholeOrRefused() {
        const QString condition = "r6 == 1" + QString(" || r6 == 2").repeated(4000);  // 44,007 characters
        const struct {
            const char* field;  // the start of its hint
            QString text;
            bool taken;
        } cases[] = {
            {"condition:", condition, true}, {"condition:", condition + condition, false},
            {"r5, ix", "word [" + QString(40000, ' ') + "count]", true}, {"r5, ix", "word [" + QString(70000, ' ') + "count]", false},
            {"ADDR[-ADDR]", QString(40000, ' ') + "count:w", true}, {"ADDR[-ADDR]", QString(70000, ' ') + "count:w", false},
        };
        for (const auto& c : cases) {
            Rig rig;
            QLineEdit* edit = nullptr;
            for (QLineEdit* field : rig.Tools().findChildren<QLineEdit*>()) {
                if (field->placeholderText().startsWith(c.field)) edit = field;
                if (field->placeholderText() == "address or name") field->setText("inner");
            }
            edit->setText(c.text);
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(edit->text().isEmpty(), c.taken);
            QCOMPARE(rig.Tools().Status().contains("is longer than 65536 characters, the most taken"), !c.taken);
            const varnox::DebugSession& session = rig.Session();
            QCOMPARE(session.Breakpoints.Size() + session.Expressions.Size() + session.Watchpoints.Size(), size_t{c.taken});
            if (c.taken && session.Breakpoints.Size()) QCOMPARE(session.Breakpoints.All()[0].Condition->AnyOf.size(), size_t{4001});
        }
        Rig rig;
        QVERIFY(rig.Tools().AddBreakpoint("inner", "", ""));
        QTableWidget* table = rig.Tools().BreakpointTable();
        table->editItem(table->item(0, 2));
        auto* cell = table->viewport()->findChild<QLineEdit*>();
        cell->setText(condition);
        QTest::keyClick(cell, Qt::Key_Return);
        QCoreApplication::processEvents();  // the cell's editor commits later
        QVERIFY(rig.Session().Breakpoints.All()[0].Condition);
        QCOMPARE(rig.Session().Breakpoints.All()[0].Condition->AnyOf.size(), size_t{4001});
    }

    // A dialog opened from one of the debugger's windows gives the keyboard
    // back to that window when it closes, not to the emulator's.
    void ClosingADialogGivesTheKeyboardBackToItsWindow() {
        Rig rig;
        QWidget* tools = &rig.Tools();
        QWidget* debug = &rig.Debug();
        const struct {
            QWidget* window;
            std::function<void()> open;
        } dialogs[] = {
            {tools, [&rig] { QTest::mouseClick(rig.Tools().Button("Folder..."), Qt::LeftButton); }},
            {tools, [&rig] { rig.Tools().Button("Symbols")->click(); }},
            {debug, [&rig] { rig.Key(QKeySequence(Qt::CTRL | Qt::Key_G)); }},
        };
        for (const auto& dialog : dialogs) {
            dialog.window->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), dialog.window);
            bool answered = false;
            QTimer::singleShot(0, [&answered] {
                QWidget* box = QApplication::activeModalWidget();
                answered = box != nullptr;
                if (auto* modal = qobject_cast<QDialog*>(box)) modal->reject();
            });
            dialog.open();
            QVERIFY(answered);
            // The hand-over waits for the close's events to be done.
            for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
            QCOMPARE(QApplication::activeWindow(), dialog.window);
        }
    }

    // Every tab's title shows whole, without scroll arrows, in a tools
    // window as wide as a 1024-pixel screen, and in the width it opens with.
    void TheTabsFitWithoutScrollArrows() {
        Rig rig;
        rig.Key(QKeySequence(Qt::CTRL | Qt::Key_T));
        TDebugTools& tools = rig.Tools();
        for (const int width : {1024, tools.width()}) {
            tools.resize(width, tools.height());
            QTRY_COMPARE(tools.width(), width);
            QTabBar* bar = tools.Tabs()->tabBar();
            for (const QToolButton* arrow : bar->findChildren<QToolButton*>()) QVERIFY(!arrow->isVisible());
            for (int tab = 0; tab < bar->count(); ++tab) {
                const QString title = bar->tabText(tab).remove('&');
                QVERIFY2(bar->tabRect(tab).width() > bar->fontMetrics().horizontalAdvance(title), qPrintable(title));
            }
            QVERIFY(bar->tabRect(bar->count() - 1).right() < tools.Tabs()->width());
        }
    }

    // A code name where data is read or watched is taken, with a warning.
    void CodeNamesForDataAreWarnedOf() {
        Rig rig;
        QVERIFY(rig.Tools().Watch()->Add("[count]") && !rig.Tools().Status().contains("names code"));
        QVERIFY(rig.Tools().Watch()->Add("[inner]"));
        QVERIFY(rig.Tools().Status().endsWith("\n[inner] names code; it shows the data address of the same number"));
        QVERIFY(rig.Tools().AddWatchpoint("inner"));
        QVERIFY(rig.Tools().Status().endsWith("it names code; the data address of the same number is watched"));
    }
};

QTEST_MAIN(DebugToolsTest)
#include "DebugToolsTest.moc"
