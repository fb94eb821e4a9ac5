// The assembler's table: each mnemonic with the base code its syntax class
// starts from. It keeps the grammar's own order; AsmTable.cpp checks every
// entry against the description of the instruction set.
#pragma once

#include <array>
#include <cstdint>

namespace varnox {

struct AsmEntry {
    const char* Mnemonic;  // lower case
    uint16_t BaseCode;     // 9-bit opcode the class rule starts from
    uint8_t Class;         // syntax class 0..22
};

constexpr int AsmTableSize = 95;
constexpr int AsmClassCount = 23;
constexpr uint8_t DataClass = 22;  // db: data bytes, no opcode

inline constexpr std::array<AsmEntry, AsmTableSize> AsmTable{{
    // 0: no operands
    {"rtn", 0x058, 0}, {"cani", 0x068, 0}, {"rti", 0x078, 0},
    {"bup", 0x0E2, 0}, {"bdn", 0x0F2, 0}, {"nop", 0x0FA, 0},
    // 1: no operands, one filler byte
    {"off", 0x150, 1}, {"trp", 0x1FF, 1},
    // 2: one register
    {"cmp", 0x0E0, 2}, {"cmpb", 0x0E4, 2}, {"rou", 0x0E6, 2}, {"inv", 0x0F0, 2},
    {"rod", 0x0F6, 2}, {"byu", 0x1E3, 2}, {"biu", 0x1E4, 2}, {"diu", 0x1E5, 2},
    {"mtb", 0x1E6, 2}, {"byd", 0x1F3, 2}, {"did", 0x1F5, 2},
    // 3: one register of a fixed half
    {"sup", 0x134, 3}, {"sdn", 0x13C, 3},
    // 4, 5: status registers
    {"gst", 0x0D4, 4}, {"pst", 0x0C4, 5},
    // 6: two registers or register and byte
    {"adb", 0x000, 6}, {"sbb", 0x001, 6}, {"ad", 0x002, 6}, {"sb", 0x003, 6},
    {"an", 0x004, 6}, {"na", 0x005, 6}, {"or", 0x006, 6}, {"xr", 0x007, 6},
    {"tadb", 0x020, 6}, {"tsbb", 0x021, 6}, {"tad", 0x022, 6}, {"tsb", 0x023, 6},
    {"tan", 0x024, 6}, {"tna", 0x025, 6}, {"tor", 0x026, 6}, {"txr", 0x027, 6},
    {"bit", 0x153, 6},
    // 7: LCD transfers of one register
    {"ldle", 0x1C4, 7}, {"ldlo", 0x1C5, 7}, {"stle", 0x1C6, 7}, {"stlo", 0x1C7, 7},
    // 8: exchanges
    {"swp", 0x114, 8}, {"xcls", 0x116, 8}, {"xc", 0x11C, 8}, {"xchs", 0x11E, 8},
    // 9, 10: loads and stores
    {"ld", 0x000, 9}, {"st", 0x000, 10},
    // 11, 12: index registers
    {"adw", 0x048, 11}, {"sbw", 0x04C, 11}, {"ldw", 0x040, 12},
    // 13, 14: transfers
    {"ijmp", 0x050, 13}, {"jmp", 0x070, 14}, {"cal", 0x060, 14},
    // 15: range arithmetic
    {"adbm", 0x010, 15}, {"sbbm", 0x011, 15}, {"adm", 0x012, 15}, {"sbm", 0x013, 15},
    {"tadbm", 0x030, 15}, {"tsbbm", 0x031, 15}, {"tadm", 0x032, 15}, {"tsbm", 0x033, 15},
    {"anm", 0x014, 15}, {"nam", 0x015, 15}, {"orm", 0x016, 15}, {"xrm", 0x017, 15},
    {"tanm", 0x034, 15}, {"tnam", 0x035, 15}, {"torm", 0x036, 15}, {"txrm", 0x037, 15},
    // 16: LCD transfers of a range
    {"ldlem", 0x1D4, 16}, {"ldlom", 0x1D5, 16}, {"stlem", 0x1D6, 16}, {"stlom", 0x1D7, 16},
    // 17: range exchanges
    {"swpm", 0x115, 17}, {"xclsm", 0x117, 17}, {"xcm", 0x11D, 17}, {"xchsm", 0x11F, 17},
    // 18, 19: range loads and stores
    {"ldm", 0x000, 18}, {"stm", 0x000, 19},
    // 20, 21: one range
    {"cmpm", 0x0E1, 20}, {"byum", 0x0E3, 20}, {"dium", 0x0E5, 20}, {"roum", 0x0E7, 20},
    {"invm", 0x0F1, 20}, {"bnusm", 0x1F0, 20}, {"bium", 0x1F4, 20}, {"bydm", 0x0F3, 20},
    {"didm", 0x0F5, 20}, {"rodm", 0x0F7, 20},
    {"cmpbm", 0x0F4, 21}, {"mtbm", 0x1F6, 21},
    // 22: data bytes
    {"db", 0x000, 22},
}};

}  // namespace varnox
