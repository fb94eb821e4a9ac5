// The 512-entry dispatch table and the decode of one instruction.
#include "core/Decode.h"

#include "core/Exec.h"

namespace varnox {
namespace {

constexpr DispatchEntry Entry(Handler handler, uint8_t arg = 0) { return DispatchEntry{handler, arg}; }

// The conditional transfers of one 16-opcode block: bits 0-2 the condition,
// bit 3 its sense; index 8 belongs to rtn, cani or rti.
constexpr DispatchEntry ConditionalEntry(unsigned opcode, JumpTarget target) {
    const unsigned condition = opcode & 0x0F;
    if (condition == 0) return Entry(JumpIfClearOp, target);  // empty mask: always
    if (condition == 1) return Entry(JumpIfKeyOp, target);
    if (condition == 9) return Entry(JumpIfNoKeyOp, target);
    if (condition < 8) return Entry(JumpIfSetOp, target);
    return Entry(JumpIfClearOp, target);
}

// The one-operand grid of 0x0E0-0x0FF and 0x1E0-0x1FF.
constexpr DispatchEntry OneOperandEntry(unsigned opcode) {
    const unsigned column = opcode & 7;
    const bool upperRows = opcode & 0x100;
    const bool secondRow = opcode & 0x10;
    if (column == 2) {
        if (opcode & 0x08) return Entry(NopOp);  // 0x0EA, 0x0FA, 0x1EA, 0x1FA
        return Entry(BlockMoveOp, secondRow ? StepPreDec : StepPreInc);
    }
    if (!upperRows) {
        if (!secondRow) {
            constexpr DispatchEntry row[8] = {
                {UnaryOp, UnNeg},        {UnaryMultiOp, UnNeg},   {NopOp, 0},          {UnaryMultiOp, UnByteup},
                {UnaryOp, UnNegb},       {UnaryMultiOp, UnDigup}, {RotateOp, UnShl},   {RotateMultiOp, UnShl}};
            return row[column];
        }
        constexpr DispatchEntry row[8] = {
            {UnaryOp, UnInv},         {UnaryMultiOp, UnInv},   {NopOp, 0},         {UnaryMultiOp, UnBytedn},
            {UnaryRangeOp, UnNegb},   {UnaryMultiOp, UnDigdn}, {RotateOp, UnShr},  {RotateMultiOp, UnShr}};
        return row[column];
    }
    if (!secondRow) {
        constexpr DispatchEntry row[8] = {
            {UnaryOp, UnSwp},   {NopOp, 0},         {NopOp, 0},       {UnaryOp, UnByteup},
            {UnaryOp, UnShl},   {UnaryOp, UnDigup}, {UnaryOp, UnDbl}, {TrapOp, 0}};
        return row[column];
    }
    constexpr DispatchEntry row[8] = {
        {UnaryMultiOp, UnByteupswap}, {GetOp, PortIF},    {NopOp, 0},            {UnaryOp, UnBytedn},
        {UnaryMultiOp, UnShl},        {UnaryOp, UnDigdn}, {UnaryRangeOp, UnDbl}, {TrapOp, 0}};
    return row[column];
}

constexpr DispatchEntry LcdEntry(unsigned opcode) {
    const bool multi = opcode & 0x10;
    switch (opcode & 3) {
        case 0: return Entry(multi ? LcdLoadMultiOp : LcdLoadOp);
        case 1: return Entry(multi ? LcdLoadLowMultiOp : LcdLoadLowOp);
        case 2: return Entry(multi ? LcdStoreMultiOp : LcdStoreOp);
        default: return Entry(multi ? LcdStoreLowMultiOp : LcdStoreLowOp);
    }
}

// 0x0C0-0x0DF and 0x1C0-0x1DF: ports, immediate stores and LCD transfers.
constexpr DispatchEntry PortBlockEntry(unsigned opcode) {
    const unsigned low = opcode & 0x1F;  // 0x00..0x1F within the block
    const bool upper = opcode & 0x100;
    const uint8_t port = opcode & 3;
    if (low < 0x04) return Entry(PutImmOp, port);  // KO, IF, AS, IE
    if (low < 0x08 || (low >= 0x0C && low < 0x10) || (low >= 0x14 && low < 0x18) || low >= 0x1C) {
        if (upper) return LcdEntry(opcode);
        constexpr uint8_t regPorts[4] = {PortKO, PortF, PortAS, PortIE};
        if (low < 0x10) return Entry(PutRegOp, regPorts[port]);
        return Entry(GetOp, regPorts[port]);
    }
    if (low < 0x0C) return Entry(StoreImmOp, StepPreInc);
    if (low < 0x14) return Entry(StoreImmOp, StepNone);
    return Entry(StoreImmOp, StepPreDec);
}

constexpr DispatchEntry Decode(unsigned opcode) {
    const uint8_t alu = opcode & 7;
    const bool upper = opcode & 0x100;
    const unsigned block = opcode & 0xF0;   // within the half
    const bool bit3 = opcode & 0x08;
    const bool bit2 = opcode & 0x04;

    if (block == 0xE0 || block == 0xF0) return OneOperandEntry(opcode);
    if (block == 0xC0 || block == 0xD0) return PortBlockEntry(opcode);

    // Blocks that mean the same in both halves.
    if (block == 0x40) {
        if (!bit3) return Entry(LoadWordOp);
        return Entry(IndexImmOp, bit2 ? StepSubDisp : StepAddDisp);
    }
    if (block == 0x60) {
        if ((opcode & 0x0F) == 8) return Entry(CancelIrqOp);
        return ConditionalEntry(opcode, TargetCal);
    }
    if (block == 0x70) {
        if ((opcode & 0x0F) == 8) return Entry(ReturnIrqOp);
        return ConditionalEntry(opcode, TargetJmp);
    }

    if (!upper) {
        switch (block) {
            case 0x00: return Entry(bit3 ? RegRegRevOp : RegRegOp, alu);
            case 0x10: return Entry(bit3 ? RegRegMultiRevOp : RegRegMultiOp, alu);
            case 0x20: return Entry(bit3 ? TestRegRegRevOp : TestRegRegOp, alu);
            case 0x30: return Entry(bit3 ? TestRegRegMultiRevOp : TestRegRegMultiOp, alu);
            case 0x50:
                if ((opcode & 0x0F) == 8) return Entry(ReturnOp);
                return ConditionalEntry(opcode, TargetIjmp);
            case 0x80: return Entry(StoreIndexOp, bit2 ? StepPreDec : StepPreInc);
            case 0x90: return Entry(StoreIndexMultiOp, bit2 ? StepPreDec : StepPreInc);
            case 0xA0: return Entry(LoadIndexOp, bit2 ? StepPostDec : StepPostInc);
            default: return Entry(LoadIndexMultiOp, bit2 ? StepPostDec : StepPostInc);  // 0xB0
        }
    }

    switch (block) {
        case 0x00: return Entry(RegImmOp, alu);
        case 0x10: {
            if (!bit2) return Entry(RegImmMultiOp, opcode & 3);  // adbm, sbbm, adm, sbm
            constexpr uint8_t exchanges[4] = {XchSwp2, XchXcls, XchXc, XchXchs};  // 114, 116, 11C, 11E
            const uint8_t kind = exchanges[((opcode >> 1) & 1) | (bit3 ? 2 : 0)];
            return Entry((opcode & 1) ? ExchangeMultiOp : ExchangeOp, kind);
        }
        case 0x20: return Entry(TestRegImmOp, alu);
        case 0x30:
            if (!bit2) return Entry(TestRegImmMultiOp, opcode & 3);
            return Entry(SearchOp, bit3 ? StepPreDec : StepPreInc);
        case 0x50: {
            constexpr DispatchEntry row[16] = {
                {OffOp, 0},           {GetOp, PortKI},          {TestRegImmOp, AluBit}, {TestRegRegOp, AluBit},
                {RegRegOp, AluLd},    {RegRegMultiOp, AluLd},   {RegImmOp, AluLd},      {RegImmMultiOp, AluLd},
                {ReturnOp, 0},        {GetOp, PortKI},          {TestRegImmOp, AluBit}, {TestRegRegRevOp, AluBit},
                {RegRegRevOp, AluLd}, {RegRegMultiRevOp, AluLd}, {RegImmOp, AluLd},     {RegImmMultiOp, AluLd}};
            return row[opcode & 0x0F];
        }
        case 0x80: return Entry(bit3 ? StoreDispOp : StoreRegDispOp, bit2 ? StepSubDisp : StepAddDisp);
        case 0x90: return Entry(bit3 ? StoreDispMultiOp : StoreRegDispMultiOp, bit2 ? StepSubDisp : StepAddDisp);
        case 0xA0: return Entry(bit3 ? LoadDispOp : LoadRegDispOp, bit2 ? StepSubDisp : StepAddDisp);
        default: return Entry(bit3 ? LoadDispMultiOp : LoadRegDispMultiOp, bit2 ? StepSubDisp : StepAddDisp);
    }
}

constexpr std::array<DispatchEntry, 512> BuildTable() {
    std::array<DispatchEntry, 512> table{};
    for (unsigned opcode = 0; opcode < 512; ++opcode) table[opcode] = Decode(opcode);
    return table;
}

}  // namespace

const std::array<DispatchEntry, 512> DispatchTable = BuildTable();

void DecodeAndDispatch(Machine& m) {
    const unsigned opcode = FetchInstruction(m);
    m.Cpu.RegBank = (m.Cpu.InstrBytes[0] & 0x08) ? 0 : 0x40;
    m.Cpu.RegStep = 1;
    const DispatchEntry& entry = DispatchTable[opcode];
    entry.handler(m, entry.arg);
}

}  // namespace varnox
