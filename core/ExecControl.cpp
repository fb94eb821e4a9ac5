// Placeholder.
#include "core/Exec.h"

namespace varnox {

void JumpIfSetOp(Machine&, uint8_t) {}
void JumpIfClearOp(Machine&, uint8_t) {}
void JumpIfKeyOp(Machine&, uint8_t) {}
void JumpIfNoKeyOp(Machine&, uint8_t) {}
void ReturnOp(Machine&, uint8_t) {}
void CancelIrqOp(Machine&, uint8_t) {}
void ReturnIrqOp(Machine&, uint8_t) {}
void TrapOp(Machine&, uint8_t) {}
void OffOp(Machine&, uint8_t) {}
void PutImmOp(Machine&, uint8_t) {}
void PutRegOp(Machine&, uint8_t) {}
void GetOp(Machine&, uint8_t) {}
void LcdLoadOp(Machine&, uint8_t) {}
void LcdLoadLowOp(Machine&, uint8_t) {}
void LcdStoreOp(Machine&, uint8_t) {}
void LcdStoreLowOp(Machine&, uint8_t) {}
void LcdLoadMultiOp(Machine&, uint8_t) {}
void LcdLoadLowMultiOp(Machine&, uint8_t) {}
void LcdStoreMultiOp(Machine&, uint8_t) {}
void LcdStoreLowMultiOp(Machine&, uint8_t) {}
void WritePort(Machine&, uint8_t, uint8_t) {}

}  // namespace varnox
