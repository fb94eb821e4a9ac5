// Handler families with their argument fixed at compile time. A family's
// body serves every argument, choosing the operation, step or port at run
// time; an instance made here is the same body with the argument as a
// constant and everything it calls inlined, so the choice costs nothing.
// The dispatch table holds these instances; the instruction set keeps the
// families.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "core/Def.h"

namespace varnox {

template <Handler Family, uint8_t Arg>
[[gnu::flatten]] void FixedArgHandler(Machine& m, uint8_t) {
    Family(m, Arg);
}

// A family and its instances, one per argument value from 0.
struct FixedArgFamily {
    Handler family;
    std::span<const Handler> instances;
};

template <Handler Family, size_t... Args>
constexpr std::array<Handler, sizeof...(Args)> MakeFixedArgHandlers(std::index_sequence<Args...>) {
    return {&FixedArgHandler<Family, static_cast<uint8_t>(Args)>...};
}

// Instantiate only in the file that defines the family, so its body can be
// inlined into each instance.
template <Handler Family, size_t Count>
inline constexpr std::array<Handler, Count> FixedArgHandlers = MakeFixedArgHandlers<Family>(std::make_index_sequence<Count>{});

template <Handler Family, size_t Count>
constexpr FixedArgFamily FixedArgs() {
    return {Family, FixedArgHandlers<Family, Count>};
}

// The families of each handler file that have fixed-argument instances.
std::span<const FixedArgFamily> RegisterFixedArgFamilies();
std::span<const FixedArgFamily> MemoryFixedArgFamilies();
std::span<const FixedArgFamily> ControlFixedArgFamilies();

}  // namespace varnox
