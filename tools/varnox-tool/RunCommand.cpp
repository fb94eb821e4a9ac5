// varnox-tool run: the machine headless, on the session the window runs
// on, with run ticks back to back.
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "DebugOptions.h"
#include "Messages.h"
#include "Screen.h"
#include "Trace.h"
#include "core/Def.h"
#include "debugger/Profiler.h"
#include "system/AtomicReplace.h"
#include "system/Files.h"
#include "system/OutputCheck.h"
#include "system/Recording.h"
#include "system/RunLoop.h"
#include "system/ScreenClip.h"
#include "system/Session.h"

namespace varnox::tool {
namespace {

constexpr long long DefaultTicks = 100;           // one emulated second
constexpr long long StopSearchTicks = 360000;     // one emulated hour

constexpr OptionSpec RunOptions[] = {
    {"--steps", "N", "stop after N steps (1 or more)"},
    {"--break", "ADDR", "stop when PC reaches the address (a code name of rom.sym, else hex; or a source line FILE:LINE)"},
    {"--watch", "ADDR[-ADDR][:r|w|rw]", "stop after a data access there (data names, else hex); repeatable"},
    {"--ticks", "N", "run at most N run ticks of 10 ms (default 100)"},
    {"--hold", "K@A-B", "hold key K (1..53) from run tick A up to B; repeatable"},
    {"--screen", "FILE", "write the display: PNG if FILE ends in .png, else PBM"},
    {"--gif", "FILE", "write the run's display as an animated GIF, a frame per change"},
    {"--scale", "N", "pixels per dot in the --screen and --gif pictures (1..32, default 1)"},
    {"--load-state", "FILE", "start from a save state (the window's or --save-state's)"},
    {"--save-state", "FILE", "write a save state of the machine after the run"},
    {"--record", "FILE", "write the run's inputs as a recording"},
    {"--replay", "FILE", "run a recording's inputs from its start (--ticks: its length)"},
    {"--no-save", "", "leave ram.bin and register.bin as they are"},
    {"--trace", "", "print each step on stderr before it runs"},
    {"--trace-regs", "", "with --trace: the registers and the cycles run so far on each line"},
    {"--profile", "", "after the run, the 30 functions and source lines that took most cycles"},
    {"--profile-all", "", "the same, every function and line"},
};

constexpr size_t ProfileRows = 30;

struct RunOptionValues {
    std::optional<long long> steps;
    DebugRunOptions debug;
    std::optional<long long> ticks;
    std::vector<KeyHold> holds;
    std::string screenFile;
    std::string gifFile;
    std::string loadState;
    std::string saveState;
    std::string record;
    std::string replay;
    long long scale = 1;
    size_t profileRows = 0;  // with --profile; 0: all
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
            values.debug.breakGiven = true;
        } else if (option.Name == "--watch") {
            values.debug.watchTexts.push_back(value);
        } else if (option.Name == "--trace-regs") {
            values.debug.traceRegs = true;
        } else if (option.Name == "--profile" || option.Name == "--profile-all") {
            values.debug.profile = true;
            values.profileRows = option.Name == "--profile" ? ProfileRows : 0;
        } else if (option.Name == "--ticks") {
            values.ticks = ParseNumber(value, 10, 0, MaxRunTicks);
            if (!values.ticks) return "bad tick count (0.." + std::to_string(MaxRunTicks) + "): " + value;
        } else if (option.Name == "--hold") {
            const auto hold = ParseHold(value);
            if (!hold) return "bad key hold (want K@A-B, K 1..53, A <= B): " + value;
            values.holds.push_back(*hold);
        } else if (option.Name == "--scale") {
            const auto scale = ParseNumber(value, 10, 1, MaxScreenScale);
            if (!scale) return "bad scale (1.." + std::to_string(MaxScreenScale) + "): " + value;
            values.scale = *scale;
        } else if (option.Name == "--load-state" || option.Name == "--save-state" || option.Name == "--record" ||
                   option.Name == "--replay" || option.Name == "--gif") {
            if (value.empty()) return std::string(option.Name) + " needs a file name";
            (option.Name == "--load-state"   ? values.loadState
             : option.Name == "--save-state" ? values.saveState
             : option.Name == "--record"     ? values.record
             : option.Name == "--gif"        ? values.gifFile
                                             : values.replay) = value;
        } else {
            values.screenFile = value;
            if (value.empty()) return "--screen needs a file name";
        }
    }
    if (line.Has("--scale") && values.screenFile.empty() && values.gifFile.empty()) {
        return "--scale goes with --screen or --gif";
    }
    if (values.debug.traceRegs && !values.trace) return "--trace-regs goes with --trace";
    if (std::string problem = CheckDebugOptions(values.debug); !problem.empty()) return problem;
    // A replay's inputs and start are the recording's own.
    if (!values.replay.empty()) {
        for (const char* other : {"--hold", "--load-state", "--record"}) {
            if (line.Has(other)) return std::string(other) + " does not go with --replay";
        }
    }
    return {};
}

