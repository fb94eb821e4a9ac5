// One instruction line of the source format: the expressions in its
// operands are evaluated and put in as plain numbers, the line assembler
// assembles the result, and a rejection is explained at the column of its
// cause (a value out of the operand's range, a register of the wrong half).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/SourceExpr.h"

namespace varnox {

struct LineError {
    size_t column = 0;  // 0-based
    std::string message;
};

struct InstructionBytes {
    std::vector<LineError> errors;  // empty when the line assembled
    bool known = true;  // false: a name had no value yet and stood as 0; count may be a guess
    std::array<uint8_t, 3> bytes{};
    int count = 0;
};

// line: the whole source line with tabs made spaces and labels blanked;
// start: where its mnemonic begins.
InstructionBytes AssembleInstruction(std::string_view line, size_t start, const ExprContext& context);

// Whether an operand written so is read by the grammar itself, whatever a
// symbol of that name stands for: a register (r5, i70), an index or pointer
// register, a condition or a status register, in any case.
bool IsOperandWord(std::string_view word);

}  // namespace varnox
