// libFuzzer's entry for the target named by VOKSC_FUZZ_TARGET (one executable per target).
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return voksfuzz::VOKSC_FUZZ_TARGET(data, size);
}
