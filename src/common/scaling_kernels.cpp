// Scalar kernels of the element-wise scaling operations (the definition of their AVX2 twins).
#include "common/basicop.h"
#include "common/kernels.h"

namespace voks::common {
namespace scalar {
namespace {

VOKS_SCALAR int16_t round_shift(int32_t p, int sf) {
    if (sf == 0) return sat16(p);
    return sat16((int64_t{p} + (int64_t{1} << (sf - 1))) >> sf);
}
}  // namespace

VOKS_SCALAR void mul_nr(const int16_t* a, const int16_t* b, int16_t* dst, int len, int sf) {
    for (int i = 0; i < len; ++i) dst[i] = round_shift(int32_t{a[i]} * b[i], sf);
}

VOKS_SCALAR void mulc_nr(const int16_t* src, int16_t c, int16_t* dst, int len, int sf) {
    for (int i = 0; i < len; ++i) dst[i] = round_shift(int32_t{src[i]} * c, sf);
}

VOKS_SCALAR int16_t max_abs(const int16_t* src, int len) {
    int16_t m = 0;
    for (int i = 0; i < len; ++i) {
        const int16_t v = abs_s(src[i]);
        if (v > m) m = v;
    }
    return m;
}

VOKS_SCALAR void shift(const int16_t* src, int16_t* dst, int len, int shift) {
    if (shift >= 0) {
        for (int i = 0; i < len; ++i) dst[i] = static_cast<int16_t>(static_cast<uint16_t>(src[i]) << shift);
    } else {
        const int n = -shift > 15 ? 15 : -shift;
        for (int i = 0; i < len; ++i) dst[i] = static_cast<int16_t>(src[i] >> n);
    }
}

}  // namespace scalar
}  // namespace voks::common
