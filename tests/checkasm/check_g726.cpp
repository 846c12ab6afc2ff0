// G.726 coding loops: the AVX2 encoder and decoder against the scalar ones, at every rate and
// output law, from reset, adapted and arbitrary (garbage) states, comparing codes or outputs,
// guard zones and the final states.
#include "checkasm.h"
#include "g726/kernels.h"

using namespace checkasm;
namespace g726 = voks::g726;

namespace {

// Starting state: reset (kind 0), adapted to a random signal (1), or random bytes (2).
g726::Core start_state(Rng& rng, int rate, int kind) {
    g726::Core s;
    g726::reset(s, rate);
    if (kind == 1) {
        int16_t x[200];
        uint8_t c[200];
        fill16(rng, Pattern::Random, x, 200);
        for (auto& v : x) v = static_cast<int16_t>(v >> 2);
        g726::scalar::encode(s, x, c, 200);
    } else if (kind == 2) {
        auto* bytes = reinterpret_cast<uint8_t*>(&s);
        for (size_t k = 0; k < sizeof s; ++k) bytes[k] = static_cast<uint8_t>(rng.next());
        s.rate = static_cast<int16_t>(rate);
    }
    return s;
}

}  // namespace

CHECKASM(g726_encode) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        const int off = len % 16;
        for (Pattern p : kPatterns)
            for (int rate = 0; rate < 4; ++rate) {
                const int kind = (len + rate) % 3;
                Twin<g726::Core> s(1, 0);
                *s.s() = start_state(ctx.rng, rate, kind);
                s.sync();
                Buffer<int16_t> x(len, off);
                fill16(ctx.rng, p, x.data(), len);
                Twin<uint8_t> c(len, (off * 3) % 32);
                g726::scalar::encode(*s.s(), x.data(), c.s(), len);
                g726::avx2::encode(*s.v(), x.data(), c.v(), len);
                ctx.same("g726_encode", len, off, p,
                         "rate index " + std::to_string(rate) + ", state " + std::to_string(kind), c, s);
                if (!x.guards_intact()) ctx.fail("g726_encode", "avx2", len, off, p, -1, "input written");
            }
    }
}

CHECKASM(g726_decode) {
    if (!have_avx2()) return;
    for (int len : lengths()) {
        const int off = len % 16;
        for (Pattern p : kPatterns)
            for (int rate = 0; rate < 4; ++rate)
                for (int32_t law : {g726::kLawMu, g726::kLawA, g726::kLawLinear}) {
                    const int kind = (len + rate + law) % 3;
                    Twin<g726::Core> s(1, 0);
                    *s.s() = start_state(ctx.rng, rate, kind);
                    s.sync();
                    // Codes: the pattern's bytes, all bits (the kernels read the low ones).
                    Buffer<int16_t> raw(len, 0);
                    fill16(ctx.rng, p, raw.data(), len);
                    Buffer<uint8_t> c(len, (off * 5) % 32);
                    for (int k = 0; k < len; ++k)
                        c.data()[k] = static_cast<uint8_t>(raw.data()[k] ^ (raw.data()[k] >> 8));
                    Twin<int16_t> y(len, off);
                    g726::scalar::decode(*s.s(), law, c.data(), y.s(), len);
                    g726::avx2::decode(*s.v(), law, c.data(), y.v(), len);
                    ctx.same("g726_decode", len, off, p,
                             "rate index " + std::to_string(rate) + ", law " + std::to_string(law) +
                                 ", state " + std::to_string(kind),
                             y, s);
                }
    }
}
