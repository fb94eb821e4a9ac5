// The syntax class rules: each reads the operands of its mnemonics with the
// scanner steps and encodes them into the instruction word.
#include "asm/Asem.h"

#include <optional>
#include <utility>

#include "asm/AsmScanner.h"
#include "core/InstructionSet.h"
#include "core/OperandFields.h"

namespace varnox {
namespace {

using namespace asmscan;

// ---- Opcodes the rules choose by operand form -------------------------------

// The opcode of a mnemonic in an operand form, from the description of the
// instruction set; a form the set does not have stops the build here.
constexpr unsigned Code(std::string_view mnemonic, OperandForm form, int bank = AnyBank) {
    const int opcode = OpcodeOf(mnemonic, form, bank);
    if (opcode < 0) throw "no such opcode";  // not a constant expression: the build fails
    return static_cast<unsigned>(opcode);
}

using enum OperandForm;

constexpr int Bank = static_cast<int>(BankBit);
constexpr unsigned LdUpperFirst = Code("ld", UpperLower);                 // ld r70,r5
constexpr unsigned LdLowerFirst = Code("ld", LowerUpper);                 // ld r5,r70
constexpr unsigned LdImmediate = Code("ld", BankRegImm8);                 // ld r70,&H12
constexpr unsigned LdPointer = Code("ld", BankRegPointerPostStep);        // ld r70,(ix)+
constexpr unsigned LdRegisterOffset = Code("ld", RegOffsetPointer, 0);    // ld r70,(ix+r5)
constexpr unsigned LdByteOffset = Code("ld", RegOffsetPointer, Bank);     // ld r5,(ix+&H10)
constexpr unsigned StPlainImmediate = Code("st", AtPointerImm8);          // st (ix),&H20
constexpr unsigned StSteppedImmediate = Code("st", PreStepPointerImm8);   // st +(ix),&H20
constexpr unsigned StPointer = Code("st", PreStepPointerBankReg);         // st -(sp),r64
constexpr unsigned StRegisterOffset = Code("st", OffsetPointerReg, 0);    // st (ix+r5),r70
constexpr unsigned StByteOffset = Code("st", OffsetPointerReg, Bank);     // st (ix+&H02),r5
constexpr unsigned LdmUpperFirst = Code("ldm", UpperRangeLowerRange);
constexpr unsigned LdmLowerFirst = Code("ldm", LowerRangeUpperRange);
constexpr unsigned LdmImmediate = Code("ldm", BankRangeImm6);
constexpr unsigned LdmPointer = Code("ldm", BankRangePointerPostStep);
constexpr unsigned LdmRegisterOffset = Code("ldm", RangeOffsetPointer, 0);
constexpr unsigned LdmByteOffset = Code("ldm", RangeOffsetPointer, Bank);
constexpr unsigned StmPointer = Code("stm", PreStepPointerBankRange);
constexpr unsigned StmRegisterOffset = Code("stm", OffsetPointerRange, 0);
constexpr unsigned StmByteOffset = Code("stm", OffsetPointerRange, Bank);
// pst takes an immediate where the register form has bit 2 set.
constexpr unsigned PstImmediateFlip = Code("pst", StatusBankReg) ^ Code("pst", StatusImm8);
// In PreStepPointerImm8 the sign is opcode bit 4, not bit 2 as the sign
// step gives it.
constexpr unsigned ImmediateStepSignShift = 2;

// The immediate or one-register form of an entry's mnemonic (BankRegImm8 of
// the two-operand arithmetic and bit, BankRangeImm6 of the range
// arithmetic, BankReg of swp), or -1 where the mnemonic has none; by entry,
// computed when built.
constexpr std::array<int, AsmTableSize> FormOpcodes(OperandForm form) {
    std::array<int, AsmTableSize> codes{};
    for (size_t i = 0; i < AsmTableSize; ++i) codes[i] = OpcodeOf(AsmTable[i].Mnemonic, form);
    return codes;
}
constexpr std::array<int, AsmTableSize> RegisterImmediateCodes = FormOpcodes(BankRegImm8);
constexpr std::array<int, AsmTableSize> RangeImmediateCodes = FormOpcodes(BankRangeImm6);
constexpr std::array<int, AsmTableSize> OneRegisterCodes = FormOpcodes(BankReg);

int EntryIndex(const AsmEntry& entry) { return static_cast<int>(&entry - AsmTable.data()); }

bool IsLower(int r) { return r < 64; }
bool ExactlyOneLower(int r1, int r2) { return IsLower(r1) != IsLower(r2); }

// One line being assembled: the scan, the code so far and the operand bytes.
struct Line {
    explicit Line(std::string_view text) : scan(text) {}

