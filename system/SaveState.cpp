// Save states: the writer and the reader walk the machine's one field list,
// so the two cannot drift apart; the reader works on a copy of the machine
// and hands it over only when everything in the file was right.
#include "system/SaveState.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

#include "core/Crc32.h"
#include "peripherals/SavedFields.h"
#include "system/AtomicReplace.h"
#include "system/BoundedRead.h"

namespace varnox {
namespace {

constexpr std::array<uint8_t, 8> Magic{'V', 'A', 'R', 'N', 'O', 'X', 'S', 'T'};
constexpr size_t HeaderBytes = Magic.size() + 3 * sizeof(uint32_t);
// Far above any version's payload; a bigger file is something else.
constexpr size_t MaxStateFileBytes = 1 << 20;

// ---- Writing and reading the fields -------------------------------------------
// Both walk Machine::Fields (core/Def.h), the one list of what a state holds.

template <class T>
struct IsArray : std::false_type {};
template <class T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

class Writer : public FieldVisitor {
public:
    std::vector<uint8_t> bytes;

    template <class T>
    void operator()(const char*, const T& value, Reach = AnyValue, uint32_t = FirstStateVersion) {
        if constexpr (IsArray<T>::value) {
            for (const auto& element : value) Put(element);
        } else {
            Put(value);
        }
    }

private:
    template <class T>
    void Put(const T& value) {
        if constexpr (std::is_same_v<T, bool>) {
            bytes.push_back(value ? 1 : 0);
        } else {
            const auto raw = static_cast<std::make_unsigned_t<T>>(value);
            for (size_t i = 0; i < sizeof(T); ++i) bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
        }
    }
};

// Reads the fields of a file of format `version`. Fields newer than the
// file keep their start value, 0.
class Reader : public FieldVisitor {
public:
    Reader(std::span<const uint8_t> bytes, uint32_t version) : bytes_(bytes), version_(version) {}
    bool Failed() const { return failed_; }
    bool AtEnd() const { return at_ == bytes_.size(); }
    // The first flag that was neither 0 nor 1, if one was.
    const std::optional<std::string>& BadFlag() const { return badFlag_; }

    void Enter(const char* record) { record_ = record; }
    void Leave() { record_ = nullptr; }

