#include "debugger/DebugSession.h"

#include <cstdio>

#include "debugger/AddressText.h"

#include "asm/SourceExpr.h"

namespace varnox {

DebugSession::DebugSession() : watch_(std::make_unique<AccessWatch>()) {}

DebugSession::~DebugSession() = default;

void DebugSession::Arm(Machine& m, RunStops& stops, std::optional<StepTarget> target) {
    target_ = target;
    PrepareStep(m);
    Trace.Begin(m);
    stops.Conditions = this;
    armed_ = &stops;
}

void DebugSession::Disarm(Machine& m) {
    if (armed_ && armed_->Conditions == this) armed_->Conditions = nullptr;
    armed_ = nullptr;
    if (m.Watch == watch_.get()) m.Watch = nullptr;
    target_.reset();
}

void DebugSession::Resumed(const Machine& m) {
    cycles_ = 0;
    cyclesFrom_ = m.Clock.Cycles;
}

void DebugSession::Halted(const Machine& m) {
    cycles_ = CyclesSinceStop(m);
    cyclesFrom_.reset();
}

uint64_t DebugSession::CyclesSinceStop(const Machine& m) const {
    if (!cyclesFrom_) return cycles_;
    // A state loaded meanwhile may have put the clock before the mark.
    return m.Clock.Cycles > *cyclesFrom_ ? m.Clock.Cycles - *cyclesFrom_ : 0;
}

void DebugSession::PrepareStep(Machine& m) {
    stop_ = {};
    if (Watchpoints.AnyEnabled()) {
        if (watchFilled_ != Watchpoints.Version()) {
            Watchpoints.Fill(*watch_);
            watchFilled_ = Watchpoints.Version();
        }
        watch_->First = {};
        m.Watch = watch_.get();
    } else if (m.Watch == watch_.get()) {
        m.Watch = nullptr;
    }
}

bool DebugSession::AfterStep(Machine& m, int32_t cycles) {
    Trace.Record(m, cycles);
    if (m.Watch == watch_.get() && watch_->First.Hit) {
        stop_ = {StopKind::Watchpoint, 0, watch_->First, MemReadUngated(m, watch_->First.Address)};
        watch_->First = {};
        return true;
    }
    if (target_ && m.Cpu.PC == target_->Pc && (!target_->CheckSp || GetIndex(m.Cpu, RegSp) >= target_->MinSp)) {
        stop_ = {StopKind::Target, 0, {}, 0};
        target_.reset();
        return true;
    }
    if (const auto index = Breakpoints.Check(m)) {
        stop_ = {StopKind::Breakpoint, *index, {}, 0};
        return true;
    }
    return false;
}

bool DebugSession::ShouldStop(Machine& m) { return AfterStep(m, m.Cpu.StepCycles); }

std::string DebugSession::StopText() const {
    switch (stop_.Kind) {
        case StopKind::None: return {};
        case StopKind::Target: return {};  // where it was asked to go: nothing to explain
        case StopKind::Breakpoint: {
            if (stop_.Breakpoint >= Breakpoints.Size()) return "Breakpoint";
            const Breakpoint& breakpoint = Breakpoints.All()[stop_.Breakpoint];
            const SymbolSpace space = breakpoint.Address < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data;
            return Concat({"Breakpoint ", std::to_string(stop_.Breakpoint + 1), " at ",
                           AddressWithName(breakpoint.Address, Names(), space), " (hit ",
                           std::to_string(breakpoint.Hits), ")"});
        }
        case StopKind::Watchpoint: return Concat({"Watch: ", WatchHitText(stop_.Access, stop_.Now, Names())});
    }
    return {};
}

}  // namespace varnox
