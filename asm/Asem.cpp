// The line assembler: a mnemonic, then its operands read by the patterns
// of the operand forms the mnemonic has in the instruction set. The
// patterns are read side by side while they share their text, so a line
// fails where the first of its steps or checks that no pattern passes
// stands, and the opcode is the one whose operand fields the listing would
// print as the text that was read.
#include "asm/Asem.h"

#include <optional>

#include "asm/AsmScanner.h"
#include "asm/OperandPatterns.h"
#include "core/InstructionSet.h"

namespace varnox {
namespace {

using namespace asmscan;

// ---- Opcodes ----------------------------------------------------------------

// Whether the opcode's own bits say what was read, as the listing prints
// them: the index, pointer, sign, condition or status register.
bool OpcodeSays(OperandForm form, unsigned op, const Operands& o) {
    using enum OperandForm;
    const int pointer = static_cast<int>(op & 3);
    switch (form) {
    case IndexImm16:
        return static_cast<int>(op & 7) == o.index;
    case PointerImm8:
    case AtPointerImm8:
        return pointer == o.pointer;
    case PreStepPointerImm8:  // the sign is bit 4 here
        return pointer == o.pointer && static_cast<int>((op >> 4) & 1) == o.minus;
    case PreStepPointerBankReg:
    case OffsetPointerReg:
    case BankRegPointerPostStep:
    case RegOffsetPointer:
    case PreStepPointerBankRange:
    case OffsetPointerRange:
    case BankRangePointerPostStep:
    case RangeOffsetPointer:
        return pointer == o.pointer && static_cast<int>((op >> 2) & 1) == o.minus;
    case ConditionImm16:
    case ConditionIndexOrPair:
        return static_cast<int>(op & 15) == o.condition;
    case StatusBankReg:
    case StatusImm8:
    case BankRegStatus:
        return StatusRegNames[op & 7] == o.status;
    case BankRegIf:
        return o.status == "if";
    case BankRegKi:
        return o.status == "ki";
    default:
        return true;
    }
}

bool BankFits(Bank bank, unsigned op, const Operands& o) {
    const bool set = (op & BankBit) != 0;
    switch (bank) {
    case Bank::OfFirst:
        return set == (o.reg[0] < UpperHalf);  // bit 3 set selects the lower half
    case Bank::Clear:
        return !set;
    case Bank::Set:
        return set;
    case Bank::OfForm:
    case Bank::WrittenAway:
        break;
    }
    return true;
}

// xcls/xchs (and their range forms) written lower register first select
// the partner: their exchanges treat the two registers differently, while
// swp and xc exchange alike both ways round.
bool SwapsPartner(unsigned op) {
    const uint8_t exchange = InstructionSet[op].arg;
    return exchange == XchXcls || exchange == XchXchs;
}

// The opcode of the entry's mnemonic that the pattern and what it read
// select, or -1. Where several fit, the entry's base code, or else the
// first (the lower half, where opcode bit 8 is a data byte's bit 7).
int OpcodeFor(int entry, const OperandPattern& pattern, const Operands& o) {
    int found = -1;
    for (unsigned op = 0; op < OpcodeCount; ++op) {
        if (AsmEntryOfOpcode[op] != entry || InstructionSet[op].form != pattern.form) continue;
        if (!BankFits(pattern.bank, op, o) || !OpcodeSays(pattern.form, op, o)) continue;
        if (found < 0 || op == AsmTable[static_cast<size_t>(entry)].BaseCode) found = static_cast<int>(op);
    }
    if (found >= 0 && pattern.bank == Bank::WrittenAway && SwapsPartner(static_cast<unsigned>(found))) {
        found ^= static_cast<int>(BankBit);
    }
    return found;
}

// The form printed with the lower register or range first, for a form
// printed upper first.
constexpr OperandForm LowerFirstTwin(OperandForm form) {
    using enum OperandForm;
    return form == UpperLower ? LowerUpper : form == UpperRangeLowerRange ? LowerRangeUpperRange : form;
}

bool Applies(const AsmEntry& entry, const OperandPattern& pattern) {
    const auto has = [&](OperandForm form) { return (entry.Forms >> FormIndex(form)) & 1; };
    if (!has(pattern.form)) return false;
    return pattern.bank != Bank::WrittenAway || !has(LowerFirstTwin(pattern.form));
}

// ---- Reading the operands -----------------------------------------------------

struct Match {
    const OperandPattern* pattern;
    unsigned opcode;
};

class OperandReader {
public:
    OperandReader(Scanner& scan, int entry) : scan_(scan), entry_(entry) {}

