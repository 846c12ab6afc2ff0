// G.722 kernels: transmit/receive QMF (AVX2) and the sub-band ADPCM encoder/decoder (x86 vector
// kernel) against their scalar twins, outputs, delay lines and states compared bit for bit.
#include <cstring>

#include "checkasm.h"
#include "g722/kernels.h"

using namespace checkasm;
namespace g7 = voks::g722;

namespace {

// Runs a QMF kernel pair on `pairs` pairs from a random delay line, out of place and in place.
void check_qmf(Context& ctx, const char* name, g7::qmf_tx_fn* scalar, g7::qmf_tx_fn* vector) {
    for (int pairs : lengths()) {
        if (pairs == 0) continue;
        const int n = 2 * pairs;
        for (int off : offsets<int16_t>()) {
            for (Pattern p : kPatterns) {
                Buffer<int16_t> in(n, off), out1(n, (off + 3) % 16), out2(n, (off + 3) % 16);
                fill16(ctx.rng, p, in.data(), n);
                int16_t d1[24], d2[24];
                fill16(ctx.rng, p == Pattern::Zeros ? Pattern::Random : p, d1, 24);
                std::memcpy(d2, d1, sizeof d1);
                scalar(in.data(), out1.data(), pairs, d1);
                vector(in.data(), out2.data(), pairs, d2);
                ++ctx.checks;
                const int diff = first_difference(out1.data(), out2.data(), n);
                if (diff >= 0)
                    ctx.fail(name, "avx2", n, off, p, diff);
                else if (std::memcmp(d1, d2, sizeof d1) != 0)
                    ctx.fail(name, "avx2", n, off, p, first_difference(d1, d2, 24), "delay line differs");
                else if (!out1.guards_intact() || !out2.guards_intact() || !in.guards_intact())
                    ctx.fail(name, "avx2", n, off, p, -1, "guard zone written");
                // In place: the source buffer becomes the output.
                if (off == 0) {
                    std::memcpy(out2.data(), in.data(), sizeof(int16_t) * n);
                    int16_t d3[24];
                    std::memcpy(d3, d1, sizeof d1);
                    std::memcpy(d2, d1, sizeof d1);
                    scalar(in.data(), out1.data(), pairs, d3);
                    vector(out2.data(), out2.data(), pairs, d2);
                    const int d = first_difference(out1.data(), out2.data(), n);
                    if (d >= 0) ctx.fail(name, "avx2", n, off, p, d, "in place");
                }
            }
        }
    }
}

// A mid-stream state: Init, then 64 pairs of seeded input through the scalar kernel.
g7::AdpcmState warm_state(Rng& rng, bool decoder) {
    g7::AdpcmState s;
    g7::init_state(s);
    int16_t in[128], out[128];
    fill16(rng, Pattern::Random, in, 128);
    if (decoder)
        g7::scalar::decode(in, out, 64, 1, s);
    else
        g7::scalar::encode(in, out, 64, s);
    return s;
}

void check_adpcm(Context& ctx, bool decoder, int mode) {
    const char* name = decoder ? "adpcm_decode" : "adpcm_encode";
    const std::string detail = decoder ? "mode=" + std::to_string(mode) : "";
    for (int pairs : lengths()) {
        if (pairs == 0) continue;
        const int n = 2 * pairs;
        for (int off : {0, 1, 7}) {
            for (Pattern p : kPatterns) {
                Buffer<int16_t> in(n, off), out1(n, off), out2(n, off);
                fill16(ctx.rng, p, in.data(), n);
                for (bool warm : {false, true}) {
                    g7::AdpcmState s1;
                    if (warm)
                        s1 = warm_state(ctx.rng, decoder);
                    else
                        g7::init_state(s1);
                    g7::AdpcmState s2 = s1;
                    if (decoder) {
                        g7::scalar::decode(in.data(), out1.data(), pairs, mode, s1);
                        g7::avx2::decode(in.data(), out2.data(), pairs, mode, s2);
                    } else {
                        g7::scalar::encode(in.data(), out1.data(), pairs, s1);
                        g7::avx2::encode(in.data(), out2.data(), pairs, s2);
                    }
                    ++ctx.checks;
                    const int diff = first_difference(out1.data(), out2.data(), n);
                    if (diff >= 0)
                        ctx.fail(name, "avx2", n, off, p, diff, detail);
                    else if (std::memcmp(&s1, &s2, sizeof s1) != 0)
                        ctx.fail(name, "avx2", n, off, p, -1, detail + " state differs");
                    else if (!out1.guards_intact() || !out2.guards_intact() || !in.guards_intact())
                        ctx.fail(name, "avx2", n, off, p, -1, detail + " guard zone written");
                }
            }
        }
    }
}

}  // namespace

CHECKASM(g722_qmf_tx) {
    if (!have_avx2()) return;
    check_qmf(ctx, "g722_qmf_tx", g7::scalar::qmf_tx, g7::avx2::qmf_tx);
}

CHECKASM(g722_qmf_rx) {
    if (!have_avx2()) return;
    check_qmf(ctx, "g722_qmf_rx", g7::scalar::qmf_rx, g7::avx2::qmf_rx);
}

CHECKASM(g722_adpcm_encode) {
    if (!have_avx2()) return;
    check_adpcm(ctx, false, 0);
}

CHECKASM(g722_adpcm_decode) {
    if (!have_avx2()) return;
    for (int mode : {1, 2, 3, 0}) check_adpcm(ctx, true, mode);
}
