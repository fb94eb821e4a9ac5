#include "debugger/Watchpoints.h"

#include <cstdio>

#include "asm/SourceExpr.h"
#include "debugger/HexText.h"

namespace varnox {

void WatchpointList::Add(const WatchRange& range, std::string where) {
    list_.push_back({range, true, std::move(where)});
    ++version_;
}

void WatchpointList::Move(size_t index, const WatchRange& range) {
    if (index < list_.size()) list_[index].Range = range;
    ++version_;
}

void WatchpointList::Remove(size_t index) {
    if (index < list_.size()) list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
    ++version_;
}

void WatchpointList::SetEnabled(size_t index, bool enabled) {
    if (index < list_.size()) list_[index].Enabled = enabled;
    ++version_;
}

void WatchpointList::Clear() {
    list_.clear();
    ++version_;
}

bool WatchpointList::AnyEnabled() const {
    for (const Watchpoint& watchpoint : list_) {
        if (watchpoint.Enabled) return true;
    }
    return false;
}

void WatchpointList::Fill(AccessWatch& watch) const {
    watch.Kinds.fill(0);
    watch.First = {};
    for (const Watchpoint& watchpoint : list_) {
        if (!watchpoint.Enabled) continue;
        for (uint32_t a = watchpoint.Range.First; a <= watchpoint.Range.Last; ++a) {
            watch.Kinds[WatchedAddress(static_cast<uint16_t>(a))] |= watchpoint.Range.Kinds;
        }
    }
}

std::string WatchText(const WatchRange& range, const SymbolTable* symbols) {
    std::string text = AddressWithName(range.First, symbols, SymbolSpace::Data);
    if (range.Last != range.First) text = Concat({text, " - ", AddressWithName(range.Last, symbols, SymbolSpace::Data)});
    const bool read = range.Kinds & AccessRead;
    const bool write = range.Kinds & AccessWrite;
    return text + (read && write ? " rw" : read ? " r" : " w");
}

std::string WatchHitText(const WatchHit& hit, uint8_t now, const SymbolTable* symbols) {
    char text[64];
    if (hit.Kind == AccessWrite) {
        std::snprintf(text, sizeof text, "write %04X %02X -> %02X at ", hit.Address, hit.Old, now);
    } else {
        std::snprintf(text, sizeof text, "read %04X = %02X at ", hit.Address, hit.Old);
    }
    std::string out = text;
    const std::string pc = HexText(hit.Pc, 4);
    out += pc;
    const std::string place = CodePlace(hit.Pc, symbols);
    if (place != pc) out = Concat({out, " (", place, ")"});
    const std::string* name = symbols ? symbols->NameAt(SymbolSpace::Data, WatchedAddress(hit.Address)) : nullptr;
    if (!name && symbols) name = symbols->NameAt(SymbolSpace::Data, hit.Address);
    if (name) out = Concat({out, ", ", *name});
    return out;
}

}  // namespace varnox
