// The debugger window with real widgets under the offscreen platform, over
// a main window running an assembled program: showing and hiding, each
// pane's clicks, commits, cancels and scroll keys, the filtering of typed
// and pasted digits, stepping, and runs that end with the window back.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>
#include <memory>
#include <string_view>
#include <tuple>

#include "asm/SourceAsm.h"
#include "frontend/Main.h"
#include "frontend/ThdTimer.h"
#include "frontend/debugger/Debug.h"
#include "support/WriteCheck.h"
#include "system/RunLoop.h"

using varnox::EditKind;
using varnox::Machine;
using varnox::TDebugForm;
using varnox::TMainForm;
using varnox::TPaneBox;
using Pane = TDebugForm::PaneId;

namespace {

// Fills 256 bytes of RAM from 0xC000, then waits at `idle` (word 6).
constexpr std::string_view FillProgram =
    "start:  ldw ix,&HC000\n"
    "        ld r5,&H00\n"
    "again:  st (ix),&HAA\n"
    "        adw ix,1\n"
    "        ad r5,&H01         ; binary; the carry stays clear until r5 wraps\n"
    "        jmp nc,again\n"
    "idle:   jmp idle\n";
constexpr uint16_t IdleAddress = 6;

// A scratch working directory with the default kit and the program as its
// ROM images; the main window over it with its run timer stopped, so that
// the test drives each run tick; and the debugger wired to it as the
// program wires it.
class Rig {
public:
    explicit Rig(std::string_view source = FillProgram) {
        for (const char* name : {"charset.bin", "varnox.ini", "keys.bmp"}) {
            QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + name, dir_.filePath(name));
        }
        const varnox::SourceImages images = varnox::AssembleSource(source);
        QVERIFY(images.Errors.empty());
        Write("rom0.bin", images.Rom0);
        Write("rom1.bin", images.Rom1);
        main_ = std::make_unique<TMainForm>(dir_.path().toStdString());
        debug_ = std::make_unique<TDebugForm>(main_->GetMachine(), main_->Control());
        main_->ShowDebugger = [this] { debug_->Show(); };
        main_->show();
        main_->RunTimer()->SetEnabled(false);
    }
    ~Rig() {
        debug_.reset();
        main_.reset();
    }

    Machine& M() { return main_->GetMachine(); }
    varnox::RunControl& Run() { return main_->Control(); }
    TMainForm& Main() { return *main_; }
    TDebugForm& Debug() { return *debug_; }
    TPaneBox& Box(Pane id) { return debug_->PaneBox(id); }
    const varnox::DebugState& State() { return debug_->GetState(); }

    // F3 in the main window.
    void F3() {
        QTest::keyClick(main_.get(), Qt::Key_F3);
        QVERIFY(debug_->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(debug_.get()));
    }

    // The main window's run tick, as its timer runs it.
    void RunTick() { main_->RunTimer()->OnTimer()(main_->RunTimer()); }

    // Run ticks until the debugger shows again; the number taken.
    int TicksUntilShown(int limit = 2000) {
        for (int tick = 1; tick <= limit; ++tick) {
            RunTick();
            if (debug_->isVisible()) return tick;
        }
        return -1;
    }

    QPoint CellCentre(Pane id, int column, int row) {
        const QSize cell = Box(id).CellSize();
        return {column * cell.width() + cell.width() / 2, row * cell.height() + cell.height() / 2};
    }

