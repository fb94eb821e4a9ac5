// The processor step, reset and interrupts.
#pragma once

#include <cstdint>

#include "core/Def.h"

namespace varnox {

// One step: idle while halted, enter a due interrupt, or run one
// instruction; then age the pending requests. Returns the step's cycles.
int32_t CpuStep(Machine& m);

// The same step run by the instruction set's table alone, without decoded
// words or fixed-argument handlers: the reference CpuStep is checked
// against.
int32_t CpuStepPlain(Machine& m);

void CpuReset(Machine& m);

// Requests interrupt level 0..2; dropped unless enabled in IE and idle.
void IrqRequest(Machine& m, int level);

// Recomputes KI from KO, HeldKeys and the self-test request; a key on the
// wake line (KI bit 0) clears Halted.
void KeyScan(Machine& m);

// Pushes PC (low byte first, so sp ends on the high byte) and jumps.
void CallTo(Machine& m, uint8_t high, uint8_t low);
void PopPC(Machine& m);

// What the next CpuStep will do, without doing it (for tracing).
enum class StepKind { Idle, Interrupt, Instruction };
StepKind PeekStepKind(const Machine& m, int* level = nullptr);

}  // namespace varnox
