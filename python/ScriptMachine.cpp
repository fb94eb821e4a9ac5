#include "python/ScriptMachine.h"

#include <algorithm>
#include <string_view>

#include "asm/Symbols.h"
#include "system/BoundedRead.h"
#include "system/Files.h"

namespace varnox::script {
namespace {

// As large as a symbol file is read anywhere.
constexpr size_t MaxSymbolBytes = size_t{16} << 20;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<KitFile> KitOf(const std::vector<MachineFile>& files) {
    std::vector<KitFile> kit;
    for (const MachineFile& file : files) kit.push_back({file.Name, file.Bytes});
    return kit;
}

}  // namespace

ScriptMachine::ScriptMachine(std::filesystem::path dir) : session_(std::move(dir)) { Init(); }

// The session reads the kit at each load: it holds a view of kit_, over
// files_, both made before it and living as long as it does.
ScriptMachine::ScriptMachine(std::vector<MachineFile> files)
    : files_(std::move(files)), kit_(KitOf(files_)), session_(std::span<const KitFile>(kit_)) {
    Init();
}

ScriptMachine::~ScriptMachine() {
    session_.GetMachine().Watch = nullptr;
    session_.Control().Stops.Conditions = nullptr;
}

void ScriptMachine::Init() {
    const LoadResult loaded = session_.Load();
    loadMessages_ = loaded.Messages;
    hasProgram_ = !loaded.Lacks(Rom0FileName) && loaded.OutcomeOf(Rom0FileName) != FileOutcome::NotRead;
    session_.Start();
}

// ---- Running -----------------------------------------------------------------------

long long ScriptMachine::Ticks() const { return static_cast<long long>(GetMachine().Clock.RunTicks); }
long long ScriptMachine::Steps() const { return static_cast<long long>(GetMachine().Clock.Steps); }
long long ScriptMachine::Cycles() const { return static_cast<long long>(GetMachine().Clock.Cycles); }

RunEnd ScriptMachine::Run(long long ticks, std::optional<long long> steps, std::optional<uint16_t> until) {
    Machine& m = session_.GetMachine();
    RunEnd end;
    const long long stepsBefore = Steps();
    if (!session_.PoweredOn()) {
        end.Reason = "off";
        end.Pc = m.Cpu.PC;
        return end;
    }
    // Each run starts with no stop armed but its own.
    RunControl& control = session_.Control();
    control.DebugActive = 0;
    control.Stops.StepCount = steps ? static_cast<int32_t>(*steps) : -1;
    control.Stops.BreakAddress = until ? *until : -1;
    RearmWatch();
    hookStop_ = false;
    thrown_ = nullptr;
    const BeforeStepHook before = execHooks_.empty() ? nullptr : &ScriptMachine::BeforeStep;
    AfterTickWatch after;
    if (!tickHooks_.empty()) after = [this](const Machine&) { AfterTick(); };
    running_ = true;
    const TicksRun ran = session_.RunTicks(ticks, before, this, after);
    running_ = false;
    RearmWatch();

    const bool countDone = steps && control.Stops.StepCount == 0;
    control.DebugActive = 0;
    control.Stops.ClearCountAndAddress();
    if (thrown_) std::rethrow_exception(std::exchange(thrown_, nullptr));
    end.Ticks = ran.ticks;
    end.Steps = Steps() - stepsBefore;
    end.Pc = m.Cpu.PC;
    end.Reason = hookStop_ ? "hook" : countDone ? "steps" : ran.stopped && until && m.Cpu.PC == *until ? "until" : "ticks";
    return end;
}

template <class Call>
void ScriptMachine::Answer(Call&& call) {
    if (thrown_) return;
    HookAnswer answer = HookAnswer::Continue;
    try {
        answer = call();
    } catch (...) {
        thrown_ = std::current_exception();
    }
    if (answer == HookAnswer::Stop || thrown_) hookStop_ = true;
}

void ScriptMachine::BeforeStep(Machine& m, void* context) {
    auto* self = static_cast<ScriptMachine*>(context);
    const uint16_t pc = m.Cpu.PC;
    if (!self->execAt_[pc]) return;
    // A hook may remove hooks: the ones to call are those set now.
    const std::vector<ExecEntry> hooks = self->execHooks_;
    for (const ExecEntry& hook : hooks) {
        if (hook.Address == pc) self->Answer([&] { return hook.Call(pc); });
    }
    // Stopped after this step, as a step count ends a run.
    if (self->hookStop_) self->session_.Control().Stops.StepCount = 1;
}

void ScriptMachine::AfterTick() {
    const long long tick = Ticks();
    const std::vector<TickEntry> hooks = tickHooks_;
    for (const TickEntry& hook : hooks) Answer([&] { return hook.Call(tick); });
    // The run ends as when the debugger takes the machine; Run lets go.
    if (hookStop_) session_.Control().DebugActive = 1;
}

bool ScriptMachine::ShouldStop(Machine& m) {
    WatchHit& first = watch_->First;
    if (!first.Hit) return hookStop_;
    first.Hit = false;
    // The first watched byte the step wrote, even with the value it held,
    // then any other watched byte it changed (a store of several bytes).
    const uint16_t address = WatchedAddress(first.Address);
    const uint16_t pc = first.Pc;
    auto& shadow = *shadow_;
    CallWriteHooks(address, first.Old, MemReadUngated(m, address), pc);
    shadow[address] = MemReadUngated(m, address);
    for (const auto& [from, to] : armed_) {
        for (uint32_t a = from; a <= to; ++a) {
            const auto at = static_cast<uint16_t>(a);
            const uint8_t now = MemReadUngated(m, at);
            if (shadow[at] == now) continue;
            const uint8_t old = shadow[at];
            shadow[at] = now;
            CallWriteHooks(at, old, now, pc);
        }
    }
    return hookStop_;
}

void ScriptMachine::CallWriteHooks(uint16_t address, uint8_t old, uint8_t now, uint16_t pc) {
    const long long tick = Ticks();
    const std::vector<WriteEntry> hooks = writeHooks_;
    for (const WriteEntry& hook : hooks) {
        if (address >= hook.First && address <= hook.Last) Answer([&] { return hook.Call(address, old, now, pc, tick); });
    }
}

// ---- Hooks ----------------------------------------------------------------------------

int ScriptMachine::AddExecHook(uint16_t address, ExecHook hook) {
    execHooks_.push_back({nextHandle_, address, std::move(hook)});
    execAt_[address] = 1;
    return nextHandle_++;
}

int ScriptMachine::AddWriteHook(uint16_t first, uint16_t last, WriteHook hook) {
    writeHooks_.push_back({nextHandle_, WatchedAddress(first), WatchedAddress(last), std::move(hook)});
    RearmWatch();
    return nextHandle_++;
}

int ScriptMachine::AddTickHook(TickHook hook) {
    tickHooks_.push_back({nextHandle_, std::move(hook)});
    return nextHandle_++;
}

bool ScriptMachine::RemoveHook(int handle) {
    const auto held = [handle](const auto& hook) { return hook.Handle == handle; };
    const size_t removed = std::erase_if(execHooks_, held) + std::erase_if(writeHooks_, held) + std::erase_if(tickHooks_, held);
    std::fill(execAt_.begin(), execAt_.end(), uint8_t{0});
    for (const ExecEntry& hook : execHooks_) execAt_[hook.Address] = 1;
    RearmWatch();
    return removed > 0;
}

void ScriptMachine::RearmWatch() {
    if (running_) return;
    Machine& m = session_.GetMachine();
    armed_.clear();
    if (writeHooks_.empty()) {
        m.Watch = nullptr;
        session_.Control().Stops.Conditions = nullptr;
        watch_.reset();
        shadow_.reset();
        return;
    }
    if (!watch_) {
        watch_ = std::make_unique<AccessWatch>();
        shadow_ = std::make_unique<std::array<uint8_t, 0x10000>>();
    }
    watch_->Kinds.fill(0);
    watch_->First = {};
    for (const WriteEntry& hook : writeHooks_) {
        armed_.emplace_back(hook.First, hook.Last);
        for (uint32_t a = hook.First; a <= hook.Last; ++a) {
            watch_->Kinds[a] = AccessWrite;
            (*shadow_)[a] = MemReadUngated(m, static_cast<uint16_t>(a));
        }
    }
    m.Watch = watch_.get();
    session_.Control().Stops.Conditions = this;
}

// ---- Memory and files ------------------------------------------------------------------

bool ScriptMachine::Write(uint16_t address, uint8_t value) {
    Machine& m = session_.GetMachine();
    if (!(address & 0x4000)) return false;
    MemWriteUngated(m, address) = value;
    return true;
}

std::string ScriptMachine::SymbolText() const {
    if (const auto& dir = Folder()) {
        std::vector<uint8_t> bytes;
        if (ReadBoundedFile(*dir / SymbolFileName, MaxSymbolBytes, "symbol file", bytes)) return {};
        return {bytes.begin(), bytes.end()};
    }
    for (const KitFile& file : kit_) {
        if (file.Name == SymbolFileName) return {file.Bytes.begin(), file.Bytes.end()};
    }
    return {};
}

std::vector<MachineFile> ScriptMachine::Files() const {
    const Machine& m = GetMachine();
    std::vector<uint8_t> charset(CharsetFileBytes);
    for (size_t k = 0; k < charset.size(); ++k) {
        charset[k] = static_cast<uint8_t>((m.Lcd.CharGenerator[2 * k] << 4) | (m.Lcd.CharGenerator[2 * k + 1] & 0x0F));
    }
    const std::string settings = "[Settings]\nOscFreq=" + std::to_string(m.Config.OscFreq) +
                                 "\nSelfTest=" + std::to_string(m.Config.SelfTest) + "\n";
    std::vector<MachineFile> files{
        {Rom0FileName, {m.InstrRom.begin(), m.InstrRom.end()}},
        {Rom1FileName, {m.DataRom.begin(), m.DataRom.end()}},
        {CharsetFileName, std::move(charset)},
        {SettingsFileName, Bytes(settings)},
    };
    if (std::string symbols = SymbolText(); !symbols.empty()) files.push_back({SymbolFileName, Bytes(symbols)});
    return files;
}

}  // namespace varnox::script
