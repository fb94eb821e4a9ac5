#include "frontend/debugger/DebugController.h"

namespace varnox {

TDebugController::TDebugController(Machine& machine, RunControl& run, DebugState& state, QObject* parent)
    : QObject(parent), debugger_(machine, run, state) {
    debugger_.StatusChanged = [this] { emit StatusChanged(Status()); };
}

void TDebugController::Continue() {
    debugger_.Continue();
    emit Resumed();
}

void TDebugController::ProfileRun() {
    debugger_.ProfileRun();
    emit Resumed();
}

bool TDebugController::RunSteps(int32_t count) {
    if (!debugger_.RunSteps(count)) return false;
    emit Resumed();
    return true;
}

void TDebugController::RunToAddress(int32_t address) {
    debugger_.RunToAddress(address);
    emit Resumed();
}

// Longer than the debugger steps through: the run loop goes on to the same
// bound, as after a Run button.
void TDebugController::Stepped(StepOutcome outcome) {
    if (outcome == StepOutcome::HandedOver) {
        emit Resumed();
        return;
    }
    emit Finished(outcome);
    emit Refreshed();
}

void TDebugController::StepInto() { Stepped(debugger_.StepInto()); }

void TDebugController::StepOver() { Stepped(debugger_.StepOver()); }

void TDebugController::StepOut() { Stepped(debugger_.StepOut()); }

void TDebugController::RunToCursor() { Stepped(debugger_.RunToCursor()); }

void TDebugController::StepLine(bool over) { Stepped(debugger_.StepLine(over)); }

void TDebugController::ToggleBreakpointAt(uint16_t address) {
    debugger_.ToggleBreakpointAt(address);
    Changed();
}

void TDebugController::ShowInListing(uint16_t address) {
    debugger_.ShowInListing(address);
    Changed();
}

SymbolLoad TDebugController::LoadSymbols(const std::filesystem::path& file, SymbolTrust trust) {
    SymbolLoad load = debugger_.LoadSymbols(file, trust);
    Changed();
    return load;
}

}  // namespace varnox
