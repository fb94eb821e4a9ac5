// Save states: one field list walked by the writer and the reader, so the
// two cannot drift apart; the reader works on a copy of the machine and
// hands it over only when everything in the file was right.
#include "system/SaveState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <type_traits>

#include "peripherals/Keyboard.h"
#include "system/AtomicReplace.h"

namespace varnox {
namespace {

constexpr std::array<uint8_t, 8> Magic{'V', 'A', 'R', 'N', 'O', 'X', 'S', 'T'};
constexpr size_t HeaderBytes = Magic.size() + 3 * sizeof(uint32_t);
// Far above any version's payload; a bigger file is something else.
constexpr off_t MaxStateFileBytes = 1 << 20;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> CrcTable = MakeCrcTable();

// ---- The field list ----------------------------------------------------------

// Every field of the machine that a state carries, in file order. `io` is
// called with each scalar, array or cursor record in turn.
template <class Io, class M>
void VisitFields(Io& io, M& m) {
    auto& cpu = m.Cpu;
    io(cpu.MainRegisterFile);
    io(cpu.PC);
    io(cpu.F);
    io(cpu.AS);
    io(cpu.KO);
    io(cpu.KI);
    io(cpu.IE);
    io(cpu.IF);
    io(cpu.InstrPC);
    io(cpu.InstrBytes);
    io(cpu.OperandIndex);
    io(cpu.StepCycles);
    io(cpu.IrqPending);
    io(cpu.Halted);
    io(cpu.RegBank);
    io(cpu.RegStep);
    io(cpu.EffAddr);
    io(cpu.CycleBudget);
    auto& lcd = m.Lcd;
    io(lcd.LcdControl);
    io(lcd.DisplayRam);
    io(lcd.CommandBuffer);
    io(lcd.NibbleCount);
    io(lcd.LcdAddress);
    io(lcd.GlyphWidth);
    io(lcd.DisplayOn);
    io(lcd.CodeLatch);
    for (auto& cursor : lcd.Cursor) {
        io(cursor.pattern);
        io(cursor.phase);
        io(cursor.half);
        io(cursor.column);
        io(cursor.band);
    }
    io(lcd.CursorMode);
    io(lcd.TimerPeriod);
    io(lcd.CharGenerator);
    io(lcd.FrameBuffer);
    io(m.DataRam);
    io(m.WriteSink);
    io(m.HeldKeys);
    io(m.Run.TimerCountdown);
    io(m.Run.SelfTestCounter);
}

template <class T>
struct IsArray : std::false_type {};
template <class T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

class Writer {
public:
    std::vector<uint8_t> bytes;

    template <class T>
    void operator()(const T& value) {
        if constexpr (IsArray<T>::value) {
            for (const auto& element : value) (*this)(element);
        } else if constexpr (std::is_same_v<T, bool>) {
            bytes.push_back(value ? 1 : 0);
        } else {
            const auto raw = static_cast<std::make_unsigned_t<T>>(value);
            for (size_t i = 0; i < sizeof(T); ++i) bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
        }
    }
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool Failed() const { return failed_; }
    bool AtEnd() const { return at_ == bytes_.size(); }
    bool BadFlag() const { return badFlag_; }

    template <class T>
    void operator()(T& value) {
        if constexpr (IsArray<T>::value) {
            for (auto& element : value) (*this)(element);
        } else if constexpr (std::is_same_v<T, bool>) {
            const auto byte = static_cast<uint8_t>(Take(1));
            badFlag_ = badFlag_ || byte > 1;
            value = byte == 1;
        } else {
            value = static_cast<T>(static_cast<std::make_unsigned_t<T>>(Take(sizeof(T))));
        }
    }