// An output may replace no file that the run reads or keeps (the machine's
// files, the copies kept of its memory, the state it loads), nor another
// output: one file for two would keep only the last one written.
std::optional<std::string> OutputsProblem(const RunOptionValues& values) {
    const std::filesystem::path dir = ".";
    std::vector<RolePath> inputs;
    std::vector<RolePath> outputs;
    for (const char* name : KitFileNames) inputs.push_back({std::string("the machine's ") + name, dir / name});
    // Read by --break and --watch names, and written by asm: never an output.
    inputs.push_back({std::string("the machine's ") + SymbolFileName, dir / SymbolFileName});
    for (const char* name : MemoryFileNames) {
        // Saved at the end, they are outputs; with --no-save only read.
        (values.save ? outputs : inputs).push_back({std::string("the machine's ") + name, dir / name});
        for (const auto& copy : KeptCopies(dir / name)) {
            inputs.push_back({"a copy kept of " + std::string(name), copy});
        }
    }
    if (!values.loadState.empty()) inputs.push_back({"the state it loads", values.loadState});
    if (!values.replay.empty()) inputs.push_back({"the recording it replays", values.replay});
    if (!values.record.empty()) outputs.push_back({"the --record file", values.record});
    if (!values.screenFile.empty()) outputs.push_back({"the --screen file", values.screenFile});
    if (!values.gifFile.empty()) outputs.push_back({"the --gif file", values.gifFile});
    if (!values.saveState.empty()) outputs.push_back({"the --save-state file", values.saveState});
    return CheckOutputs(inputs, outputs);
}

// The signal that asked the run to end (SIGTERM, SIGINT, SIGHUP), or 0.
volatile std::sig_atomic_t stopSignal = 0;
// Set by such a signal or by a trace that cannot be written: the run stops
// after the step it is in, as --steps stops one, so that a recording of it
// replays to the same machine (RunStops::Request).
volatile std::sig_atomic_t stopAsked = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
    stopAsked = 1;
}

// A signal ends the run as a stop would, so that the memory and the
// recording up to there are still saved.
void CatchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

struct TraceWatch {
    uint64_t cyclesFrom = 0;  // the machine's clock when the run began
    bool trace = true;
    bool traceRegs = false;
    bool outputClosed = false;  // the trace could not be written: stop
    int traceError = 0;         // why
};

// The trace, before every step, with the cycles run so far.
void TraceBeforeStep(Machine& m, void* context) {
    auto* watch = static_cast<TraceWatch*>(context);
    const unsigned long long cycles = m.Clock.Cycles - watch->cyclesFrom;
    if (watch->trace && !(watch->traceRegs ? TraceStepWithRegisters(m, cycles) : TraceStep(m))) {
        // Whoever read the trace has gone (| head): end the run as if it
        // were over, so the memory is still saved.
        watch->traceError = errno;
        watch->trace = false;
        watch->outputClosed = true;
        stopAsked = 1;
    }
}

