#include "asm/SourceLine.h"

#include <algorithm>

#include "asm/Asem.h"
#include "asm/AsmScanner.h"

namespace varnox {
namespace {

// The largest value a line-assembler number can hold.
constexpr int64_t MaxPlainNumber = 0xFFFF;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename List>
bool InList(const List& list, std::string_view lowerWord) {
    for (const auto& item : list) {
        if (item.name == lowerWord) return true;
    }
    return false;
}

// A name the operand grammar itself reads: index and pointer registers,
// conditions, status registers.
bool IsGrammarWord(std::string_view lowerWord) {
    return InList(asmscan::IndexRegs, lowerWord) || InList(asmscan::Conditions, lowerWord) ||
           InList(asmscan::StatusRegTable, lowerWord);
}

}  // namespace

bool IsOperandWord(std::string_view word) {
    const std::string lower = LowerCase(word);
    const bool registerName = lower.size() > 1 && (lower[0] == 'r' || lower[0] == 'i') &&
                              lower.find_first_not_of("0123456789", 1) == std::string::npos;
    return registerName || IsGrammarWord(lower);
}

namespace {

enum class PieceKind { Immediate, Offset, Register };

// A value in the plain line and where it came from.
struct Piece {
    PieceKind kind = PieceKind::Immediate;
    size_t outStart = 0, outEnd = 0;  // its text in the plain line
    size_t srcStart = 0, srcEnd = 0;  // its text in the source
    int64_t value = 0;
    int operand = 1;       // 1-based
    char letter = 'r';     // registers: r or i
    char sign = '+';       // offsets: the sign as written, kept for 0
    bool inRange = false;  // a register written as one end of a range
    bool plain = false;    // false: the value cannot be written as a plain number
};

class InstructionLine {
public:
    InstructionLine(std::string_view line, size_t start, const ExprContext& context)
        : line_(line), start_(start), context_(context) {}

    InstructionBytes Run() {
        const size_t mnemonicLength = MatchMnemonic(line_, start_);
        size_t wordEnd = WordEnd(line_, start_);
        if (wordEnd == start_) {
            while (wordEnd < line_.size() && line_[wordEnd] != ' ' && line_[wordEnd] != ';') ++wordEnd;
        }
        // A mnemonic glued to its operands (ldr5,r70) is taken as the line
        // assembler takes it, but any failure then reads as a wrong word.
        glued_ = mnemonicLength == 0 || start_ + mnemonicLength != wordEnd;
        word_ = line_.substr(start_, std::min(wordEnd, line_.size()) - start_);
        if (mnemonicLength == 0) return UnknownInstruction();
        mnemonic_ = LowerCase(line_.substr(start_, mnemonicLength));
        if (Interpret(mnemonicLength)) return std::move(out_);
        // A line that the line assembler takes as it stands keeps its
        // bytes, quirks included: a failed register alternative leaves its
        // letter taken, so it reads ld r5,i(iy+1) as ld r5,(iy+1).
        const AsmResult asIs = Assemble(line_);
        if (asIs.AsmErrorPos == 0) {
            InstructionBytes out;
            out.bytes = asIs.AsmBytes;
            out.count = asIs.AsmCount;
            return out;
        }
        if (!out_.known) {
            out_.count = 3;  // a guess for the earlier pass; the later one knows
            return std::move(out_);
        }
        if (glued_) return UnknownInstruction();
        if (out_.errors.empty()) Explain(rejectedAt_);
        return std::move(out_);
    }

private:
    // The line with its values put in, assembled; false when anything
    // failed (rejectedAt_ then says where the line assembler stopped).
    bool Interpret(size_t mnemonicLength) {
        Copy(0, start_ + mnemonicLength);
        Operands(start_ + mnemonicLength);
        origin_.push_back(line_.size());
        if (!out_.errors.empty()) return false;
        for (const Piece& piece : pieces_) {
            if (!piece.plain && out_.known) OutOfRange(piece);
        }
        if (!out_.errors.empty()) return false;
        const AsmResult result = Assemble(plain_);
        if (result.AsmErrorPos != 0) {
            rejectedAt_ = static_cast<size_t>(result.AsmErrorPos - 1);
            return false;
        }
        out_.bytes = result.AsmBytes;
        out_.count = result.AsmCount;
        return true;
    }

