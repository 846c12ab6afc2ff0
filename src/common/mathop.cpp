#include "common/mathop.h"

#include "common/basicop.h"

namespace voks {

namespace {
constexpr int16_t kInvSqrt[49] = {32767, 31790, 30894, 30070, 29309, 28602, 27945, 27330, 26755, 26214,
                                  25705, 25225, 24770, 24339, 23930, 23541, 23170, 22817, 22479, 22155,
                                  21845, 21548, 21263, 20988, 20724, 20470, 20225, 19988, 19760, 19539,
                                  19326, 19119, 18919, 18725, 18536, 18354, 18176, 18004, 17837, 17674,
                                  17515, 17361, 17211, 17064, 16921, 16782, 16646, 16514, 16384};

}  // namespace

int32_t ownInvSqrt(int32_t x) {
    if (x <= 0) return 0x3FFFFFFF;
    int16_t e = norm_l(x);
    x = ownNormShift(x, e);
    e = sub(30, e);
    if ((e & 1) == 0) x = L_shr(x, 1);
    e = add(shr(e, 1), 1);
    x = L_shr(x, 9);
    const int16_t i = sub(extract_h(x), 16);
    const int16_t a = static_cast<int16_t>(extract_l(L_shr(x, 1)) & 0x7FFF);
    return L_shr(interpolate_q15(kInvSqrt, i, a), e);
}

}  // namespace voks