    void Click(Pane id, int column, int row, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Box(id).PaintBox(), button, {}, CellCentre(id, column, row));
    }

    // Selects a pane by its caption, as a user would.
    void Select(QGroupBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(12, 4)); }

    QWidget* Focus() { return debug_->focusWidget(); }
    // Typed as key presses; characters no key makes come as text alone.
    void Type(const QString& text) {
        for (const QChar ch : text) {
            if (ch.unicode() < 0x80) {
                QTest::keyClick(Focus(), ch.toLatin1());
            } else {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(Focus(), &press);
            }
        }
    }
    void Key(Qt::Key key) { QTest::keyClick(Focus(), key); }
    void Paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(Focus(), Qt::Key_V, Qt::ControlModifier);
    }

    // The open editor of a pane in cells: column, width, row; width 0 when closed.
    std::tuple<int, int, int> EditorCells(Pane id) {
        TPaneBox& box = Box(id);
        const QSize cell = box.CellSize();
        const QRect editor = box.Edit()->geometry();
        if (editor.width() == 0) return {0, 0, 0};
        return {(editor.x() - box.PaintBox()->x()) / cell.width(), editor.width() / cell.width(),
                (editor.y() - box.PaintBox()->y()) / cell.height()};
    }

    // The pane's rows as a repaint draws them now.
    QStringList Rows(Pane id) {
        TPaneBox& box = Box(id);
        box.PaintBox()->grab();
        QStringList rows;
        for (const varnox::PaneText& text : box.DrawnTexts()) {
            while (rows.size() <= text.Row) rows << QString();
            QString& row = rows[text.Row];
            if (row.size() < text.Column) row += QString(text.Column - row.size(), QLatin1Char(' '));
            row.replace(text.Column, static_cast<int>(text.Text.size()), QString::fromStdString(text.Text));
        }
        return rows;
    }

    QString Row(Pane id, int row) {
        const QStringList rows = Rows(id);
        return row < rows.size() ? rows[row] : QString();
    }

private:
    void Write(const char* name, const std::vector<uint8_t>& bytes) {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }

    QTemporaryDir dir_;
    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<TDebugForm> debug_;
};

// A shown debugger over a fresh rig.
std::unique_ptr<Rig> Shown(std::string_view source = FillProgram) {
    auto rig = std::make_unique<Rig>(source);
    rig->F3();
    return rig;
}

}  // namespace

class DebugFormTest : public QObject {
    Q_OBJECT
private slots:
    void WindowCaptionsAndCellFont() {
        Rig rig;
        TDebugForm& debug = rig.Debug();
        QVERIFY(!debug.isVisible());
        QCOMPARE(debug.windowTitle(), QStringLiteral("Debug Window"));
        QVERIFY(debug.isWindow());
        QCOMPARE(debug.windowModality(), Qt::NonModal);
        rig.F3();
        // No window manager here: the outer size is the client size.
        QCOMPARE(debug.frameGeometry().size(), TDebugForm::OuterSize);
        QStringList captions;
        for (const QGroupBox* box : debug.findChildren<QGroupBox*>()) captions << box->title();
        captions.sort();
        QCOMPARE(captions, QStringList({" Breakpoint address (hex) ", " Disassembly ", " Hex Editor ",
                                        " Main Register File ", " Number of steps (decimal) ", " Registers ",
                                        " Single step "}));
        // The hex editor's 70 columns fill its box: the font's "0" is a whole cell.
        QCOMPARE(rig.Box(Pane::BinId).CellSize(), QSize(8, 13));
        const std::tuple<Pane, int, int> grids[] = {
            {Pane::ListId, 10, 34}, {Pane::RegId, 10, 10}, {Pane::MainId, 8, 70}, {Pane::BinId, 10, 70}};
        for (const auto& [id, rows, columns] : grids) {
            rig.Rows(id);
            QCOMPARE(rig.Box(id).Pane().Rows(), rows);
            QCOMPARE(rig.Box(id).Pane().Columns(), columns);
        }
        QCOMPARE(rig.Row(Pane::BinId, 0).size(), 70);
    }

    void ShowStopsTheMachineAndHideResumesIt() {
        Rig rig;
        Machine& m = rig.M();
        for (int i = 0; i < 3; ++i) varnox::DebugStep(m);
        rig.Run().Stops.StepCount = 5;
        rig.Run().Stops.BreakAddress = 7;
        rig.F3();
        QCOMPARE(rig.Run().DebugActive, 1);
        QCOMPARE(rig.Run().Stops.StepCount, -1);
        QCOMPARE(rig.Run().Stops.BreakAddress, -1);
        QCOMPARE(rig.State().ListTop, 3);
        QVERIFY(rig.Row(Pane::ListId, 0).startsWith("0003: adw   ix,&H01"));
        QCOMPARE(rig.Focus(), rig.Debug().StepGroupBox());
        const uint16_t pc = m.Cpu.PC;
        rig.RunTick();
        QCOMPARE(m.Cpu.PC, pc);  // nothing runs while shown

        // An edit left open is dropped by the close box.
        const auto stores = varnox::test::Snapshot(m);
        rig.Click(Pane::MainId, 12, 0);
        rig.Type("77");
        rig.Debug().close();
        QVERIFY(!rig.Debug().isVisible());
        QCOMPARE(rig.Run().DebugActive, 0);
        QCOMPARE(rig.Run().ResumeDelay, varnox::ResumeDelayTicks);
        QVERIFY(varnox::test::Changes(stores, m).empty());

        varnox::DebugStep(m);
        rig.F3();
        QCOMPARE(rig.State().EditMode, EditKind::None);
        QCOMPARE(rig.EditorCells(Pane::MainId), std::make_tuple(0, 0, 0));
        QCOMPARE(rig.State().ListTop, m.Cpu.PC);
    }

