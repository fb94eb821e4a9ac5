// The debugger over a main window running an assembled program with its
// rom.sym, for the tests of the debugger's windows.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "asm/SourceAsm.h"
#include "core/Crc32.h"
#include "frontend/debugger/Debug.h"
#include "frontend/debugger/DebugTools.h"
#include "GuiSupport.h"
#include "support/DebugProgram.h"
#include "system/SaveState.h"

namespace varnox::test {

// The tools, a window of their own beside the Debug Window.
inline TDebugTools* FindTools() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QStringLiteral("DebugTools")) return qobject_cast<TDebugTools*>(window);
    }
    return nullptr;
}

using Pane = TDebugForm::PaneId;

constexpr std::string_view Program = DebugProgram;

class Rig {
public:
    explicit Rig(std::string_view program = Program) {
        scratch_.CopyKit();
        scratch_.Write("main.asm", QByteArray::fromStdString(std::string(program)));
        SourceOptions options;
        options.FileName = (scratch_.Path() / "main.asm").string();
        const SourceImages images = AssembleSource(program, options);
        QVERIFY(images.Errors.empty());
        scratch_.Write("rom0.bin", QByteArray(reinterpret_cast<const char*>(images.Rom0.data()), images.Rom0.size()));
        scratch_.Write("rom1.bin", QByteArray(reinterpret_cast<const char*>(images.Rom1.data()), images.Rom1.size()));
        scratch_.Write("rom.sym", QByteArray::fromStdString(SymbolFileText(images.Labels, Crc32(images.Rom0), images.Lines)));
        main_ = std::make_unique<TMainForm>(scratch_.Path());
        debug_ = std::make_unique<TDebugForm>(main_->GetMachine(), main_->Control(), scratch_.Path());
        main_->ShowDebugger = [this] { debug_->Show(); };
        debug_->ShareWindowKeys(main_->Menu().EmulatorActions());
        main_->show();
        main_->RunTimer()->SetEnabled(false);
        QTest::keyClick(main_.get(), Qt::Key_F3);
        QVERIFY(QTest::qWaitForWindowExposed(debug_.get()));
    }
    ~Rig() {
        debug_.reset();
        main_.reset();
    }
    Machine& M() { return main_->GetMachine(); }
    RunControl& Run() { return main_->Control(); }
    TDebugForm& Debug() { return *debug_; }
    TDebugController& Controller() { return debug_->Controller(); }
    DebugSession& Session() { return debug_->Controller().Session(); }
    const DebugState& State() { return debug_->Controller().Core().State(); }
    TDebugTools& Tools() { return *FindTools(); }
    // The window's parts by their names.
    template <typename Widget = QWidget>
    Widget* Find(const char* name) {
        return debug_->findChild<Widget*>(QString::fromLatin1(name));
    }
    TPaneBox& PaneBox(Pane id) {
        static constexpr const char* Names[] = {"ListPane", "RegPane", "MainPane", "BinPane"};
        return *Find<TPaneBox>(Names[id]);
    }
    TMainForm& Main() { return *main_; }
    const Scratch& Dir() const { return scratch_; }
    uint16_t At(const char* name) { return Session().Symbols.Find(name)->Address; }
    void Key(QKeySequence key) { QTest::keySequence(debug_.get(), key); }
    // Run ticks until the debugger shows again; the number taken, or -1.
    int TicksUntilShown(int limit = 500) {
        for (int tick = 1; tick <= limit; ++tick) {
            main_->RunTimer()->OnTimer()(main_->RunTimer());
            if (debug_->isVisible()) return tick;
        }
        return -1;
    }
    QStringList ListRows() {
        TPaneBox& box = PaneBox(Pane::ListId);
        box.PaintBox()->grab();
        QStringList rows;
        for (const PaneText& text : box.DrawnTexts()) {
            while (rows.size() <= text.Row) rows << QString();
            rows[text.Row] = rows[text.Row].leftJustified(text.Column) + QString::fromStdString(text.Text);
        }
        return rows;
    }
    void Wheel(QWidget* widget, int notches) {
        QWheelEvent event(QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }

private:
    Scratch scratch_;
    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<TDebugForm> debug_;
};


}  // namespace varnox::test
