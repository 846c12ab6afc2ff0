#include "frame/memory.h"

#include "core/vokcore.h"

namespace voks {

Vok8u* voksMalloc_8u(int len) {
    if (len < 1) return nullptr;
    return static_cast<Vok8u*>(vokMalloc(len));
}

Vok32f* voksMalloc_32f(int len) {
    // len * 4 must fit the core allocator's int size; a wrapped size would under-allocate.
    if (len < 1 || len > 0x7FFFFFFF / 4) return nullptr;
    return static_cast<Vok32f*>(vokMalloc(len * 4));
}

void voksFree(void* p) { vokFree(p); }

}  // namespace voks
