// What the debugger keeps between its handlers: where each pane starts and
// which in-place editor is open, with the address or index it writes to.
#pragma once

#include <cstdint>

namespace varnox {

// The in-place editor that is open, by what it edits.
enum class EditKind : uint8_t {
    None,
    ListAddress,      // the listing's first address
    ListInstruction,  // an assembly line over a listed instruction
    RegisterValue,    // a row of the Registers pane
    FlagToggled,      // a flag cell was clicked; no editor
    MainRegister,     // a byte of the main register file
    BinAddress,       // the hex editor's first address
    BinByte,          // a hex byte of the hex editor
    BinChar,          // a character of the hex editor
};

// The hex editor's window on data memory: RAM seen from 0xC000.
constexpr int32_t BinFirstAddress = 0xC000;
constexpr int32_t BinEndAddress = 0xE000;
constexpr int32_t BinRowBytes = 16;

struct DebugState {
    int32_t ListTop = 0;  // a 16-bit address
    int32_t RegTop = 0;
    int32_t MainTop = 0;  // a multiple of 16
    int32_t BinTop = BinFirstAddress;  // a multiple of 16
    EditKind EditMode = EditKind::None;
    uint16_t EditTarget = 0;
};

}  // namespace varnox
