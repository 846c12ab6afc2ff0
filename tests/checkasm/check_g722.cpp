// G.722 kernels: transmit/receive QMF (AVX2) and the sub-band ADPCM encoder/decoder (x86 vector
// kernel) against their scalar twins, outputs, delay lines and states compared bit for bit.
#include <cstring>

#include "checkasm.h"
#include "g722/kernels.h"

using namespace checkasm;
namespace g7 = voks::g722;

namespace {

// Runs a QMF kernel pair on `pairs` pairs from a random delay line, out of place and in place
// (the source buffer becomes the output).
void check_qmf(Context& ctx, const char* name, g7::qmf_tx_fn* scalar, g7::qmf_tx_fn* vector) {
    each_case(
        [&](int pairs, int off, Pattern p) {
            const int n = 2 * pairs;
            Buffer<int16_t> in(n, off);
            fill16(ctx.rng, p, in.data(), n);
            for (bool in_place : {false, true}) {
                Twin<int16_t> out(n, (off + 3) % 16),
                    d(24, 0, ctx.rng, p == Pattern::Zeros ? Pattern::Random : p);
                if (in_place) {
                    std::memcpy(out.s(), in.data(), sizeof(int16_t) * n);
                    out.sync();
                }
                scalar(in_place ? out.s() : in.data(), out.s(), pairs, d.s());
                vector(in_place ? out.v() : in.data(), out.v(), pairs, d.v());
                ctx.same(name, n, off, p, in_place ? "in place" : "", out, d);
            }
            if (!in.guards_intact()) ctx.fail(name, "avx2", n, off, p, -1, "input written");
        },
        1);
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
        for (int off : {0, 1, 7})
            for (Pattern p : kPatterns) {
                Buffer<int16_t> in(n, off);
                fill16(ctx.rng, p, in.data(), n);
                for (bool warm : {false, true}) {
                    Twin<int16_t> out(n, off);
                    Twin<g7::AdpcmState> s(1, 0);
                    if (warm)
                        *s.s() = warm_state(ctx.rng, decoder);
                    else
                        g7::init_state(*s.s());
                    s.sync();
                    if (decoder) {
                        g7::scalar::decode(in.data(), out.s(), pairs, mode, *s.s());
                        g7::avx2::decode(in.data(), out.v(), pairs, mode, *s.v());
                    } else {
                        g7::scalar::encode(in.data(), out.s(), pairs, *s.s());
                        g7::avx2::encode(in.data(), out.v(), pairs, *s.v());
                    }
                    ctx.same(name, n, off, p, detail, out, s);
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
