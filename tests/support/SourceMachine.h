// Test programs written as assembly source, assembled into a fresh machine.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "asm/SourceAsm.h"
#include "core/Def.h"

namespace varnox::test {

// Both ROM images of the source in a new machine; the source must assemble.
inline std::unique_ptr<Machine> MachineFromSource(std::string_view source) {
    const SourceImages images = AssembleSource(source);
    EXPECT_TRUE(images.Errors.empty()) << (images.Errors.empty() ? "" : images.Errors.front().Message);
    auto m = std::make_unique<Machine>();
    std::copy_n(images.Rom0.begin(), std::min(images.Rom0.size(), m->InstrRom.size()), m->InstrRom.begin());
    std::copy_n(images.Rom1.begin(), std::min(images.Rom1.size(), m->DataRom.size()), m->DataRom.begin());
    return m;
}

}  // namespace varnox::test
