// varnox-tool run: the machine headless, as the window runs it, with run
// ticks back to back and a refresh tick after every third run tick.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "DebugOptions.h"
#include "Screen.h"
#include "Trace.h"
#include "core/Cpu.h"
#include "core/Def.h"
#include "peripherals/Keyboard.h"
#include "peripherals/Lcd.h"
#include "system/AtomicReplace.h"
#include "system/Files.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox::tool {
namespace {

constexpr long long DefaultTicks = 100;           // one emulated second
constexpr long long StopSearchTicks = 360000;     // one emulated hour
constexpr int RunTicksPerRefresh = 3;             // 30 ms against 10 ms

constexpr OptionSpec RunOptions[] = {
    {"--steps", "N", "stop after N steps (1 or more)"},
    {"--break", "ADDR", "stop when PC reaches the address (hex, or a name of rom.sym)"},
    {"--watch", "ADDR[-ADDR][:r|w|rw]", "stop after a data access there (hex or names); repeatable"},
    {"--ticks", "N", "run at most N run ticks of 10 ms (default 100)"},
    {"--hold", "K@A-B", "hold key K (1..53) from run tick A up to B; repeatable"},
    {"--screen", "FILE", "write the display: PNG if FILE ends in .png, else PBM"},
    {"--scale", "N", "pixels per dot in the --screen picture (1..32, default 1)"},
    {"--load-state", "FILE", "start from a save state (the window's or --save-state's)"},
    {"--save-state", "FILE", "write a save state of the machine after the run"},
    {"--no-save", "", "leave ram.bin and register.bin as they are"},
    {"--trace", "", "print each step on stderr before it runs"},
    {"--trace-regs", "", "with --trace: the registers and the cycles run so far on each line"},
};

struct KeyHold {
    int key = 0;
    long long from = 0;
    long long until = 0;
};

struct RunOptionValues {
    std::optional<long long> steps;
    DebugRunOptions debug;
    std::optional<long long> ticks;
    std::vector<KeyHold> holds;
    std::string screenFile;
    std::string loadState;
    std::string saveState;
    long long scale = 1;
    bool save = true;
    bool trace = false;
};

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

// Returns an error text, or empty when the options are good.
std::string ReadOptions(const CommandLine& line, RunOptionValues& values) {
    for (const ParsedOption& option : line.Options) {
        const std::string& value = option.Value;
        if (option.Name == "--no-save") {
            values.save = false;
        } else if (option.Name == "--trace") {
            values.trace = true;
        } else if (option.Name == "--steps") {
            values.steps = ParseNumber(value, 10, 1, INT32_MAX);
            if (!values.steps) return "bad step count (1 or more): " + value;
        } else if (option.Name == "--break") {
            values.debug.breakText = value;
        } else if (option.Name == "--watch") {
            values.debug.watchTexts.push_back(value);
        } else if (option.Name == "--trace-regs") {
            values.debug.traceRegs = true;
        } else if (option.Name == "--ticks") {
            values.ticks = ParseNumber(value, 10, 0, INT64_MAX);
            if (!values.ticks) return "bad tick count: " + value;
        } else if (option.Name == "--hold") {
            const auto hold = ParseHold(value);
            if (!hold) return "bad key hold (want K@A-B, K 1..53, A <= B): " + value;
            values.holds.push_back(*hold);
        } else if (option.Name == "--scale") {
            const auto scale = ParseNumber(value, 10, 1, MaxScreenScale);
            if (!scale) return "bad scale (1.." + std::to_string(MaxScreenScale) + "): " + value;
            values.scale = *scale;
        } else if (option.Name == "--load-state" || option.Name == "--save-state") {
            if (value.empty()) return std::string(option.Name) + " needs a file name";
            (option.Name == "--load-state" ? values.loadState : values.saveState) = value;
        } else {
            values.screenFile = value;
            if (value.empty()) return "--screen needs a file name";
        }
    }
    if (line.Has("--scale") && values.screenFile.empty()) return "--scale goes with --screen";
    if (values.debug.traceRegs && !values.trace) return "--trace-regs goes with --trace";
    if (std::string problem = CheckDebugOptions(values.debug); !problem.empty()) return problem;
    // One file for two outputs would keep only the last one written.
    std::vector<std::string> outputs;
    if (!values.screenFile.empty()) outputs.push_back(values.screenFile);
    if (!values.saveState.empty()) outputs.push_back(values.saveState);
    if (values.save) outputs.insert(outputs.end(), {RamFileName, RegisterFileName});
    for (size_t i = 0; i < outputs.size(); ++i) {
        for (size_t j = i + 1; j < outputs.size(); ++j) {
            if (SameFile(outputs[i], outputs[j])) return "two outputs name one file: " + outputs[i] + " and " + outputs[j];
        }
    }
    return {};
}

struct StepCounter {
    long long steps = 0;
    unsigned long long cycles = 0;
    bool trace = false;
    bool traceRegs = false;
    bool outputClosed = false;  // the trace could not be written: stop
};

void BeforeStep(Machine& m, void* context) {
    auto* counter = static_cast<StepCounter*>(context);
    if (counter->steps > 0 && m.Cpu.StepCycles > 0) counter->cycles += static_cast<unsigned long long>(m.Cpu.StepCycles);
    if (counter->trace && !(counter->traceRegs ? TraceStepWithRegisters(m, counter->cycles) : TraceStep(m))) {
        // Whoever read the trace has gone (| head): end the run as if it
        // were over, so the memory is still saved.
        counter->trace = false;
        counter->outputClosed = true;
        m.Run.DebugActive = 1;
    }
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

// Returns false after saying why the picture could not be written.
bool WriteScreen(Machine& m, const std::string& file, int scale) {
    LcdRefresh(m.Lcd);
    const std::vector<uint8_t> picture = EncodeScreen(m.Lcd, scale, IsPngName(file));
    const std::optional<std::string> reason =
        picture.empty() ? std::optional<std::string>("the picture could not be encoded")
                        : ReplaceFile(file, picture, OtherTargets::WriteInPlace);
    if (reason) std::fprintf(stderr, "Failed to write the file %s: %s\n", file.c_str(), reason->c_str());
    return !reason;
}

}  // namespace

const CommandSpec RunSpec{
    "run",
    "[--steps N] [--break ADDR] [--watch ADDR[-ADDR][:r|w|rw]]... [--ticks N] [--hold K@A-B]... "
    "[--screen FILE [--scale N]] [--load-state FILE] [--save-state FILE] [--no-save] [--trace [--trace-regs]]",
    "run the machine in the working directory, headless",
    RunOptions,
    0,
    0,
    "Loads the files as the window does, runs until --ticks, --steps, --break or\n"
    "--watch ends it (with those alone, for up to an emulated hour), saves\n"
    "ram.bin and register.bin, and prints the processor's state on one line.\n"
    "A save state loaded with --load-state must have been saved over the same\n"
    "firmware; one that cannot be loaded ends the command before anything runs.\n"
    "Exit status 1 when an output asked for could not be written."};

int RunCommand(const Args& args) {
    const auto parsed = ParseCommandLine(RunSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    RunOptionValues options;
    if (const std::string problem = ReadOptions(std::get<CommandLine>(parsed), options); !problem.empty()) {
        return UsageError(RunSpec, problem);
    }
    // A closed output shows as a failed write, not as a sudden end that
    // would skip the save.
    std::signal(SIGPIPE, SIG_IGN);

    const std::filesystem::path dir = ".";
    auto machine = std::make_unique<Machine>();
    Machine& m = *machine;
    LoadResult loaded = LoadMachine(m, dir);
    for (const std::string& message : loaded.Messages) std::fprintf(stderr, "%s\n", message.c_str());
    StartMachine(m);
    if (!options.loadState.empty()) {
        if (const auto failure = LoadStateFile(m, options.loadState)) {
            std::fprintf(stderr, "%s\n", failure->c_str());
            return 1;
        }
    }

    if (options.steps) m.Run.StepCount = static_cast<int32_t>(*options.steps);
    DebugSession session;
    if (const std::string problem = ApplyDebugOptions(m, options.debug, session, dir); !problem.empty()) {
        return UsageError(RunSpec, problem);
    }
    const bool stopSought = options.steps || !options.debug.breakText.empty() || !options.debug.watchTexts.empty();
    const long long maxTicks = options.ticks ? *options.ticks : stopSought ? StopSearchTicks : DefaultTicks;

    StepCounter counter;
    counter.trace = options.trace;
    counter.traceRegs = options.debug.traceRegs;
    long long ticks = 0;
    while (ticks < maxTicks) {
        ApplyHolds(m, options.holds, ticks);
        const bool stopped = OnRunTimerTraced(m, BeforeStep, &counter);
        ++ticks;
        if (stopped || counter.outputClosed) break;
        if (ticks % RunTicksPerRefresh == 0) RefreshTick(m);
    }

    if (const std::string stop = session.StopText(); !stop.empty()) std::fprintf(stderr, "%s\n", stop.c_str());
    session.Disarm(m);

    bool failed = false;
    if (!options.screenFile.empty()) failed = !WriteScreen(m, options.screenFile, static_cast<int>(options.scale));
    if (!options.saveState.empty()) {
        if (const auto failure = SaveStateFile(m, options.saveState)) {
            std::fprintf(stderr, "%s\n", failure->c_str());
            failed = true;
        }
    }
    if (options.save) {
        const SaveResult saved = SaveFiles(m, dir, loaded.Guard);
        for (const std::string& message : saved.Messages) std::fprintf(stderr, "%s\n", message.c_str());
        failed = failed || saved.Failed;
    }

    const CpuState& cpu = m.Cpu;
    std::printf("PC=%04X F=%02X AS=%02X KO=%02X KI=%02X IE=%02X IF=%02X HALTED=%d STEPS=%lld TICKS=%lld\n", cpu.PC,
                cpu.F, cpu.AS, cpu.KO, cpu.KI, cpu.IE, cpu.IF, cpu.Halted ? 1 : 0, counter.steps, ticks);
    return failed ? 1 : 0;
}

}  // namespace varnox::tool
