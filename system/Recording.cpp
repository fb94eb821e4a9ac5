// The recording file: written in one fixed order, read back line by line
// with the line named in every complaint.
#include "system/Recording.h"

#include <charconv>
#include <climits>
#include <cstdio>

#include "core/Cpu.h"
#include "core/Crc32.h"
#include "core/Printable.h"
#include "system/AtomicReplace.h"
#include "system/BoundedRead.h"
#include "system/Files.h"
#include "system/RunLoop.h"
#include "system/SaveState.h"

namespace varnox {
namespace {

constexpr std::string_view Magic = "Varnox recording";
constexpr size_t StateBytesPerLine = 32;
// Days of input; a bigger file is something else.
constexpr size_t MaxRecordingBytes = size_t{64} << 20;
constexpr long long MaxTicks = MaxRunTicks;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

struct KindName {
    InputKind Kind;
    std::string_view Name;
};
constexpr KindName KindNames[] = {
    {InputKind::Mouse, "mouse"}, {InputKind::PcKey, "pc"}, {InputKind::PrintSwitch, "print"}, {InputKind::Reset, "reset"}};

std::string_view NameOf(InputKind kind) {
    for (const KindName& k : KindNames) {
        if (k.Kind == kind) return k.Name;
    }
    return "?";
}

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// ---- Reading ---------------------------------------------------------------------

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        const size_t from = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
        if (at > from) words.push_back(line.substr(from, at - from));
    }
    return words;
}

template <class T>
std::optional<T> Number(std::string_view text, T low, T high) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
        if (text.front() == '-') return std::nullopt;  // a sign belongs before the 0x, and hex needs none
    }
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Hands out the meaningful lines with their numbers; failures name the line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The words of the next line that is not empty nor a comment; none at
    // the end of the text.
    std::optional<std::vector<std::string_view>> Next() {
        while (at_ < text_.size()) {
            size_t end = text_.find('\n', at_);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(at_, end - at_);
            at_ = end + 1;
            ++number_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            auto words = Words(line);
            if (words.empty() || words[0].front() == '#') continue;
            return words;
        }
        ++number_;  // where the missing line would be
        return std::nullopt;
    }
    int Line() const { return number_; }

private:
    std::string_view text_;
    size_t at_ = 0;
    int number_ = 0;
};

// Why a recording was refused; none while it reads well. The page's
// WebAssembly build has no exceptions, so failures are handed back.
using Failure = std::optional<std::string>;

