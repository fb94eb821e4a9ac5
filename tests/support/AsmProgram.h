// Test programs written as assembly source, loaded into a machine's ROMs.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "asm/SourceAsm.h"
#include "core/Def.h"

namespace varnox::test {

// Assembles the source into InstrRom and DataRom; returns the errors, one
// a line, or "" when it loaded.
inline std::string LoadSource(Machine& m, std::string_view source) {
    const SourceImages images = AssembleSource(source);
    std::string errors;
    for (const SourceError& e : images.Errors) errors += FormatSourceError("test.asm", e) + "\n";
    if (!errors.empty()) return errors;
    std::copy_n(images.Rom0.begin(), std::min(images.Rom0.size(), m.InstrRom.size()), m.InstrRom.begin());
    std::copy_n(images.Rom1.begin(), std::min(images.Rom1.size(), m.DataRom.size()), m.DataRom.begin());
    return errors;
}

}  // namespace varnox::test