    // ---- Building the plain line ----------------------------------------

    void Copy(size_t from, size_t to) {
        for (size_t i = from; i < to && i < line_.size(); ++i) {
            plain_.push_back(line_[i]);
            origin_.push_back(i);
        }
    }

    void Error(size_t column, std::string message) { out_.errors.push_back({column, std::move(message)}); }

    void Operands(size_t pos) {
        int operand = 1;
        while (pos < line_.size() && out_.errors.empty()) {
            pos = Operand(pos, operand);
            // What no rule took stays for the line assembler to judge.
            size_t next = pos;
            while (next < line_.size() && line_[next] != ',' && line_[next] != ';') ++next;
            Copy(pos, next);
            if (next >= line_.size()) return;
            if (line_[next] == ';') {
                Copy(next, line_.size());
                return;
            }
            Copy(next, next + 1);
            pos = next + 1;
            ++operand;
        }
    }

    // "(" and a pointer register name as a whole word.
    size_t PointerEnd(size_t pos) const {
        if (pos >= line_.size() || line_[pos] != '(') return 0;
        const size_t name = SkipBlanks(line_, pos + 1);
        const size_t end = WordEnd(line_, name);
        return InList(asmscan::PointerRegs, LowerCase(line_.substr(name, end - name))) ? end : 0;
    }

    bool RegisterAt(size_t pos) const {
        if (pos + 1 >= line_.size()) return false;
        const char letter = static_cast<char>(line_[pos] | 0x20);
        return (letter == 'r' || letter == 'i') && (IsDigit(line_[pos + 1]) || line_[pos + 1] == '(');
    }

    size_t Operand(size_t pos, int operand) {
        const size_t at = SkipBlanks(line_, pos);
        Copy(pos, at);
        if (at >= line_.size() || line_[at] == ',' || line_[at] == ';') return at;
        const char c = line_[at];
        if ((c == '+' || c == '-') && PointerEnd(at + 1)) return at;  // -(sp): the sign is the grammar's
        if (const size_t end = PointerEnd(at)) return PointerOperand(at, end, operand);
        if (RegisterAt(at)) return RegisterOperand(at, operand);
        const size_t wordEnd = WordEnd(line_, at);
        if (wordEnd > at && IsGrammarWord(LowerCase(line_.substr(at, wordEnd - at)))) return at;
        return Value(at, PieceKind::Immediate, operand);
    }

    // (ix), (ix)+, (ix+r5) as written; (ix+EXPR) with the signed value of
    // +EXPR or -EXPR put in.
    size_t PointerOperand(size_t at, size_t nameEnd, int operand) {
        Copy(at, nameEnd);
        const size_t sign = SkipBlanks(line_, nameEnd);
        if (sign >= line_.size() || (line_[sign] != '+' && line_[sign] != '-')) return nameEnd;
        const size_t after = SkipBlanks(line_, sign + 1);
        if (RegisterAt(after)) {
            Copy(nameEnd, after);
            return RegisterToken(after, operand, false);
        }
        // A ")" right after the name closes it: (ix)+ is the grammar's sign.
        Copy(nameEnd, sign);
        return Value(sign, PieceKind::Offset, operand);
    }

    size_t RegisterOperand(size_t at, int operand) {
        const size_t end = RegisterToken(at, operand, false);
        if (end + 2 < line_.size() && line_[end] == '.' && line_[end + 1] == '.' && RegisterAt(end + 2) &&
            out_.errors.empty()) {
            pieces_.back().inRange = true;
            Copy(end, end + 2);
            return RegisterToken(end + 2, operand, true);
        }
        return end;
    }

