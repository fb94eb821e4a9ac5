// Placeholder.
#include "core/Exec.h"

namespace varnox {

uint8_t AluBinary(CpuState&, uint8_t, uint8_t, uint8_t b) { return b; }
uint8_t AluUnary(CpuState&, uint8_t, uint8_t&, uint8_t) { return 0; }
void AluExchange(uint8_t, uint8_t&, uint8_t&) {}

}  // namespace varnox
