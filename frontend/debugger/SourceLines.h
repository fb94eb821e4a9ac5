// Where each word of the firmware came from in its source, and back: what
// the Source tab and the steps by source line ask of the symbol file's
// line rows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnox {

struct SourcePlace {
    std::string File;  // relative to the main source's folder
    int Line = 0;      // 1-based
    bool operator==(const SourcePlace&) const = default;
};

class SourceLines {
public:
    virtual ~SourceLines() = default;
    virtual std::optional<SourcePlace> LineOf(uint16_t address) const = 0;
    // The words the line placed, lowest first.
    virtual std::vector<uint16_t> AddressesOf(const SourcePlace& place) const = 0;
    // The source files named, main one first.
    virtual std::vector<std::string> Files() const = 0;
};

}  // namespace varnox