// Returns false after saying why the picture could not be written (empty
// bytes: it could not be encoded).
bool WritePicture(const std::string& file, const std::vector<uint8_t>& bytes) {
    const std::optional<std::string> reason =
        bytes.empty() ? std::optional<std::string>("the picture could not be encoded")
                      : ReplaceFile(file, bytes, OtherTargets::WriteInPlace);
    if (reason) Complain("Failed to write the file " + file + ": " + *reason);
    return !reason;
}

}  // namespace

const CommandSpec RunSpec{
    "run",
    "[--steps N] [--break ADDR] [--watch ADDR[-ADDR][:r|w|rw]]... [--ticks N] [--hold K@A-B]... "
    "[--screen FILE] [--gif FILE] [--scale N] [--load-state FILE] [--save-state FILE] [--record FILE | --replay FILE] "
    "[--no-save] [--trace [--trace-regs]] [--profile | --profile-all]",
    "run the machine in the working directory, headless",
    RunOptions,
    0,
    0,
    "Loads the files as the window does, runs until --ticks, --steps, --break or\n"
    "--watch ends it (with those alone, for up to an emulated hour), saves\n"
    "ram.bin and register.bin, and prints the processor's state on one line.\n"
    "An OscFreq of 0 or less in varnox.ini keeps the processor stopped: run\n"
    "ticks pass, the display refreshes, and no step is made.\n"
    "A save state loaded with --load-state must have been saved over the same\n"
    "firmware; one that cannot be loaded ends the command before anything runs.\n"
    "--record writes what reached the machine (the --hold keys, each held at\n"
    "least 5 run ticks) with the run tick of each; --replay runs a recording\n"
    "from its start over the same ROMs and ends where the recorded run ended.\n"
    "A recording over other ROMs, malformed or cut short is refused before\n"
    "anything runs, naming the file and the line.\n"
    "--gif writes the display through the run (or the replay) as an animated\n"
    "GIF of two colours that loops: a frame each time the picture changed,\n"
    "shown for as long as it stood in emulated time, so the clip plays at the\n"
    "calculator's own speed; its last frame is the --screen picture.\n"
    "No output may be a file the run reads or keeps, or another output (exit\n"
    "status 2). Exit status 1 without rom0.bin (nothing runs), when a file was\n"
    "short or unreadable, or when an output asked for could not be written.\n"
    "--profile prints, after the state line, the cycles of each function (code\n"
    "symbol of rom.sym) and source line, with their share and the calls made\n"
    "to each; the cycles outside any symbol are one row."};