    const Operands& Read() const { return o_; }

    // Where the line fails: where a condition lacked its comma, when the
    // text was then read as a plain target in vain, or else where the scan
    // stands.
    size_t FailPos() const { return missingComma_ ? *missingComma_ : scan_.pos; }

    std::optional<Match> Run() {
        struct Candidate {
            const OperandPattern* pattern;
            int at;
            bool in;
        };
        std::array<Candidate, Table.size()> candidates{};
        size_t count = 0;
        for (const OperandPattern& pattern : Table) {
            if (Applies(AsmTable[static_cast<size_t>(entry_)], pattern)) candidates[count++] = {&pattern, 0, true};
        }
        // Each round makes the checks the patterns have reached, then reads
        // the next step of those still in: the first of their steps, in
        // the order of Step, that reads something keeps the patterns that
        // wanted it.
        while (true) {
            bool any = false;
            for (size_t i = 0; i < count; ++i) {
                Candidate& c = candidates[i];
                while (c.in && IsCheck(c.pattern->At(c.at))) {
                    c.in = Holds(c.pattern->At(c.at), *c.pattern);
                    ++c.at;
                }
                any = any || c.in;
            }
            if (!any) return std::nullopt;

            const auto wants = [&](Step step) {
                for (size_t i = 0; i < count; ++i) {
                    if (candidates[i].in && candidates[i].pattern->At(candidates[i].at) == step) return true;
                }
                return false;
            };
            bool read = false;
            for (int s = 0; s <= static_cast<int>(Step::End) && !read; ++s) {
                const auto step = static_cast<Step>(s);
                if (!wants(step)) continue;
                if (step == Step::End) {
                    for (size_t i = 0; i < count; ++i) {
                        const Candidate& c = candidates[i];
                        if (!c.in || c.pattern->At(c.at) != Step::End) continue;
                        const int opcode = OpcodeFor(entry_, *c.pattern, o_);
                        if (opcode >= 0) return Match{c.pattern, static_cast<unsigned>(opcode)};
                    }
                    return std::nullopt;
                }
                if (!ReadStep(step)) continue;
                read = true;
                for (size_t i = 0; i < count; ++i) {
                    Candidate& c = candidates[i];
                    c.in = c.in && c.pattern->At(c.at) == step;
                    ++c.at;
                }
            }
            if (!read) return std::nullopt;
        }
    }

private:
    bool Holds(Step check, const OperandPattern& pattern) const {
        switch (check) {
        case Step::Max127First: return o_.reg[0] < IndirectBase;
        case Step::Max127Second: return o_.reg[1] < IndirectBase;
        case Step::LowerFirst: return o_.reg[0] < UpperHalf;
        case Step::LowerSecond: return o_.reg[1] < UpperHalf;
        case Step::UpperFirst: return o_.reg[0] >= UpperHalf;
        case Step::UpperSecond: return o_.reg[1] >= UpperHalf;
        case Step::SameLowBits: return ((o_.reg[0] ^ o_.reg[1]) & 7) == 0 && ((o_.end[0] ^ o_.end[1]) & 7) == 0;
        case Step::Known: return OpcodeFor(entry_, pattern, o_) >= 0;
        default: return false;
        }
    }

