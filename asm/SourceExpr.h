// The values of the source assembler: expressions over numbers, character
// literals, names and the current address, the string literals of db, and
// the lexical rules for names that the whole source format shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "core/Printable.h"

namespace varnox {

// Names: a letter or "_", then letters, digits and "_"; a local name is
// ".name", and "outer.name" reaches one from anywhere.
bool IsNameStart(char c);
bool IsNameChar(char c);
// End of the name at pos (pos itself when none starts there).
size_t ScanName(std::string_view text, size_t pos);
// Letters, digits and "_" from pos: the extent of a word such as a mnemonic.
size_t WordEnd(std::string_view text, size_t pos);
// Spaces and tabs.
size_t SkipBlanks(std::string_view text, size_t pos);
std::string LowerCase(std::string_view text);
// The parts one after another (the compiler misjudges "text" + string).
std::string Concat(std::initializer_list<std::string_view> parts);

// A hex digit's value, or -1.
int HexDigitValue(char c);
// The value of 1 to maxDigits hex digits with nothing around them.
std::optional<uint32_t> HexValue(std::string_view text, size_t maxDigits);

// "300" for a value written as a plain number, "'size+1' (300)" for any
// other text: how messages show a value and where it came from.
std::string ShownValue(std::string_view source, int64_t value);

// What a name stands for, as the caller's symbol table answers.
struct NameValue {
    enum class Kind { Known, Unknown, Failed };
    Kind kind = Kind::Failed;
    int64_t value = 0;
    std::string message;  // why, when Failed
};

using NameResolver = std::function<NameValue(std::string_view name)>;

struct ExprContext {
    int64_t here = 0;  // the value of $
    NameResolver names;
};

struct ExprValue {
    bool ok = false;     // false: error and errorColumn say what went wrong
    bool known = false;  // false while a name has no value yet (an earlier pass)
    int64_t value = 0;
    size_t end = 0;  // just after the expression's last character
    size_t errorColumn = 0;
    std::string error;
};

// One expression starting at pos (spaces before it are skipped). It ends at
// the first character that cannot continue it, such as "," ";" or an
// unmatched ")"; the caller judges what follows.
ExprValue EvaluateExpression(std::string_view text, size_t pos, const ExprContext& context);

// A double-quoted string at pos with the escapes of character literals.
struct StringValue {
    bool ok = false;
    std::string bytes;
    size_t end = 0;
    size_t errorColumn = 0;
    std::string error;
};

StringValue ReadStringLiteral(std::string_view text, size_t pos);

}  // namespace varnox
