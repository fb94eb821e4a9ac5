// Where the file assembler's bytes go: the three spaces its location counts
// in, the two ROM images with the part of them already taken, and the
// listing lines of what was placed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnox {

enum class Space { Code, Data, Ram };

struct Location {
    Space space = Space::Code;
    int64_t address = 0;  // a word address in code, a byte address in data and RAM
};

// Why an org, data or ram address is not one of its space's, or "".
std::string SpaceAddressProblem(Space space, int64_t address);

std::string Hex4(int64_t value);

class SourceImage {
public:
    SourceImage();

    // Takes units (words in code, bytes in data and RAM) from at: "" when
    // they were free and in range, else why not, and nothing is taken.
    std::string Claim(const Location& at, int64_t units);
    // Bytes from at, claimed before: three to a word in code.
    void Write(const Location& at, std::string_view bytes);

    std::vector<uint8_t> Rom0;  // unused words 0
    std::vector<uint8_t> Rom1;  // unused bytes 0xFF

private:
    std::vector<bool> codeUsed_;
    std::vector<bool> dataUsed_;
};

// "0012  40 12 AB  source" for a code word, "D8000 01 02 03  source" for
// data, three bytes a line; at and no bytes gives the address alone, no
// location the source alone.
void AppendListing(std::string& listing, const Location* at, std::string_view bytes, std::string_view source);

}  // namespace varnox
