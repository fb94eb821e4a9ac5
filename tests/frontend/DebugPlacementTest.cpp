// The debugger's windows on a 1024 x 768 screen: the tools never cover the
// Debug Window's controls, the Source tab lists from before PC and takes
// breakpoints in its margin, and run to the cursor keeps the chosen line.
#include <QTest>

#include "DebugRig.h"

using varnox::test::Rig;

class DebugPlacementTest : public QObject {
    Q_OBJECT
private slots:
    void ToolsOpenOnlyWhenAskedAndNeverCoverTheControls() {
        Rig rig;
        QVERIFY(!rig.Tools().isVisible());
        const QString before = rig.ListRows().join('\n');
        for (int click = 0; click < 3; ++click) QTest::mouseClick(rig.Find<QPushButton>("StepButton"), Qt::LeftButton);
        QVERIFY(rig.ListRows().join('\n') != before);
        rig.Key(QKeySequence(Qt::CTRL | Qt::Key_T));
        QVERIFY(rig.Tools().isVisible());
        const QRect screen(0, 0, 1024, 768);
        QVERIFY(screen.contains(rig.Debug().frameGeometry()));
        QVERIFY(screen.contains(rig.Tools().frameGeometry()));
        QVERIFY(!rig.Debug().frameGeometry().intersects(rig.Tools().frameGeometry()));
        // Run with a step count hides both; the stop brings back the window.
        rig.Find<QLineEdit>("TraceEdit")->setText("5");
        QTest::mouseClick(rig.Find<QPushButton>("TraceButton"), Qt::LeftButton);
        QVERIFY(!rig.Debug().isVisible() && !rig.Tools().isVisible());
        QVERIFY(rig.TicksUntilShown() > 0);
        // The tools the user had up come back, beside it again.
        QVERIFY(rig.Tools().isVisible());
        QVERIFY(!rig.Debug().frameGeometry().intersects(rig.Tools().frameGeometry()));
    }

    void RunToCursorKeepsTheChosenLineAcrossAStop() {
        Rig rig;
        rig.Controller().SetCursor(rig.At("inner"));
        rig.Controller().ToggleBreakpointAt(rig.At("again"));
        rig.Key(Qt::Key_F5);
        QVERIFY(rig.TicksUntilShown() > 0);
        QCOMPARE(rig.M().Cpu.PC, rig.At("again"));
        rig.Key(Qt::Key_F4);
        QCOMPARE(rig.M().Cpu.PC, rig.At("inner"));
    }

    void SourceTabListsFromBeforePcAndItsMarginSetsBreakpoints() {
        Rig rig;
        rig.Debug().ShowTools(true);
        varnox::TToolsSource& source = *rig.Tools().Source();
        rig.Key(Qt::Key_F11);
        rig.Key(Qt::Key_F11);
        rig.Key(Qt::Key_F11);  // into outer
        source.ShowFile("Listing");
        source.Refresh();
        const int pc = source.PcRow();
        QVERIFY(pc > 3);
        QCOMPARE(source.RowAddress(pc), std::optional<uint16_t>(rig.M().Cpu.PC));
        QTableView* table = source.Table();
        QCOMPARE(table->model()->index(pc - 1, varnox::TSourceModel::TextColumn).data().toString(), QStringLiteral("outer:"));
        const QRect cell = table->visualRect(table->model()->index(pc + 1, varnox::TSourceModel::MarkColumn));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(rig.Session().Breakpoints.Find(rig.M().Cpu.PC + 1).has_value());
        QCOMPARE(rig.Controller().CursorAddress(), rig.M().Cpu.PC + 1);
    }
};

QTEST_MAIN(DebugPlacementTest)
#include "DebugPlacementTest.moc"
