// Placeholder.
#include "peripherals/Lcd.h"

namespace varnox {

void LcdReset(LcdController&) {}
void LcdBeginTransfer(LcdController&) {}
uint8_t LcdTransfer(LcdController&, uint8_t) { return 0x0F; }
uint8_t LcdApplyOp(uint8_t target, uint8_t, int) { return target; }
void LcdRefresh(LcdController&) {}
void ExpandCharGenerator(LcdController&) {}

}  // namespace varnox
