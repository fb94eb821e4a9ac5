#include "debugger/MachineViews.h"

#include "debugger/HexText.h"

namespace varnox {
namespace {

std::string FlagsText(uint8_t f) {
    std::string text;
    const std::pair<uint8_t, const char*> flags[] = {{FlagC, "C"},   {FlagH, "H"},   {FlagV, "V"},
                                                     {FlagNZ, "NZ"}, {FlagUZ, "UZ"}, {FlagLZ, "LZ"}};
    for (const auto& [mask, name] : flags) {
        if (!(f & mask)) continue;
        if (!text.empty()) text += ' ';
        text += name;
    }
    return text.empty() ? "-" : text;
}

}  // namespace

std::vector<RegisterViewRow> RegisterView(const CpuState& now, const CpuState& before, uint64_t cyclesSinceStop) {
    std::vector<RegisterViewRow> rows;
    rows.push_back({"PC", HexText(now.PC, 4), now.PC != before.PC});
    static constexpr const char* Pointers[8] = {"ix", "iy", "iz", "v3", "v2", "v1", "v0", "sp"};
    for (int n : {RegSp, RegIx, RegIy, RegIz, RegV0, RegV1, RegV2, RegV3}) {
        rows.push_back({Pointers[n], HexText(GetIndex(now, n), 4), GetIndex(now, n) != GetIndex(before, n)});
    }
    rows.push_back({"F", HexText(now.F, 2) + "  " + FlagsText(now.F), now.F != before.F});
    const std::pair<const char*, uint8_t CpuState::*> bytes[] = {
        {"AS", &CpuState::AS}, {"KO", &CpuState::KO}, {"KI", &CpuState::KI}, {"IE", &CpuState::IE}, {"IF", &CpuState::IF}};
    for (const auto& [label, field] : bytes) rows.push_back({label, HexText(now.*field, 2), now.*field != before.*field});
    rows.push_back({"Halted", now.Halted ? "yes" : "no", now.Halted != before.Halted});
    rows.push_back({"Cycles", std::to_string(cyclesSinceStop), false});
    return rows;
}

std::vector<std::string> LcdView(const LcdController& lcd) {
    std::vector<std::string> lines;
    lines.push_back("LcdControl  " + HexText(lcd.LcdControl, 2) + ((lcd.LcdControl & LcdPowered) ? "  powered" : "  unpowered") +
                    ((lcd.LcdControl & LcdEnabled) ? ", enabled" : "") +
                    ((lcd.LcdControl & LcdCommandMode) ? ", command mode" : ", data mode"));
    lines.push_back(std::string("Display     ") + (lcd.DisplayOn ? "on" : "off"));
    lines.push_back("Address     " + HexText(static_cast<unsigned>(lcd.LcdAddress) & 0xFFFF, 4));
    lines.push_back("Nibbles     " + std::to_string(lcd.NibbleCount) + " of a command");
    std::string command;
    for (const uint8_t nibble : lcd.CommandBuffer) command += HexText(nibble, 1);
    lines.push_back("Command     " + command);
    lines.push_back("GlyphWidth  " + std::to_string(lcd.GlyphWidth));
    lines.push_back("CodeLatch   " + HexText(lcd.CodeLatch, 2));
    lines.push_back("CursorMode  " + std::to_string(lcd.CursorMode));
    for (size_t chip = 0; chip < lcd.Cursor.size(); ++chip) {
        const CursorRecord& cursor = lcd.Cursor[chip];
        std::string pattern;
        for (const uint8_t nibble : cursor.pattern) pattern += HexText(nibble, 1);
        lines.push_back("Chip " + std::to_string(chip) + " cursor  column " + std::to_string(cursor.column) + ", band " +
                        std::to_string(cursor.band / 192) + ", half " + std::to_string(cursor.half / 96) + ", phase " +
                        std::to_string(cursor.phase) + ", pattern " + pattern);
    }
    lines.push_back("TimerPeriod " + std::to_string(lcd.TimerPeriod) + " oscillator ticks");
    return lines;
}

}  // namespace varnox