    Scanner scan;
    unsigned code = 0;
    uint8_t b1 = 0;
    uint8_t b2 = 0;
    int count = 0;
    std::array<uint8_t, 3> data{};  // db bytes

    // Opcode bit 3 set selects the lower half.
    void BankRule(int r) {
        if (IsLower(r)) code ^= BankBit;
    }

    // The opcode of another form, keeping the bank chosen so far.
    void SwitchForm(int formCode) { code = static_cast<unsigned>(formCode) ^ (code & BankBit); }

    void EncodeG(int end, unsigned w) {
        const EncodedG g = varnox::EncodeG(end, w);
        b1 |= g.b1Bits;
        b2 = g.b2;
    }

    // The two ranges a1..e1 and a2..e2, lower one first in the fields.
    bool EncodeTwoRanges(int a1, int e1, int a2, int e2) {
        if (!IsLower(a1)) {
            std::swap(a1, a2);
            std::swap(e1, e2);
        }
        if ((a1 & 7) != (a2 & 7) || (e1 & 7) != (e2 & 7)) return false;
        b1 = EncodeA(a1);
        b2 = EncodeRange(e1, e2);
        count = 3;
        return true;
    }
};

using Rule = bool (*)(Line& l, const AsmEntry& entry);

bool Class0(Line& l, const AsmEntry&) {
    l.count = 1;
    return true;
}

bool Class1(Line& l, const AsmEntry&) {
    l.b1 = 0;
    l.count = 2;
    return true;
}

bool Class2(Line& l, const AsmEntry&) {
    const auto r = l.scan.Register();
    if (!r || *r > 127) return false;
    l.BankRule(*r);
    l.b1 = EncodeA(*r);
    l.count = 2;
    return true;
}

bool Class3(Line& l, const AsmEntry& entry) {
    const auto r = l.scan.Register();
    if (!r || *r > 127) return false;
    const bool wantLower = (entry.BaseCode & BankBit) != 0;
    if (IsLower(*r) != wantLower) return false;
    l.b1 = EncodeA(*r);
    l.count = 2;
    return true;
}

bool Class4Gst(Line& l, const AsmEntry&) {
    const auto r = l.scan.Register();
    if (!r || *r > 127) return false;
    l.BankRule(*r);
    if (!l.scan.Comma()) return false;
    const StatusReg* s = l.scan.NameFrom(StatusRegTable);
    if (!s) return false;
    l.code ^= s->gstXor;
    l.b1 = EncodeA(*r);
    l.count = 2;
    return true;
}

bool Class5Pst(Line& l, const AsmEntry&) {
    l.scan.SkipSpaces();
    const StatusReg* s = l.scan.NameFrom(StatusRegTable);
    if (!s) return false;
    l.code ^= s->pstXor;
    if (!l.scan.Comma()) return false;
    if (const auto r = l.scan.Register()) {
        if (*r > 127 || !s->pstRegister) return false;
        l.BankRule(*r);
        l.b1 = EncodeA(*r);
    } else {
        if (!s->pstImmediate) return false;
        const auto w = l.scan.Immediate(255);
        if (!w) return false;
        l.code ^= PstImmediateFlip;
        l.b1 = static_cast<uint8_t>(*w);
    }
    l.count = 2;
    return true;
}

bool Class6(Line& l, const AsmEntry& entry) {
    const auto r1 = l.scan.Register();
    if (!r1) return false;
    l.BankRule(*r1);
    if (!l.scan.Comma()) return false;
    if (const auto r2 = l.scan.Register()) {
        if (!ExactlyOneLower(*r1, *r2)) return false;
        const int lower = IsLower(*r1) ? *r1 : *r2;
        const int upper = IsLower(*r1) ? *r2 : *r1;
        l.b1 = EncodeA(lower);
        l.b2 = EncodeB(upper);
        l.count = 3;
        return true;
    }
    const int immediate = RegisterImmediateCodes[static_cast<size_t>(EntryIndex(entry))];
    if (*r1 > 127 || immediate < 0) return false;
    l.SwitchForm(immediate);
    const auto w = l.scan.Immediate(255);
    if (!w) return false;
    l.b1 = EncodeA(*r1);
    l.b2 = static_cast<uint8_t>(*w);
    l.count = 3;
    return true;
}

bool Class7(Line& l, const AsmEntry&) {
    const auto r = l.scan.Register();
    if (!r || *r > 127) return false;
    l.BankRule(*r);
    if (!l.scan.Comma()) return false;
    const auto w = l.scan.Immediate(255);
    if (!w) return false;
    l.b1 = EncodeA(*r);
    l.b2 = static_cast<uint8_t>(*w);
    l.count = 3;
    return true;
}

// xcls/xchs (and their range forms) written lower register first select
// the partner: their exchanges treat the two registers differently, while
// swp and xc exchange alike both ways round.
bool SwapsPartner(const AsmEntry& entry) {
    const uint8_t exchange = InstructionSet[entry.BaseCode].arg;
    return exchange == XchXcls || exchange == XchXchs;
}

bool Class8Exchange(Line& l, const AsmEntry& entry) {
    const auto r1 = l.scan.Register();
    if (!r1) return false;
    if (l.scan.Comma()) {
        const auto r2 = l.scan.Register();
        if (!r2 || !ExactlyOneLower(*r1, *r2)) return false;
        if (IsLower(*r1) && SwapsPartner(entry)) l.code ^= BankBit;
        const int lower = IsLower(*r1) ? *r1 : *r2;
        const int upper = IsLower(*r1) ? *r2 : *r1;
        l.b1 = EncodeA(lower);
        l.b2 = EncodeB(upper);
        l.count = 3;
        return true;
    }
    // Only swp has a one-register form.
    const int oneRegister = OneRegisterCodes[static_cast<size_t>(EntryIndex(entry))];
    if (oneRegister < 0) return false;
    l.code = static_cast<unsigned>(oneRegister);
    if (*r1 > 127) return false;
    l.BankRule(*r1);
    l.b1 = EncodeA(*r1);
    l.count = 2;
    return true;
}

bool Class9Ld(Line& l, const AsmEntry&) {
    const auto r1 = l.scan.Register();
    if (!r1) return false;
    if (!l.scan.Comma()) return false;
    if (const auto r2 = l.scan.Register()) {
        if (!ExactlyOneLower(*r1, *r2)) return false;
        l.code = IsLower(*r1) ? LdLowerFirst : LdUpperFirst;
        const int lower = IsLower(*r1) ? *r1 : *r2;
        const int upper = IsLower(*r1) ? *r2 : *r1;
        l.b1 = EncodeA(lower);
        l.b2 = EncodeB(upper);
        l.count = 3;
        return true;
    }
    if (const auto k = l.scan.PointerInParentheses()) {
        if (l.scan.Accept(')')) {
            const auto s = l.scan.Sign();
            if (!s || *r1 > 127) return false;
            l.code = LdPointer + *s + *k;
            l.BankRule(*r1);
            l.b1 = EncodeA(*r1);
            l.count = 2;
            return true;
        }
        const auto s = l.scan.Sign();
        if (!s) return false;
        int fieldA = 0;
        if (const auto r2 = l.scan.Register()) {
            if (IsLower(*r1) || !IsLower(*r2)) return false;
            l.code = LdRegisterOffset;
            fieldA = *r2;
            l.b2 = EncodeB(*r1);
        } else {
            const auto w = l.scan.Immediate(255);
            if (!w || !IsLower(*r1)) return false;
            l.code = LdByteOffset;
            fieldA = *r1;
            l.b2 = static_cast<uint8_t>(*w);
        }
        if (!l.scan.Accept(')')) return false;
        l.code += *s + *k;
        l.b1 = EncodeA(fieldA);
        l.count = 3;
        return true;
    }
    if (*r1 > 127) return false;
    l.code = LdImmediate;
    l.BankRule(*r1);
    const auto w = l.scan.Immediate(255);
    if (!w) return false;
    l.b1 = EncodeA(*r1);
    l.b2 = static_cast<uint8_t>(*w);
    l.count = 3;
    return true;
}

bool Class10St(Line& l, const AsmEntry&) {
    if (const auto s = l.scan.Sign()) {
        const auto k = l.scan.PointerInParentheses();
        if (!k || !l.scan.Accept(')') || !l.scan.Comma()) return false;
        if (const auto r = l.scan.Register()) {
            if (*r > 127) return false;
            l.code = StPointer + *s + *k;
            l.BankRule(*r);
            l.b1 = EncodeA(*r);
        } else {
            const auto w = l.scan.Immediate(255);
            if (!w) return false;
            l.code = StSteppedImmediate + (*s << ImmediateStepSignShift) + *k;
            l.b1 = static_cast<uint8_t>(*w);
        }
        l.count = 2;
        return true;
    }
    const auto k = l.scan.PointerInParentheses();
    if (!k) return false;
    if (l.scan.Accept(')')) {
        if (!l.scan.Comma()) return false;
        const auto w = l.scan.Immediate(255);
        if (!w) return false;
        l.code = StPlainImmediate + *k;
        l.b1 = static_cast<uint8_t>(*w);
        l.count = 2;
        return true;
    }
    const auto s = l.scan.Sign();
    if (!s) return false;
    std::optional<int> offsetReg;
    unsigned w = 0;
    if ((offsetReg = l.scan.Register())) {
        if (!IsLower(*offsetReg)) return false;
        l.code = StRegisterOffset;
    } else {
        const auto imm = l.scan.Immediate(255);
        if (!imm) return false;
        w = *imm;
        l.code = StByteOffset;
    }
    if (!l.scan.Accept(')') || !l.scan.Comma()) return false;
    const auto d = l.scan.Register();
    if (!d) return false;
    if (offsetReg) {
        if (IsLower(*d)) return false;
        l.b1 = EncodeA(*offsetReg);
        l.b2 = EncodeB(*d);
    } else {
        if (!IsLower(*d)) return false;
        l.b1 = EncodeA(*d);
        l.b2 = static_cast<uint8_t>(w);
    }
    l.code += *s + *k;
    l.count = 3;
    return true;
}

bool Class11Adw(Line& l, const AsmEntry&) {
    l.scan.SkipSpaces();
    const NamedValue* k = l.scan.NameFrom(PointerRegs);
    if (!k) return false;
    l.code ^= k->value;
    if (!l.scan.Comma()) return false;
    const auto w = l.scan.Immediate(255);
    if (!w) return false;
    l.b1 = static_cast<uint8_t>(*w);
    l.count = 2;
    return true;
}

bool Class12Ldw(Line& l, const AsmEntry&) {
    l.scan.SkipSpaces();
    const NamedValue* n = l.scan.NameFrom(IndexRegs);
    if (!n) return false;
    l.code ^= n->value;
    if (!l.scan.Comma()) return false;
    const auto w = l.scan.Immediate(0xFFFF);
    if (!w) return false;
    l.b1 = static_cast<uint8_t>(*w >> 8);
    l.b2 = static_cast<uint8_t>(*w);
    l.count = 3;
    return true;
}

// Condition name and its comma. An unconditional target whose name starts
// like a condition (v0..v3 begin with v) is taken as the target instead,
// when that makes the whole line good.
bool IjmpTarget(Line& l) {
    l.scan.SkipSpaces();
    if (const NamedValue* n = l.scan.NameFrom(IndexRegs)) {
        const int pair = IndexLowBase + static_cast<int>(n->value);
        l.b1 = EncodeA(pair);
        l.b2 = EncodeB(pair);
        return true;
    }
    const auto h = l.scan.Register();
    if (!h || IsLower(*h)) return false;
    if (!l.scan.Comma()) return false;
    const auto low = l.scan.Register();
    if (!low || !IsLower(*low)) return false;
    l.b1 = EncodeA(*low);
    l.b2 = EncodeB(*h);
    return true;
}

bool LineEndsAt(Scanner scan) {
    scan.SkipSpaces();
    return scan.AtEnd() || scan.Accept(';');
}

bool Class13Ijmp(Line& l, const AsmEntry&) {
    l.scan.SkipSpaces();
    const size_t conditionStart = l.scan.pos;
    if (const NamedValue* c = l.scan.NameFrom(Conditions)) {
        if (!l.scan.Comma()) {
            const size_t failedAt = l.scan.pos;
            Line plain = l;
            plain.scan.pos = conditionStart;
            if (IjmpTarget(plain) && LineEndsAt(plain.scan)) {
                l = plain;
                l.count = 3;
                return true;
            }
            l.scan.pos = failedAt;
            return false;
        }
        l.code ^= c->value;
    }
    if (!IjmpTarget(l)) return false;
    l.count = 3;
    return true;
}

bool Class14Jmp(Line& l, const AsmEntry&) {
    l.scan.SkipSpaces();
    if (const NamedValue* c = l.scan.NameFrom(Conditions)) {
        l.code ^= c->value;
        if (!l.scan.Comma()) return false;
    }
    const auto w = l.scan.Immediate(0xFFFF);
    if (!w) return false;
    l.b1 = static_cast<uint8_t>(*w >> 8);
    l.b2 = static_cast<uint8_t>(*w);
    l.count = 3;
    return true;
}

// A register and the end of its range.
struct Range {
    int first;
    int last;
};

std::optional<Range> ReadRange(Scanner& scan) {
    const auto first = scan.Register();
    if (!first) return std::nullopt;
    const auto last = scan.RangeEnd(*first);
    if (!last) return std::nullopt;
    return Range{*first, *last};
}

bool Class15RangeArith(Line& l, const AsmEntry& entry) {
    const auto r1 = ReadRange(l.scan);
    if (!r1) return false;
    l.BankRule(r1->first);
    if (!l.scan.Comma()) return false;
    if (const auto a2 = l.scan.Register()) {
        const auto e2 = l.scan.RangeEnd(*a2);
        if (!e2 || !ExactlyOneLower(r1->first, *a2)) return false;
        return l.EncodeTwoRanges(r1->first, r1->last, *a2, *e2);
    }
    // Only the adding and subtracting families have an immediate form.
    const int immediate = RangeImmediateCodes[static_cast<size_t>(EntryIndex(entry))];
    if (immediate < 0) return false;
    l.SwitchForm(immediate);
    if (r1->first > 127) return false;
    const auto w = l.scan.Immediate(63);
    if (!w) return false;
    l.b1 = EncodeA(r1->first);
    l.EncodeG(r1->last, *w);
    l.count = 3;
    return true;
}

bool Class16LcdRange(Line& l, const AsmEntry&) {
    const auto r1 = ReadRange(l.scan);
    if (!r1 || r1->first > 127) return false;
    l.BankRule(r1->first);
    if (!l.scan.Comma()) return false;
    const auto w = l.scan.Immediate(63);
    if (!w) return false;
    l.b1 = EncodeA(r1->first);
    l.EncodeG(r1->last, *w);
    l.count = 3;
    return true;
}

bool Class17RangeExchange(Line& l, const AsmEntry& entry) {
    const auto r1 = ReadRange(l.scan);
    if (!r1 || !l.scan.Comma()) return false;
    const auto r2 = ReadRange(l.scan);
    if (!r2 || !ExactlyOneLower(r1->first, r2->first)) return false;
    if (IsLower(r1->first) && SwapsPartner(entry)) l.code ^= BankBit;
    return l.EncodeTwoRanges(r1->first, r1->last, r2->first, r2->last);
}

// With a register offset the range moves to the offset register's bits
// 0-2 within its group, keeping its length.
uint8_t EncodeMovedRange(int offsetReg, int first, int last) {
    return static_cast<uint8_t>(EncodeEndIndex(offsetReg + last - first) | ((first >> 3) & 7));
}

bool Class18Ldm(Line& l, const AsmEntry&) {
    const auto r1 = ReadRange(l.scan);
    if (!r1 || !l.scan.Comma()) return false;
    const int a1 = r1->first;
    const int e1 = r1->last;
    if (const auto a2 = l.scan.Register()) {
        const auto e2 = l.scan.RangeEnd(*a2);
        if (!e2 || !ExactlyOneLower(a1, *a2)) return false;
        l.code = IsLower(a1) ? LdmLowerFirst : LdmUpperFirst;
        return l.EncodeTwoRanges(a1, e1, *a2, *e2);
    }
    if (a1 > 127) return false;
    if (const auto k = l.scan.PointerInParentheses()) {
        if (l.scan.Accept(')')) {
            const auto s = l.scan.Sign();
            if (!s) return false;
            l.code = LdmPointer + *s + *k;
            l.BankRule(a1);
            l.b1 = EncodeA(a1);
            l.b2 = EncodeEndIndex(e1);
            l.count = 3;
            return true;
        }
        const auto s = l.scan.Sign();
        if (!s) return false;
        if (const auto r = l.scan.Register()) {
            if (IsLower(a1) || !IsLower(*r)) return false;
            if (!l.scan.Accept(')')) return false;
            l.code = LdmRegisterOffset + *s + *k;
            l.b1 = EncodeA(*r);
            l.b2 = EncodeMovedRange(*r, a1, e1);
        } else {
            const auto w = l.scan.Immediate(63);
            if (!w || !IsLower(a1)) return false;
            if (!l.scan.Accept(')')) return false;
            l.code = LdmByteOffset + *s + *k;
            l.b1 = EncodeA(a1);
            l.EncodeG(e1, *w);
        }
        l.count = 3;
        return true;
    }
    const auto w = l.scan.Immediate(63);
    if (!w) return false;
    l.code = LdmImmediate;
    l.BankRule(a1);
    l.b1 = EncodeA(a1);
    l.EncodeG(e1, *w);
    l.count = 3;
    return true;
}

bool Class19Stm(Line& l, const AsmEntry&) {
    std::optional<unsigned> s = l.scan.Sign();
    std::optional<unsigned> k;
    std::optional<int> offsetReg;
    unsigned w = 0;
    if (s) {
        k = l.scan.PointerInParentheses();
        if (!k) return false;
        l.code = StmPointer;
    } else {
        k = l.scan.PointerInParentheses();
        if (!k) return false;
        s = l.scan.Sign();
        if (!s) return false;
        if ((offsetReg = l.scan.Register())) {
            if (!IsLower(*offsetReg)) return false;
            l.code = StmRegisterOffset;
        } else {
            const auto imm = l.scan.Immediate(63);
            if (!imm) return false;
            w = *imm;
            l.code = StmByteOffset;
        }
    }
    if (!l.scan.Accept(')') || !l.scan.Comma()) return false;
    const auto a1 = l.scan.Register();
    if (!a1 || *a1 > 127) return false;
    const auto e1 = l.scan.RangeEnd(*a1);
    if (!e1) return false;
    if (l.code == StmPointer) {
        l.BankRule(*a1);
        l.b1 = EncodeA(*a1);
        l.b2 = EncodeEndIndex(*e1);
    } else if (l.code == StmRegisterOffset) {
        if (IsLower(*a1)) return false;
        l.b1 = EncodeA(*offsetReg);
        l.b2 = EncodeMovedRange(*offsetReg, *a1, *e1);
    } else {
        if (!IsLower(*a1)) return false;
        l.b1 = EncodeA(*a1);
        l.EncodeG(*e1, w);
    }
    l.code += *s + *k;
    l.count = 3;
    return true;
}

bool Class20Range(Line& l, const AsmEntry&) {
    const auto r1 = ReadRange(l.scan);
    if (!r1) return false;
    l.BankRule(r1->first);
    if (IsLower(r1->first)) {
        l.b1 = EncodeA(r1->first);
        l.b2 = EncodeEndIndex(r1->last);
    } else {
        // The upper range keeps its group and indirect mark in b2.
        l.b1 = static_cast<uint8_t>(r1->first & 7);
        l.b2 = EncodeB(r1->last);
    }
    l.count = 3;
    return true;
}

bool Class21Range(Line& l, const AsmEntry&) {
    const auto r1 = ReadRange(l.scan);
    if (!r1) return false;
    l.BankRule(r1->first);
    if (r1->first > 127) return false;
    l.b1 = EncodeA(r1->first);
    l.b2 = EncodeEndIndex(r1->last);
    l.count = 3;
    return true;
}

bool Class22Db(Line& l, const AsmEntry&) {
    while (l.count < 3) {
        l.scan.SkipSpaces();
        const unsigned base = l.scan.Word("&h") ? 16 : 10;
        const auto value = l.scan.Number(base);
        if (!value) break;
        if (*value > 255) return false;
        l.data[static_cast<size_t>(l.count++)] = static_cast<uint8_t>(*value);
        if (!l.scan.Comma()) break;
    }
    return true;
}

constexpr Rule Rules[23] = {
    Class0,         Class1,         Class2,          Class3,           Class4Gst,
    Class5Pst,      Class6,         Class7,          Class8Exchange,   Class9Ld,
    Class10St,      Class11Adw,     Class12Ldw,      Class13Ijmp,      Class14Jmp,
    Class15RangeArith, Class16LcdRange, Class17RangeExchange, Class18Ldm, Class19Stm,
    Class20Range,   Class21Range,   Class22Db,
};

const AsmEntry* LongestMnemonic(const Scanner& scan) {
    const AsmEntry* best = nullptr;
    size_t bestLength = 0;
    for (const AsmEntry& entry : AsmTable) {
        const std::string_view name = entry.Mnemonic;
        if (name.size() > bestLength && scan.MatchesWord(name)) {
            best = &entry;
            bestLength = name.size();
        }
    }
    return best;
}

AsmResult Reject(const Scanner& scan) {
    AsmResult result;
    result.AsmErrorPos = static_cast<int>(scan.pos) + 1;
    return result;
}

}  // namespace

size_t MatchMnemonic(std::string_view line, size_t pos) {
    Scanner scan(line);
    scan.pos = pos;
    const AsmEntry* entry = LongestMnemonic(scan);
    return entry ? std::string_view(entry->Mnemonic).size() : 0;
}

AsmResult Assemble(std::string_view text) {
    Line l(text);
    l.scan.SkipSpaces();
    if (l.scan.AtEnd() || l.scan.Accept(';')) return {};

    const AsmEntry* entry = LongestMnemonic(l.scan);
    if (!entry) return Reject(l.scan);
    l.scan.pos += std::string_view(entry->Mnemonic).size();
    l.code = entry->BaseCode;
    if (!Rules[entry->Class](l, *entry)) return Reject(l.scan);

    l.scan.SkipSpaces();
    if (!l.scan.AtEnd() && !l.scan.Accept(';')) return Reject(l.scan);

    AsmResult result;
    result.AsmCount = l.count;
    if (entry->Class == DataClass) {
        result.AsmBytes = l.data;
    } else {
        // Opcode bit 8 travels in b1 bit 7.
        result.AsmBytes = {static_cast<uint8_t>(l.code & 0xFF),
                           static_cast<uint8_t>(l.b1 | ((l.code & 0x100) ? 0x80 : 0)), l.b2};
        // Bytes beyond the count are not part of the instruction.
        for (int i = l.count; i < 3; ++i) result.AsmBytes[static_cast<size_t>(i)] = 0;
    }
    return result;
}

}  // namespace varnox