// "NAME VALUE" with a number in range.
template <class T>
Failure Field(LineReader& lines, std::string_view name, T low, T high, T& value) {
    const auto words = lines.Next();
    if (!words) return "the recording ends before its \"" + std::string(name) + "\" line: it was cut short";
    if (words->size() != 2 || (*words)[0] != name) {
        return "expected \"" + std::string(name) + " VALUE\", found \"" + Printable((*words)[0]) + "...\"";
    }
    const auto number = Number<T>((*words)[1], low, high);
    if (!number) {
        return "bad " + std::string(name) + " \"" + Printable((*words)[1]) + "\" (" + std::to_string(low) + ".." +
               std::to_string(high) + ")";
    }
    value = *number;
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Failure ReadStart(LineReader& lines, Recording& r, std::optional<std::vector<std::string_view>>& next) {
    auto words = lines.Next();
    if (!words) return "the recording ends before its \"start\" line: it was cut short";
    const auto& w = *words;
    if (w.size() == 6 && w[0] == "start" && w[1] == "power-on" && w[2] == RamFileName && w[4] == RegisterFileName) {
        const auto ram = Number<uint32_t>(w[3], 0, UINT32_MAX);
        const auto registers = Number<uint32_t>(w[5], 0, UINT32_MAX);
        if (!ram || !registers) return "bad checksum in the start line";
        r.FromPowerOn = true;
        r.RamCrc = *ram;
        r.RegisterCrc = *registers;
        next = lines.Next();
        return std::nullopt;
    }
    if (w.size() != 2 || w[0] != "start" || w[1] != "state") {
        return "expected \"start power-on ram.bin CRC register.bin CRC\" or \"start state\"";
    }
    r.FromPowerOn = false;
    for (next = lines.Next(); next && (*next)[0] == "state"; next = lines.Next()) {
        if (next->size() != 2 || (*next)[1].size() % 2 != 0) return "a state line holds one run of hex byte pairs";
        const std::string_view hex = (*next)[1];
        for (size_t i = 0; i < hex.size(); i += 2) {
            const int high = HexDigit(hex[i]);
            const int low = HexDigit(hex[i + 1]);
            if (high < 0 || low < 0) return "\"" + Printable(hex.substr(i, 2)) + "\" is not a hex byte";
            r.State.push_back(static_cast<uint8_t>(high * 16 + low));
        }
    }
    if (r.State.empty()) return "\"start state\" is followed by no state line";
    return std::nullopt;
}

Failure ReadEvent(const std::vector<std::string_view>& w, const Recording& r, InputEvent& event) {
    const auto tick = Number<long long>(w[0], 0, MaxTicks);
    if (!tick) return "expected a run tick, an event or \"end\", found \"" + Printable(w[0]) + "\"";
    if (*tick > r.Ticks) return "run tick " + std::to_string(*tick) + " is past the recording's " + std::to_string(r.Ticks);
    if (!r.Events.empty() && *tick < r.Events.back().Tick) {
        return "run tick " + std::to_string(*tick) + " comes before the one of the line above";
    }
    event.Tick = *tick;
    const KindName* kind = nullptr;
    if (w.size() >= 2) {
        for (const KindName& k : KindNames) {
            if (k.Name == w[1]) kind = &k;
        }
    }
    if (!kind) return "expected mouse, pc, print or reset after the run tick";
    event.Kind = kind->Kind;
    if (event.Kind == InputKind::Reset) {
        if (w.size() != 2) return "reset takes nothing after it";
        return std::nullopt;
    }
    const bool noscan = w.size() == 4 && w[3] == "noscan";
    if (w.size() != 3 && !noscan) return std::string(kind->Name) + " takes one key number";
    const auto key = Number<int32_t>(w[2], 0, KeyCount);
    if (!key || (event.Kind == InputKind::PrintSwitch && *key != 0 && *key != PrintSwitchKey)) {
        return "bad key \"" + Printable(w[2]) + "\" (" +
               (event.Kind == InputKind::PrintSwitch ? std::string("0 or 53") : "0.." + std::to_string(KeyCount)) + ")";
    }
    event.Key = *key;
    event.Scan = !noscan;
    return std::nullopt;
}

// The lines after "ticks": the start, the events, "stop" and "end".
Failure ReadBody(LineReader& lines, Recording& r) {
    std::optional<std::vector<std::string_view>> next;
    if (Failure failure = ReadStart(lines, r, next)) return failure;
    for (;; next = lines.Next()) {
        if (!next) return "the recording ends before its \"end\" line: it was cut short";
        if ((*next)[0] == "end") {
            if (next->size() != 1) return "\"end\" takes nothing after it";
            break;
        }
        if ((*next)[0] == "stop") {
            const auto steps = next->size() == 2 ? Number<long long>((*next)[1], 1, LLONG_MAX) : std::nullopt;
            if (!steps) return "expected \"stop STEPS\", 1 or more";
            if (r.Ticks == 0) return "a recording of no run tick cannot stop inside one";
            r.StopSteps = *steps;
            next = lines.Next();
            if (!next || (*next)[0] != "end") return "the \"stop\" line comes last, before \"end\"";
            if (next->size() != 1) return "\"end\" takes nothing after it";
            break;
        }
        InputEvent event;
        if (Failure failure = ReadEvent(*next, r, event)) return failure;
        r.Events.push_back(event);
    }
    if (lines.Next()) return "more after the \"end\" line";
    return std::nullopt;
}

Failure ReadRecording(LineReader& lines, Recording& r) {
    const auto first = lines.Next();
    if (!first || first->size() != 3 || (*first)[0] != "Varnox" || (*first)[1] != "recording") {
        return "not a Varnox recording (it starts with \"Varnox recording 1\")";
    }
    if ((*first)[2] != std::to_string(RecordingFormatVersion)) {
        return "format version " + Printable((*first)[2]) + "; this program reads version " +
               std::to_string(RecordingFormatVersion);
    }
    Failure failure = Field<uint32_t>(lines, Rom0FileName, 0, UINT32_MAX, r.Rom0Crc);
    if (!failure) failure = Field<uint32_t>(lines, Rom1FileName, 0, UINT32_MAX, r.Rom1Crc);
    if (!failure) failure = Field<int32_t>(lines, "OscFreq", MinOscFreq, MaxOscFreq, r.OscFreq);
    if (!failure) failure = Field<int32_t>(lines, "SelfTest", INT32_MIN, INT32_MAX, r.SelfTest);
    if (!failure) failure = Field<int32_t>(lines, "ResumeDelay", 0, ResumeDelayTicks, r.ResumeDelay);
    if (!failure) failure = Field<long long>(lines, "ticks", 0, MaxTicks, r.Ticks);
    if (!failure) failure = ReadBody(lines, r);
    return failure;
}

}  // namespace

Recording BeginRecording(const Machine& m, int32_t resumeDelay, bool fromPowerOn) {
    Recording r;
    r.Rom0Crc = Crc32(m.InstrRom);
    r.Rom1Crc = Crc32(m.DataRom);
    r.OscFreq = m.Config.OscFreq;
    r.SelfTest = m.Config.SelfTest;
    r.ResumeDelay = resumeDelay;
    r.FromPowerOn = fromPowerOn;
    if (fromPowerOn) {
        r.RamCrc = Crc32(m.DataRam);
        r.RegisterCrc = Crc32(m.Cpu.MainRegisterFile);
    } else {
        r.State = EncodeState(m);
    }
    return r;
}

