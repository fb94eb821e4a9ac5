// The listing and the line assembler with a symbol table: a labelled word
// gets a "name:" row before it, an address operand that a name stands for
// shows the name, and a typed line may name an address where it would
// give one in hex. Without symbols everything reads as the plain listing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/Asem.h"
#include "asm/Listing.h"
#include "asm/Symbols.h"
#include "core/Def.h"

namespace varnox {

// The operands of the instruction, with a name for a 16-bit address that
// one stands for: calls and jumps name code, ldw names data, or code for
// the interrupt vectors v0..v2.
std::string NamedOperands(unsigned opcode, uint8_t b1, uint8_t b2, const SymbolTable& symbols);

// ListInstruction, with names in the operands when symbols are given.
ListingLine ListNamedInstruction(const Machine& m, uint16_t address, const SymbolTable* symbols);

// A row of a named listing: a label ("name:") or an instruction line.
struct ListingRow {
    const std::string* Label = nullptr;  // set on a label row
    ListingLine Line;                    // the instruction (on a label row, the one it names)
};

// The code names of an instruction address: ROM words are labelled as
// code, instructions in data memory as data.
std::vector<const std::string*> LabelsOfInstruction(const SymbolTable& symbols, uint16_t address);

// Up to maxRows rows from top, as ForEachListingLine walks: each labelled
// line comes after its labels. The row count includes the label rows.
std::vector<ListingRow> WalkNamedListing(const Machine& m, uint16_t top, int maxRows, const SymbolTable* symbols);

// "calc_enter:" for a label row, FormatListingLine for an instruction.
std::string FormatListingRow(const ListingRow& row);

// Assembles a typed line, taking names of the table where a hex value would
// stand (a line the assembler takes as it is never changes meaning). A
// rejection position is one in the line as typed.
AsmResult AssembleNamed(std::string_view line, const SymbolTable* symbols);

}  // namespace varnox