    void DisassemblyClicksOpenTheirEditors() {
        auto rig = Shown();
        using Open = std::tuple<int, int, EditKind, int, int, int, int>;  // click column, row; mode; editor column, width, row; target
        const Open cases[] = {
            {0, 0, EditKind::ListAddress, 0, 4, 0, -1},
            {3, 0, EditKind::ListAddress, 0, 4, 0, -1},
            {4, 0, EditKind::None, 0, 0, 0, -1},
            {5, 3, EditKind::None, 0, 0, 0, -1},
            {0, 3, EditKind::None, 0, 0, 0, -1},  // addresses below the first open nothing
            {6, 3, EditKind::ListInstruction, 6, 28, 3, 3},
            {33, 9, EditKind::ListInstruction, 6, 28, 9, 9},
            {12, 10, EditKind::None, 0, 0, 0, -1},  // below the last row
        };
        for (const auto& [column, row, mode, editorColumn, width, editorRow, target] : cases) {
            rig->Key(Qt::Key_Escape);
            rig->Click(Pane::ListId, column, row);
            QCOMPARE(rig->State().EditMode, mode);
            QCOMPARE(rig->EditorCells(Pane::ListId), std::make_tuple(editorColumn, width, editorRow));
            if (target >= 0) QCOMPARE(rig->State().EditTarget, target);
            QCOMPARE(rig->Debug().PaneBox(Pane::ListId).GroupBox()->CaptionColour(), varnox::SelectedCaptionColour);
        }
        // At 0xFFFF the listing is one line: the fetch wraps to 0.
        rig->Click(Pane::ListId, 0, 0);
        rig->Type("ffff");
        rig->Key(Qt::Key_Return);
        QCOMPARE(rig->Rows(Pane::ListId).size(), 1);
        rig->Click(Pane::ListId, 8, 3);
        QCOMPARE(rig->State().EditMode, EditKind::None);
    }

    void DisassemblyCommitsAndCancels() {
        auto rig = Shown();
        Machine& m = rig->M();
        rig->Click(Pane::ListId, 1, 0);
        rig->Type("1g2ab");
        QCOMPARE(rig->Box(Pane::ListId).Edit()->text(), QStringLiteral("12AB"));
        rig->Key(Qt::Key_Enter);
        QCOMPARE(rig->State().ListTop, 0x12AB);
        QCOMPARE(rig->State().EditMode, EditKind::None);
        QVERIFY(rig->Row(Pane::ListId, 0).startsWith("12AB:"));

        // A two-byte line over a ROM word keeps the word's third byte.
        m.InstrRom[3 * 0x12AD + 2] = 0x77;
        rig->Click(Pane::ListId, 10, 2);
        rig->Type("st (ix),&h20");
        QCOMPARE(rig->Box(Pane::ListId).Edit()->text(), QStringLiteral("st (ix),&h20"));  // case kept
        rig->Key(Qt::Key_Return);
        QCOMPARE(rig->Row(Pane::ListId, 2), QStringLiteral("12AD: st    (ix),&H20"));
        QCOMPARE(m.InstrRom[3 * 0x12AD + 2], 0x77);

        // A rejected line keeps the editor open, the caret at the error.
        const auto stores = varnox::test::Snapshot(m);
        rig->Click(Pane::ListId, 6, 4);
        rig->Type("ld r5,q");
        rig->Key(Qt::Key_Return);
        QCOMPARE(rig->State().EditMode, EditKind::ListInstruction);
        QCOMPARE(rig->Box(Pane::ListId).Edit()->text(), QStringLiteral("ld r5,q"));
        QCOMPARE(rig->Box(Pane::ListId).Edit()->cursorPosition(), 6);
        QVERIFY(varnox::test::Changes(stores, m).empty());
        rig->Key(Qt::Key_Delete);
        rig->Type("&H12");
        rig->Key(Qt::Key_Return);
        QCOMPARE(rig->Row(Pane::ListId, 4), QStringLiteral("12AF: ld    r5,&H12"));

        // Esc drops an edit.
        rig->Click(Pane::ListId, 6, 5);
        rig->Type("nop");
        rig->Key(Qt::Key_Escape);
        QCOMPARE(rig->State().EditMode, EditKind::None);
        QCOMPARE(rig->Row(Pane::ListId, 5), QStringLiteral("12B0: adb   r64,r0"));

        // Over data memory with the gate shut, the bytes still land.
        m.Cpu.IE = 0x03;
        rig->Click(Pane::ListId, 0, 0);
        rig->Type("C000");
        rig->Key(Qt::Key_Return);
        rig->Click(Pane::ListId, 6, 0);
        rig->Type("ldw ix,&H1234");
        rig->Key(Qt::Key_Return);
        QCOMPARE(m.Cpu.IE, 0x03);
        QCOMPARE(m.DataRam[0], 0x40);
        QCOMPARE(m.DataRam[1], 0x12);
        QCOMPARE(m.DataRam[2], 0x34);
        QVERIFY(rig->Row(Pane::ListId, 1).startsWith("C003:"));
    }

