#include "frontend/debugger/DebugController.h"

#include <QStringList>

#include "debugger/AddressText.h"

namespace varnox {

TDebugController::TDebugController(Machine& machine, RunControl& run, DebugState& state, QObject* parent)
    : QObject(parent), machine_(machine), run_(run), state_(state), before_(machine.Cpu) {}

TDebugController::~TDebugController() { Halted(); }

void TDebugController::Halted() {
    profiler_.Stop(run_.Stops);
    session_.Disarm(machine_);
    session_.Halted(machine_);
    session_.NoteStop(machine_);
}

void TDebugController::ProfileRun() {
    Resume();
    ContinueRun(machine_, run_, session_);
    profiler_.Start(machine_, run_.Stops);
    emit Resumed();
}

void TDebugController::SetStatus(const QString& text) {
    status_ = text;
    emit StatusChanged(text);
}

void TDebugController::ShowStop() {
    std::string text = session_.StopText();
    if (text.empty()) text = "Stopped at " + AddressWithName(machine_.Cpu.PC, session_.Names(), SymbolSpace::Code);
    SetStatus(QString::fromStdString(text));
}

void TDebugController::Resume() {
    before_ = machine_.Cpu;
    session_.Resumed(machine_);
    session_.ForgetStop();
}

void TDebugController::Continue() {
    Resume();
    ContinueRun(machine_, run_, session_);
    emit Resumed();
}

void TDebugController::Step(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::HandedOver:
            // Longer than the debugger steps through: the run loop goes on
            // to the same bound, as after a Run button.
            emit Resumed();
            return;
        case StepOutcome::NoCaller: SetStatus(QStringLiteral("No call on the stack to step out of")); break;
        case StepOutcome::Stopped:
        case StepOutcome::Done: ShowStop(); break;
    }
    emit Finished(outcome);
    emit Refreshed();
}

void TDebugController::StepInto() {
    Resume();
    Step(varnox::StepInto(machine_, session_, state_));
}

void TDebugController::StepOver() {
    Resume();
    Step(varnox::StepOver(machine_, run_, session_, state_));
}

void TDebugController::StepOut() {
    Resume();
    Step(varnox::StepOut(machine_, run_, session_, state_));
}

void TDebugController::RunToCursor() {
    const uint16_t target = CursorAddress();
    Resume();
    Step(RunTo(machine_, run_, session_, state_, target));
}

// A line of many words, or a loop within one line, is bounded: the step
// ends there as a step over ends at its bound.
void TDebugController::StepLine(bool over) {
    constexpr int MostSteps = 100000;
    Resume();
    const SourceLineRow* start = session_.Lines.LineAt(machine_.Cpu.PC);
    StepOutcome outcome = StepOutcome::Done;
    for (int step = 0; step < MostSteps; ++step) {
        outcome = over ? varnox::StepOver(machine_, run_, session_, state_) : varnox::StepInto(machine_, session_, state_);
        if (outcome != StepOutcome::Done || !start) break;
        const SourceLineRow* now = session_.Lines.LineAt(machine_.Cpu.PC);
        if (now && (now->File != start->File || now->Line != start->Line)) break;
    }
    Step(outcome);
}

void TDebugController::ToggleBreakpointAt(uint16_t address) {
    const bool added = session_.Breakpoints.Toggle(address);
    const QString where = QString::fromStdString(AddressWithName(address, session_.Names(), SymbolSpace::Code));
    SetStatus((added ? QStringLiteral("Breakpoint set at ") : QStringLiteral("Breakpoint removed at ")) + where);
    Changed();
}

void TDebugController::ShowInListing(uint16_t address) {
    state_.ListTop = address;
    cursor_ = address;
    Changed();
}

SymbolLoad TDebugController::LoadSymbols(const std::filesystem::path& file, SymbolTrust trust) {
    SymbolLoad load = LoadSymbolFile(file, machine_, trust);
    QStringList lines;
    for (const std::string& message : load.Messages) lines << QString::fromStdString(message);
    if (load.Found && !load.Table.All().empty()) {
        session_.Symbols = load.Table;
        session_.Lines = load.Lines;
        lines << QStringLiteral("%1 symbols from %2").arg(load.Table.All().size()).arg(QString::fromStdString(file.string()));
    }
    SetStatus(lines.join(QLatin1Char('\n')));
    Changed();
    return load;
}

void TDebugController::Changed() { emit Refreshed(); }

}  // namespace varnox