    // r5, i70, or r(EXPR) and i(EXPR) with the number put in.
    size_t RegisterToken(size_t at, int operand, bool inRange) {
        Piece piece;
        piece.kind = PieceKind::Register;
        piece.letter = static_cast<char>(line_[at] | 0x20);
        piece.operand = operand;
        piece.inRange = inRange;
        piece.srcStart = at;
        piece.outStart = plain_.size();
        piece.plain = true;
        const int64_t lowest = piece.letter == 'i' ? 64 : 0;
        if (line_[at + 1] == '(') {
            const ExprValue value = EvaluateExpression(line_, at + 2, context_);
            if (!value.ok) {
                Error(value.errorColumn, value.error);
                return line_.size();
            }
            const size_t close = SkipBlanks(line_, value.end);
            if (close >= line_.size() || line_[close] != ')') {
                Error(close, "expected ')'");
                return line_.size();
            }
            piece.srcEnd = close + 1;
            if (JoinedAfter(piece.srcEnd)) return line_.size();
            piece.value = value.known ? value.value : lowest;
            if (!value.known) out_.known = false;
            if (piece.value < lowest || piece.value > 127) {
                Error(at, Concat({"'", Printable(SourceText(piece)), "' is register ", std::to_string(piece.value),
                                  ", out of range ", std::to_string(lowest), "..127"}));
                return line_.size();
            }
            const std::string text = Concat({line_.substr(at, 1), std::to_string(piece.value)});
            for (char c : text) {
                plain_.push_back(c);
                origin_.push_back(at);
            }
        } else {
            size_t end = at + 1;
            for (; end < line_.size() && IsDigit(line_[end]); ++end) {
                piece.value = std::min<int64_t>(piece.value * 10 + (line_[end] - '0'), 1000);
            }
            piece.srcEnd = end;
            if (piece.value < lowest || piece.value > 127) {
                Error(at, "there is no register " + Printable(SourceText(piece)) +
                              ": registers are r0..r127, and i64..i127 for the indirect ones");
                return line_.size();
            }
            Copy(at, end);
        }
        piece.outEnd = plain_.size();
        pieces_.push_back(piece);
        return piece.srcEnd;
    }

    // A digit or a name right after a value would join the number put in
    // its place ("(5)1" as 51): no operand is written so.
    bool JoinedAfter(size_t end) {
        if (end >= line_.size() || !(IsDigit(line_[end]) || IsNameStart(line_[end]))) return false;
        Error(end, Concat({"'", Printable(line_.substr(end, 1)), "' right after a value: an operator or a comma goes between them"}));
        return true;
    }

    // An expression; an offset's starts at its sign.
    size_t Value(size_t at, PieceKind kind, int operand) {
        const ExprValue value = EvaluateExpression(line_, at, context_);
        if (!value.ok) {
            Error(value.errorColumn, value.error);
            return line_.size();
        }
        if (JoinedAfter(value.end)) return line_.size();
        Piece piece;
        piece.kind = kind;
        piece.operand = operand;
        piece.srcStart = at;
        piece.srcEnd = value.end;
        piece.sign = line_[at];
        piece.value = value.known ? value.value : 0;
        if (!value.known) out_.known = false;
        const int64_t lowest = kind == PieceKind::Offset ? -MaxPlainNumber : 0;
        piece.plain = piece.value >= lowest && piece.value <= MaxPlainNumber;
        const int64_t magnitude = piece.plain && piece.value < 0 ? -piece.value : piece.value;
        piece.outStart = plain_.size();
        const std::string text = NumberText(piece, piece.plain ? magnitude : 0);
        for (char c : text) {
            plain_.push_back(c);
            origin_.push_back(at);
        }
        piece.outEnd = plain_.size();
        pieces_.push_back(piece);
        return value.end;
    }

    std::string NumberText(const Piece& piece, int64_t magnitude) const {
        switch (piece.kind) {
            case PieceKind::Register: return Concat({std::string_view(&piece.letter, 1), std::to_string(magnitude)});
            case PieceKind::Offset: {
                const char sign = piece.value < 0 ? '-' : piece.value > 0 ? '+' : piece.sign;
                return Concat({std::string_view(&sign, 1), std::to_string(magnitude)});
            }
            default: return std::to_string(magnitude);
        }
    }

    std::string_view SourceText(const Piece& piece) const {
        return line_.substr(piece.srcStart, piece.srcEnd - piece.srcStart);
    }

    // ---- Explaining a rejection -------------------------------------------

    // Whether the line passes the piece when it holds text instead.
    bool Fits(const Piece& piece, const std::string& text) const {
        const std::string probe = plain_.substr(0, piece.outStart) + text + plain_.substr(piece.outEnd);
        const AsmResult result = Assemble(probe);
        const size_t at = static_cast<size_t>(result.AsmErrorPos - 1);
        return result.AsmErrorPos == 0 || at < piece.outStart || at > piece.outStart + text.size();
    }

