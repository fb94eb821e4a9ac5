#include "debugger/Debugger.h"

#include "asm/SourceExpr.h"
#include "debugger/AddressText.h"
#include "debugger/HexText.h"
#include "debugger/RunControls.h"

namespace varnox {
namespace {

// "0187 put_bcd+6": the address, and the code name at or before it.
std::string PlaceOf(uint16_t address, const SymbolTable* names) {
    const std::string hex = HexText(address, 4);
    const std::string place = CodePlace(address, names);
    return place == hex ? hex : Concat({hex, " ", place});
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += Concat({text.empty() ? "" : "\n", line});
    return text;
}

}  // namespace

std::string StatusLine::Text() const {
    if (Stop.empty() || Said.empty()) return Stop + Said;
    return Concat({Stop, "\n", Said});
}

Debugger::Debugger(Machine& machine, RunControl& run, DebugState& state)
    : machine_(machine), run_(run), state_(state), before_(machine.Cpu) {}

// The machine runs on without the debugger's stops.
Debugger::~Debugger() {
    profiler_.Stop(run_.Stops);
    session_.Disarm(machine_);
}

void Debugger::Say(std::string text) {
    status_.Said = std::move(text);
    if (StatusChanged) StatusChanged();
}

void Debugger::SetStop(std::string text) {
    status_ = {std::move(text), {}};
    if (StatusChanged) StatusChanged();
}

void Debugger::Halted() {
    profiler_.Stop(run_.Stops);
    session_.Disarm(machine_);
    session_.Halted(machine_);
    session_.NoteStop(machine_);
    SayStop();
}

void Debugger::SayStop() {
    std::string text = session_.StopText();
    if (text.empty()) text = "Stopped at " + PlaceOf(machine_.Cpu.PC, session_.Names());
    SetStop(std::move(text));
}

void Debugger::Moved() {
    status_.Stop = "Stopped at " + PlaceOf(machine_.Cpu.PC, session_.Names());
    if (StatusChanged) StatusChanged();
}

void Debugger::Resume() {
    before_ = machine_.Cpu;
    session_.Resumed(machine_);
    session_.ForgetStop();
}

void Debugger::Continue() {
    Resume();
    ContinueRun(machine_, run_, session_);
}

void Debugger::ProfileRun() {
    Continue();
    profiler_.Start(machine_, run_.Stops);
}

bool Debugger::RunSteps(int32_t count) {
    if (!StartStepRun(run_.Stops, count)) return false;
    Continue();
    return true;
}

void Debugger::RunToAddress(int32_t address) {
    StartBreakRun(run_.Stops, address);
    Continue();
}

StepOutcome Debugger::Finish(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::HandedOver: break;  // said when the run loop stops it
        case StepOutcome::NoCaller: Say("No call on the stack to step out of"); break;
        case StepOutcome::Stopped:
        case StepOutcome::Done: SayStop(); break;  // the step took its stops off and read the watches
    }
    return outcome;
}

StepOutcome Debugger::StepInto() {
    Resume();
    return Finish(varnox::StepInto(machine_, session_, state_));
}

StepOutcome Debugger::StepOver() {
    Resume();
    return Finish(varnox::StepOver(machine_, run_, session_, state_));
}

StepOutcome Debugger::StepOut() {
    Resume();
    return Finish(varnox::StepOut(machine_, run_, session_, state_));
}

StepOutcome Debugger::RunToCursor() {
    const uint16_t target = CursorAddress();
    Resume();
    return Finish(RunTo(machine_, run_, session_, state_, target));
}

StepOutcome Debugger::StepLine(bool over) {
    Resume();
    return Finish(varnox::StepLine(machine_, run_, session_, state_, over));
}

void Debugger::ToggleBreakpointAt(uint16_t address) {
    const bool added = session_.Breakpoints.Toggle(address);
    Say(Concat({added ? "Breakpoint set at " : "Breakpoint removed at ", AddressWithName(address, session_.Names(), SymbolSpace::Code)}));
}

void Debugger::ShowInListing(uint16_t address) {
    state_.ListTop = address;
    cursor_ = address;
}

SymbolLoad Debugger::LoadSymbols(const std::filesystem::path& file, SymbolTrust trust) {
    SymbolLoad load = LoadSymbolFile(file, machine_, trust);
    std::vector<std::string> lines = load.Messages;
    if (load.Found && !load.Table.All().empty()) {
        session_.Symbols = load.Table;
        session_.Lines = load.Lines;
        lines.push_back(Concat({std::to_string(load.Table.All().size()), " symbols from ", file.string()}));
    }
    Say(Joined(lines));
    return load;
}

std::vector<std::string> Debugger::LoadSymbolsBeside(const std::filesystem::path& dir) {
    SymbolLoad load = varnox::LoadSymbolsBeside(dir, machine_);
    session_.Symbols = std::move(load.Table);
    session_.Lines = std::move(load.Lines);
    if (!load.Messages.empty()) Say(Joined(load.Messages));
    return load.Messages;
}

}  // namespace varnox
