// A calculator as a script drives it: the session every front end runs on,
// with the stops a script asks for (a number of steps, an address reached)
// and its hooks on addresses run, bytes written and run ticks. No Python
// here: the module (Module.cpp) binds it. What a hook throws is kept and
// thrown again once the run is over, never through the run loop.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Def.h"
#include "system/DefaultKit.h"
#include "system/Session.h"

namespace varnox::script {

// A file of a machine in memory: "rom0.bin" and its bytes.
struct MachineFile {
    std::string Name;
    std::vector<uint8_t> Bytes;
};

// Why a run ended, with the time it ran and where the processor is.
struct RunEnd {
    std::string Reason;  // "ticks", "steps", "until", "hook", "off"
    long long Ticks = 0;
    long long Steps = 0;
    uint16_t Pc = 0;
};

// A hook's answer: go on, or stop the run after this step (tick).
enum class HookAnswer { Continue, Stop };

using ExecHook = std::function<HookAnswer(uint16_t pc)>;
using WriteHook = std::function<HookAnswer(uint16_t address, uint8_t old, uint8_t now, uint16_t pc, long long tick)>;
using TickHook = std::function<HookAnswer(long long tick)>;

class ScriptMachine final : private StopCheck {
public:
    // The machine of the files in `dir` (read now; nothing is written until
    // SaveMemory), or of files held in memory, which has no folder.
    explicit ScriptMachine(std::filesystem::path dir);
    explicit ScriptMachine(std::vector<MachineFile> files);
    ScriptMachine(const ScriptMachine&) = delete;
    ScriptMachine& operator=(const ScriptMachine&) = delete;
    ~ScriptMachine();

    // What loading said about each file that was wrong.
    const std::vector<std::string>& LoadMessages() const { return loadMessages_; }
    // Whether there was an instruction ROM to run.
    bool HasProgram() const { return hasProgram_; }
    const std::optional<std::filesystem::path>& Folder() const { return session_.Folder(); }

    Session& GetSession() { return session_; }
    const Machine& GetMachine() const { return session_.GetMachine(); }

    // ---- Running ----
    // Up to `ticks` run ticks, ending early after `steps` steps, when PC
    // reaches `until`, or when a hook asks; nothing runs while switched off.
    // A hook that throws ends the run after its step, and the exception is
    // thrown again from here.
    RunEnd Run(long long ticks, std::optional<long long> steps, std::optional<uint16_t> until);
    // Whether a run now calls anything outside the machine (a hook).
    bool Hooked() const { return !execHooks_.empty() || !writeHooks_.empty() || !tickHooks_.empty(); }

    // Time since the start: run ticks, steps and processor cycles.
    long long Ticks() const;
    long long Steps() const;
    long long Cycles() const;

    // ---- Hooks, by the handle each Add returns ----
    int AddExecHook(uint16_t address, ExecHook hook);
    int AddWriteHook(uint16_t first, uint16_t last, WriteHook hook);
    int AddTickHook(TickHook hook);
    // False when the handle holds no hook (removed already).
    bool RemoveHook(int handle);

    // ---- Memory of the data address space ----
    uint8_t Read(uint16_t address) const { return MemReadUngated(GetMachine(), address); }
    // A byte stored where the processor's store would put it; false for a
    // ROM address, which keeps its byte.
    bool Write(uint16_t address, uint8_t value);

    // ---- Files ----
    // The files a machine is made again from elsewhere: the images as
    // loaded, the character set, the settings and rom.sym when there is one.
    std::vector<MachineFile> Files() const;
    // rom.sym's text; empty when the machine has none.
    std::string SymbolText() const;

private:
    bool ShouldStop(Machine& m) override;
    static void BeforeStep(Machine& m, void* context);
    void AfterTick();
    // The watch made again for the write hooks there are now (after the
    // run, when one goes on).
    void RearmWatch();
    // Each write hook over `address`, in the order added.
    void CallWriteHooks(uint16_t address, uint8_t old, uint8_t now, uint16_t pc);
    // A hook's answer, or its exception kept and the run ended.
    template <class Call>
    void Answer(Call&& call);
    void Init();

    std::vector<MachineFile> files_;  // a machine in memory's, kept for its session
    std::vector<KitFile> kit_;
    Session session_;
    std::vector<std::string> loadMessages_;
    bool hasProgram_ = false;

    struct ExecEntry {
        int Handle;
        uint16_t Address;
        ExecHook Call;
    };
    struct WriteEntry {
        int Handle;
        uint16_t First;
        uint16_t Last;
        WriteHook Call;
    };
    struct TickEntry {
        int Handle;
        TickHook Call;
    };
    std::vector<ExecEntry> execHooks_;
    std::vector<WriteEntry> writeHooks_;
    std::vector<TickEntry> tickHooks_;
    std::vector<uint8_t> execAt_ = std::vector<uint8_t>(0x10000);  // hooks per address, to skip the rest fast
    std::unique_ptr<AccessWatch> watch_;
    std::unique_ptr<std::array<uint8_t, 0x10000>> shadow_;  // the watched bytes as the hooks last saw them
    int nextHandle_ = 1;
    // The ranges the watch holds: hooks added or removed while a run goes
    // on change the watch only after it, as the run loop keeps it.
    std::vector<std::pair<uint16_t, uint16_t>> armed_;
    // The run in progress: whether one goes on, whether a hook stopped it,
    // and what one threw.
    bool running_ = false;
    bool hookStop_ = false;
    std::exception_ptr thrown_;
};

}  // namespace varnox::script