    // The largest magnitude the piece's operand takes, or -1 when even 0
    // does not pass.
    int64_t Limit(const Piece& piece) const {
        Piece probe = piece;
        probe.value = 1;  // an offset probes with +
        auto fits = [&](int64_t v) { return Fits(piece, NumberText(probe, v)); };
        if (!fits(0)) return -1;
        int64_t low = 0, high = MaxPlainNumber;
        if (fits(high)) return high;
        while (high - low > 1) {
            const int64_t middle = (low + high) / 2;
            (fits(middle) ? low : high) = middle;
        }
        return low;
    }

    std::string OperandName(const Piece& piece) const {
        return "operand " + std::to_string(piece.operand) + " of " + mnemonic_;
    }

    std::string ValueText(const Piece& piece) const {
        std::string_view source = SourceText(piece);
        if (piece.kind == PieceKind::Offset && source[0] == '+') source = source.substr(SkipBlanks(source, 1));
        return ShownValue(source, piece.value);
    }

    bool ReportRange(const Piece& piece, int64_t limit) {
        if (limit < 0) return false;
        const std::string range =
            Concat({piece.kind == PieceKind::Offset ? "-" : "", std::to_string(piece.kind == PieceKind::Offset ? limit : 0),
                    "..", std::to_string(limit)});
        const std::string what = piece.kind == PieceKind::Offset ? "the offset " : "";
        Error(piece.srcStart, Concat({what, ValueText(piece), " is out of range ", range, " for ", OperandName(piece)}));
        return true;
    }

    void OutOfRange(const Piece& piece) {
        if (!ReportRange(piece, Limit(piece))) ReportRange(piece, MaxPlainNumber);
    }

    // Which halves of the register file the piece's operand takes.
    bool ReportRegisterKinds(const Piece& piece) {
        const int low = static_cast<int>(piece.value & 7);
        const std::pair<std::string, const char*> kinds[] = {
            {Concat({"r", std::to_string(low)}), "r0..r63"},
            {Concat({"r", std::to_string(64 + low)}), "r64..r127"},
            {Concat({"i", std::to_string(64 + low)}), "i64..i127"},
        };
        std::string takes;
        int fitting = 0;
        for (const auto& [probe, name] : kinds) {
            if (!Fits(piece, probe)) continue;
            takes += takes.empty() ? name : std::string(" or ") + name;
            ++fitting;
        }
        if (fitting == 0 || fitting == 3) return false;
        Error(piece.srcStart, Printable(SourceText(piece)) + " does not fit " + OperandName(piece) + " here: it takes " + takes);
        return true;
    }

    void Explain(size_t at) {
        for (const Piece& piece : pieces_) {
            if (at < piece.outStart || at > piece.outEnd) continue;
            if (piece.kind != PieceKind::Register && ReportRange(piece, Limit(piece))) return;
            if (piece.kind == PieceKind::Register && !piece.inRange && ReportRegisterKinds(piece)) return;
        }
        const size_t column = origin_[std::min(at, origin_.size() - 1)];
        if (at >= plain_.size() || plain_[at] == ';') {
            Error(column, "cannot assemble the line: rejected at the end of the line");
        } else {
            Error(column, "cannot assemble the line: rejected at '" + Printable(line_.substr(column, 1)) + "'");
        }
    }

    InstructionBytes UnknownInstruction() {
        InstructionBytes out;
        out.errors.push_back({start_, "unknown instruction '" + Printable(word_) + "'"});
        return out;
    }

    std::string_view line_;
    size_t start_;
    const ExprContext& context_;
    bool glued_ = false;
    std::string_view word_;
    std::string mnemonic_;
    std::string plain_;           // the line as the line assembler reads it
    std::vector<size_t> origin_;  // source column of each character of plain_, and of its end
    std::vector<Piece> pieces_;
    InstructionBytes out_;
    size_t rejectedAt_ = 0;
};

}  // namespace

InstructionBytes AssembleInstruction(std::string_view line, size_t start, const ExprContext& context) {
    return InstructionLine(line, start, context).Run();
}

}  // namespace varnox
