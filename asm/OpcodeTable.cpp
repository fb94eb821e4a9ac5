#include "asm/OpcodeTable.h"

namespace varnox {
namespace {

using Table = std::array<OpcodeEntry, OpcodeCount>;
using Names8 = std::array<const char*, 8>;

constexpr Names8 AluNames{"adb", "sbb", "ad", "sb", "an", "na", "or", "xr"};
constexpr Names8 AluMultiNames{"adbm", "sbbm", "adm", "sbm", "anm", "nam", "orm", "xrm"};
constexpr Names8 TestNames{"tadb", "tsbb", "tad", "tsb", "tan", "tna", "tor", "txr"};
constexpr Names8 TestMultiNames{"tadbm", "tsbbm", "tadm", "tsbm", "tanm", "tnam", "torm", "txrm"};

struct Cell {
    const char* mnemonic;
    uint8_t form;
};

// Opcodes 0x0E0-0x0FF and 0x1E0-0x1FF, eight to a row.
constexpr std::array<std::array<Cell, 8>, 8> Grid{{
    {{{"cmp", 14}, {"cmpm", 20}, {"bup", 0}, {"byum", 20}, {"cmpb", 14}, {"dium", 20}, {"rou", 14}, {"roum", 20}}},
    {{{"cmp", 14}, {"cmpm", 20}, {"[EA00]", 8}, {"byum", 20}, {"cmpb", 14}, {"dium", 20}, {"rou", 14}, {"roum", 20}}},
    {{{"inv", 14}, {"invm", 20}, {"bdn", 0}, {"bydm", 20}, {"cmpbm", 21}, {"didm", 20}, {"rod", 14}, {"rodm", 20}}},
    {{{"inv", 14}, {"invm", 20}, {"nop", 0}, {"bydm", 20}, {"cmpbm", 21}, {"didm", 20}, {"rod", 14}, {"rodm", 20}}},
    {{{"swp", 14}, {"[E180]", 30}, {"bup", 0}, {"byu", 14}, {"biu", 14}, {"diu", 14}, {"mtb", 14}, {"trp", 1}}},
    {{{"swp", 14}, {"[E980]", 30}, {"[EA80]", 8}, {"byu", 14}, {"biu", 14}, {"diu", 14}, {"mtb", 14}, {"trp", 1}}},
    {{{"bnusm", 20}, {"gst", 27}, {"bdn", 0}, {"byd", 14}, {"bium", 20}, {"did", 14}, {"mtbm", 21}, {"trp", 1}}},
    {{{"bnusm", 20}, {"gst", 27}, {"nop", 0}, {"byd", 14}, {"bium", 20}, {"did", 14}, {"mtbm", 21}, {"trp", 1}}},
}};

constexpr void Set(Table& t, int op, const char* mnemonic, int form) {
    t[op] = OpcodeEntry{mnemonic, static_cast<uint8_t>(form)};
}

constexpr void SetRange(Table& t, int first, int last, const char* mnemonic, int form) {
    for (int op = first; op <= last; ++op) Set(t, op, mnemonic, form);
}

// Instructions whose b1 is a data byte: its bit 7 is opcode bit 8, so they
// appear in both halves of the map.
constexpr void SetBothHalves(Table& t, int first, int last, const char* mnemonic, int form) {
    SetRange(t, first, last, mnemonic, form);
    SetRange(t, first + 0x100, last + 0x100, mnemonic, form);
}

constexpr void SetEight(Table& t, int first, const Names8& names, int form) {
    for (int i = 0; i < 8; ++i) Set(t, first + i, names[i], form);
}

constexpr Table BuildTable() {
    Table t{};
    for (auto& entry : t) entry = OpcodeEntry{nullptr, 0};

    // Register arithmetic, both operand orders.
    SetEight(t, 0x000, AluNames, 7);
    SetEight(t, 0x008, AluNames, 8);
    SetEight(t, 0x010, AluMultiNames, 10);
    SetEight(t, 0x018, AluMultiNames, 11);
    SetEight(t, 0x020, TestNames, 7);
    SetEight(t, 0x028, TestNames, 8);
    SetEight(t, 0x030, TestMultiNames, 10);
    SetEight(t, 0x038, TestMultiNames, 11);

    // Index registers, jumps and calls.
    SetBothHalves(t, 0x040, 0x047, "ldw", 2);
    SetBothHalves(t, 0x048, 0x04B, "adw", 3);
    SetBothHalves(t, 0x04C, 0x04F, "sbw", 3);
    SetRange(t, 0x050, 0x05F, "ijmp", 29);
    SetBothHalves(t, 0x058, 0x058, "rtn", 0);
    SetBothHalves(t, 0x060, 0x06F, "cal", 4);
    SetBothHalves(t, 0x068, 0x068, "cani", 0);
    SetBothHalves(t, 0x070, 0x07F, "jmp", 4);
    SetBothHalves(t, 0x078, 0x078, "rti", 0);

    // Memory through pointer registers, ports.
    SetRange(t, 0x080, 0x08F, "st", 13);
    SetRange(t, 0x090, 0x09F, "stm", 18);
    SetRange(t, 0x0A0, 0x0AF, "ld", 16);
    SetRange(t, 0x0B0, 0x0BF, "ldm", 22);
    SetBothHalves(t, 0x0C0, 0x0C3, "pst", 25);
    SetRange(t, 0x0C4, 0x0C7, "pst", 24);
    SetRange(t, 0x0CC, 0x0CF, "pst", 24);
    SetBothHalves(t, 0x0C8, 0x0CB, "st", 6);
    SetBothHalves(t, 0x0D8, 0x0DB, "st", 6);
    SetBothHalves(t, 0x0D0, 0x0D3, "st", 5);
    SetRange(t, 0x0D4, 0x0D7, "gst", 26);
    SetRange(t, 0x0DC, 0x0DF, "gst", 26);

    for (int row = 0; row < 8; ++row) {
        const int base = (row < 4 ? 0x0E0 : 0x1E0) + (row % 4) * 8;
        for (int col = 0; col < 8; ++col) Set(t, base + col, Grid[row][col].mnemonic, Grid[row][col].form);
    }

    // Register with immediate, exchanges, shifts.
    SetEight(t, 0x100, AluNames, 9);
    SetEight(t, 0x108, AluNames, 9);
    for (int i = 0; i < 4; ++i) {
        Set(t, 0x110 + i, AluMultiNames[i], 12);
        Set(t, 0x118 + i, AluMultiNames[i], 12);
        Set(t, 0x130 + i, TestMultiNames[i], 12);
        Set(t, 0x138 + i, TestMultiNames[i], 12);
    }
    Set(t, 0x114, "swp", 7);
    Set(t, 0x116, "xcls", 7);
    Set(t, 0x11C, "xc", 7);
    Set(t, 0x11E, "xchs", 7);
    Set(t, 0x115, "swpm", 10);
    Set(t, 0x117, "xclsm", 10);
    Set(t, 0x11D, "xcm", 10);
    Set(t, 0x11F, "xchsm", 10);
    SetEight(t, 0x120, TestNames, 9);
    SetEight(t, 0x128, TestNames, 9);
    Set(t, 0x134, "sup", 14);
    Set(t, 0x13C, "sdn", 14);
    Set(t, 0x135, "[3580]", 30);
    Set(t, 0x136, "[3680]", 30);
    Set(t, 0x137, "[3780]", 30);
    Set(t, 0x13D, "[3D80]", 30);
    Set(t, 0x13E, "[3E80]", 30);
    Set(t, 0x13F, "[3F80]", 30);

    Set(t, 0x150, "off", 1);
    Set(t, 0x151, "gst", 28);
    Set(t, 0x159, "gst", 28);
    Set(t, 0x152, "bit", 9);
    Set(t, 0x15A, "bit", 9);
    Set(t, 0x153, "bit", 7);
    Set(t, 0x15B, "bit", 8);
    Set(t, 0x154, "ld", 7);
    Set(t, 0x15C, "ld", 8);
    Set(t, 0x156, "ld", 9);
    Set(t, 0x15E, "ld", 9);
    Set(t, 0x155, "ldm", 10);
    Set(t, 0x15D, "ldm", 11);
    Set(t, 0x157, "ldm", 12);
    Set(t, 0x15F, "ldm", 12);

    // Memory with an offset, LCD transfers.
    SetRange(t, 0x180, 0x18F, "st", 15);
    SetRange(t, 0x190, 0x19F, "stm", 19);
    SetRange(t, 0x1A0, 0x1AF, "ld", 17);
    SetRange(t, 0x1B0, 0x1BF, "ldm", 23);
    const Names8 lcdNames{"ldle", "ldlo", "stle", "stlo", "ldlem", "ldlom", "stlem", "stlom"};
    for (int i = 0; i < 4; ++i) {
        Set(t, 0x1C4 + i, lcdNames[i], 9);
        Set(t, 0x1CC + i, lcdNames[i], 9);
        Set(t, 0x1D4 + i, lcdNames[4 + i], 12);
        Set(t, 0x1DC + i, lcdNames[4 + i], 12);
    }
    return t;
}

constexpr bool EveryOpcodeNamed(const Table& t) {
    for (const auto& entry : t) {
        if (entry.Mnemonic == nullptr || entry.Form >= OperandFormCount) return false;
    }
    return true;
}

constexpr std::array<uint8_t, OperandFormCount> FormBytes{
    0, 1, 2, 1, 2, 1, 1, 2, 2, 2,  // 0-9
    2, 2, 2, 1, 1, 2, 1, 2, 2, 2,  // 10-19
    2, 2, 2, 2, 1, 1, 1, 1, 1, 2,  // 20-29
    1,                             // 30
};

}  // namespace

constexpr Table BuiltTable = BuildTable();
static_assert(EveryOpcodeNamed(BuiltTable), "every opcode has a mnemonic and a form");

const std::array<OpcodeEntry, OpcodeCount> OpcodeTable = BuiltTable;

std::string_view MnemonicOf(unsigned opcode) { return OpcodeTable[opcode % OpcodeCount].Mnemonic; }

int FormOperandBytes(int form) { return form >= 0 && form < OperandFormCount ? FormBytes[form] : 0; }

}  // namespace varnox
