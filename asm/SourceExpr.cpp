#include "asm/SourceExpr.h"

#include <cstdio>
#include <limits>
#include <optional>

namespace varnox {

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

size_t WordEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && IsNameChar(text[pos])) ++pos;
    return pos;
}

size_t ScanName(std::string_view text, size_t pos) {
    auto localPart = [&](size_t at) {
        return at + 1 < text.size() && text[at] == '.' && IsNameStart(text[at + 1]) ? WordEnd(text, at + 1) : at;
    };
    if (pos >= text.size()) return pos;
    if (text[pos] == '.') return localPart(pos);
    if (!IsNameStart(text[pos])) return pos;
    return localPart(WordEnd(text, pos));
}

size_t SkipBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    return pos;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string Concat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts) out.append(part);
    return out;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<uint32_t> HexValue(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

std::string ShownValue(std::string_view source, int64_t value) {
    const std::string number = std::to_string(value);
    if (source == number) return number;
    return Concat({"'", Printable(source), "' (", number, ")"});
}

namespace {

// Nesting of parentheses and unary operators; deeper text is refused
// rather than recursed into.
constexpr int MaxDepth = 64;

int DigitIn(char c, int base) {
    const int digit = HexDigitValue(c);
    return digit < base ? digit : -1;
}

// "&H" or "&B" followed by a digit of its base: the base, else 0.
int PrefixedBase(std::string_view text, size_t pos) {
    if (pos + 2 >= text.size() || text[pos] != '&') return 0;
    const char letter = static_cast<char>(text[pos + 1] | 0x20);
    const int base = letter == 'h' ? 16 : letter == 'b' ? 2 : 0;
    return base != 0 && DigitIn(text[pos + 2], base) >= 0 ? base : 0;
}

struct Escape {
    bool ok = false;
    char byte = 0;
    size_t end = 0;
};

// One character of a literal at pos: a byte, or a backslash escape.
Escape ReadLiteralChar(std::string_view text, size_t pos) {
    if (text[pos] != '\\') return {true, text[pos], pos + 1};
    if (pos + 1 >= text.size()) return {};
    switch (text[pos + 1]) {
        case 'n': return {true, '\n', pos + 2};
        case 'r': return {true, '\r', pos + 2};
        case 't': return {true, '\t', pos + 2};
        case '0': return {true, '\0', pos + 2};
        case '\\': return {true, '\\', pos + 2};
        case '\'': return {true, '\'', pos + 2};
        case '"': return {true, '"', pos + 2};
        case 'x':
            if (pos + 3 < text.size() && DigitIn(text[pos + 2], 16) >= 0 && DigitIn(text[pos + 3], 16) >= 0) {
                return {true, static_cast<char>(DigitIn(text[pos + 2], 16) * 16 + DigitIn(text[pos + 3], 16)), pos + 4};
            }
            return {};
        default: return {};
    }
}

constexpr const char* EscapeHelp = "unknown escape: use \\n \\r \\t \\0 \\\\ \\' \\\" or \\xHH";

struct Value {
    bool known = true;
    int64_t v = 0;
};

class Parser {
public:
    Parser(std::string_view text, const ExprContext& context) : text_(text), context_(context) {}

    ExprValue Run(size_t pos) {
        pos_ = SkipBlanks(text_, pos);
        end_ = pos_;
        const std::optional<Value> value = Binary(0);
        ExprValue out;
        out.end = end_;
        if (!value) {
            out.errorColumn = errorColumn_;
            out.error = error_;
            return out;
        }
        out.ok = true;
        out.known = value->known;
        out.value = value->v;
        return out;
    }

private:
    std::nullopt_t Fail(size_t column, std::string message) {
        if (error_.empty()) {
            errorColumn_ = column;
            error_ = std::move(message);
        }
        return std::nullopt;
    }

    // The operator of a precedence level at the next non-space position,
    // taken when present: | ^ & (<< >>) (+ -) (* / %).
    std::optional<char> Operator(int level) {
        const size_t at = SkipBlanks(text_, pos_);
        if (at >= text_.size()) return std::nullopt;
        const char c = text_[at];
        const char next = at + 1 < text_.size() ? text_[at + 1] : '\0';
        size_t length = 1;
        bool match = false;
        switch (level) {
            case 0: match = c == '|'; break;
            case 1: match = c == '^'; break;
            case 2: match = c == '&' && PrefixedBase(text_, at) == 0; break;
            case 3:
                match = (c == '<' || c == '>') && next == c;
                length = 2;
                break;
            case 4: match = c == '+' || c == '-'; break;
            default: match = c == '*' || c == '/' || c == '%'; break;
        }
        if (!match) return std::nullopt;
        operatorColumn_ = at;
        pos_ = at + length;
        return c;
    }

    std::optional<Value> Binary(int level) {
        if (level > 5) return Unary();
        std::optional<Value> left = Binary(level + 1);
        while (left) {
            const std::optional<char> op = Operator(level);
            if (!op) break;
            const size_t column = operatorColumn_;
            const std::optional<Value> right = Binary(level + 1);
            if (!right) return std::nullopt;
            if (!left->known || !right->known) {
                left = Value{false, 0};
                continue;
            }
            left = Apply(*op, left->v, right->v, column);
        }
        return left;
    }

    std::optional<Value> Apply(char op, int64_t a, int64_t b, size_t column) {
        int64_t r = 0;
        bool overflow = false;
        switch (op) {
            case '|': r = a | b; break;
            case '^': r = a ^ b; break;
            case '&': r = a & b; break;
            case '+': overflow = __builtin_add_overflow(a, b, &r); break;
            case '-': overflow = __builtin_sub_overflow(a, b, &r); break;
            case '*': overflow = __builtin_mul_overflow(a, b, &r); break;
            case '/':
            case '%':
                if (b == 0) return Fail(column, "division by zero");
                overflow = a == std::numeric_limits<int64_t>::min() && b == -1;
                if (!overflow) r = op == '/' ? a / b : a % b;
                break;
            default:  // << and >>
                if (b < 0 || b > 63) return Fail(column, "shift count " + std::to_string(b) + " out of range 0..63");
                r = op == '<' ? static_cast<int64_t>(static_cast<uint64_t>(a) << b) : a >> b;
                break;
        }
        if (overflow) return Fail(column, "the value overflows 64 bits");
        return Value{true, r};
    }

    std::optional<Value> Unary() {
        pos_ = SkipBlanks(text_, pos_);
        if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+' || text_[pos_] == '~')) {
            const char op = text_[pos_];
            const size_t column = pos_++;
            if (++depth_ > MaxDepth) return Fail(column, "expression nested too deeply");
            std::optional<Value> operand = Unary();
            --depth_;
            if (!operand || !operand->known || op == '+') return operand;
            if (op == '~') return Value{true, ~operand->v};
            if (operand->v == std::numeric_limits<int64_t>::min()) return Fail(column, "the value overflows 64 bits");
            return Value{true, -operand->v};
        }
        return Primary();
    }

    std::optional<Value> Number(int base, size_t digitsFrom) {
        const size_t start = pos_;
        uint64_t value = 0;
        size_t p = digitsFrom;
        bool tooLarge = false;
        for (; p < text_.size() && DigitIn(text_[p], base) >= 0; ++p) {
            const uint64_t digit = static_cast<uint64_t>(DigitIn(text_[p], base));
            if (value > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - digit) / static_cast<uint64_t>(base)) {
                tooLarge = true;
            }
            value = value * static_cast<uint64_t>(base) + digit;
        }
        if (p < text_.size() && IsNameChar(text_[p])) {
            const size_t bad = WordEnd(text_, p);
            return Fail(start, "bad number '" + Printable(text_.substr(start, bad - start)) + "'");
        }
        if (tooLarge) return Fail(start, "number too large");
        pos_ = end_ = p;
        return Value{true, static_cast<int64_t>(value)};
    }

    std::optional<Value> CharLiteral() {
        const size_t start = pos_;
        if (pos_ + 1 >= text_.size() || text_[pos_ + 1] == '\'') {
            return Fail(start, "a character literal holds one character, as in 'A'");
        }
        const Escape c = ReadLiteralChar(text_, pos_ + 1);
        if (!c.ok) return Fail(pos_ + 1, EscapeHelp);
        if (c.end >= text_.size() || text_[c.end] != '\'') {
            return Fail(start, "a character literal holds one character, as in 'A'");
        }
        pos_ = end_ = c.end + 1;
        return Value{true, static_cast<unsigned char>(c.byte)};
    }

    std::optional<Value> Parenthesized(size_t open) {
        if (++depth_ > MaxDepth) return Fail(open, "expression nested too deeply");
        pos_ = open + 1;
        std::optional<Value> inner = Binary(0);
        --depth_;
        if (!inner) return std::nullopt;
        const size_t close = SkipBlanks(text_, pos_);
        if (close >= text_.size() || text_[close] != ')') return Fail(close, "expected ')'");
        pos_ = end_ = close + 1;
        return inner;
    }

    std::optional<Value> Name(size_t start, size_t end) {
        const std::string_view name = text_.substr(start, end - start);
        const std::string lower = LowerCase(name);
        if (lower == "hi" || lower == "lo") {
            const size_t open = SkipBlanks(text_, end);
            if (open >= text_.size() || text_[open] != '(') {
                return Fail(start, lower + " takes a value in parentheses: " + lower + "(VALUE)");
            }
            std::optional<Value> inner = Parenthesized(open);
            if (!inner || !inner->known) return inner;
            return Value{true, (lower == "hi" ? inner->v >> 8 : inner->v) & 0xFF};
        }
        NameValue found = context_.names ? context_.names(name) : NameValue{};
        if (found.kind == NameValue::Kind::Failed) {
            return Fail(start, found.message.empty() ? "unknown name '" + Printable(name) + "'" : found.message);
        }
        pos_ = end_ = end;
        return Value{found.kind == NameValue::Kind::Known, found.value};
    }

    std::optional<Value> Primary() {
        pos_ = SkipBlanks(text_, pos_);
        if (pos_ >= text_.size()) return Fail(pos_, "expected a value");
        const char c = text_[pos_];
        if (const int base = PrefixedBase(text_, pos_)) return Number(base, pos_ + 2);
        if (c >= '0' && c <= '9') return Number(10, pos_);
        if (c == '\'') return CharLiteral();
        if (c == '(') return Parenthesized(pos_);
        if (c == '$') {
            pos_ = end_ = pos_ + 1;
            return Value{true, context_.here};
        }
        const size_t nameEnd = ScanName(text_, pos_);
        if (nameEnd > pos_) return Name(pos_, nameEnd);
        if (c == '&') return Fail(pos_, "expected a value: hexadecimal numbers are written &H1F, binary ones &B101");
        return Fail(pos_, "expected a value, found '" + Printable(text_.substr(pos_, 1)) + "'");
    }

    std::string_view text_;
    const ExprContext& context_;
    size_t pos_ = 0;
    size_t end_ = 0;  // just after the last character taken
    size_t operatorColumn_ = 0;
    int depth_ = 0;
    size_t errorColumn_ = 0;
    std::string error_;
};

}  // namespace

ExprValue EvaluateExpression(std::string_view text, size_t pos, const ExprContext& context) {
    return Parser(text, context).Run(pos);
}

StringValue ReadStringLiteral(std::string_view text, size_t pos) {
    StringValue out;
    size_t p = pos + 1;
    while (p < text.size() && text[p] != '"') {
        const Escape c = ReadLiteralChar(text, p);
        if (!c.ok) {
            out.errorColumn = p;
            out.error = EscapeHelp;
            return out;
        }
        out.bytes.push_back(c.byte);
        p = c.end;
    }
    if (p >= text.size()) {
        out.errorColumn = pos;
        out.error = "the string has no closing '\"'";
        return out;
    }
    out.ok = true;
    out.end = p + 1;
    return out;
}

}  // namespace varnox
