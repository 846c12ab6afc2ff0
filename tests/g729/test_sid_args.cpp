// Argument checks of the G.729 Annex B silence-compression operations, in their documented order:
// a failed check returns its status and leaves every buffer (outputs, memories, seed) byte for
// byte as it was.
#include <cstring>

#include "support/args.h"

namespace {

using namespace argcheck;
using std::tuple;

// Every buffer an operation may touch: canary bytes everywhere, then valid inputs.
struct Bufs {
    int16_t x[240], lsf[10], mem[40], idx[3], out16[16], outb[4], exp, seed;
    int32_t r[13], idx32[3], out32[16];
    float lsff[10], memf[40], outf[240];
    int16_t outn[240];
    Bufs() {
        std::memset(static_cast<void*>(this), 0xA5, sizeof *this);
        for (int i = 0; i < 240; ++i) x[i] = static_cast<int16_t>((i * 977) % 2001 - 1000);
        for (int i = 0; i < 10; ++i) {
            lsf[i] = static_cast<int16_t>(2339 * (i + 1));
            lsff[i] = lsf[i] / 8192.0f;
        }
        for (int i = 0; i < 40; ++i) {
            mem[i] = lsf[i % 10];
            memf[i] = lsff[i % 10];
        }
        for (int i = 0; i <= 12; ++i) r[i] = 0x40000000 >> i;
        const int16_t good[3] = {1, 7, 9};
        for (int i = 0; i < 3; ++i) idx32[i] = idx[i] = good[i];
        seed = 11111;
    }
};

// A planted value in the 16-bit and the 32-bit index vectors.
auto index(int i, int v) {
    return [i, v](Bufs& b) { b.idx[i] = static_cast<int16_t>(b.idx32[i] = v); };
}

TEST(G729SidArgs, Operations) {
    // clang-format off
    ARGS(voksAutoCorr_G729B, [](Bufs& b) { return tuple(b.x, &b.exp, b.r); });
    // An energy outside the recursion's range, or an unstable filter, is a warning that writes nothing.
    ARGS(voksLevinsonDurbin_G729B, [](Bufs& b) { return tuple(b.r, b.out16, b.outb, &b.exp); })
        .quiet(vokStatusOverflow, [](Bufs& b) { b.r[0] = 0xFFFF; })
        .quiet(vokStatusOverflow, [](Bufs& b) { b.r[0] = -0x40000000; })
        .quiet(vokStatusOverflow, [](Bufs& b) { b.r[1] = b.r[0]; });
    ARGS(voksLSFQuant_G729B_16s, [](Bufs& b) { return tuple(b.lsf, b.mem, b.out16, b.idx); });
    ARGS(voksLSFQuant_G729B_32f, [](Bufs& b) { return tuple(b.lsff, b.memf, b.outf, b.idx32); });
    // The predictor mode first, then the two stage indices; boundary values pass.
    ARGS(voksLSFDecode_G729B_16s, [](Bufs& b) { return tuple(b.idx, b.mem, b.out16); })
        .fail(kParam, index(0, 2)).fail(kParam, index(0, -1), index(1, 32)).fail(kRange, index(1, 32))
        .fail(kRange, index(1, -1)).fail(kRange, index(2, 16)).fail(kRange, index(2, -1))
        .pass(index(0, 0), index(1, 31), index(2, 15)).pass(index(1, 0), index(2, 0));
    ARGS(voksLSFDecode_G729B_32f, [](Bufs& b) { return tuple(b.idx32, b.memf, b.outf); })
        .fail(kParam, index(0, 2)).fail(kRange, index(1, 32)).fail(kRange, index(2, -1))
        .pass(index(1, 31), index(2, 15));
    for (int len : {0, -1, -240}) {
        ARGS(voksRandomNoiseExcitation_G729B_16s, [](Bufs& b) { return tuple(&b.seed, b.outn, 240); })
            .fail(kSize, at<2>(len)).pass(at<2>(1));
        ARGS(voksRandomNoiseExcitation_G729B_16s32f, [](Bufs& b) { return tuple(&b.seed, b.outf, 240); })
            .fail(kSize, at<2>(len)).pass(at<2>(1));
    }
    // clang-format on
}

}  // namespace
