#include "debugger/Profiler.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace varnox {
namespace {

constexpr size_t Addresses = 0x10000;

// Per instruction-ROM word: the index of the function it belongs to in
// `starts`, or -1 before the first.
struct FunctionMap {
    std::vector<const Symbol*> Starts;
    std::vector<int32_t> Of;
};

bool IsLocal(const std::string& name) { return name.find('.') != std::string::npos; }

FunctionMap MapFunctions(const SymbolTable* symbols) {
    FunctionMap map;
    map.Of.assign(Addresses, -1);
    if (!symbols) return map;
    for (const Symbol& symbol : symbols->All()) {
        if (symbol.Space == SymbolSpace::Code && symbol.Address < DataInstrStart && !IsLocal(symbol.Name)) {
            map.Starts.push_back(&symbol);
        }
    }
    // The first name given to an address is its function's.
    std::stable_sort(map.Starts.begin(), map.Starts.end(),
                     [](const Symbol* a, const Symbol* b) { return a->Address < b->Address; });
    map.Starts.erase(std::unique(map.Starts.begin(), map.Starts.end(),
                                 [](const Symbol* a, const Symbol* b) { return a->Address == b->Address; }),
                     map.Starts.end());
    for (size_t i = 0; i < map.Starts.size(); ++i) {
        const uint16_t end = i + 1 < map.Starts.size() ? map.Starts[i + 1]->Address : DataInstrStart;
        std::fill(map.Of.begin() + map.Starts[i]->Address, map.Of.begin() + end, static_cast<int32_t>(i));
    }
    return map;
}

void SortAndShare(std::vector<ProfileRow>& rows, uint64_t total) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const ProfileRow& row) { return row.Cycles == 0 && row.Calls == 0; }),
               rows.end());
    for (ProfileRow& row : rows) row.Share = total ? static_cast<double>(row.Cycles) / static_cast<double>(total) : 0;
    std::stable_sort(rows.begin(), rows.end(), [](const ProfileRow& a, const ProfileRow& b) { return a.Cycles > b.Cycles; });
}

}  // namespace

Profiler::Profiler() : cycles_(Addresses), entries_(Addresses) {}

Profiler::~Profiler() = default;

void Profiler::Start(const Machine& m, RunStops& stops) {
    if (Running(stops)) return;
    next_ = stops.Conditions;
    pc_ = m.Cpu.PC;
    sp_ = GetIndex(m.Cpu, RegSp);
    stops.Conditions = this;
}

void Profiler::Stop(RunStops& stops) {
    if (!Running(stops)) return;
    stops.Conditions = next_;
    next_ = nullptr;
}

void Profiler::Reset() {
    std::fill(cycles_.begin(), cycles_.end(), 0);
    std::fill(entries_.begin(), entries_.end(), 0);
}

bool Profiler::ShouldStop(Machine& m) {
    if (m.Cpu.StepCycles > 0) cycles_[pc_] += static_cast<uint64_t>(m.Cpu.StepCycles);
    // A call or an interrupt entry pushes the return address and lands
    // on its target.
    const uint16_t sp = GetIndex(m.Cpu, RegSp);
    if (sp == static_cast<uint16_t>(sp_ - 2)) ++entries_[m.Cpu.PC];
    pc_ = m.Cpu.PC;
    sp_ = sp;
    return next_ && next_->ShouldStop(m);
}

ProfileReport Profiler::Report(const SymbolTable* symbols, const SourceMap* lines) const {
    ProfileReport report;
    const FunctionMap functions = MapFunctions(symbols);
    std::vector<ProfileRow> byFunction(functions.Starts.size());
    for (size_t i = 0; i < functions.Starts.size(); ++i) {
        byFunction[i].Name = functions.Starts[i]->Name;
        byFunction[i].Address = functions.Starts[i]->Address;
    }
    ProfileRow outside{OutsideSymbols, 0, 0, 0, 0};
    std::map<std::pair<std::string, int>, ProfileRow> byLine;
    for (size_t address = 0; address < Addresses; ++address) {
        const uint64_t cycles = cycles_[address];
        const int32_t function = functions.Of[address];
        report.TotalCycles += cycles;
        if (function >= 0) {
            ProfileRow& row = byFunction[static_cast<size_t>(function)];
            row.Cycles += cycles;
            if (address == row.Address) row.Calls += entries_[address];
        } else {
            outside.Cycles += cycles;
        }
        const SourceLineRow* line = lines && cycles ? lines->LineAt(static_cast<uint16_t>(address)) : nullptr;
        if (!line) continue;
        ProfileRow& row = byLine[{line->File, line->Line}];
        if (row.Name.empty()) row = {line->File + ":" + std::to_string(line->Line), static_cast<uint16_t>(address), 0, 0, 0};
        row.Cycles += cycles;
    }
    if (outside.Cycles) byFunction.push_back(outside);
    SortAndShare(byFunction, report.TotalCycles);
    report.Functions = std::move(byFunction);
    for (auto& [key, row] : byLine) report.Lines.push_back(std::move(row));
    SortAndShare(report.Lines, report.TotalCycles);
    return report;
}

std::string ProfileText(const ProfileReport& report, size_t rows) {
    std::string text;
    char line[96];
    std::snprintf(line, sizeof line, "%llu cycles in all\n", static_cast<unsigned long long>(report.TotalCycles));
    text += line;
    const auto table = [&](const std::vector<ProfileRow>& all, const char* heading, bool calls) {
        if (all.empty()) return;
        text += heading;
        const size_t shown = rows == 0 ? all.size() : std::min(rows, all.size());
        for (size_t i = 0; i < shown; ++i) {
            const ProfileRow& row = all[i];
            std::snprintf(line, sizeof line, "%12llu %6.2f%% ", static_cast<unsigned long long>(row.Cycles), row.Share * 100);
            text += line;
            if (calls) {
                std::snprintf(line, sizeof line, "%8llu ", static_cast<unsigned long long>(row.Calls));
                text += line;
            }
            text += row.Name;
            text += '\n';
        }
        if (shown < all.size()) text += "  ... " + std::to_string(all.size() - shown) + " more\n";
    };
    table(report.Functions, "      cycles  share    calls function\n", true);
    table(report.Lines, "      cycles  share line\n", false);
    return text;
}

}  // namespace varnox
