// G.722 sub-band ADPCM: the scalar kernel (the definition every other level must equal).
#include <cstring>

#include "g722/g722_adpcm.h"
#include "g722/kernels.h"

namespace voks::g722 {
namespace {

struct ScalarKernel {
    struct Taps {
        int b[6];
        int d[6];  // d[0] newest
        void load(const int16_t* bs, const int32_t* ds) {
            for (int i = 0; i < 6; ++i) b[i] = bs[i], d[i] = static_cast<int16_t>(ds[i]);
        }
        void store(int16_t* bs, int32_t* ds) const {
            for (int i = 0; i < 6; ++i) bs[i] = static_cast<int16_t>(b[i]), ds[i] = d[i];
        }
        int update(int dq) {
            // UPZERO: sign-sign update with leakage 32640/32768; the sum never leaves 16 bits.
            const int g = dq == 0 ? 0 : 128;
            for (int i = 0; i < 6; ++i) b[i] = ((b[i] * 32640) >> 15) + (((dq ^ d[i]) < 0) ? -g : g);
            for (int i = 5; i > 0; --i) d[i] = d[i - 1];
            d[0] = dq;
            // FILTEZ, saturated after every term, oldest tap first. The differences are
            // inverse-quantiser outputs (|d| <= 10228), so 2d and every product stay in 16 bits;
            // the partial sums are formed exactly, and the saturating chain runs only when one
            // of them leaves 16 bits.
            int t[6];
            for (int i = 0; i < 6; ++i) t[i] = (2 * d[i] * b[i]) >> 15;
            const int s5 = t[5], s4 = s5 + t[4], s3 = s4 + t[3], s2 = s3 + t[2], s1 = s2 + t[1];
            int sz = s1 + t[0];
            const unsigned wide = static_cast<unsigned>((s4 + 32768) | (s3 + 32768) | (s2 + 32768) |
                                                        (s1 + 32768) | (sz + 32768));
            if (wide > 0xFFFF) {
                sz = 0;
                for (int i = 5; i >= 0; --i) sz = band::lim16(sz + t[i]);
            }
            return sz;
        }
    };
    static int below(int16_t wd, const int16_t* row) {
        int c = 0;
        for (int k = 0; k < 32; ++k) c += wd > row[k];
        return c;
    }
};

}  // namespace

void init_state(AdpcmState& s) {
    std::memset(&s, 0, sizeof s);
    s.detl = 32;
    s.deth = 8;
}

void scalar::encode(const int16_t* sub, int16_t* codes, int pairs, AdpcmState& st) {
    band::encode<ScalarKernel>(sub, codes, pairs, st);
}

void scalar::decode(const int16_t* codes, int16_t* sub, int pairs, int mode, AdpcmState& st) {
    band::decode<ScalarKernel>(codes, sub, pairs, mode, st);
}

}  // namespace voks::g722
