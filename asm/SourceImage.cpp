#include "asm/SourceImage.h"

#include <cstdio>

#include "asm/SourceExpr.h"
#include "core/Def.h"

namespace varnox {
namespace {

constexpr uint8_t Rom0Fill = 0x00;
constexpr uint8_t Rom1Fill = 0xFF;

// Data addresses as the processor reads them: bit 14 clear is data ROM,
// bit 14 set is RAM.
bool IsDataRomAddress(int64_t a) { return a >= 0 && a <= 0xFFFF && (a & 0x4000) == 0; }
bool IsRamAddress(int64_t a) { return a >= 0 && a <= 0xFFFF && (a & 0x4000) != 0; }
size_t DataRomOffset(int64_t a) { return static_cast<size_t>((a & 0x3FFF) | ((a >> 1) & 0x4000)); }

std::string AddressText(Space space, int64_t address) {
    return Concat({space == Space::Data ? "D" : space == Space::Ram ? "R" : "", Hex4(address)});
}

void AppendLine(std::string& listing, std::string line, std::string_view source) {
    line.resize(16, ' ');
    line += source;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    listing += line;
    listing += '\n';
}

}  // namespace

std::string Hex4(int64_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

std::string SpaceAddressProblem(Space space, int64_t a) {
    if (space == Space::Code && (a < 0 || a >= InstrRomWords)) {
        return "address out of range: org takes a word address below &H1800";
    }
    if (space == Space::Data && !IsDataRomAddress(a)) {
        return "address out of range: data takes a data ROM address, &H0000-&H3FFF or &H8000-&HBFFF";
    }
    if (space == Space::Ram && !IsRamAddress(a)) {
        return "address out of range: ram takes a RAM address, &H4000-&H7FFF or &HC000-&HFFFF";
    }
    return {};
}

SourceImage::SourceImage()
    : Rom0(InstrRomBytes, Rom0Fill), Rom1(DataRomBytes, Rom1Fill), codeUsed_(InstrRomWords), dataUsed_(DataRomBytes) {}

std::string SourceImage::Claim(const Location& at, int64_t units) {
    for (int64_t a = at.address; a < at.address + units; ++a) {
        switch (at.space) {
            case Space::Code:
                if (a >= InstrRomWords) return "address out of range: code runs past word &H17FF";
                if (codeUsed_[static_cast<size_t>(a)]) return "overlaps code already placed at word &H" + Hex4(a);
                break;
            case Space::Data:
                if (!IsDataRomAddress(a)) return "address out of range: data runs past the data ROM at &H" + Hex4(a);
                if (dataUsed_[DataRomOffset(a)]) return "overlaps data already placed at &H" + Hex4(a);
                break;
            case Space::Ram:
                if (!IsRamAddress(a)) return "address out of range: RAM space runs out at &H" + Hex4(a);
                break;
        }
    }
    for (int64_t a = at.address; a < at.address + units; ++a) {
        if (at.space == Space::Code) codeUsed_[static_cast<size_t>(a)] = true;
        if (at.space == Space::Data) dataUsed_[DataRomOffset(a)] = true;
    }
    return {};
}

void SourceImage::Write(const Location& at, std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<uint8_t>(bytes[i]);
        if (at.space == Space::Code) Rom0[static_cast<size_t>(3 * at.address) + i] = byte;
        if (at.space == Space::Data) Rom1[DataRomOffset(at.address + static_cast<int64_t>(i))] = byte;
    }
}

void AppendListing(std::string& listing, const Location* at, std::string_view bytes, std::string_view source) {
    if (!at) return AppendLine(listing, {}, source);
    if (bytes.empty()) return AppendLine(listing, AddressText(at->space, at->address), source);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const auto offset = static_cast<int64_t>(at->space == Space::Code ? i / 3 : i);
        std::string line = AddressText(at->space, at->address + offset);
        line.resize(6, ' ');
        for (size_t k = i; k < bytes.size() && k < i + 3; ++k) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", static_cast<uint8_t>(bytes[k]));
            if (k > i) line += ' ';
            line += hex;
        }
        AppendLine(listing, std::move(line), i == 0 ? source : std::string_view());
    }
}

}  // namespace varnox
