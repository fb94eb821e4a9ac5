// The line assembler on arbitrary bytes. It must accept the line or reject
// it at a position inside it or just past it, never reading beyond it (the
// input sits in a buffer of exactly its size). An accepted instruction lists
// as a text that assembles to the same bytes. Data bytes (db) may form a
// word that no instruction line produces (a register pair written as two
// registers, say), so their own bytes need not come back: their listing must
// assemble, and the instruction line it is then comes back exactly, so the
// listing reaches a fixed point after one round.
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

// An instruction line's bytes list as a text that assembles back to them.
void CheckRoundTrip(const AsmResult& bytes, const std::string& listed) {
    FUZZ_CHECK(Assemblable(listed), "bytes %s list as \"%s\"", Hex(bytes).c_str(), listed.c_str());
    const AsmResult again = varnox::Assemble(listed);
    FUZZ_CHECK(again.AsmErrorPos == 0, "bytes %s list as \"%s\", rejected at %d", Hex(bytes).c_str(), listed.c_str(),
               again.AsmErrorPos);
    FUZZ_CHECK(again.AsmCount == bytes.AsmCount && again.AsmBytes == bytes.AsmBytes,
               "bytes %s list as \"%s\", which assembles to %s", Hex(bytes).c_str(), listed.c_str(),
               Hex(again).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const AsmResult result = varnox::Assemble(line);
    FUZZ_CHECK(result.AsmErrorPos >= 0 && static_cast<size_t>(result.AsmErrorPos) <= size + 1, "position %d",
               result.AsmErrorPos);
    FUZZ_CHECK(result.AsmCount >= 0 && result.AsmCount <= 3, "count %d", result.AsmCount);
    if (result.AsmErrorPos != 0 || result.AsmCount == 0) return 0;

    const std::string listed = ListWord(result);
    if (!IsDataLine(line)) {
        CheckRoundTrip(result, listed);
        return 0;
    }
    if (!Assemblable(listed)) return 0;
    const AsmResult normal = varnox::Assemble(listed);
    FUZZ_CHECK(normal.AsmErrorPos == 0, "data %s list as \"%s\", rejected at %d", Hex(result).c_str(),
               listed.c_str(), normal.AsmErrorPos);
    CheckRoundTrip(normal, ListWord(normal));
    return 0;
}