    void DisassemblyScrollKeys() {
        auto rig = Shown();
        rig->Click(Pane::ListId, 0, 0);
        rig->Type("100");
        rig->Key(Qt::Key_Return);
        const std::tuple<Qt::Key, int> steps[] = {
            {Qt::Key_Down, 0x101},     {Qt::Key_Up, 0x100},   {Qt::Key_PageDown, 0x10A}, {Qt::Key_PageUp, 0x100},
            {Qt::Key_Home, 0x0000},    {Qt::Key_PageUp, 0x0000}, {Qt::Key_End, 0xFFFF},  {Qt::Key_Left, 0xFFFF},
        };
        for (const auto& [key, top] : steps) {
            rig->Rows(Pane::ListId);  // the scroll bar follows each repaint
            rig->Key(key);
            QCOMPARE(rig->State().ListTop, top);
        }
        // While an editor is open the keys stay in it.
        rig->Click(Pane::ListId, 8, 0);
        rig->Key(Qt::Key_Up);
        QCOMPARE(rig->State().ListTop, 0xFFFF);
        rig->Key(Qt::Key_Escape);
        rig->Key(Qt::Key_Up);
        QCOMPARE(rig->State().ListTop, 0xFFFE);
        // The scroll bar sets the top and selects the pane.
        rig->Box(Pane::ListId).ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(rig->State().ListTop, 0);
        QVERIFY(rig->Row(Pane::ListId, 0).startsWith("0000: ldw   ix,&HC000"));
    }

