#include "asm/NamedListing.h"

#include <cstdio>

#include "asm/Dis.h"
#include "asm/OpcodeTable.h"
#include "asm/SourceExpr.h"
#include "asm/SourceLine.h"
#include "core/InstructionRead.h"

namespace varnox {
namespace {

constexpr size_t AddressTextLength = 6;  // "&H1234", last in the operands

bool IsVectorRegister(unsigned opcode) {
    const unsigned n = opcode & 7;
    return n == RegV0 || n == RegV1 || n == RegV2;
}

}  // namespace

std::string NamedOperands(unsigned opcode, uint8_t b1, uint8_t b2, const SymbolTable& symbols) {
    std::string operands = Disassemble(opcode, b1, b2);
    const OperandForm form = OpcodeTable[opcode % OpcodeCount].Form;
    if ((form != OperandForm::ConditionImm16 && form != OperandForm::IndexImm16) || operands.size() < AddressTextLength) {
        return operands;
    }
    const auto value = static_cast<uint16_t>((b1 << 8) | b2);
    const std::string* name = nullptr;
    if (form == OperandForm::ConditionImm16) {
        // A jump goes to a PC: a ROM word, or code in data memory.
        name = symbols.NameAt(value < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data, value);
    } else if (IsVectorRegister(opcode)) {
        name = symbols.NameAt(SymbolSpace::Code, value);
        if (!name) name = symbols.NameAt(SymbolSpace::Data, value);
    } else {
        name = symbols.NameAt(SymbolSpace::Data, value);
        if (!name) name = symbols.NameAt(SymbolSpace::Code, value);
    }
    if (name) operands.replace(operands.size() - AddressTextLength, AddressTextLength, *name);
    return operands;
}

ListingLine ListNamedInstruction(const Machine& m, uint16_t address, const SymbolTable* symbols) {
    ListingLine line = ListInstruction(m, address);
    if (symbols && !symbols->Empty()) {
        const InstructionAt instruction = ReadInstructionAt(m, address);
        line.Operands = NamedOperands(instruction.Opcode, instruction.Word[1], instruction.Word[2], *symbols);
    }
    return line;
}

std::vector<const std::string*> LabelsOfInstruction(const SymbolTable& symbols, uint16_t address) {
    return symbols.NamesAt(address < DataInstrStart ? SymbolSpace::Code : SymbolSpace::Data, address);
}

std::vector<ListingRow> WalkNamedListing(const Machine& m, uint16_t top, int maxRows, const SymbolTable* symbols) {
    std::vector<ListingRow> rows;
    if (maxRows <= 0) return rows;
    uint16_t address = top;
    while (static_cast<int>(rows.size()) < maxRows) {
        const ListingLine line = ListNamedInstruction(m, address, symbols);
        if (symbols) {
            for (const std::string* label : LabelsOfInstruction(*symbols, address)) {
                if (static_cast<int>(rows.size()) >= maxRows) return rows;
                rows.push_back({label, line});
            }
            if (static_cast<int>(rows.size()) >= maxRows) return rows;
        }
        rows.push_back({nullptr, line});
        if (ListingWrapped(line, top)) break;
        address = line.Next;
    }
    return rows;
}

std::string FormatListingRow(const ListingRow& row) {
    return row.Label ? *row.Label + ":" : FormatListingLine(row.Line);
}

AsmResult AssembleNamed(std::string_view line, const SymbolTable* symbols) {
    const AsmResult asTyped = Assemble(line);
    if (asTyped.AsmErrorPos == 0 || !symbols || symbols->Empty()) return asTyped;
    // Names after the mnemonic become &H values; origin maps each character
    // of the new text to the one typed.
    std::string text;
    std::vector<size_t> origin;
    struct Replaced {
        size_t start, end, typedAt;  // in the new text; where the name was typed
    };
    std::vector<Replaced> replaced;
    size_t pos = 0;
    const size_t mnemonicEnd = WordEnd(line, SkipBlanks(line, 0));
    auto keep = [&](size_t end) {
        for (; pos < end && pos < line.size(); ++pos) {
            text += line[pos];
            origin.push_back(pos);
        }
    };
    keep(mnemonicEnd);
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == ';') break;
        if (c == '&') {  // &H12 and the like are numbers, not names
            keep(WordEnd(line, pos + 1));
            continue;
        }
        if (c == '"' || c == '\'') {  // nor is quoted text
            const size_t close = line.find(c, pos + 1);
            keep(close == std::string_view::npos ? line.size() : close + 1);
            continue;
        }
        const size_t end = IsNameStart(c) ? ScanName(line, pos) : pos;
        if (end == pos) {
            keep(pos + 1);
            continue;
        }
        // Registers and conditions win over symbols spelled like them.
        const Symbol* symbol = IsOperandWord(line.substr(pos, end - pos)) ? nullptr : symbols->Find(line.substr(pos, end - pos));
        if (!symbol) {
            keep(end);
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "&H%04X", symbol->Address);
        replaced.push_back({text.size(), text.size() + 6, pos});
        for (const char* h = hex; *h; ++h) {
            text += *h;
            origin.push_back(pos);
        }
        pos = end;
    }
    keep(line.size());
    if (replaced.empty()) return asTyped;
    AsmResult named = Assemble(text);
    if (named.AsmErrorPos > 0) {
        // A rejection inside a value or just after it is one of the name.
        const auto at = static_cast<size_t>(named.AsmErrorPos - 1);
        size_t typed = at < origin.size() ? origin[at] : line.size();
        for (const Replaced& r : replaced) {
            if (at >= r.start && at <= r.end) typed = r.typedAt;
        }
        named.AsmErrorPos = static_cast<int>(typed) + 1;
    }
    return named;
}

}  // namespace varnox
