// LSP -> LPC conversion against the reference chain (Get_lsp_pol and Lsp_Az built here from the
// basic operators): ordered LSP sets of speech-like spacing, sets crowded towards -1 and +1 where
// the Q24 polynomial coefficients grow past 32 bits and saturate, and unordered or full-scale
// values, including -32768.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/basicop.h"
#include "voksc.h"

namespace {

using namespace voks;

void reference_poly(const int16_t* lsp, int32_t* f) {
    f[0] = L_mult(4096, 2048);
    f[1] = L_msu(0, lsp[0], 512);
    for (int i = 2; i <= 5; ++i) {
        f[i] = f[i - 2];
        for (int j = 1; j < i; ++j) {
            int16_t hi = 0, lo = 0;
            L_Extract(f[i - j], hi, lo);
            const int32_t t0 = L_shl(Mpy_32_16(hi, lo, lsp[2 * i - 2]), 1);
            f[i - j + 1] = L_sub(L_add(f[i - j + 1], f[i - j - 1]), t0);
        }
        f[1] = L_msu(f[1], lsp[2 * i - 2], 512);
    }
}

void reference_lsp_az(const int16_t* lsp, int16_t* a) {
    int32_t f1[6], f2[6];
    reference_poly(lsp, f1);
    reference_poly(lsp + 1, f2);
    for (int i = 5; i > 0; --i) {
        f1[i] = L_add(f1[i], f1[i - 1]);
        f2[i] = L_sub(f2[i], f2[i - 1]);
    }
    a[0] = 4096;
    for (int i = 1, j = 10; i <= 5; ++i, --j) {
        a[i] = extract_l(L_shr_r(L_add(f1[i], f2[i]), 13));
        a[j] = extract_l(L_shr_r(L_sub(f1[i], f2[i]), 13));
    }
}

struct Lcg {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
};

TEST(LspPolynomial, AgainstTheReferenceChain) {
    Lcg g{0x15B9u};
    int crowded = 0;
    for (int iter = 0; iter < 6000; ++iter) {
        int16_t lsp[10];
        const int kind = iter % 4;
        for (int16_t& v : lsp) {
            const uint32_t r = g.next() >> 16;
            switch (kind) {
                case 0: v = static_cast<int16_t>(static_cast<int32_t>(r) - 32768); break;        // anywhere
                case 1: v = static_cast<int16_t>(-32768 + static_cast<int32_t>(r % 3000)); break;  // near -1
                case 2: v = static_cast<int16_t>(32767 - static_cast<int32_t>(r % 3000)); break;   // near +1
                default: v = static_cast<int16_t>(static_cast<int32_t>(r % 60000) - 30000); break;
            }
        }
        if (kind != 0) std::sort(lsp, lsp + 10, [](int16_t x, int16_t y) { return x > y; });  // cosines decrease
        if (iter % 50 == 0) lsp[2 * (1 + iter / 50 % 4)] = -32768;
        crowded += kind == 1;
        int16_t want[11], got[11];
        reference_lsp_az(lsp, want);
        std::memset(got, 0x5A, sizeof got);
        ASSERT_EQ(vokStatusOk, voksLSPToLPC_G729_16s(lsp, got));
        ASSERT_EQ(0, std::memcmp(want, got, sizeof want)) << "case " << iter;
    }
    EXPECT_GT(crowded, 1000);
}

}  // namespace
