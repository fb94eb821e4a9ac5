// The line assembler on arbitrary bytes. It must accept the line or reject
// it at a position inside it or just past it, never reading beyond it (the
// input sits in a buffer of exactly its size). An accepted instruction lists
// as a text that assembles to the same bytes; data bytes (db) may form any
// word, so for them the listing must be a fixed point: its bytes list as the
// same text again, unless the word is one the assembler cannot produce.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "asm/Asem.h"
#include "asm/Dis.h"

namespace {

using varnox::AsmResult;

std::string Hex(const AsmResult& r) {
    std::string text;
    for (int i = 0; i < r.AsmCount; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X ", r.AsmBytes[static_cast<size_t>(i)]);
        text += byte;
    }
    return text;
}

// Mnemonic and operands of the word, as a line is typed.
std::string ListWord(const AsmResult& r) { return varnox::InstructionText(r.AsmBytes); }

bool IsDataLine(std::string_view line) {
    size_t pos = 0;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (varnox::MatchMnemonic(line, pos) != 2) return false;
    return (line[pos] | 0x20) == 'd' && (line[pos + 1] | 0x20) == 'b';
}

// Bracketed opcodes and ranges shown with "?" are listed but not accepted.
bool Assemblable(const std::string& listed) { return listed.find_first_of("[?") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const AsmResult result = varnox::Assemble(line);
    FUZZ_CHECK(result.AsmErrorPos >= 0 && static_cast<size_t>(result.AsmErrorPos) <= size + 1, "position %d",
               result.AsmErrorPos);
    FUZZ_CHECK(result.AsmCount >= 0 && result.AsmCount <= 3, "count %d", result.AsmCount);
    if (result.AsmErrorPos != 0 || result.AsmCount == 0) return 0;

    const std::string listed = ListWord(result);
    const bool isData = IsDataLine(line);
    if (isData && !Assemblable(listed)) return 0;
    FUZZ_CHECK(Assemblable(listed), "bytes %s list as \"%s\"", Hex(result).c_str(), listed.c_str());

    const AsmResult again = varnox::Assemble(listed);
    FUZZ_CHECK(again.AsmErrorPos == 0, "bytes %s list as \"%s\", rejected at %d", Hex(result).c_str(),
               listed.c_str(), again.AsmErrorPos);
    if (isData) {
        const std::string relisted = ListWord(again);
        FUZZ_CHECK(relisted == listed, "bytes %s list as \"%s\", which assembles to %s listing as \"%s\"",
                   Hex(result).c_str(), listed.c_str(), Hex(again).c_str(), relisted.c_str());
    } else {
        FUZZ_CHECK(again.AsmCount == result.AsmCount && again.AsmBytes == result.AsmBytes,
                   "bytes %s list as \"%s\", which assembles to %s", Hex(result).c_str(), listed.c_str(),
                   Hex(again).c_str());
    }
    return 0;
}
