// The instruction set, described once: for every 9-bit opcode the handler
// family that executes it with its argument, and the mnemonic and operand
// form by which the listing and the assembler know it. The processor's
// dispatch table and the opcode table of the assembly language are both
// built from this description at compile time, so execution and text
// cannot drift apart.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "core/Exec.h"
#include "core/OperandFields.h"
#include "core/OperandForms.h"

namespace varnox {

constexpr int OpcodeCount = 512;

struct Instruction {
    Handler handler;
    uint8_t arg;           // parameterises the handler: ALU operation, step, target, port
    const char* mnemonic;  // lower case, or a bracketed hex text for the ten without a name
    OperandForm form;      // operand layout of the listing
};

namespace isa {

// How a row's handler argument comes from the opcode.
enum class ArgFrom : uint8_t {
    Fixed,
    AluSelector,     // bits 0-2: adb sbb ad sb an na or xr
    AddSubSelector,  // bits 0-1: adb sbb ad sb
    PreStep,         // bit 2: pre-increment or pre-decrement
    PostStep,        // bit 2: post-increment or post-decrement
    Displacement,    // bit 2: add or subtract the displacement
    PortImmediate,   // bits 0-1: KO IF AS IE
    PortRegister,    // bits 0-1: KO F AS IE
};

struct Arg {
    ArgFrom from;
    uint8_t value;  // for Fixed
};
constexpr Arg Fix(uint8_t value) { return {ArgFrom::Fixed, value}; }
constexpr Arg None{ArgFrom::Fixed, 0};
constexpr Arg AluSel{ArgFrom::AluSelector, 0};
constexpr Arg AddSubSel{ArgFrom::AddSubSelector, 0};
constexpr Arg PreStep{ArgFrom::PreStep, 0};
constexpr Arg PostStep{ArgFrom::PostStep, 0};
constexpr Arg Disp{ArgFrom::Displacement, 0};
constexpr Arg PortImm{ArgFrom::PortImmediate, 0};
constexpr Arg PortReg{ArgFrom::PortRegister, 0};

// One mnemonic, or several chosen by opcode bits 0-2 (modulo the count).
struct Names {
    std::array<const char*, 8> text{};
    int count = 0;
    constexpr Names() = default;
    constexpr Names(const char* one) : text{one}, count(1) {}  // NOLINT: a name reads as a name list
    constexpr Names(std::initializer_list<const char*> list) : count(static_cast<int>(list.size())) {
        int i = 0;
        for (const char* name : list) text[static_cast<size_t>(i++)] = name;
    }
};

constexpr Names AluNames{"adb", "sbb", "ad", "sb", "an", "na", "or", "xr"};
constexpr Names AluMultiNames{"adbm", "sbbm", "adm", "sbm", "anm", "nam", "orm", "xrm"};
constexpr Names TestNames{"tadb", "tsbb", "tad", "tsb", "tan", "tna", "tor", "txr"};
constexpr Names TestMultiNames{"tadbm", "tsbbm", "tadm", "tsbm", "tanm", "tnam", "torm", "txrm"};
constexpr Names AddSubMultiNames{"adbm", "sbbm", "adm", "sbm"};
constexpr Names TestAddSubMultiNames{"tadbm", "tsbbm", "tadm", "tsbm"};

// Where a row repeats: instructions whose b1 is a data byte appear in both
// halves of the map (that byte's bit 7 is opcode bit 8); some rows repeat
// eight opcodes on, with opcode bit 3 set.
enum Copies : uint8_t { Once = 0, BothHalves = 1, BothBanks = 2 };

struct Row {
    uint16_t first;
    uint16_t last;
    Handler handler;
    Arg arg;
    Names names;
    OperandForm form;
    uint8_t copies = Once;
};

constexpr uint8_t ArgOf(const Arg& arg, unsigned opcode) {
    constexpr uint8_t immediatePorts[4] = {PortKO, PortIF, PortAS, PortIE};
    constexpr uint8_t registerPorts[4] = {PortKO, PortF, PortAS, PortIE};
    const bool bit2 = (opcode & 4) != 0;
    switch (arg.from) {
        case ArgFrom::Fixed: return arg.value;
        case ArgFrom::AluSelector: return static_cast<uint8_t>(opcode & 7);
        case ArgFrom::AddSubSelector: return static_cast<uint8_t>(opcode & 3);
        case ArgFrom::PreStep: return bit2 ? StepPreDec : StepPreInc;
        case ArgFrom::PostStep: return bit2 ? StepPostDec : StepPostInc;
        case ArgFrom::Displacement: return bit2 ? StepSubDisp : StepAddDisp;
        case ArgFrom::PortImmediate: return immediatePorts[opcode & 3];
        case ArgFrom::PortRegister: return registerPorts[opcode & 3];
    }
    return 0;
}

// The rows in the order of the opcode map. Every opcode is covered by
// exactly one row (checked below).
struct RowList {
    std::array<Row, 128> rows{};
    int count = 0;
    constexpr void Add(std::initializer_list<Row> list) {
        for (const Row& row : list) rows[static_cast<size_t>(count++)] = row;
    }
    // A block of sixteen conditional transfers: bits 0-2 choose the
    // condition (0 always, 1 a key, 2-7 a flag), bit 3 its sense; the
    // opcode with condition 8 is the block's return or cancel.
    constexpr void AddConditionals(uint16_t base, uint8_t target, const char* name, OperandForm form, uint8_t copies) {
        Add({
            {base, base, JumpIfClearOp, Fix(target), name, form, copies},  // empty mask: always
            {uint16_t(base + 1), uint16_t(base + 1), JumpIfKeyOp, Fix(target), name, form, copies},
            {uint16_t(base + 2), uint16_t(base + 7), JumpIfSetOp, Fix(target), name, form, copies},
            {uint16_t(base + 9), uint16_t(base + 9), JumpIfNoKeyOp, Fix(target), name, form, copies},
            {uint16_t(base + 10), uint16_t(base + 15), JumpIfClearOp, Fix(target), name, form, copies},
        });
    }
};

constexpr RowList Description() {
    using enum OperandForm;
    RowList d;
    // Register arithmetic; opcode bit 3 writes the lower register first.
    d.Add({
        {0x000, 0x007, RegRegOp, AluSel, AluNames, UpperLower},
        {0x008, 0x00F, RegRegRevOp, AluSel, AluNames, LowerUpper},
        {0x010, 0x017, RegRegMultiOp, AluSel, AluMultiNames, UpperRangeLowerRange},
        {0x018, 0x01F, RegRegMultiRevOp, AluSel, AluMultiNames, LowerRangeUpperRange},
        {0x020, 0x027, TestRegRegOp, AluSel, TestNames, UpperLower},
        {0x028, 0x02F, TestRegRegRevOp, AluSel, TestNames, LowerUpper},
        {0x030, 0x037, TestRegRegMultiOp, AluSel, TestMultiNames, UpperRangeLowerRange},
        {0x038, 0x03F, TestRegRegMultiRevOp, AluSel, TestMultiNames, LowerRangeUpperRange},
    });

    // Index registers, jumps, calls and returns.
    d.Add({
        {0x040, 0x047, LoadWordOp, None, "ldw", IndexImm16, BothHalves},
        {0x048, 0x04B, IndexImmOp, Fix(StepAddDisp), "adw", PointerImm8, BothHalves},
        {0x04C, 0x04F, IndexImmOp, Fix(StepSubDisp), "sbw", PointerImm8, BothHalves},
        {0x058, 0x058, ReturnOp, None, "rtn", NoOperands, BothHalves},
        {0x068, 0x068, CancelIrqOp, None, "cani", NoOperands, BothHalves},
        {0x078, 0x078, ReturnIrqOp, None, "rti", NoOperands, BothHalves},
    });
    d.AddConditionals(0x050, TargetIjmp, "ijmp", ConditionIndexOrPair, Once);
    d.AddConditionals(0x060, TargetCal, "cal", ConditionImm16, BothHalves);
    d.AddConditionals(0x070, TargetJmp, "jmp", ConditionImm16, BothHalves);

    // Memory through the pointer registers, ports, immediate stores.
    d.Add({
        {0x080, 0x08F, StoreIndexOp, PreStep, "st", PreStepPointerBankReg},
        {0x090, 0x09F, StoreIndexMultiOp, PreStep, "stm", PreStepPointerBankRange},
        {0x0A0, 0x0AF, LoadIndexOp, PostStep, "ld", BankRegPointerPostStep},
        {0x0B0, 0x0BF, LoadIndexMultiOp, PostStep, "ldm", BankRangePointerPostStep},
        {0x0C0, 0x0C3, PutImmOp, PortImm, "pst", StatusImm8, BothHalves},
        {0x0C4, 0x0C7, PutRegOp, PortReg, "pst", StatusBankReg, BothBanks},
        {0x0C8, 0x0CB, StoreImmOp, Fix(StepPreInc), "st", PreStepPointerImm8, BothHalves},
        {0x0D0, 0x0D3, StoreImmOp, Fix(StepNone), "st", AtPointerImm8, BothHalves},
        {0x0D4, 0x0D7, GetOp, PortReg, "gst", BankRegStatus, BothBanks},
        {0x0D8, 0x0DB, StoreImmOp, Fix(StepPreDec), "st", PreStepPointerImm8, BothHalves},
    });

    // The one-operand grid, a line to each eight opcodes by bits 0-2; the
    // rows with bit 3 set repeat the row above but for column 2.
    d.Add({
        {0x0E0, 0x0E0, UnaryOp, Fix(UnNeg), "cmp", BankReg, BothBanks},
        {0x0E1, 0x0E1, UnaryMultiOp, Fix(UnNeg), "cmpm", UpperOrLowerRange, BothBanks},
        {0x0E2, 0x0E2, BlockMoveOp, Fix(StepPreInc), "bup", NoOperands, BothHalves},
        {0x0E3, 0x0E3, UnaryMultiOp, Fix(UnByteup), "byum", UpperOrLowerRange, BothBanks},
        {0x0E4, 0x0E4, UnaryOp, Fix(UnNegb), "cmpb", BankReg, BothBanks},
        {0x0E5, 0x0E5, UnaryMultiOp, Fix(UnDigup), "dium", UpperOrLowerRange, BothBanks},
        {0x0E6, 0x0E6, RotateOp, Fix(UnShl), "rou", BankReg, BothBanks},
        {0x0E7, 0x0E7, RotateMultiOp, Fix(UnShl), "roum", UpperOrLowerRange, BothBanks},
        {0x0EA, 0x0EA, NopOp, None, "[EA00]", LowerUpper},

        {0x0F0, 0x0F0, UnaryOp, Fix(UnInv), "inv", BankReg, BothBanks},
        {0x0F1, 0x0F1, UnaryMultiOp, Fix(UnInv), "invm", UpperOrLowerRange, BothBanks},
        {0x0F2, 0x0F2, BlockMoveOp, Fix(StepPreDec), "bdn", NoOperands, BothHalves},
        {0x0F3, 0x0F3, UnaryMultiOp, Fix(UnBytedn), "bydm", UpperOrLowerRange, BothBanks},
        {0x0F4, 0x0F4, UnaryRangeOp, Fix(UnNegb), "cmpbm", BankRange, BothBanks},
        {0x0F5, 0x0F5, UnaryMultiOp, Fix(UnDigdn), "didm", UpperOrLowerRange, BothBanks},
        {0x0F6, 0x0F6, RotateOp, Fix(UnShr), "rod", BankReg, BothBanks},
        {0x0F7, 0x0F7, RotateMultiOp, Fix(UnShr), "rodm", UpperOrLowerRange, BothBanks},
        {0x0FA, 0x0FA, NopOp, None, "nop", NoOperands, BothHalves},

        {0x1E0, 0x1E0, UnaryOp, Fix(UnSwp), "swp", BankReg, BothBanks},
        {0x1E1, 0x1E1, NopOp, None, "[E180]", BracketedByte},
        {0x1E3, 0x1E3, UnaryOp, Fix(UnByteup), "byu", BankReg, BothBanks},
        {0x1E4, 0x1E4, UnaryOp, Fix(UnShl), "biu", BankReg, BothBanks},
        {0x1E5, 0x1E5, UnaryOp, Fix(UnDigup), "diu", BankReg, BothBanks},
        {0x1E6, 0x1E6, UnaryOp, Fix(UnDbl), "mtb", BankReg, BothBanks},
        {0x1E7, 0x1E7, TrapOp, None, "trp", FillerByte, BothBanks},
        {0x1E9, 0x1E9, NopOp, None, "[E980]", BracketedByte},
        {0x1EA, 0x1EA, NopOp, None, "[EA80]", LowerUpper},

        {0x1F0, 0x1F0, UnaryMultiOp, Fix(UnByteupswap), "bnusm", UpperOrLowerRange, BothBanks},
        {0x1F1, 0x1F1, GetOp, Fix(PortIF), "gst", BankRegIf, BothBanks},
        {0x1F3, 0x1F3, UnaryOp, Fix(UnBytedn), "byd", BankReg, BothBanks},
        {0x1F4, 0x1F4, UnaryMultiOp, Fix(UnShl), "bium", UpperOrLowerRange, BothBanks},
        {0x1F5, 0x1F5, UnaryOp, Fix(UnDigdn), "did", BankReg, BothBanks},
        {0x1F6, 0x1F6, UnaryRangeOp, Fix(UnDbl), "mtbm", BankRange, BothBanks},
        {0x1F7, 0x1F7, TrapOp, None, "trp", FillerByte, BothBanks},
    });

    // Registers with an immediate, exchanges, the search.
    d.Add({
        {0x100, 0x10F, RegImmOp, AluSel, AluNames, BankRegImm8},
        {0x110, 0x113, RegImmMultiOp, AddSubSel, AddSubMultiNames, BankRangeImm6, BothBanks},
        {0x114, 0x114, ExchangeOp, Fix(XchSwp2), "swp", UpperLower},
        {0x115, 0x115, ExchangeMultiOp, Fix(XchSwp2), "swpm", UpperRangeLowerRange},
        {0x116, 0x116, ExchangeOp, Fix(XchXcls), "xcls", UpperLower},
        {0x117, 0x117, ExchangeMultiOp, Fix(XchXcls), "xclsm", UpperRangeLowerRange},
        {0x11C, 0x11C, ExchangeOp, Fix(XchXc), "xc", UpperLower},
        {0x11D, 0x11D, ExchangeMultiOp, Fix(XchXc), "xcm", UpperRangeLowerRange},
        {0x11E, 0x11E, ExchangeOp, Fix(XchXchs), "xchs", UpperLower},
        {0x11F, 0x11F, ExchangeMultiOp, Fix(XchXchs), "xchsm", UpperRangeLowerRange},
        {0x120, 0x12F, TestRegImmOp, AluSel, TestNames, BankRegImm8},
        {0x130, 0x133, TestRegImmMultiOp, AddSubSel, TestAddSubMultiNames, BankRangeImm6, BothBanks},
        {0x134, 0x134, SearchOp, Fix(StepPreInc), "sup", BankReg},
        {0x135, 0x135, SearchOp, Fix(StepPreInc), "[3580]", BracketedByte},
        {0x136, 0x136, SearchOp, Fix(StepPreInc), "[3680]", BracketedByte},
        {0x137, 0x137, SearchOp, Fix(StepPreInc), "[3780]", BracketedByte},
        {0x13C, 0x13C, SearchOp, Fix(StepPreDec), "sdn", BankReg},
        {0x13D, 0x13D, SearchOp, Fix(StepPreDec), "[3D80]", BracketedByte},
        {0x13E, 0x13E, SearchOp, Fix(StepPreDec), "[3E80]", BracketedByte},
        {0x13F, 0x13F, SearchOp, Fix(StepPreDec), "[3F80]", BracketedByte},
    });

    // Off, the key port, bit tests and register loads.
    d.Add({
        {0x150, 0x150, OffOp, None, "off", FillerByte},
        {0x151, 0x151, GetOp, Fix(PortKI), "gst", BankRegKi, BothBanks},
        {0x152, 0x152, TestRegImmOp, Fix(AluBit), "bit", BankRegImm8, BothBanks},
        {0x153, 0x153, TestRegRegOp, Fix(AluBit), "bit", UpperLower},
        {0x15B, 0x15B, TestRegRegRevOp, Fix(AluBit), "bit", LowerUpper},
        {0x154, 0x154, RegRegOp, Fix(AluLd), "ld", UpperLower},
        {0x15C, 0x15C, RegRegRevOp, Fix(AluLd), "ld", LowerUpper},
        {0x155, 0x155, RegRegMultiOp, Fix(AluLd), "ldm", UpperRangeLowerRange},
        {0x15D, 0x15D, RegRegMultiRevOp, Fix(AluLd), "ldm", LowerRangeUpperRange},
        {0x156, 0x156, RegImmOp, Fix(AluLd), "ld", BankRegImm8, BothBanks},
        {0x157, 0x157, RegImmMultiOp, Fix(AluLd), "ldm", BankRangeImm6, BothBanks},
    });

    // Memory at an index plus or minus a displacement; LCD transfers.
    d.Add({
        {0x180, 0x187, StoreRegDispOp, Disp, "st", OffsetPointerReg},
        {0x188, 0x18F, StoreDispOp, Disp, "st", OffsetPointerReg},
        {0x190, 0x197, StoreRegDispMultiOp, Disp, "stm", OffsetPointerRange},
        {0x198, 0x19F, StoreDispMultiOp, Disp, "stm", OffsetPointerRange},
        {0x1A0, 0x1A7, LoadRegDispOp, Disp, "ld", RegOffsetPointer},
        {0x1A8, 0x1AF, LoadDispOp, Disp, "ld", RegOffsetPointer},
        {0x1B0, 0x1B7, LoadRegDispMultiOp, Disp, "ldm", RangeOffsetPointer},
        {0x1B8, 0x1BF, LoadDispMultiOp, Disp, "ldm", RangeOffsetPointer},
        {0x1C4, 0x1C4, LcdLoadOp, None, "ldle", BankRegImm8, BothBanks},
        {0x1C5, 0x1C5, LcdLoadLowOp, None, "ldlo", BankRegImm8, BothBanks},
        {0x1C6, 0x1C6, LcdStoreOp, None, "stle", BankRegImm8, BothBanks},
        {0x1C7, 0x1C7, LcdStoreLowOp, None, "stlo", BankRegImm8, BothBanks},
        {0x1D4, 0x1D4, LcdLoadMultiOp, None, "ldlem", BankRangeImm6, BothBanks},
        {0x1D5, 0x1D5, LcdLoadLowMultiOp, None, "ldlom", BankRangeImm6, BothBanks},
        {0x1D6, 0x1D6, LcdStoreMultiOp, None, "stlem", BankRangeImm6, BothBanks},
        {0x1D7, 0x1D7, LcdStoreLowMultiOp, None, "stlom", BankRangeImm6, BothBanks},
    });
    return d;
}

constexpr RowList Rows = Description();

// Calls visit(opcode, row) for every opcode a row covers.
template <typename Visit>
constexpr void ForEachCovered(const Row& row, Visit&& visit) {
    for (unsigned offset : {0u, 0x100u, 0x008u, 0x108u}) {
        if ((offset & 0x100) && !(row.copies & BothHalves)) continue;
        if ((offset & 0x008) && !(row.copies & BothBanks)) continue;
        for (unsigned opcode = row.first; opcode <= row.last; ++opcode) visit(opcode + offset, row);
    }
}

constexpr std::array<int, OpcodeCount> Coverage() {
    std::array<int, OpcodeCount> hits{};
    for (int i = 0; i < Rows.count; ++i) {
        ForEachCovered(Rows.rows[static_cast<size_t>(i)], [&](unsigned opcode, const Row&) {
            if (opcode < OpcodeCount) ++hits[opcode];
        });
    }
    return hits;
}

constexpr bool EveryOpcodeOnce() {
    for (int hits : Coverage()) {
        if (hits != 1) return false;
    }
    return true;
}
static_assert(EveryOpcodeOnce(), "every opcode is described by exactly one row");

constexpr std::array<Instruction, OpcodeCount> Build() {
    std::array<Instruction, OpcodeCount> set{};
    for (int i = 0; i < Rows.count; ++i) {
        ForEachCovered(Rows.rows[static_cast<size_t>(i)], [&](unsigned opcode, const Row& row) {
            const auto pick = static_cast<size_t>((opcode & 7) % static_cast<unsigned>(row.names.count));
            set[opcode] = Instruction{row.handler, ArgOf(row.arg, opcode), row.names.text[pick], row.form};
        });
    }
    return set;
}

}  // namespace isa

inline constexpr std::array<Instruction, OpcodeCount> InstructionSet = isa::Build();

constexpr bool IsBracketed(std::string_view mnemonic) { return !mnemonic.empty() && mnemonic.front() == '['; }

// Whether two mnemonics are the same text. A plain character loop: the
// compile-time checks compare many names, and every compiler's budget for
// constant evaluation must cover them.
constexpr bool SameMnemonic(std::string_view a, const char* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] != a[i]) return false;
    }
    return b[i] == '\0';
}

