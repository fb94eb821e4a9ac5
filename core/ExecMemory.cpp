// Placeholder.
#include "core/Exec.h"

namespace varnox {

void LoadWordOp(Machine&, uint8_t) {}
void IndexImmOp(Machine&, uint8_t) {}
void StoreIndexOp(Machine&, uint8_t) {}
void StoreIndexMultiOp(Machine&, uint8_t) {}
void LoadIndexOp(Machine&, uint8_t) {}
void LoadIndexMultiOp(Machine&, uint8_t) {}
void StoreImmOp(Machine&, uint8_t) {}
void StoreDispOp(Machine&, uint8_t) {}
void LoadDispOp(Machine&, uint8_t) {}
void StoreRegDispOp(Machine&, uint8_t) {}
void LoadRegDispOp(Machine&, uint8_t) {}
void StoreDispMultiOp(Machine&, uint8_t) {}
void LoadDispMultiOp(Machine&, uint8_t) {}
void StoreRegDispMultiOp(Machine&, uint8_t) {}
void LoadRegDispMultiOp(Machine&, uint8_t) {}
void BlockMoveOp(Machine&, uint8_t) {}
void SearchOp(Machine&, uint8_t) {}

}  // namespace varnox
