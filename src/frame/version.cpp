// The library's one constant version record.
#include "voksc.h"

namespace {
constexpr VokLibraryVersion kVersion = {8, 0, 1, 40318, {'r', '6', '\0', '\0'},
                                        "vokSC AVX2 (r6)", "8.0.1 (r40318)", "Jul 11 2013"};
}  // namespace

extern "C" VOKSC_API const VokLibraryVersion* vokscGetLibVersion(void) { return &kVersion; }
