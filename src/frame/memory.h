// Temporary work buffers for operations whose caller supplied none. Every buffer is released
// before the operation that took it returns.
#ifndef VOKS_FRAME_MEMORY_H
#define VOKS_FRAME_MEMORY_H

#include "voksc/types.h"

namespace voks {

Vok8u* voksMalloc_8u(int len);    // null when len < 1 or allocation fails
Vok32f* voksMalloc_32f(int len);  // len floats; null when len < 1, len too large or on failure
void voksFree(void* p);

}  // namespace voks

#endif  // VOKS_FRAME_MEMORY_H
