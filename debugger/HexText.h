// Numbers as the debugger shows them.
#pragma once

#include <string>

namespace varnox {

// "1A2F" and the like: upper-case hex with leading zeros, the lowest
// `digits` digits of the value.
std::string HexText(unsigned value, int digits);

}  // namespace varnox
