// Snapshots walk the save state's field list, so a field added to the
// machine is kept here as soon as states keep it.
#include "system/Snapshot.h"

#include <cstring>
#include <memory>
#include <type_traits>

#include "peripherals/SavedFields.h"

namespace varnox {
namespace {

// Each field's bytes as they are in memory: the copy goes back into the
// same program, so no byte order or checks are needed.
template <bool Restoring>
class RawCopy : public FieldVisitor {
public:
    explicit RawCopy(uint8_t* at) : at_(at) {}
    size_t Done() const { return done_; }

    template <class T>
    void operator()(const char*, T& value, Reach = AnyValue, uint32_t = FirstStateVersion) {
        static_assert(std::is_trivially_copyable_v<std::remove_const_t<T>>);
        if (at_) {
            if constexpr (Restoring) {
                std::memcpy(&value, at_ + done_, sizeof(T));
            } else {
                std::memcpy(at_ + done_, &value, sizeof(T));
            }
        }
        done_ += sizeof(T);
    }

private:
    uint8_t* at_;
    size_t done_ = 0;
};

}  // namespace

size_t SnapshotBytes() {
    static const size_t bytes = [] {
        // Without a target only the fields' sizes are counted.
        RawCopy<false> count(nullptr);
        Machine::Fields(count, *std::make_unique<const Machine>());
        return count.Done();
    }();
    return bytes;
}

void TakeSnapshot(const Machine& m, std::span<uint8_t> into) {
    RawCopy<false> copy(into.data());
    Machine::Fields(copy, m);
}

void RestoreSnapshot(Machine& m, std::span<const uint8_t> from) {
    RawCopy<true> copy(const_cast<uint8_t*>(from.data()));
    Machine::Fields(copy, m);
}

void RewindRing::Take(const Machine& m, long long tick) {
    if (block_.empty()) {
        bytes_ = SnapshotBytes();
        block_.resize(bytes_ * Capacity);
        ticks_.resize(Capacity);
    }
    if (count_ > 0 && ticks_[newest_] == tick) return;  // kept already
    newest_ = count_ == 0 ? 0 : (newest_ + 1) % Capacity;
    if (count_ < Capacity) ++count_;
    ticks_[newest_] = tick;
    TakeSnapshot(m, std::span(block_).subspan(newest_ * bytes_, bytes_));
}

long long RewindRing::StepBack(Machine& m, long long tick) {
    if (count_ == 0 || OldestTick() >= tick) return -1;
    while (count_ > 0 && ticks_[newest_] >= tick) {
        newest_ = Index(1);
        --count_;
    }
    if (count_ == 0) return -1;
    RestoreSnapshot(m, std::span(block_).subspan(newest_ * bytes_, bytes_));
    return ticks_[newest_];
}

long long RewindRing::OldestTick() const { return count_ == 0 ? -1 : ticks_[Index(count_ - 1)]; }

}  // namespace varnox
