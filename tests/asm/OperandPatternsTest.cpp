// The operand patterns read side by side: where the patterns of one
// mnemonic part ways, a pattern's check is made where its line is checked,
// not before, and the text picks the opcode its listing would print.
#include <gtest/gtest.h>

#include <string_view>

#include "AsmTestSupport.h"

namespace varnox {
namespace {

using test::Asm;

struct LineCase {
    std::string_view text;
    std::string_view result;
};

TEST(OperandPatterns, ChecksWhereThePatternsPartWays) {
    const LineCase cases[] = {
        // A register too high for one form is told only when no other is left.
        {"adb i70,r5", "00 05 D0"},
        {"adb i70,&H10", "error at 9"},       // at the byte: only the immediate form was left
        {"ldlem i64..i67,&H01", "error at 15"},  // at once: ldlem has no other form
        {"adbm i64..i67,&H01", "error at 15"},   // after the comma, where the range pair failed
        {"ldm i64..i67,(ix)+", "error at 14"},   // before the pointer, as for every one-range form
        {"ld i70,(ix) +", "error at 14"},        // after the sign: the post-step form checks last
        {"ld i70,&H10", "error at 8"},
        {"ld i70,(ix+r5)", "A0 85 D0"},  // with a register offset the loaded register may be indirect
        {"ld r5,(ix+r6)", "error at 13"},
        {"ld r5,(x", "error at 8"},
        {"st (ix+r70),r64", "error at 11"},
        {"st -(ix),i70", "error at 13"},
        {"stm (ix+r5),r0..r3", "error at 19"},
        {"stm (ix+&H04),r64..r67", "error at 23"},
        {"cmpbm i64..i65", "error at 15"},
        {"ldm r5..r6,r70..r71", "error at 20"},  // the two ranges end on other bits
        // A status register picks the form: pst takes f from a register
        // only, ki not at all.
        {"pst f,r5", "CD 05"},
        {"pst ki,&H01", "error at 8"},
        {"pst ki,r5", "error at 10"},
        {"gst r5,ki", "59 85"},
        {"gst i70,ko", "error at 8"},
        // One register where only swp has a form for it; a half sup or sdn lacks.
        {"swp r70", "E0 86"},
        {"swp i70", "error at 8"},
        {"xc r70", "error at 7"},
        {"sup r5", "error at 7"},
        {"sdn r70", "error at 8"},
        {"sdn r5", "3C 85"},
        // Written lower first, exchanges keep their opcode or take their partner's.
        {"xcls r5,r70", "1E 85 C0"},
        {"xclsm r10..r13,r66..r69", "1F 92 A0"},
        {"swpm r10..r13,r66..r69", "15 92 A0"},
        {"bnusm i64..i67", "F0 80 70"},
        {"ldm r64..r67,(ix-r5)", "B4 85 00"},
        // A condition without its comma may begin a plain target; if not,
        // the line fails where the comma was missing.
        {"ijmp v0", "50 76 C7"},
        {"ijmp v0 x", "error at 7"},
        {"ijmp k r70,r6", "error at 8"},
        {"ijmp z", "error at 7"},
        {"jmp nz &H10", "error at 8"},
        {"trp", "FF 80"},
    };
    for (const LineCase& c : cases) EXPECT_EQ(Asm(c.text), c.result) << c.text;
}

}  // namespace
}  // namespace varnox