namespace isa {

// How many distinct texts the set uses, named or bracketed.
constexpr int DistinctMnemonics(bool bracketed) {
    std::array<const char*, OpcodeCount> seen{};
    int count = 0;
    for (const Instruction& instruction : InstructionSet) {
        if (IsBracketed(instruction.mnemonic) != bracketed) continue;
        bool known = false;
        for (int i = 0; i < count && !known; ++i) known = SameMnemonic(seen[static_cast<size_t>(i)], instruction.mnemonic);
        if (!known) seen[static_cast<size_t>(count++)] = instruction.mnemonic;
    }
    return count;
}
static_assert(DistinctMnemonics(false) == 94, "94 mnemonics");
static_assert(DistinctMnemonics(true) == 10, "ten opcodes without a name");

constexpr bool FormsInRange() {
    for (const Instruction& instruction : InstructionSet) {
        if (FormIndex(instruction.form) >= OperandFormCount || instruction.mnemonic == nullptr) return false;
    }
    return true;
}
static_assert(FormsInRange(), "every opcode is set and has an operand form");

}  // namespace isa

// The first opcode with this mnemonic and operand form, or -1; with `bank`
// (BankBit or 0) only opcodes whose bit 3 is that. The assembler takes its
// opcodes from here.
constexpr int AnyBank = -1;
constexpr int OpcodeOf(std::string_view mnemonic, OperandForm form, int bank = AnyBank) {
    for (unsigned op = 0; op < OpcodeCount; ++op) {
        const Instruction& instruction = InstructionSet[op];
        if (instruction.form != form || !SameMnemonic(mnemonic, instruction.mnemonic)) continue;
        if (bank == AnyBank || static_cast<int>(op & BankBit) == bank) return static_cast<int>(op);
    }
    return -1;
}

}  // namespace varnox