    void RegistersAndFlags() {
        auto rig = Shown();
        Machine& m = rig->M();
        m.Cpu.F = varnox::FlagNZ;
        QCOMPARE(rig->Row(Pane::RegId, 0), QStringLiteral("F: NCNVNUZ"));
        QCOMPARE(rig->Row(Pane::RegId, 1), QStringLiteral("   NHNZNLZ"));
        QCOMPARE(rig->Row(Pane::RegId, 2), QStringLiteral("PC: 0000"));
        QCOMPARE(rig->Rows(Pane::RegId).size(), 8);

        // Flag cells toggle at once; columns 3-4, 5-6 and 7-9 of each row.
        const std::tuple<int, int, uint8_t> toggles[] = {
            {8, 1, varnox::FlagLZ}, {3, 0, varnox::FlagC}, {6, 0, varnox::FlagV}, {9, 0, varnox::FlagUZ},
            {4, 1, varnox::FlagH}, {5, 1, varnox::FlagNZ}};
        for (const auto& [column, row, mask] : toggles) {
            const uint8_t before = m.Cpu.F;
            rig->Click(Pane::RegId, column, row);
            QCOMPARE(m.Cpu.F, static_cast<uint8_t>(before ^ mask));
            QCOMPARE(rig->State().EditMode, EditKind::FlagToggled);
        }
        QCOMPARE(rig->Row(Pane::RegId, 1), QStringLiteral("   H Z LZ "));
        rig->Click(Pane::RegId, 2, 0);  // "F:" opens nothing
        QCOMPARE(rig->State().EditMode, EditKind::None);
        rig->Key(Qt::Key_Down);  // the flag rows do not scroll
        QCOMPARE(rig->State().RegTop, 0);

        // Flag cells stand on their own backgrounds: white, then silver.
        const QImage shot = rig->Box(Pane::RegId).PaintBox()->grab().toImage();
        const QSize cell = rig->Box(Pane::RegId).CellSize();
        QCOMPARE(shot.pixel(3 * cell.width(), 0), varnox::WhiteCellColour);
        QCOMPARE(shot.pixel(5 * cell.width(), 0), varnox::SilverCellColour);
        QCOMPARE(shot.pixel(9 * cell.width(), 2 * cell.height()), varnox::ButtonFaceColour);

        // Register values: typed, filtered, masked, stored.
        using Edit = std::tuple<int, int, QString, int>;  // click row, column; typed; editor width
        const Edit edits[] = {{2, 4, "12g34", 4}, {3, 5, "7", 2}, {6, 4, "01", 2}, {7, 4, "fF", 2}};
        for (const auto& [row, column, typed, width] : edits) {
            rig->Click(Pane::RegId, column, row);
            QCOMPARE(rig->EditorCells(Pane::RegId), std::make_tuple(4, width, row));
            rig->Type(typed);
            rig->Key(Qt::Key_Return);
        }
        QCOMPARE(m.Cpu.PC, 0x1234);
        QCOMPARE(m.Cpu.KO, 0x07);
        QCOMPARE(m.Cpu.IF, 0x01);
        QVERIFY(m.Lcd.LcdControl & varnox::LcdPowered);  // IF is applied at once
        QCOMPARE(m.Cpu.AS, 0xFF);
        QCOMPARE(rig->State().ListTop, 0);  // the listing stays until the next show or step

        for (const auto& [column, row] : {std::pair{8, 2}, std::pair{6, 3}, std::pair{0, 4}, std::pair{3, 5}}) {
            rig->Click(Pane::RegId, column, row);
            QCOMPARE(rig->State().EditMode, EditKind::None);
        }
    }

    void MainRegisterFile() {
        auto rig = Shown();
        Machine& m = rig->M();
        m.Cpu.MainRegisterFile[127] = 0x5C;
        QCOMPARE(rig->Row(Pane::MainId, 7),
                 QStringLiteral("R112..R127: 00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 5C"));
        using Open = std::tuple<int, int, EditKind, int, int>;  // click column, row; mode; editor column; target
        const Open cases[] = {
            {12, 0, EditKind::MainRegister, 12, 0},   {13, 0, EditKind::MainRegister, 12, 0},
            {14, 0, EditKind::None, 0, 0},            {24, 0, EditKind::None, 0, 0},
            {25, 1, EditKind::MainRegister, 25, 20},  {60, 7, EditKind::MainRegister, 60, 127},
            {62, 7, EditKind::None, 0, 0},            {11, 3, EditKind::None, 0, 0},
        };
        for (const auto& [column, row, mode, editorColumn, target] : cases) {
            rig->Click(Pane::MainId, column, row);
            QCOMPARE(rig->State().EditMode, mode);
            if (mode == EditKind::None) continue;
            QCOMPARE(rig->EditorCells(Pane::MainId), std::make_tuple(editorColumn, 2, row));
            QCOMPARE(rig->State().EditTarget, target);
        }
        rig->Click(Pane::MainId, 61, 7);
        rig->Type("a5");
        QCOMPARE(rig->Box(Pane::MainId).Edit()->text(), QStringLiteral("A5"));
        rig->Key(Qt::Key_Return);
        QCOMPARE(m.Cpu.MainRegisterFile[127], 0xA5);

        m.Cpu.MainRegisterFile[1] = 0x33;
        rig->Click(Pane::MainId, 15, 0);
        rig->Paste("x5");
        QCOMPARE(rig->Box(Pane::MainId).Edit()->text(), QStringLiteral("5"));
        rig->Key(Qt::Key_Escape);
        QCOMPARE(m.Cpu.MainRegisterFile[1], 0x33);
        rig->Click(Pane::MainId, 16, 0);
        rig->Key(Qt::Key_Return);  // an empty field stores 0
        QCOMPARE(m.Cpu.MainRegisterFile[1], 0x00);
        rig->Key(Qt::Key_Down);  // all eight rows on view: nothing scrolls
        QCOMPARE(rig->State().MainTop, 0);
    }

