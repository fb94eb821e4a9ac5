// Watchpoints: data addresses or ranges whose reads, writes or both stop
// the processor after the step that made the access.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asm/Symbols.h"
#include "core/DebugHooks.h"
#include "debugger/AddressText.h"

namespace varnox {

struct Watchpoint {
    WatchRange Range;
    bool Enabled = true;
    std::string Where;  // the text it was set by when it names symbols, found again after a reload
};

class WatchpointList {
public:
    // `where`: the text it was parsed from when that names symbols.
    void Add(const WatchRange& range, std::string where = {});
    // Its range as its names give it in a new build.
    void Move(size_t index, const WatchRange& range);
    void Remove(size_t index);
    void SetEnabled(size_t index, bool enabled);
    void Clear();

    const std::vector<Watchpoint>& All() const { return list_; }
    size_t Size() const { return list_.size(); }
    bool AnyEnabled() const;

    // The watch's address kinds from the enabled watchpoints; RAM ranges
    // cover each byte wherever the data space shows it.
    void Fill(AccessWatch& watch) const;
    // Counts the changes, so a watch is filled again only after one.
    uint64_t Version() const { return version_; }

private:
    std::vector<Watchpoint> list_;
    uint64_t version_ = 0;
};

// "C010-C01F rw", with names where the table has them.
std::string WatchText(const WatchRange& range, const SymbolTable* symbols);

// What a stop on a watch shows: "write C010 00 -> 5A at 0123 (name+3)".
std::string WatchHitText(const WatchHit& hit, uint8_t now, const SymbolTable* symbols);

}  // namespace varnox