int RunCommand(const Args& args) {
    const auto parsed = ParseCommandLine(RunSpec, args);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    RunOptionValues options;
    if (const std::string problem = ReadOptions(std::get<CommandLine>(parsed), options); !problem.empty()) {
        return UsageError(RunSpec, problem);
    }
    if (const auto clash = OutputsProblem(options)) return UsageError(RunSpec, *clash);
    // A closed output shows as a failed write, not as a sudden end that
    // would skip the save.
    std::signal(SIGPIPE, SIG_IGN);

    const std::filesystem::path dir = ".";
    Session session(dir);
    const LoadResult loaded = session.Load();
    Machine& m = session.GetMachine();
    for (const std::string& message : loaded.Messages) Complain(message);
    // A short file before it stops the loading: without rom0.bin there is
    // still nothing to run.
    const bool noRom0 = loaded.OutcomeOf(Rom0FileName) == FileOutcome::NotRead &&
                        !std::filesystem::exists(std::filesystem::symlink_status(dir / Rom0FileName));
    if (loaded.Lacks(Rom0FileName) || noRom0) {
        // Nothing to run: the command fails before anything is written.
        Complain(std::string("varnox-tool run: nothing to run without ") + Rom0FileName);
        Complain(WhereMachineFilesAre("varnox-tool run"));
        return 1;
    }
    session.Start();
    std::optional<long long> replayTicks;
    if (!options.loadState.empty()) {
        if (const auto failure = session.LoadState(std::filesystem::path(options.loadState))) {
            Complain(*failure);
            return 1;
        }
    }
    if (!options.replay.empty()) {
        // Read and checked whole before anything runs.
        if (const auto failure = session.Replay(options.replay)) {
            Complain(*failure);
            return 1;
        }
        replayTicks = session.Path().ReplayTicks();
    }
    if (!options.record.empty()) session.Path().StartRecording(options.loadState.empty());
    for (const KeyHold& hold : options.holds) session.Hold(hold.key, hold.from, hold.until);

    RunStops& stops = session.Control().Stops;
    stops.Request = &stopAsked;
    if (options.steps) stops.StepCount = static_cast<int32_t>(*options.steps);
    DebugSession debug;
    if (const std::string problem = ApplyDebugOptions(m, stops, options.debug, debug, dir); !problem.empty()) {
        return UsageError(RunSpec, problem);
    }
    const bool stopSought = options.steps || options.debug.breakGiven || !options.debug.watchTexts.empty();
    const long long maxTicks = options.ticks ? *options.ticks
                               : replayTicks ? *replayTicks
                               : stopSought  ? StopSearchTicks
                                             : DefaultTicks;

    TraceWatch traceWatch;
    traceWatch.cyclesFrom = m.Clock.Cycles;
    traceWatch.traceRegs = options.debug.traceRegs;
    std::unique_ptr<ScreenClip> clip;
    AfterTickWatch watch;
    if (!options.gifFile.empty()) {
        clip = std::make_unique<ScreenClip>(static_cast<int>(options.scale));
        watch = [&clip](const Machine& ran) { clip->AfterRunTick(ran); };
    }
    Profiler profiler;
    if (options.debug.profile) profiler.Start(m, stops);
    CatchStopSignals();
    const long long ticks =
        session.RunTicks(maxTicks, options.trace ? TraceBeforeStep : nullptr, &traceWatch, watch).ticks;
    profiler.Stop(stops);

    if (const std::string stop = debug.StopText(); !stop.empty()) Complain(stop);
    debug.Disarm(m);

    bool failed = !loaded.Completed;  // a file was short or unreadable
    if (traceWatch.outputClosed && traceWatch.traceError != EPIPE) {
        // Only a reader that went away ends a trace well; stderr is what
        // failed, so this goes to stdout.
        std::printf("varnox-tool run: the trace could not be written: %s; the run stopped at tick %lld\n",
                    std::strerror(traceWatch.traceError), ticks);
        failed = true;
    }
    if (stopSignal != 0) {
        Complain("varnox-tool run: ended by signal " + std::to_string(stopSignal) + " at run tick " + std::to_string(ticks) +
                 "; saving what was reached");
        failed = true;
    }
    if (!options.record.empty()) {
        if (const auto failure = SaveRecordingFile(session.Path().StopRecording(), options.record)) {
            Complain(*failure);
            failed = true;
        }
    }
    // Pictures are composed aside: writing them leaves the machine as it was.
    if (!options.screenFile.empty() &&
        !WritePicture(options.screenFile, EncodeScreen(session.Picture(), static_cast<int>(options.scale),
                                                       IsPngName(options.screenFile)))) {
        failed = true;
    }
    if (clip && !WritePicture(options.gifFile, clip->Finish(m.Lcd))) failed = true;
    if (!options.saveState.empty()) {
        if (const auto failure = session.SaveStateFile(options.saveState)) {
            Complain(*failure);
            failed = true;
        }
    }
    if (options.save) {
        const SaveResult saved = session.SaveMemory();
        for (const std::string& message : saved.Messages) Complain(message);
        failed = failed || saved.Failed;
    }

    std::printf("%s\n", session.StateLine().c_str());
    if (options.debug.profile) {
        std::fputs(ProfileText(profiler.Report(debug.Names(), &debug.Lines), options.profileRows).c_str(), stdout);
    }
    return failed ? 1 : 0;
}

}  // namespace varnox::tool