    void HexEditor() {
        auto rig = Shown();
        Machine& m = rig->M();
        m.DataRam[0x10] = 0x41;
        m.DataRam[0x11] = 0x7F;
        m.DataRam[0x12] = 0x1F;
        m.Cpu.IE = 0x03;  // the gate shut: the pane still shows and stores the real bytes
        QVERIFY(rig->Row(Pane::BinId, 1).startsWith("C010: 41 7F 1F 00"));
        QVERIFY(rig->Row(Pane::BinId, 1).endsWith(" A" + QString(15, QLatin1Char('.'))));

        using Open = std::tuple<int, int, EditKind, int, int>;  // click column, row; mode; editor column, width
        const Open cases[] = {
            {0, 0, EditKind::BinAddress, 0, 4}, {4, 0, EditKind::None, 0, 0},   {5, 2, EditKind::None, 0, 0},
            {0, 2, EditKind::None, 0, 0},       {6, 2, EditKind::BinByte, 6, 2}, {8, 2, EditKind::None, 0, 0},
            {52, 9, EditKind::BinByte, 51, 2},  {53, 9, EditKind::None, 0, 0},  {54, 9, EditKind::BinChar, 54, 1},
            {69, 0, EditKind::BinChar, 69, 1},
        };
        for (const auto& [column, row, mode, editorColumn, width] : cases) {
            rig->Click(Pane::BinId, column, row);
            QCOMPARE(rig->State().EditMode, mode);
            if (mode != EditKind::None) QCOMPARE(rig->EditorCells(Pane::BinId), std::make_tuple(editorColumn, width, row));
        }

        // A byte and a character; both land in RAM and read back at its other addresses.
        rig->Click(Pane::BinId, 7, 1);
        rig->Type("5a");
        rig->Key(Qt::Key_Return);
        rig->Click(Pane::BinId, 55, 1);
        rig->Type("b");
        QCOMPARE(rig->Box(Pane::BinId).Edit()->text(), QStringLiteral("b"));
        rig->Key(Qt::Key_Return);
        QCOMPARE(m.Cpu.IE, 0x03);
        m.Cpu.IE = 0;
        for (const int address : {0x4010, 0x6010, 0xC010, 0xE010}) {
            QCOMPARE(varnox::MemReadPtr(m, static_cast<uint16_t>(address)), 0x5A);
        }
        QCOMPARE(m.DataRam[0x11], 0x62);
        rig->Click(Pane::BinId, 56, 1);
        rig->Key(Qt::Key_Return);  // no character typed: nothing stored
        QCOMPARE(m.DataRam[0x12], 0x1F);

        // Typed addresses: the low digit dropped; the view stays in RAM with a row to spare.
        const std::tuple<QString, int> addresses[] = {
            {"C123", 0xC120}, {"8000", 0xC120}, {"DF60", 0xC120}, {"DF5F", 0xDF50}, {"", 0xDF50}, {"c000", 0xC000}};
        for (const auto& [typed, top] : addresses) {
            rig->Click(Pane::BinId, 2, 0);
            rig->Type(typed);
            rig->Key(Qt::Key_Return);
            QCOMPARE(rig->State().BinTop, top);
        }
        // Scroll keys and the scroll bar.
        const std::tuple<Qt::Key, int> keys[] = {
            {Qt::Key_End, 0xDF60}, {Qt::Key_Down, 0xDF60}, {Qt::Key_PageUp, 0xDEC0},
            {Qt::Key_Up, 0xDEB0}, {Qt::Key_Home, 0xC000}};
        for (const auto& [key, top] : keys) {
            rig->Rows(Pane::BinId);
            rig->Key(key);
            QCOMPARE(rig->State().BinTop, top);
        }
        rig->Box(Pane::BinId).ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(rig->State().BinTop, 0xDF60);
        QVERIFY(rig->Row(Pane::BinId, 9).startsWith("DFF0:"));
    }

