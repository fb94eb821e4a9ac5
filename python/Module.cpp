// varnox._core: the machine for Python, over ScriptMachine. The pure-Python
// package beside it (python/varnox) gives the names users call; this layer
// keeps one Machine to one caller at a time, lets the interpreter go while
// the machine runs alone, and hands numpy views of the machine's memory.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "asm/Symbols.h"
#include "core/Crc32.h"
#include "python/ScriptMachine.h"
#include "system/DefaultKit.h"
#include "system/KeyNames.h"
#include "system/Recording.h"
#include "system/SaveState.h"
#include "system/ScreenText.h"

namespace py = pybind11;

namespace varnox::script {
namespace {

// Offsets in a state file: the payload's CRC-32, then the payload, which
// starts with the CRC-32 of each ROM it was saved over.
constexpr size_t StatePayloadCrcAt = 16;
constexpr size_t StatePayloadAt = 20;

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The state as if saved over the ROMs loaded now: the user asked to load a
// state of other ROMs anyway.
std::vector<uint8_t> OverOwnRoms(std::vector<uint8_t> bytes, const Machine& m) {
    if (bytes.size() < StatePayloadAt + 8) return bytes;
    PutU32(bytes, StatePayloadAt, Crc32(m.InstrRom));
    PutU32(bytes, StatePayloadAt + 4, Crc32(m.DataRom));
    PutU32(bytes, StatePayloadCrcAt, Crc32(std::span<const uint8_t>(bytes).subspan(StatePayloadAt)));
    return bytes;
}

std::vector<uint8_t> BytesOf(const py::bytes& data) {
    const std::string_view view(data);
    return {view.begin(), view.end()};
}

py::bytes ToBytes(std::span<const uint8_t> bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

class PyMachine {
public:
    explicit PyMachine(std::optional<std::filesystem::path> folder)
        : core_(folder ? std::make_unique<ScriptMachine>(*folder) : std::make_unique<ScriptMachine>(DefaultFiles())) {
        Refresh();
    }
    explicit PyMachine(std::vector<MachineFile> files) : core_(std::make_unique<ScriptMachine>(std::move(files))) { Refresh(); }

    // A use of the machine: one thread at a time; from inside a hook, only
    // what does not run the machine or replace its state.
    class Use {
    public:
        Use(PyMachine& owner, const char* what, bool runs) : owner_(owner) {
            const auto me = std::this_thread::get_id();
            if (owner_.busy_) {
                if (owner_.user_ != me) {
                    throw std::runtime_error(std::string("Machine.") + what +
                                             ": the machine is in use by another thread; use one Machine per thread");
                }
                if (runs) {
                    throw std::runtime_error(std::string("Machine.") + what +
                                             " cannot be called from inside a hook; return varnox.STOP to end the run, "
                                             "then call it");
                }
                return;
            }
            owner_.user_ = me;
            owner_.busy_ = true;
            owned_ = true;
        }
        ~Use() {
            if (owned_) owner_.busy_ = false;
        }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        PyMachine& owner_;
        bool owned_ = false;
    };

    ScriptMachine& Core() { return *core_; }
    Session& GetSession() { return core_->GetSession(); }
    const Machine& M() const { return core_->GetMachine(); }

    // The picture the screen view shows, composed anew.
    void Refresh() { picture_ = GetSession().Picture(); }
    DisplayPicture& Picture() { return picture_; }

    RunEnd Run(long long ticks, std::optional<long long> steps, std::optional<uint16_t> until) {
        RunEnd end;
        if (core_->Hooked()) {
            end = core_->Run(ticks, steps, until);
        } else {
            // Nothing in the run calls Python: other threads may go on.
            py::gil_scoped_release release;
            end = core_->Run(ticks, steps, until);
        }
        Refresh();
        return end;
    }

    bool Pristine() const { return pristine_; }
    void Touched() { pristine_ = false; }
    std::optional<std::filesystem::path>& RecordingFile() { return recordingFile_; }

private:
    static std::vector<MachineFile> DefaultFiles() {
        std::vector<MachineFile> files;
        for (const KitFile& file : DefaultKit()) files.push_back({std::string(file.Name), {file.Bytes.begin(), file.Bytes.end()}});
        return files;
    }

    std::unique_ptr<ScriptMachine> core_;
    DisplayPicture picture_;
    std::atomic<bool> busy_ = false;
    std::thread::id user_;
    bool pristine_ = true;  // nothing has run or changed since the start
    std::optional<std::filesystem::path> recordingFile_;
};

// A read-only numpy view of `size` bytes in rows of `columns`, kept alive
// by `owner`.
py::array View(const py::object& owner, const uint8_t* data, size_t size, size_t columns = 0) {
    py::array view = columns == 0 ? py::array_t<uint8_t>({size}, {size_t{1}}, data, owner)
                                  : py::array_t<uint8_t>({size / columns, columns}, {columns, size_t{1}}, data, owner);
    view.attr("setflags")(py::arg("write") = false);
    return view;
}

uint16_t Address(long long address, const char* what) {
    if (address < 0 || address > 0xFFFF) {
        throw py::value_error(std::string(what) + ": address " + std::to_string(address) + " is outside 0..0xFFFF");
    }
    return static_cast<uint16_t>(address);
}

HookAnswer AnswerOf(const py::object& result, const py::object& stop) {
    return result.is(stop) ? HookAnswer::Stop : HookAnswer::Continue;
}

py::dict CpuFields(const Machine& m) {
    const varnox::CpuState& cpu = m.Cpu;
    py::dict state;
    state["pc"] = cpu.PC;
    state["f"] = cpu.F;
    state["as"] = cpu.AS;
    state["ko"] = cpu.KO;
    state["ki"] = cpu.KI;
    state["ie"] = cpu.IE;
    state["if"] = cpu.IF;
    state["halted"] = cpu.Halted;
    static constexpr const char* IndexNames[] = {"ix", "iy", "iz", "v3", "v2", "v1", "v0", "sp"};
    for (int n = 0; n < 8; ++n) state[IndexNames[n]] = GetIndex(cpu, n);
    py::dict flags;
    static constexpr std::pair<const char*, uint8_t> Flags[] = {{"C", FlagC}, {"H", FlagH}, {"V", FlagV},
                                                                {"NZ", FlagNZ}, {"UZ", FlagUZ}, {"LZ", FlagLZ}};
    for (const auto& [name, bit] : Flags) flags[name] = (cpu.F & bit) != 0;
    state["flags"] = flags;
    return state;
}

}  // namespace
}  // namespace varnox::script

using varnox::script::PyMachine;
using Use = varnox::script::PyMachine::Use;

PYBIND11_MODULE(_core, module) {
    using namespace varnox;
    using namespace varnox::script;
    module.doc() = "The machine itself; import varnox, not this.";

    module.def("key_named", [](const std::string& name) { return KeyNamed(name); });
    module.def("close_key_names", [](const std::string& name) { return CloseKeyNames(name); });
    module.def("key_names", [] { return AllKeyNames(); });
    module.def("key_name", [](int key) { return KeyName(key); });

    py::class_<PyMachine>(module, "Machine")
        .def(py::init<std::optional<std::filesystem::path>>(), py::arg("folder") = py::none())
        .def(py::init([](const std::vector<std::pair<std::string, py::bytes>>& files) {
            std::vector<MachineFile> owned;
            for (const auto& [name, bytes] : files) owned.push_back({name, BytesOf(bytes)});
            return std::make_unique<PyMachine>(std::move(owned));
        }))
        .def_property_readonly("load_messages", [](PyMachine& p) { return p.Core().LoadMessages(); })
        .def_property_readonly("has_program", [](PyMachine& p) { return p.Core().HasProgram(); })
        .def_property_readonly("folder", [](PyMachine& p) { return p.Core().Folder(); })
        .def("run",
             [](PyMachine& p, long long ticks, std::optional<long long> steps, std::optional<long long> until) {
                 Use use(p, "run", true);
                 p.Touched();
                 const RunEnd end = p.Run(ticks, steps, until ? std::optional<uint16_t>(Address(*until, "run")) : std::nullopt);
                 return py::make_tuple(end.Reason, end.Ticks, end.Steps, end.Pc);
             })
        .def("reset",
             [](PyMachine& p) {
                 Use use(p, "reset", true);
                 p.GetSession().Reset();
                 p.Refresh();
             })
        .def("power",
             [](PyMachine& p, bool on) {
                 Use use(p, "power", true);
                 p.GetSession().SetPower(on);
                 p.Refresh();
             })
        .def_property_readonly("powered", [](PyMachine& p) { return p.GetSession().PoweredOn(); })
        .def("print_switch",
             [](PyMachine& p, bool hd) {
                 Use use(p, "print_switch", false);
                 p.GetSession().SetPrintSwitch(hd);
             })
        .def("press",
             [](PyMachine& p, int key) {
                 Use use(p, "press", false);
                 p.GetSession().PressKey(key);
             })
        .def("release",
             [](PyMachine& p) {
                 Use use(p, "release", false);
                 p.GetSession().KeyUp();
             })
        .def("key_of_character", [](PyMachine& p, const std::string& c) {
            return c.size() == 1 ? p.GetSession().Keys().KeyOfCharacter(static_cast<unsigned char>(c[0])).key : 0;
        })
        .def("type_character",
             [](PyMachine& p, const std::string& c) {
                 Use use(p, "type", false);
                 p.GetSession().KeyTyped(static_cast<unsigned char>(c.at(0)));
             })
        .def_property_readonly("run_ticks", [](PyMachine& p) { return p.Core().Ticks(); })
        .def_property_readonly("steps", [](PyMachine& p) { return p.Core().Steps(); })
        .def_property_readonly("cycles", [](PyMachine& p) { return p.Core().Cycles(); })
        .def_property_readonly("screen",
                               [](py::object self) {
                                   PyMachine& p = self.cast<PyMachine&>();
                                   Use use(p, "screen", false);
                                   p.Refresh();
                                   return View(self, p.Picture().Dots.data(), p.Picture().Dots.size(), DisplayColumns);
                               })
        .def("screen_text",
             [](PyMachine& p) {
                 Use use(p, "screen_text", false);
                 return ScreenText(p.GetSession().Picture(), p.M().Lcd);
             })
        .def_property_readonly("rom0", [](py::object self) {
            const Machine& m = self.cast<PyMachine&>().M();
            return View(self, m.InstrRom.data(), m.InstrRom.size());
        })
        .def_property_readonly("rom1", [](py::object self) {
            const Machine& m = self.cast<PyMachine&>().M();
            return View(self, m.DataRom.data(), m.DataRom.size());
        })
        .def_property_readonly("ram", [](py::object self) {
            const Machine& m = self.cast<PyMachine&>().M();
            return View(self, m.DataRam.data(), m.DataRam.size());
        })
        .def_property_readonly("registers", [](py::object self) {
            const Machine& m = self.cast<PyMachine&>().M();
            return View(self, m.Cpu.MainRegisterFile.data(), m.Cpu.MainRegisterFile.size());
        })
        .def("read",
             [](PyMachine& p, long long address, long long count) {
                 Use use(p, "read", false);
                 if (count < 0 || address + count > 0x10000) {
                     throw py::value_error("read: " + std::to_string(count) + " bytes from address " + std::to_string(address) +
                                           " go outside 0..0xFFFF");
                 }
                 std::vector<uint8_t> bytes;
                 for (long long i = 0; i < count; ++i) bytes.push_back(p.Core().Read(Address(address + i, "read")));
                 return ToBytes(bytes);
             })
        .def("write",
             [](PyMachine& p, long long address, const py::bytes& data) {
                 Use use(p, "write", false);
                 if (p.GetSession().Path().IsRecording()) {
                     throw std::runtime_error("write: refused while recording, since a recording holds inputs only; "
                                              "stop_recording() first");
                 }
                 const std::vector<uint8_t> bytes = BytesOf(data);
                 if (address < 0 || address + static_cast<long long>(bytes.size()) > 0x10000) {
                     throw py::value_error("write: " + std::to_string(bytes.size()) + " bytes at address " +
                                           std::to_string(address) + " go outside 0..0xFFFF");
                 }
                 for (size_t i = 0; i < bytes.size(); ++i) {
                     const auto at = static_cast<uint16_t>(address + static_cast<long long>(i));
                     if (!(at & 0x4000)) {
                         throw py::value_error("write: address " + std::to_string(at) + " is ROM; RAM is at 0x4000-0x5FFF (and its mirrors)");
                     }
                 }
                 p.Touched();
                 for (size_t i = 0; i < bytes.size(); ++i) {
                     p.Core().Write(static_cast<uint16_t>(address + static_cast<long long>(i)), bytes[i]);
                 }
                 p.Refresh();
             })
        .def("cpu_state",
             [](PyMachine& p) {
                 Use use(p, "cpu", false);
                 return CpuFields(p.M());
             })
        // A state is the machine between two run ticks: inside a hook the
        // tick is half spent, and no machine would load what it holds.
        .def("save_state",
             [](PyMachine& p) {
                 Use use(p, "save_state", true);
                 return ToBytes(p.GetSession().SaveState());
             })
        .def("load_state",
             [](PyMachine& p, const py::bytes& data, bool force) {
                 Use use(p, "load_state", true);
                 std::vector<uint8_t> bytes = BytesOf(data);
                 if (force) bytes = OverOwnRoms(std::move(bytes), p.M());
                 if (auto failure = p.GetSession().LoadState(std::span<const uint8_t>(bytes))) {
                     const bool roms = failure->find("another") != std::string::npos;
                     throw py::value_error(*failure + (roms ? "; load_state(data, force=True) loads it anyway" : ""));
                 }
                 p.Touched();
                 p.Refresh();
             })
        .def("add_exec_hook",
             [](PyMachine& p, long long address, py::function fn, py::object stop) {
                 Use use(p, "on_exec", false);
                 return p.Core().AddExecHook(Address(address, "on_exec"), [fn, stop](uint16_t pc) {
                     return AnswerOf(fn(pc), stop);
                 });
             })
        .def("add_write_hook",
             [](PyMachine& p, long long first, long long last, py::function fn, py::object stop) {
                 Use use(p, "on_write", false);
                 if (last < first) throw py::value_error("on_write: the range ends before it starts");
                 return p.Core().AddWriteHook(Address(first, "on_write"), Address(last, "on_write"),
                                              [fn, stop](uint16_t address, uint8_t old, uint8_t now, uint16_t pc, long long tick) {
                                                  return AnswerOf(fn(address, old, now, pc, tick), stop);
                                              });
             })
        .def("add_tick_hook",
             [](PyMachine& p, py::function fn, py::object stop) {
                 Use use(p, "on_tick", false);
                 return p.Core().AddTickHook([fn, stop](long long tick) { return AnswerOf(fn(tick), stop); });
             })
        .def("remove_hook",
             [](PyMachine& p, int handle) {
                 Use use(p, "remove", false);
                 return p.Core().RemoveHook(handle);
             })
        .def("record",
             [](PyMachine& p, const std::filesystem::path& file) {
                 Use use(p, "record", true);
                 if (p.GetSession().Path().IsRecording()) throw std::runtime_error("record: a recording runs already");
                 p.GetSession().Path().StartRecording(p.Pristine());
                 p.RecordingFile() = file;
             })
        .def_property_readonly("recording", [](PyMachine& p) { return p.GetSession().Path().IsRecording(); })
        .def("stop_recording",
             [](PyMachine& p) {
                 Use use(p, "stop_recording", true);
                 if (!p.GetSession().Path().IsRecording()) throw std::runtime_error("stop_recording: nothing is being recorded");
                 const std::filesystem::path file = *p.RecordingFile();
                 p.RecordingFile().reset();
                 if (auto failure = SaveRecordingFile(p.GetSession().Path().StopRecording(), file)) throw std::runtime_error(*failure);
                 return file;
             })
        .def("replay",
             [](PyMachine& p, const std::filesystem::path& file) {
                 Use use(p, "replay", true);
                 if (auto failure = p.GetSession().Replay(file)) throw py::value_error(*failure);
                 p.Touched();
                 const RunEnd end = p.Run(p.GetSession().Path().ReplayTicks(), std::nullopt, std::nullopt);
                 return py::make_tuple(end.Reason, end.Ticks, end.Steps, end.Pc);
             })
        .def("save_memory",
             [](PyMachine& p) {
                 Use use(p, "save_memory", false);
                 const SaveResult saved = p.GetSession().SaveMemory();
                 std::string text;
                 for (const std::string& message : saved.Messages) text += (text.empty() ? "" : "\n") + message;
                 if (saved.Failed) throw std::runtime_error(text);
                 return text;
             })
        .def("files",
             [](PyMachine& p) {
                 Use use(p, "files", false);
                 std::vector<std::pair<std::string, py::bytes>> files;
                 for (const MachineFile& file : p.Core().Files()) files.emplace_back(file.Name, ToBytes(file.Bytes));
                 return files;
             })
        .def("symbols", [](PyMachine& p) {
            Use use(p, "symbols", false);
            const ParsedSymbols parsed = ParseSymbolText(p.Core().SymbolText(), SymbolFileName);
            py::list symbols;
            for (const Symbol& symbol : parsed.Table.All()) {
                symbols.append(py::make_tuple(symbol.Space == SymbolSpace::Code ? "code" : "data", symbol.Address, symbol.Name));
            }
            py::list lines;
            for (const SourceLineRow& row : parsed.Lines) lines.append(py::make_tuple(row.Address, row.File, row.Line));
            return py::make_tuple(symbols, lines, parsed.Messages);
        });
}
