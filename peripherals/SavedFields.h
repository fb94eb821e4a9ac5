// How the structs of the machine list the fields a save state carries.
//
// Each such struct has a static member template, next to its fields,
//
//     template <class Io, class Self> static void Fields(Io& io, Self& self);
//
// that calls io(name, field) for every saved field in file order, and
// io(name, field, reach) where a running machine only ever leaves some
// values in the field. A field added after the first format version says
// since which version it is there: io(name, field, reach, version). The
// writer, the reader (which refuses values out of reach) and the tests all
// walk the same list. `Self` is the struct or a const one, so one list
// serves both reading and writing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

namespace varnox {

// The values a running machine can leave in a field: low..high, and when
// `only` is not empty, just those of its values.
struct Reach {
    int64_t low = INT64_MIN;
    int64_t high = INT64_MAX;
    std::span<const int32_t> only{};

    constexpr bool Holds(int64_t value) const {
        if (value < low || value > high) return false;
        if (only.empty()) return true;
        for (const int32_t allowed : only) {
            if (allowed == value) return true;
        }
        return false;
    }
};

// Any value of the field's type.
inline constexpr Reach AnyValue{};
// One nibble per byte.
inline constexpr Reach NibbleValue{0, 15};

// The first format version; fields listed without a version date from it.
inline constexpr uint32_t FirstStateVersion = 1;

// Names of records in a list of records, for messages ("Cursor[1].half").
// Visitors that name fields implement Enter and Leave; the others inherit
// these.
struct FieldVisitor {
    void Enter(const char*) {}
    void Leave() {}
};

}  // namespace varnox