    void TypedAndPastedDigitsAreFiltered() {
        auto rig = Shown();
        TDebugForm& debug = rig->Debug();
        using Case = std::tuple<QGroupBox*, QLineEdit*, QString, bool, QString, int>;  // box; field; text; pasted; left; caret
        const Case cases[] = {
            {debug.BpGroupBox(), debug.BpEdit(), "1g2", false, "12", 2},
            {debug.BpGroupBox(), debug.BpEdit(), "ab", false, "AB", 2},
            {debug.BpGroupBox(), debug.BpEdit(), "-", false, "", 0},
            {debug.BpGroupBox(), debug.BpEdit(), "1x2", true, "12", 2},
            {debug.TraceGroupBox(), debug.TraceEdit(), "1a2", false, "12", 2},
            {debug.TraceGroupBox(), debug.TraceEdit(), "9 9\u00e9", true, "99", 2},
        };
        for (const auto& [box, field, text, pasted, left, caret] : cases) {
            field->clear();
            rig->Select(static_cast<varnox::TGroupBox*>(box));
            QCOMPARE(rig->Focus(), field);
            pasted ? rig->Paste(text) : rig->Type(text);
            QCOMPARE(field->text(), left);
            QCOMPARE(field->cursorPosition(), caret);
        }
        // Characters removed before the caret move it; inside the selection they shorten it.
        QLineEdit* bp = debug.BpEdit();
        bp->setText("1234");
        bp->setCursorPosition(1);
        rig->Type("z");
        QCOMPARE(bp->text(), QStringLiteral("1234"));
        QCOMPARE(bp->cursorPosition(), 1);
        // Text the program writes is not filtered.
        bp->setText("xyz");
        QCOMPARE(bp->text(), QStringLiteral("xyz"));
    }

    void SingleStepClosesEditorsAndFollowsPc() {
        auto rig = Shown();
        Machine& m = rig->M();
        rig->Click(Pane::BinId, 6, 0);
        rig->Type("99");
        QTest::mouseClick(rig->Debug().StepButton(), Qt::LeftButton);
        QCOMPARE(rig->State().EditMode, EditKind::None);
        QCOMPARE(m.DataRam[0], 0x00);
        QCOMPARE(m.Cpu.PC, 1);
        QCOMPARE(varnox::GetIndex(m.Cpu, varnox::RegIx), 0xC000);
        QVERIFY(rig->Row(Pane::ListId, 0).startsWith("0001: ld    r5,&H00"));
        QVERIFY(rig->Debug().isVisible());
        QCOMPARE(rig->Focus(), rig->Debug().StepGroupBox());
        QCOMPARE(rig->Debug().StepGroupBox()->CaptionColour(), varnox::SelectedCaptionColour);
        QCOMPARE(rig->Box(Pane::BinId).GroupBox()->CaptionColour(), varnox::WindowTextColour);
        for (int i = 0; i < 3; ++i) QTest::mouseClick(rig->Debug().StepButton(), Qt::LeftButton);
        QCOMPARE(m.DataRam[0], 0xAA);
        QCOMPARE(rig->State().ListTop, 4);
    }

