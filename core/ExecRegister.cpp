// Placeholder.
#include "core/Exec.h"

namespace varnox {

void RegRegOp(Machine&, uint8_t) {}
void RegRegRevOp(Machine&, uint8_t) {}
void RegRegMultiOp(Machine&, uint8_t) {}
void RegRegMultiRevOp(Machine&, uint8_t) {}
void TestRegRegOp(Machine&, uint8_t) {}
void TestRegRegRevOp(Machine&, uint8_t) {}
void TestRegRegMultiOp(Machine&, uint8_t) {}
void TestRegRegMultiRevOp(Machine&, uint8_t) {}
void ExchangeOp(Machine&, uint8_t) {}
void ExchangeMultiOp(Machine&, uint8_t) {}
void RegImmOp(Machine&, uint8_t) {}
void TestRegImmOp(Machine&, uint8_t) {}
void RegImmMultiOp(Machine&, uint8_t) {}
void TestRegImmMultiOp(Machine&, uint8_t) {}
void UnaryOp(Machine&, uint8_t) {}
void RotateOp(Machine&, uint8_t) {}
void UnaryMultiOp(Machine&, uint8_t) {}
void RotateMultiOp(Machine&, uint8_t) {}
void UnaryRangeOp(Machine&, uint8_t) {}
void NopOp(Machine&, uint8_t) {}

}  // namespace varnox
