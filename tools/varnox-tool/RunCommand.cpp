// varnox-tool run: the machine headless, as the window runs it, with run
// ticks back to back and a refresh tick after every third run tick.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "Trace.h"
#include "core/Def.h"
#include "frontend/Files.h"
#include "frontend/RunLoop.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"

namespace varnox::tool {
namespace {

constexpr long long DefaultTicks = 100;           // one emulated second
constexpr long long StopSearchTicks = 360000;     // one emulated hour
constexpr int RunTicksPerRefresh = 3;             // 30 ms against 10 ms

struct KeyHold {
    int key = 0;
    long long from = 0;
    long long until = 0;
};

struct RunOptions {
    std::optional<long long> steps;
    std::optional<long long> breakAddress;
    std::optional<long long> ticks;
    std::vector<KeyHold> holds;
    std::string screenFile;
    bool save = true;
    bool trace = false;
};

int Usage(const std::string& problem) {
    std::fprintf(stderr,
                 "varnox-tool run: %s\n"
                 "usage: varnox-tool run [--steps N] [--break HEX] [--ticks N] [--hold K@A-B]...\n"
                 "                       [--screen FILE] [--no-save] [--trace]\n",
                 problem.c_str());
    return 2;
}

std::optional<KeyHold> ParseHold(const std::string& text) {
    const auto at = text.find('@');
    const auto dash = text.find('-', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || dash == std::string::npos) return std::nullopt;
    const auto key = ParseNumber(text.substr(0, at), 10, 1, 53);
    const auto from = ParseNumber(text.substr(at + 1, dash - at - 1), 10, 0, INT64_MAX);
    const auto until = ParseNumber(text.substr(dash + 1), 10, 0, INT64_MAX);
    if (!key || !from || !until || *until < *from) return std::nullopt;
    return KeyHold{static_cast<int>(*key), *from, *until};
}

// Returns an error text, or empty when the arguments are good.
std::string ParseOptions(const Args& args, RunOptions& options) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--no-save") {
            options.save = false;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--steps" || arg == "--break" || arg == "--ticks" || arg == "--hold" || arg == "--screen") {
            if (!hasValue) return arg + " needs a value";
            const std::string& value = args[++i];
            if (arg == "--steps") {
                options.steps = ParseNumber(value, 10, INT32_MIN, INT32_MAX);
                if (!options.steps) return "bad step count: " + value;
            } else if (arg == "--break") {
                options.breakAddress = ParseNumber(value, 16, 0, 0xFFFF);
                if (!options.breakAddress) return "bad breakpoint address: " + value;
            } else if (arg == "--ticks") {
                options.ticks = ParseNumber(value, 10, 0, INT64_MAX);
                if (!options.ticks) return "bad tick count: " + value;
            } else if (arg == "--hold") {
                const auto hold = ParseHold(value);
                if (!hold) return "bad key hold (want K@A-B, K 1..53, A <= B): " + value;
                options.holds.push_back(*hold);
            } else {
                options.screenFile = value;
            }
        } else {
            return "unknown argument: " + arg;
        }
    }
    return {};
}

bool WriteScreen(const Machine& m, const std::string& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << "P1\n" << DisplayColumns << ' ' << DisplayRows << '\n';
    for (int row = 0; row < DisplayRows; ++row) {
        for (int column = 0; column < DisplayColumns; ++column) {
            out << (column ? " " : "") << (LcdDotOn(m.Lcd, column, row) ? '1' : '0');
        }
        out << '\n';
    }
    return static_cast<bool>(out.flush());
}

struct StepCounter {
    long long steps = 0;
    bool trace = false;
};

void BeforeStep(Machine& m, void* context) {
    auto* counter = static_cast<StepCounter*>(context);
    if (counter->trace) TraceStep(m);
    ++counter->steps;
}

void ApplyHolds(Machine& m, const std::vector<KeyHold>& holds, long long tick) {
    // Releases before presses, so a hold that starts where another ends wins.
    for (const KeyHold& hold : holds) {
        if (hold.until == tick && hold.from < hold.until) {
            m.HeldKeys[HeldPcKeySlot] = 0;
            KeyScan(m);
        }
    }
    for (const KeyHold& hold : holds) {
        if (hold.from == tick && hold.from < hold.until) {
            m.HeldKeys[HeldPcKeySlot] = hold.key;
            KeyScan(m);
        }
    }
}

}  // namespace

int RunCommand(const Args& args) {
    RunOptions options;
    if (const std::string problem = ParseOptions(args, options); !problem.empty()) return Usage(problem);

    const std::filesystem::path dir = ".";
    auto machine = std::make_unique<Machine>();
    Machine& m = *machine;
    const LoadResult loaded = LoadMachine(m, dir);
    for (const std::string& message : loaded.Messages) std::fprintf(stderr, "%s\n", message.c_str());
    StartMachine(m);

    if (options.steps) m.Run.StepCount = static_cast<int32_t>(*options.steps);
    if (options.breakAddress) m.Run.BreakAddress = static_cast<int32_t>(*options.breakAddress);
    const long long maxTicks =
        options.ticks ? *options.ticks : (options.steps || options.breakAddress) ? StopSearchTicks : DefaultTicks;

    StepCounter counter;
    counter.trace = options.trace;
    long long ticks = 0;
    while (ticks < maxTicks) {
        ApplyHolds(m, options.holds, ticks);
        const bool stopped = OnRunTimerTraced(m, BeforeStep, &counter);
        ++ticks;
        if (stopped) break;
        if (ticks % RunTicksPerRefresh == 0) RefreshTick(m);
    }

    if (!options.screenFile.empty()) {
        LcdRefresh(m.Lcd);
        if (!WriteScreen(m, options.screenFile)) {
            std::fprintf(stderr, "Failed to write the file %s\n", options.screenFile.c_str());
        }
    }
    if (options.save) {
        for (const std::string& message : SaveFiles(m, dir)) std::fprintf(stderr, "%s\n", message.c_str());
    }

    const CpuState& cpu = m.Cpu;
    std::printf("PC=%04X F=%02X AS=%02X KO=%02X KI=%02X IE=%02X IF=%02X HALTED=%d STEPS=%lld TICKS=%lld\n", cpu.PC,
                cpu.F, cpu.AS, cpu.KO, cpu.KI, cpu.IE, cpu.IF, cpu.Halted ? 1 : 0, counter.steps, ticks);
    return 0;
}

}  // namespace varnox::tool