    void RunForStepsAndToABreakpoint() {
        auto rig = Shown();
        Machine& m = rig->M();
        TDebugForm& debug = rig->Debug();

        // An empty count starts nothing.
        QTest::mouseClick(debug.TraceButton(), Qt::LeftButton);
        QVERIFY(debug.isVisible());
        QCOMPARE(debug.TraceGroupBox()->CaptionColour(), varnox::SelectedCaptionColour);

        rig->Select(debug.TraceGroupBox());
        rig->Type("3");
        QTest::mouseClick(debug.TraceButton(), Qt::LeftButton);
        QVERIFY(!debug.isVisible());
        QCOMPARE(rig->Run().Stops.StepCount, 3);
        QCOMPARE(rig->Run().DebugActive, 0);
        QCOMPARE(rig->TicksUntilShown(), varnox::ResumeDelayTicks + 1);
        QCOMPARE(m.Cpu.PC, 3);
        QCOMPARE(rig->State().ListTop, 3);
        QVERIFY(rig->Row(Pane::ListId, 0).startsWith("0003:"));
        QCOMPARE(debug.TraceEdit()->text(), QStringLiteral("3"));  // kept for the next run

        rig->Select(debug.BpGroupBox());
        rig->Type(QString::number(IdleAddress, 16));
        QTest::mouseClick(debug.BpButton(), Qt::LeftButton);
        QVERIFY(!debug.isVisible());
        QVERIFY(rig->TicksUntilShown() > varnox::ResumeDelayTicks);
        QCOMPARE(m.Cpu.PC, IdleAddress);
        QCOMPARE(rig->Row(Pane::ListId, 0), QStringLiteral("0006: jmp   &H0006"));
        QCOMPARE(m.DataRam[0xFF], 0xAA);  // the loop ran to its end

        // Beyond 0xFFFF nothing matches: the run goes on until F3.
        debug.BpEdit()->clear();
        rig->Select(debug.BpGroupBox());
        rig->Type("123456789");
        QTest::mouseClick(debug.BpButton(), Qt::LeftButton);
        QCOMPARE(rig->TicksUntilShown(200), -1);
        rig->F3();
        QCOMPARE(rig->Run().Stops.BreakAddress, -1);

        // A count too large for the run loop is its largest.
        debug.TraceEdit()->clear();
        rig->Select(debug.TraceGroupBox());
        rig->Type("99999999999");
        QTest::mouseClick(debug.TraceButton(), Qt::LeftButton);
        QCOMPARE(rig->Run().Stops.StepCount, 2147483647);
        rig->F3();
        QCOMPARE(rig->Run().Stops.StepCount, -1);
    }

    // Any click, key, typed or pasted text, in any state: nothing breaks and
    // no store changes but the one an Enter commits to.
    void AnyInputWritesOnlyItsTarget() {
        auto rig = Shown();
        Machine& m = rig->M();
        TDebugForm& debug = rig->Debug();
        QRandomGenerator random(7);
        const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Up,   Qt::Key_Down, Qt::Key_PageUp,
                                Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End, Qt::Key_Left, Qt::Key_Backspace};
        const QString alphabet = QStringLiteral("0123456789abcdefABCDEFgxz ,.;&()+-rRiI\u00e9\u20ac");
        for (int i = 0; i < 1500; ++i) {
            if (!debug.isVisible()) rig->F3();
            m.Cpu.IE = static_cast<uint8_t>(random.bounded(4));
            const uint8_t ie = m.Cpu.IE;
            switch (random.bounded(5)) {
                case 0: {
                    const Pane id = static_cast<Pane>(random.bounded(4));
                    QWidget* box = rig->Box(id).PaintBox();
                    const QPoint at(random.bounded(box->width()), random.bounded(box->height()));
                    QTest::mouseClick(box, random.bounded(2) ? Qt::LeftButton : Qt::RightButton, {}, at);
                    break;
                }
                case 1: {
                    QString text;
                    for (int n = random.bounded(1, 40); n > 0; --n) text += alphabet[random.bounded(alphabet.size())];
                    random.bounded(2) ? rig->Type(text) : rig->Paste(text);
                    break;
                }
                case 2: {
                    const auto stores = varnox::test::Snapshot(m);
                    const EditKind mode = rig->State().EditMode;
                    const uint16_t target = rig->State().EditTarget;
                    rig->Key(keys[random.bounded(static_cast<int>(std::size(keys)))]);
                    const auto strays = varnox::test::Strays(varnox::test::Changes(stores, m), varnox::test::AllowedChanges(mode, target));
                    QVERIFY2(strays.empty(), strays.empty() ? "" : strays.front().c_str());
                    break;
                }
                case 3: {
                    const Pane id = static_cast<Pane>(random.bounded(4));
                    rig->Box(id).ScrollBar()->triggerAction(static_cast<QAbstractSlider::SliderAction>(random.bounded(1, 8)));
                    break;
                }
                default: rig->Select(rig->Box(static_cast<Pane>(random.bounded(4))).GroupBox()); break;
            }
            QCOMPARE(m.Cpu.IE, ie);
        }
    }
};

QTEST_MAIN(DebugFormTest)
#include "DebugFormTest.moc"
