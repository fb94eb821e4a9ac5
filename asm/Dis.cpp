#include "asm/Dis.h"

#include <string_view>

#include "asm/OpcodeTable.h"
#include "core/OperandFields.h"

namespace varnox {
namespace {

// Everything a form may print, decoded once from the opcode and its bytes.
struct Fields {
    unsigned opcode;
    uint8_t b1;
    uint8_t b2;
    int a, b, e, f, g;
    int bank;
    bool lowerFirst;  // opcode bit 3
    char x;           // letter before an upper register: r or i
    char y;           // the same where a range cannot be indirect: r or ?
    std::string_view sign;
    std::string_view pointer;
    std::string_view index;
    std::string_view condition;
    std::string_view status;
};

Fields Decode(unsigned opcode, uint8_t b1, uint8_t b2) {
    Fields d{};
    d.opcode = opcode;
    d.b1 = b1;
    d.b2 = b2;
    d.a = FieldA(b1);
    d.b = FieldB(b2);
    d.e = FieldE(b1, b2);
    d.f = FieldF(b1, b2);
    d.g = FieldG(b1, b2);
    d.lowerFirst = (opcode & BankBit) != 0;
    d.bank = RegBankOf(opcode);
    d.x = IndirectBit(b2) ? 'i' : 'r';
    d.y = IndirectBit(b2) ? '?' : 'r';
    d.sign = (opcode & 4) ? "-" : "+";
    d.pointer = PointerRegName(opcode);
    d.index = IndexRegNames[opcode & 7];
    d.condition = ConditionPrefixes[opcode & 15];
    d.status = StatusRegNames[opcode & 7];
    return d;
}

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
    Text& Dec(int n) {
        out_ += std::to_string(n);
        return *this;
    }
    Text& HexDigits(uint8_t v) {
        static constexpr char digits[] = "0123456789ABCDEF";
        out_ += digits[v >> 4];
        out_ += digits[v & 15];
        return *this;
    }
    Text& Hex2(int v) {
        out_ += "&H";
        return HexDigits(static_cast<uint8_t>(v));
    }
    Text& Reg(char letter, int n) {
        out_ += letter;
        return Dec(n);
    }
    Text& Range(char letter, int first, int last) {
        Reg(letter, first);
        out_ += "..";
        return Reg(letter, last);
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

std::string Render(int form, const Fields& d) {
    Text t;
    switch (form) {
    case 0:
    case 1:
        break;
    case 2:
        t << d.index << ",&H";
        t.HexDigits(d.b1).HexDigits(d.b2);
        break;
    case 3:
        t << d.pointer << ',';
        t.Hex2(d.b1);
        break;
    case 4:
        t << d.condition << "&H";
        t.HexDigits(d.b1).HexDigits(d.b2);
        break;
    case 5:
        t << '(' << d.pointer << "),";
        t.Hex2(d.b1);
        break;
    case 6:
        t << ((d.opcode & 0x10) ? "-" : "+") << '(' << d.pointer << "),";
        t.Hex2(d.b1);
        break;
    case 7:
        t.Reg(d.x, 64 + d.b) << ',';
        t.Reg('r', d.a);
        break;
    case 8:
        t.Reg('r', d.a) << ',';
        t.Reg(d.x, 64 + d.b);
        break;
    case 9:
        t.Reg('r', d.a | d.bank) << ',';
        t.Hex2(d.b2);
        break;
    case 10:
        t.Range(d.x, 64 + d.f, 64 + d.b) << ',';
        t.Range('r', d.a, d.e);
        break;
    case 11:
        t.Range('r', d.a, d.e) << ',';
        t.Range(d.x, 64 + d.f, 64 + d.b);
        break;
    case 12:
        t.Range('r', d.a | d.bank, d.e | d.bank) << ',';
        t.Hex2(d.g);
        break;
    case 13:
        t << d.sign << '(' << d.pointer << "),";
        t.Reg('r', d.a | d.bank);
        break;
    case 14:
        t.Reg('r', d.a | d.bank);
        break;
    case 15:
        t << '(' << d.pointer << d.sign;
        if (d.lowerFirst) {
            t.Hex2(d.b2) << "),";
            t.Reg('r', d.a);
        } else {
            t.Reg('r', d.a) << "),";
            t.Reg(d.x, 64 + d.b);
        }
        break;
    case 16:
        t.Reg('r', d.a | d.bank) << ",(" << d.pointer << ')' << d.sign;
        break;
    case 17:
        if (d.lowerFirst) {
            t.Reg('r', d.a) << ",(" << d.pointer << d.sign;
            t.Hex2(d.b2) << ')';
        } else {
            t.Reg(d.x, 64 + d.b) << ",(" << d.pointer << d.sign;
            t.Reg('r', d.a) << ')';
        }
        break;
    case 18:
        t << d.sign << '(' << d.pointer << "),";
        t.Range('r', d.a | d.bank, d.e | d.bank);
        break;
    case 19:
        t << '(' << d.pointer << d.sign;
        if (d.lowerFirst) {
            t.Hex2(d.g) << "),";
            t.Range('r', d.a, d.e);
        } else {
            t.Reg('r', d.a) << "),";
            t.Range(d.y, 64 + d.f, 64 + d.b);
        }
        break;
    case 20:
        if (d.lowerFirst) {
            t.Range('r', d.a, d.e);
        } else {
            t.Range(d.x, 64 + d.f, 64 + d.b);
        }
        break;
    case 21:
        t.Range('r', d.a | d.bank, d.e | d.bank);
        break;
    case 22:
        t.Range('r', d.a | d.bank, d.e | d.bank) << ",(" << d.pointer << ')' << d.sign;
        break;
    case 23:
        if (d.lowerFirst) {
            t.Range('r', d.a, d.e) << ",(" << d.pointer << d.sign;
            t.Hex2(d.g) << ')';
        } else {
            t.Range(d.y, 64 + d.f, 64 + d.b) << ",(" << d.pointer << d.sign;
            t.Reg('r', d.a) << ')';
        }
        break;
    case 24:
        t << d.status << ',';
        t.Reg('r', d.a | d.bank);
        break;
    case 25:
        t << d.status << ',';
        t.Hex2(d.b1);
        break;
    case 26:
        t.Reg('r', d.a | d.bank) << ',' << d.status;
        break;
    case 27:
        t.Reg('r', d.a | d.bank) << ",if";
        break;
    case 28:
        t.Reg('r', d.a | d.bank) << ",ki";
        break;
    case 29:
        t << d.condition;
        // A = B = 56 + n with the plain upper group 7 is the register pair
        // of index register n.
        if (d.a == d.b && (d.b2 & 0x1F) == 7) {
            t << IndexRegNames[d.b1 & 7];
        } else {
            t.Reg(d.x, 64 + d.b) << ',';
            t.Reg('r', d.a);
        }
        break;
    case 30:
        t << '[';
        t.HexDigits(d.b1) << ']';
        break;
    default:
        break;
    }
    return t.Take();
}

}  // namespace

std::string Disassemble(Machine& m, unsigned opcode) {
    opcode %= OpcodeCount;
    const int form = OpcodeTable[opcode].Form;
    const int bytes = FormOperandBytes(form);
    uint8_t b1 = 0;
    uint8_t b2 = 0;
    if (bytes >= 1) b1 = NextOperandByte(m);
    if (bytes >= 2) b2 = NextOperandByte(m);
    return Render(form, Decode(opcode, b1, b2));
}

}  // namespace varnox