    bool ReadStep(Step step) {
        switch (step) {
        case Step::Condition: return ReadCondition();
        case Step::IndexName: return Named(IndexRegs, o_.index);
        case Step::PointerName: return Named(PointerRegs, o_.pointer);
        case Step::StatusName: {
            scan_.SkipSpaces();
            const NamedValue* name = scan_.NameFrom(StatusRegTable);
            if (name) o_.status = name->name;
            return name != nullptr;
        }
        case Step::Close: return scan_.Accept(')');
        case Step::Sign: {
            const auto sign = scan_.Sign();
            if (sign) o_.minus = *sign != 0 ? 1 : 0;
            return sign.has_value();
        }
        case Step::Register: {
            const auto r = scan_.Register();
            if (!r || o_.regs == static_cast<int>(o_.reg.size())) return false;
            o_.reg[static_cast<size_t>(o_.regs++)] = *r;
            return true;
        }
        case Step::RangeEnd: {
            const size_t last = static_cast<size_t>(o_.regs - 1);
            const auto end = scan_.RangeEnd(o_.reg[last]);
            if (end) o_.end[last] = *end;
            return end.has_value();
        }
        case Step::Pointer: {
            const auto k = scan_.PointerInParentheses();
            if (k) o_.pointer = static_cast<int>(*k);
            return k.has_value();
        }
        case Step::Imm6: return Immediate(63);
        case Step::Imm8: return Immediate(255);
        case Step::Imm16: return Immediate(0xFFFF);
        case Step::Comma: return scan_.Comma();
        default: return false;
        }
    }

    template <size_t N>
    bool Named(const std::array<NamedValue, N>& list, int& value) {
        scan_.SkipSpaces();
        const NamedValue* name = scan_.NameFrom(list);
        if (name) value = static_cast<int>(name->value);
        return name != nullptr;
    }

    bool Immediate(unsigned limit) {
        const auto w = scan_.Immediate(limit);
        if (w) o_.imm = *w;
        return w.has_value();
    }

    // A condition needs its comma. Without one the name may begin a plain
    // target (ijmp v0, as the listing prints it): the text is read again
    // as one, and if that fails too the line fails where the comma was
    // missing.
    bool ReadCondition() {
        scan_.SkipSpaces();
        const size_t start = scan_.pos;
        const NamedValue* condition = scan_.NameFrom(Conditions);
        if (!condition) return false;
        if (scan_.Comma()) {
            o_.condition = static_cast<int>(condition->value);
            return true;
        }
        missingComma_ = scan_.pos;
        scan_.pos = start;
        return false;
    }

    Scanner& scan_;
    int entry_;
    Operands o_;
    std::optional<size_t> missingComma_;
};

// ---- The line ---------------------------------------------------------------

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

AsmResult Reject(size_t pos) {
    AsmResult result;
    result.AsmErrorPos = static_cast<int>(pos) + 1;
    return result;
}

bool AtLineEnd(Scanner& scan) {
    scan.SkipSpaces();
    return scan.AtEnd() || scan.Accept(';');
}

// db: up to three bytes, separated by commas.
AsmResult DataBytes(Scanner& scan) {
    AsmResult result;
    while (result.AsmCount < 3) {
        scan.SkipSpaces();
        const unsigned base = scan.Word("&h") ? 16 : 10;
        const auto value = scan.Number(base);
        if (!value) break;
        if (*value > 255) return Reject(scan.pos);
        result.AsmBytes[static_cast<size_t>(result.AsmCount++)] = static_cast<uint8_t>(*value);
        if (!scan.Comma()) break;
    }
    if (!AtLineEnd(scan)) return Reject(scan.pos);
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
    Scanner scan(text);
    scan.SkipSpaces();
    if (scan.AtEnd() || scan.Accept(';')) return {};

    const AsmEntry* entry = LongestMnemonic(scan);
    if (!entry) return Reject(scan.pos);
    scan.pos += std::string_view(entry->Mnemonic).size();
    const int index = static_cast<int>(entry - AsmTable.data());
    if (index == DataEntry) return DataBytes(scan);

    OperandReader reader(scan, index);
    const std::optional<Match> match = reader.Run();
    if (!match || !AtLineEnd(scan)) return Reject(reader.FailPos());

    const Encoded fields = match->pattern->encode(reader.Read());
    AsmResult result;
    result.AsmCount = 1 + FormOperandBytes(match->pattern->form);
    // Opcode bit 8 travels in b1 bit 7.
    result.AsmBytes = {static_cast<uint8_t>(match->opcode & 0xFF),
                       static_cast<uint8_t>(fields.b1 | ((match->opcode & 0x100) ? 0x80 : 0)), fields.b2};
    // Bytes beyond the count are not part of the instruction.
    for (int i = result.AsmCount; i < 3; ++i) result.AsmBytes[static_cast<size_t>(i)] = 0;
    return result;
}

}  // namespace varnox