std::string FormatRecording(const Recording& r) {
    std::string text = std::string(Magic) + " " + std::to_string(RecordingFormatVersion) + "\n";
    text += std::string(Rom0FileName) + " " + Hex32(r.Rom0Crc) + "\n";
    text += std::string(Rom1FileName) + " " + Hex32(r.Rom1Crc) + "\n";
    text += "OscFreq " + std::to_string(r.OscFreq) + "\n";
    text += "SelfTest " + std::to_string(r.SelfTest) + "\n";
    text += "ResumeDelay " + std::to_string(r.ResumeDelay) + "\n";
    text += "ticks " + std::to_string(r.Ticks) + "\n";
    if (r.FromPowerOn) {
        text += "start power-on " + std::string(RamFileName) + " " + Hex32(r.RamCrc) + " " + RegisterFileName + " " +
                Hex32(r.RegisterCrc) + "\n";
    } else {
        text += "start state\n";
        static constexpr char Digits[] = "0123456789ABCDEF";
        for (size_t at = 0; at < r.State.size(); at += StateBytesPerLine) {
            text += "state ";
            for (size_t i = at; i < r.State.size() && i < at + StateBytesPerLine; ++i) {
                text += Digits[r.State[i] >> 4];
                text += Digits[r.State[i] & 15];
            }
            text += "\n";
        }
    }
    text += "# run tick, then what reached the machine there\n";
    for (const InputEvent& e : r.Events) {
        text += std::to_string(e.Tick);
        text += ' ';
        text += NameOf(e.Kind);
        if (e.Kind != InputKind::Reset) {
            text += ' ';
            text += std::to_string(e.Key);
        }
        if (!e.Scan) text += " noscan";
        text += "\n";
    }
    if (r.StopSteps > 0) text += "stop " + std::to_string(r.StopSteps) + "\n";
    text += "end\n";
    return text;
}

std::variant<Recording, std::string> ParseRecording(std::string_view text) {
    // Editors on some systems put one before the text.
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark) text.remove_prefix(ByteOrderMark.size());
    LineReader lines(text);
    Recording r;
    if (Failure failure = ReadRecording(lines, r)) return "line " + std::to_string(lines.Line()) + ": " + *failure;
    return r;
}

std::optional<std::string> LoadRecordingFile(const std::filesystem::path& file, Recording& r) {
    std::vector<uint8_t> bytes;
    std::optional<std::string> failure = ReadBoundedFile(file, MaxRecordingBytes, "recording", bytes);
    if (!failure) {
        auto parsed = ParseRecording(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (auto* problem = std::get_if<std::string>(&parsed)) {
            failure = std::move(*problem);
        } else {
            r = std::move(std::get<Recording>(parsed));
        }
    }
    if (failure) return "Failed to load the recording " + file.string() + ": " + *failure;
    return std::nullopt;
}

std::optional<std::string> SaveRecordingFile(const Recording& r, const std::filesystem::path& file) {
    const std::string text = FormatRecording(r);
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (auto failure = ReplaceFile(file, bytes, OtherTargets::WriteInPlace)) {
        return "Failed to save the recording " + file.string() + ": " + *failure;
    }
    return std::nullopt;
}

std::optional<std::string> StartReplay(Machine& m, const Recording& r, const std::filesystem::path& file) {
    const std::string refused = "Cannot replay " + file.string() + ": ";
    const uint32_t rom0 = Crc32(m.InstrRom);
    const uint32_t rom1 = Crc32(m.DataRom);
    if (rom0 != r.Rom0Crc || rom1 != r.Rom1Crc) {
        std::string which;
        if (rom0 != r.Rom0Crc) which += std::string(Rom0FileName) + " (recorded over " + Hex32(r.Rom0Crc) + ", here " + Hex32(rom0) + ")";
        if (rom1 != r.Rom1Crc) {
            which += (which.empty() ? "" : " and ") + std::string(Rom1FileName) + " (recorded over " + Hex32(r.Rom1Crc) +
                     ", here " + Hex32(rom1) + ")";
        }
        return refused + "it was recorded over other ROMs: " + which;
    }
    if (r.FromPowerOn) {
        if (Crc32(m.DataRam) != r.RamCrc) return refused + "it starts from another " + RamFileName + " than the one here";
        if (Crc32(m.Cpu.MainRegisterFile) != r.RegisterCrc) {
            return refused + "it starts from another " + RegisterFileName + " than the one here";
        }
    }
    Machine started = m;
    started.Config.OscFreq = r.OscFreq;
    started.Config.SelfTest = r.SelfTest;
    StartMachine(started);
    if (!r.FromPowerOn) {
        if (auto failure = DecodeState(r.State, started)) return refused + "the state it starts from: " + *failure;
    }
    m = started;
    return std::nullopt;
}

void ApplyInput(Machine& m, const InputEvent& event) {
    switch (event.Kind) {
        case InputKind::Mouse: m.HeldKeys[HeldMouseSlot] = event.Key; break;
        case InputKind::PcKey: m.HeldKeys[HeldPcKeySlot] = event.Key; break;
        case InputKind::PrintSwitch: m.HeldKeys[HeldSwitchSlot] = event.Key; break;
        case InputKind::Reset: PowerOnReset(m); return;
    }
    if (event.Scan) KeyScan(m);
}

}  // namespace varnox