    uint64_t Take(size_t size) {
        if (failed_ || bytes_.size() - at_ < size) {
            failed_ = true;
            return 0;
        }
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i) value |= static_cast<uint64_t>(bytes_[at_ + i]) << (8 * i);
        at_ += size;
        return value;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool failed_ = false;
    bool badFlag_ = false;
};

void PutU32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetU32(std::span<const uint8_t> bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

// ---- Checks on what was read ----------------------------------------------------

template <size_t N>
bool AllNibbles(const std::array<uint8_t, N>& values) {
    return std::all_of(values.begin(), values.end(), [](uint8_t v) { return v <= 0x0F; });
}

// Values no run of the machine can produce: a file holding them was damaged
// or made by hand, and the machine must not start from them.
std::optional<std::string> ImpossibleValue(const Machine& m) {
    const LcdController& lcd = m.Lcd;
    if (!AllNibbles(lcd.DisplayRam) || !AllNibbles(lcd.CharGenerator) || !AllNibbles(lcd.FrameBuffer) ||
        !AllNibbles(lcd.CommandBuffer) || !AllNibbles(lcd.Cursor[0].pattern) || !AllNibbles(lcd.Cursor[1].pattern)) {
        return "an LCD nibble above 15";
    }
    if (lcd.GlyphWidth < 5 || lcd.GlyphWidth > 8) return "a glyph width outside 5..8";
    for (const int32_t key : m.HeldKeys) {
        if (key < 0 || key > KeyCount) return "a held key outside 0.." + std::to_string(KeyCount);
    }
    const int32_t printSwitch = m.HeldKeys[HeldSwitchSlot];
    if (printSwitch != 0 && printSwitch != PrintSwitchKey) return "a print switch key other than 0 or " + std::to_string(PrintSwitchKey);
    if (m.Cpu.RegStep != 0x01 && m.Cpu.RegStep != 0xFF) return "a register step other than +1 or -1";
    return std::nullopt;
}

std::string SizeText(size_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

// ---- Reading the file -------------------------------------------------------------

// Reads a whole regular file of moderate size. A FIFO, device or directory is
// refused without blocking on it.
std::optional<std::string> ReadStateBytes(const std::filesystem::path& file, std::vector<uint8_t>& bytes) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string(std::strerror(errno));
    struct stat info {};
    std::optional<std::string> failure;
    if (::fstat(fd, &info) != 0) {
        failure = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        failure = "not a regular file";
    } else if (info.st_size > MaxStateFileBytes) {
        failure = "not a state file (" + SizeText(static_cast<size_t>(info.st_size)) + ", far too large)";
    } else {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                failure = std::strerror(errno);
                break;
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);  // a file that shrank while read is judged by what it held
    }
    ::close(fd);
    return failure;
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (const uint8_t byte : bytes) c = CrcTable[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::filesystem::path StateSlotPath(const std::filesystem::path& dir, int slot) {
    return dir / ("state" + std::to_string(slot) + ".vxs");
}

std::vector<uint8_t> EncodeState(const Machine& m) {
    Writer payload;
    PutU32(payload.bytes, Crc32(m.InstrRom));
    PutU32(payload.bytes, Crc32(m.DataRom));
    VisitFields(payload, m);
    std::vector<uint8_t> bytes(Magic.begin(), Magic.end());
    PutU32(bytes, StateFormatVersion);
    PutU32(bytes, static_cast<uint32_t>(payload.bytes.size()));
    PutU32(bytes, Crc32(payload.bytes));
    bytes.insert(bytes.end(), payload.bytes.begin(), payload.bytes.end());
    return bytes;
}

std::optional<std::string> DecodeState(std::span<const uint8_t> bytes, Machine& m) {
    if (bytes.size() < Magic.size() || !std::equal(Magic.begin(), Magic.end(), bytes.begin())) {
        return std::string("not a Varnox state file");
    }
    if (bytes.size() < HeaderBytes) return "cut short: " + SizeText(bytes.size()) + ", the header alone takes " + SizeText(HeaderBytes);
    const uint32_t version = GetU32(bytes, Magic.size());
    if (version != StateFormatVersion) {
        return "saved in state format version " + std::to_string(version) + "; this program reads version " +
               std::to_string(StateFormatVersion);
    }
    const size_t length = GetU32(bytes, Magic.size() + 4);
    const std::span<const uint8_t> payload = bytes.subspan(HeaderBytes);
    if (payload.size() != length) {
        return "damaged: " + SizeText(bytes.size()) + ", its header announces " + SizeText(HeaderBytes + length);
    }
    if (Crc32(payload) != GetU32(bytes, Magic.size() + 8)) return std::string("damaged: its checksum does not match");

    auto copy = std::make_unique<Machine>(m);
    Reader reader(payload);
    const uint32_t rom0 = static_cast<uint32_t>(reader.Take(4));
    const uint32_t rom1 = static_cast<uint32_t>(reader.Take(4));
    VisitFields(reader, *copy);
    if (reader.Failed() || !reader.AtEnd()) return std::string("damaged: its contents have the wrong length");
    if (rom0 != Crc32(m.InstrRom)) return std::string("saved with another instruction ROM (rom0.bin) than the one loaded");
    if (rom1 != Crc32(m.DataRom)) return std::string("saved with another data ROM (rom1.bin) than the one loaded");
    if (reader.BadFlag()) return std::string("damaged: a flag is neither 0 nor 1");
    if (const auto impossible = ImpossibleValue(*copy)) return "damaged: " + *impossible;
    m = *copy;
    return std::nullopt;
}

std::optional<std::string> SaveStateFile(const Machine& m, const std::filesystem::path& file) {
    if (const auto failure = ReplaceFile(file, EncodeState(m), OtherTargets::Refuse)) {
        return "Failed to save the state file " + file.string() + ": " + *failure;
    }
    return std::nullopt;
}

std::optional<std::string> LoadStateFile(Machine& m, const std::filesystem::path& file) {
    std::vector<uint8_t> bytes;
    std::optional<std::string> failure = ReadStateBytes(file, bytes);
    if (!failure) failure = DecodeState(bytes, m);
    if (failure) return "Failed to load the state file " + file.string() + ": " + *failure;
    return std::nullopt;
}

}  // namespace varnox
