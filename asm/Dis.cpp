// Each operand form prints from one format: literal text, with the fields
// of the word named between braces.
#include "asm/Dis.h"

#include <array>
#include <string_view>

#include "asm/OpcodeTable.h"
#include "core/OperandFields.h"

namespace varnox {
namespace {

// The opcode and its operand bytes.
struct Word {
    unsigned opcode;
    uint8_t b1;
    uint8_t b2;
};

class Text {
public:
    Text& operator<<(std::string_view s) {
        out_ += s;
        return *this;
    }
    Text& operator<<(char c) {
        out_ += c;
        return *this;
    }
    Text& Dec(int n) { return *this << std::string_view(std::to_string(n)); }
    Text& HexDigits(int v) {
        static constexpr char digits[] = "0123456789ABCDEF";
        return *this << digits[(v >> 4) & 15] << digits[v & 15];
    }
    Text& Hex2(int v) { return (*this << "&H").HexDigits(v); }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

void Render(Text& t, std::string_view format, const Word& w);

// ---- Placeholders ------------------------------------------------------------

// A field of the word, named as a format writes it between braces, and the
// last operand byte it reads (0: the opcode alone).
struct Placeholder {
    std::string_view name;
    int reads;
    void (*put)(Text& t, const Word& w);
};

// Index register n is the pair R(120+n), R(56+n): fields A = B = 56 + n,
// the upper group (b2 bits 0-2) 7 and b2 bits 3-4 clear.
constexpr bool IndexPair(const Word& w) { return FieldA(w.b1) == FieldB(w.b2) && (w.b2 & 0x1F) == 7; }

constexpr std::string_view PairFormat = "{X}{64+B},r{A}";

// Registers in decimal; A+bank and E+bank take the opcode's bank. X is the
// letter of an upper register, "i" when reached through AS; Y the same
// where such a range is never assembled, "?". Bytes as &H and two digits,
// or the digits alone. The sign is opcode bit 2, or bit 4 where named so.
constexpr std::array<Placeholder, 20> Placeholders{{
    {"A", 1, [](Text& t, const Word& w) { t.Dec(FieldA(w.b1)); }},
    {"E", 2, [](Text& t, const Word& w) { t.Dec(FieldE(w.b1, w.b2)); }},
    {"A+bank", 1, [](Text& t, const Word& w) { t.Dec(FieldA(w.b1) | RegBankOf(w.opcode)); }},
    {"E+bank", 2, [](Text& t, const Word& w) { t.Dec(FieldE(w.b1, w.b2) | RegBankOf(w.opcode)); }},
    {"64+B", 2, [](Text& t, const Word& w) { t.Dec(UpperHalf + FieldB(w.b2)); }},
    {"64+F", 2, [](Text& t, const Word& w) { t.Dec(UpperHalf + FieldF(w.b1, w.b2)); }},
    {"X", 2, [](Text& t, const Word& w) { t << (IndirectBit(w.b2) ? 'i' : 'r'); }},
    {"Y", 2, [](Text& t, const Word& w) { t << (IndirectBit(w.b2) ? '?' : 'r'); }},
    {"b1", 1, [](Text& t, const Word& w) { t.Hex2(w.b1); }},
    {"b2", 2, [](Text& t, const Word& w) { t.Hex2(w.b2); }},
    {"G", 2, [](Text& t, const Word& w) { t.Hex2(FieldG(w.b1, w.b2)); }},
    {"b1 digits", 1, [](Text& t, const Word& w) { t.HexDigits(w.b1); }},
    {"b2 digits", 2, [](Text& t, const Word& w) { t.HexDigits(w.b2); }},
    {"sign", 0, [](Text& t, const Word& w) { t << ((w.opcode & 0x04) ? '-' : '+'); }},
    {"sign of bit 4", 0, [](Text& t, const Word& w) { t << ((w.opcode & 0x10) ? '-' : '+'); }},
    {"pointer", 0, [](Text& t, const Word& w) { t << PointerRegName(w.opcode); }},
    {"index", 0, [](Text& t, const Word& w) { t << IndexRegNames[w.opcode & 7]; }},
    {"condition", 0, [](Text& t, const Word& w) { t << ConditionPrefixes[w.opcode & 15]; }},
    {"status", 0, [](Text& t, const Word& w) { t << StatusRegNames[w.opcode & 7]; }},
    {"index or pair", 2,
     [](Text& t, const Word& w) {
         if (IndexPair(w)) {
             t << IndexRegNames[w.b1 & 7];
         } else {
             Render(t, PairFormat, w);
         }
     }},
}};

constexpr const Placeholder* PlaceholderNamed(std::string_view name) {
    for (const Placeholder& p : Placeholders) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

// ---- Formats -----------------------------------------------------------------

// The operand text of a form; two where opcode bit 3 chooses the layout.
struct FormFormat {
    constexpr FormFormat(OperandForm f, std::string_view both) : form(f), bit3Clear(both), bit3Set(both) {}
    constexpr FormFormat(OperandForm f, std::string_view clear, std::string_view set)
        : form(f), bit3Clear(clear), bit3Set(set) {}
    OperandForm form;
    std::string_view bit3Clear;
    std::string_view bit3Set;
};

using enum OperandForm;

constexpr std::array<FormFormat, OperandFormCount> FormFormats{{
    {NoOperands, ""},
    {FillerByte, ""},
    {IndexImm16, "{index},&H{b1 digits}{b2 digits}"},
    {PointerImm8, "{pointer},{b1}"},
    {ConditionImm16, "{condition}&H{b1 digits}{b2 digits}"},
    {AtPointerImm8, "({pointer}),{b1}"},
    {PreStepPointerImm8, "{sign of bit 4}({pointer}),{b1}"},
    {UpperLower, PairFormat},
    {LowerUpper, "r{A},{X}{64+B}"},
    {BankRegImm8, "r{A+bank},{b2}"},
    {UpperRangeLowerRange, "{X}{64+F}..{X}{64+B},r{A}..r{E}"},
    {LowerRangeUpperRange, "r{A}..r{E},{X}{64+F}..{X}{64+B}"},
    {BankRangeImm6, "r{A+bank}..r{E+bank},{G}"},
    {PreStepPointerBankReg, "{sign}({pointer}),r{A+bank}"},
    {BankReg, "r{A+bank}"},
    {OffsetPointerReg, "({pointer}{sign}r{A}),{X}{64+B}", "({pointer}{sign}{b2}),r{A}"},
    {BankRegPointerPostStep, "r{A+bank},({pointer}){sign}"},
    {RegOffsetPointer, "{X}{64+B},({pointer}{sign}r{A})", "r{A},({pointer}{sign}{b2})"},
    {PreStepPointerBankRange, "{sign}({pointer}),r{A+bank}..r{E+bank}"},
    {OffsetPointerRange, "({pointer}{sign}r{A}),{Y}{64+F}..{Y}{64+B}", "({pointer}{sign}{G}),r{A}..r{E}"},
    {UpperOrLowerRange, "{X}{64+F}..{X}{64+B}", "r{A}..r{E}"},
    {BankRange, "r{A+bank}..r{E+bank}"},
    {BankRangePointerPostStep, "r{A+bank}..r{E+bank},({pointer}){sign}"},
    {RangeOffsetPointer, "{Y}{64+F}..{Y}{64+B},({pointer}{sign}r{A})", "r{A}..r{E},({pointer}{sign}{G})"},
    {StatusBankReg, "{status},r{A+bank}"},
    {StatusImm8, "{status},{b1}"},
    {BankRegStatus, "r{A+bank},{status}"},
    {BankRegIf, "r{A+bank},if"},
    {BankRegKi, "r{A+bank},ki"},
    {ConditionIndexOrPair, "{condition}{index or pair}"},
    {BracketedByte, "[{b1 digits}]"},
}};

// Every placeholder has its closing brace and a name the table knows, and
// reads no operand byte beyond the first `bytes`: in data memory the others
// belong to the next instruction.
constexpr bool FormatReads(std::string_view format, int bytes) {
    for (size_t open = format.find('{'); open != std::string_view::npos; open = format.find('{', open + 1)) {
        const size_t close = format.find('}', open);
        if (close == std::string_view::npos) return false;
        const Placeholder* p = PlaceholderNamed(format.substr(open + 1, close - open - 1));
        if (!p || p->reads > bytes) return false;
    }
    return true;
}

constexpr bool FormatsInFormOrder() {
    for (int i = 0; i < OperandFormCount; ++i) {
        const FormFormat& f = FormFormats[static_cast<size_t>(i)];
        const int bytes = FormOperandBytes(f.form);
        if (FormIndex(f.form) != i || !FormatReads(f.bit3Clear, bytes) || !FormatReads(f.bit3Set, bytes)) return false;
    }
    return FormatReads(PairFormat, FormOperandBytes(ConditionIndexOrPair));
}
static_assert(FormatsInFormOrder(), "one format a form, in form order, reading only the bytes the form takes");

void Render(Text& t, std::string_view format, const Word& w) {
    size_t at = 0;
    while (at < format.size()) {
        if (format[at] != '{') {
            t << format[at++];
            continue;
        }
        const size_t close = format.find('}', at);
        PlaceholderNamed(format.substr(at + 1, close - at - 1))->put(t, w);
        at = close + 1;
    }
}

}  // namespace

std::string Disassemble(unsigned opcode, uint8_t b1, uint8_t b2) {
    opcode %= OpcodeCount;
    const OperandForm form = OpcodeTable[opcode].Form;
    if (FormIndex(form) >= OperandFormCount) return {};
    const FormFormat& format = FormFormats[static_cast<size_t>(FormIndex(form))];
    Text t;
    Render(t, (opcode & BankBit) ? format.bit3Set : format.bit3Clear, Word{opcode, b1, b2});
    return t.Take();
}

std::string InstructionText(const InstructionWord& word) {
    const unsigned opcode = OpcodeOfWord(word);
    std::string text(MnemonicOf(opcode));
    const std::string operands = Disassemble(opcode, word[1], word[2]);
    if (!operands.empty()) text += " " + operands;
    return text;
}

}  // namespace varnox