    template <class T>
    void operator()(const char* name, T& value, Reach = AnyValue, uint32_t since = FirstStateVersion) {
        if (since > version_) {
            value = T{};
        } else if constexpr (IsArray<T>::value) {
            for (auto& element : value) Get(name, element);
        } else {
            Get(name, value);
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
    template <class T>
    void Get(const char* name, T& value) {
        if constexpr (std::is_same_v<T, bool>) {
            const auto byte = static_cast<uint8_t>(Take(1));
            if (byte > 1 && !badFlag_) {
                badFlag_ = (record_ ? std::string(record_) + "." : std::string()) + name + " is " + std::to_string(byte) + ", not 0 or 1";
            }
            value = byte == 1;
        } else {
            value = static_cast<T>(static_cast<std::make_unsigned_t<T>>(Take(sizeof(T))));
        }
    }

    std::span<const uint8_t> bytes_;
    uint32_t version_;
    size_t at_ = 0;
    bool failed_ = false;
    const char* record_ = nullptr;
    std::optional<std::string> badFlag_;
};

// Finds the first field holding a value out of its reach.
class ReachCheck : public FieldVisitor {
public:
    std::optional<std::string> problem;

    void Enter(const char* record) { record_ = record; }
    void Leave() { record_ = nullptr; }

    template <class T>
    void operator()(const char* name, const T& value, Reach reach = AnyValue, uint32_t = FirstStateVersion) {
        if (problem || TakesAnyValue<T>(reach)) return;
        if constexpr (IsArray<T>::value) {
            for (size_t i = 0; i < value.size() && !problem; ++i) Check(name, static_cast<long long>(i), value[i], reach);
        } else {
            Check(name, -1, value, reach);
        }
    }

private:
    template <class T>
    static bool TakesAnyValue(Reach reach) {
        if constexpr (IsArray<T>::value) {
            return TakesAnyValue<typename T::value_type>(reach);
        } else if constexpr (std::is_same_v<T, bool>) {
            return true;  // flags are checked as they are read
        } else {
            // AnyValue is any value of a type of 64 bits too, unsigned ones
            // included.
            if (reach.only.empty() && reach.low == AnyValue.low && reach.high == AnyValue.high) return true;
            return reach.only.empty() && std::cmp_less_equal(reach.low, std::numeric_limits<T>::min()) &&
                   std::cmp_greater_equal(reach.high, std::numeric_limits<T>::max());
        }
    }

    template <class T>
    void Check(const char* name, long long index, const T& value, Reach reach) {
        if constexpr (!std::is_same_v<T, bool>) {
            if (reach.Holds(value)) return;
            std::string field = record_ ? std::string(record_) + "." + name : std::string(name);
            if (index >= 0) {
                field += '[';
                field += std::to_string(index);
                field += ']';
            }
            problem = field + " is " + std::to_string(value) + ", " + ReachText(reach);
        }
    }

    static std::string ReachText(Reach reach) {
        if (reach.only.empty()) return "outside " + std::to_string(reach.low) + ".." + std::to_string(reach.high);
        std::string text = "not one of ";
        for (size_t i = 0; i < reach.only.size(); ++i) text += (i ? ", " : "") + std::to_string(reach.only[i]);
        return text;
    }

    const char* record_ = nullptr;
};

void PutU32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetU32(std::span<const uint8_t> bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

std::string SizeText(size_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

}  // namespace

std::filesystem::path StateSlotPath(const std::filesystem::path& dir, int slot) {
    return dir / ("state" + std::to_string(slot) + ".vxs");
}

std::optional<std::string> UnreachableField(const Machine& m) {
    ReachCheck check;
    Machine::Fields(check, m);
    return check.problem;
}

std::vector<uint8_t> EncodeState(const Machine& m) {
    Writer payload;
    PutU32(payload.bytes, Crc32(m.InstrRom));
    PutU32(payload.bytes, Crc32(m.DataRom));
    Machine::Fields(payload, m);
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
    if (version < FirstStateVersion || version > StateFormatVersion) {
        return "saved in state format version " + std::to_string(version) + "; this program reads versions " +
               std::to_string(FirstStateVersion) + " to " + std::to_string(StateFormatVersion);
    }
    const size_t length = GetU32(bytes, Magic.size() + 4);
    const std::span<const uint8_t> payload = bytes.subspan(HeaderBytes);
    if (payload.size() != length) {
        return "damaged: " + SizeText(bytes.size()) + ", its header announces " + SizeText(HeaderBytes + length);
    }
    if (Crc32(payload) != GetU32(bytes, Magic.size() + 8)) return std::string("damaged: its checksum does not match");

    auto copy = std::make_unique<Machine>(m);
    Reader reader(payload, version);
    const uint32_t rom0 = static_cast<uint32_t>(reader.Take(4));
    const uint32_t rom1 = static_cast<uint32_t>(reader.Take(4));
    Machine::Fields(reader, *copy);
    if (reader.Failed() || !reader.AtEnd()) return std::string("damaged: its contents have the wrong length");
    if (rom0 != Crc32(m.InstrRom)) return std::string("saved with another instruction ROM (rom0.bin) than the one loaded");
    if (rom1 != Crc32(m.DataRom)) return std::string("saved with another data ROM (rom1.bin) than the one loaded");
    if (const auto& flag = reader.BadFlag()) return "damaged: " + *flag;
    // A value no run can leave was damaged or made by hand: the machine
    // must not start from it (a budget far below zero would stop it for
    // hours, a timer period off the table would storm it with interrupts).
    if (const auto problem = UnreachableField(*copy)) return "damaged: " + *problem;
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
    std::optional<std::string> failure = ReadBoundedFile(file, MaxStateFileBytes, "state file", bytes);
    if (!failure) failure = DecodeState(bytes, m);
    if (failure) return "Failed to load the state file " + file.string() + ": " + *failure;
    return std::nullopt;
}

}  // namespace varnox
