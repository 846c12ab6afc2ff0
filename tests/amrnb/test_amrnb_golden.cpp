// GSM-AMR operations against the outputs of the 3GPP TS 26.073 reference routines (files in
// tests/data/amrnb, see tests/data/README.md). The inputs come from the seeded generator of
// amrnb_inputs.h, as the reference runs drew them; every kernel level must reproduce them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "amrnb/amrnb_inputs.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

using amrnb_inputs::fill;
using amrnb_inputs::Rng;

constexpr int kModes[9] = {vokRate4750, vokRate5150,  vokRate5900,  vokRate6700, vokRate7400,
                           vokRate7950, vokRate10200, vokRate12200, vokRateDTX};

// Runs `body(file, rng)` at every kernel level from the file's start and the seed.
void each_file(const char* name, uint64_t seed, const std::function<void(golden::File&, Rng&)>& body) {
    golden::each_level([&] {
        golden::File f(std::string("amrnb/") + name);
        ASSERT_TRUE(f.ok()) << name;
        Rng rng{seed};
        body(f, rng);
        EXPECT_TRUE(f.done()) << name << ": records left over";
    });
}

#define SAME(got, want, n) EXPECT_EQ(std::memcmp(got, want, (n) * sizeof(Vok16s)), 0) << "call " << k

// Per window: autocorrelation hi 11, lo 11 | LP 11 (0x7777 when the recursion broke down) |
// LSPs 10 (from the previous ones on failure) | LP of those LSPs 11 (zeros on failure).
TEST(AmrnbGolden, AutoCorrLevinsonLspChain) {
    each_file("lp.bin", 1, [](golden::File& f, Rng& rng) {
        Vok16s old_lsp[10];
        for (int i = 0; i < 10; ++i) old_lsp[i] = static_cast<Vok16s>(30000 - 6000 * i);
        for (int k = 0; k < 1800 && !::testing::Test::HasFailure(); ++k) {
            const int mode = kModes[k % 9], windows = mode == vokRate12200 ? 2 : 1;
            Vok16s x[240];
            Vok32s r[22];
            fill(rng, (k / 9) % 6, x, 240);
            ASSERT_EQ(voksAutoCorr_GSMAMR_16s32s(x, r, mode), vokStatusOk);
            for (int w = 0; w < windows; ++w) {
                const Vok32s* rw = r + 11 * w;
                Vok16s hi[11], lo[11], want_a[11], want_lsp[10], want_a2[11], a[11], lsp[10], a2[11];
                f.read(hi, 11);
                f.read(lo, 11);
                f.read(want_a, 11);
                f.read(want_lsp, 10);
                f.read(want_a2, 11);
                for (int i = 0; i < 11; ++i) {
                    EXPECT_EQ(rw[i] >> 16, hi[i]) << "call " << k << " lag " << i;
                    EXPECT_EQ((rw[i] >> 1) & 0x7FFF, lo[i]) << "call " << k << " lag " << i;
                }
                // The recursion runs on the reference's autocorrelation in its split form.
                Vok32s rr[11];
                for (int i = 0; i < 11; ++i)
                    rr[i] = static_cast<Vok32s>(uint32_t(uint16_t(hi[i])) << 16) + 2 * lo[i];
                const VokStatus st = voksLevinsonDurbin_GSMAMR_32s16s(rr, a);
                if (want_a[0] == 0x7777) {
                    EXPECT_EQ(st, vokStatusOverflow) << "call " << k;
                    std::memcpy(old_lsp, want_lsp, sizeof old_lsp);
                    continue;
                }
                ASSERT_EQ(st, vokStatusOk) << "call " << k;
                SAME(a, want_a, 11);
                ASSERT_EQ(voksLPCToLSP_GSMAMR_16s(want_a, old_lsp, lsp), vokStatusOk);
                SAME(lsp, want_lsp, 10);
                ASSERT_EQ(voksLSPToLPC_GSMAMR_16s(want_lsp, a2), vokStatusOk);
                SAME(a2, want_a2, 11);
                std::memcpy(old_lsp, want_lsp, sizeof old_lsp);
            }
        }
    });
}

// LSPs of a frame through the window (the LP chain checked above); unchanged when the
// recursion breaks down.
void lsp_of(const Vok16s* x, int mode, int window, Vok16s* lsp) {
    Vok32s r[22];
    Vok16s a[11];
    voksAutoCorr_GSMAMR_16s32s(x, r, mode);
    if (voksLevinsonDurbin_GSMAMR_32s16s(r + 11 * window, a) == vokStatusOk)
        voksLPCToLSP_GSMAMR_16s(a, lsp, lsp);
}

// The quantiser on the LSPs of seeded frames (rate k % 9, one predictor memory for all rates),
// then the decoder on its indices (every 7th frame from 3 on erased), from the reference's
// reset states. Record: indices 5 | quantised LSPs 20 | quantiser memory 10 | the 4 subframe
// LSP vectors 40 | decoder residual memory 10 | decoder past LSFs 10 (unused words zero).
TEST(AmrnbGolden, LspQuantiserAndDecoder) {
    each_file("lsf_quant.bin", 7, [](golden::File& f, Rng& rng) {
        Vok16s lsp[20], q_rq[10] = {}, d_rq[10] = {}, d_lsf[10], prev[10];
        const Vok16s mean122[10] = {1384, 2077, 3420, 5108, 6742, 8122, 9863, 11092, 12714, 13701};
        std::memcpy(d_lsf, mean122, sizeof d_lsf);
        for (int i = 0; i < 10; ++i) lsp[i] = lsp[10 + i] = static_cast<Vok16s>(30000 - 6000 * i);
        std::memcpy(prev, lsp, sizeof prev);
        for (int k = 0; k < 1200 && !::testing::Test::HasFailure(); ++k) {
            const int mode = kModes[k % 9];
            Vok16s x[240], idx[5] = {}, q[20] = {}, out[40], want[95];
            fill(rng, (k / 9) % 6, x, 240);
            if (mode == vokRate12200) {
                lsp_of(x, mode, 0, lsp);
                lsp_of(x, mode, 1, lsp + 10);
                ASSERT_EQ(voksLSPQuant_GSMAMR_16s(lsp, q_rq, q, idx, mode), vokStatusOk);
            } else {
                lsp_of(x, mode, 0, lsp + 10);
                ASSERT_EQ(voksLSPQuant_GSMAMR_16s(lsp + 10, q_rq, q + 10, idx, mode), vokStatusOk);
            }
            f.read(want, 95);
            SAME(idx, want, 5);
            SAME(q, want + 5, 20);
            SAME(q_rq, want + 25, 10);
            ASSERT_EQ(voksQuantLSPDecode_GSMAMR_16s(idx, d_rq, d_lsf, prev, out, k % 7 == 3, mode),
                      vokStatusOk);
            SAME(out, want + 35, 40);
            SAME(d_rq, want + 75, 10);
            SAME(d_lsf, want + 85, 10);
        }
    });
}

// One stream from the reference's reset state (gain 4096, memories 0), rate k % 9; subframes 0
// and 1 use the LP filter of a seeded frame (the previous one when the recursion breaks down),
// 2 and 3 the previous frame's. Record: FNV-1a of the 160 outputs (2 words) | tilt memory |
// gain | synthesis memory 10 | the 160 outputs themselves in the first 40 records.
TEST(AmrnbGolden, PostFilter) {
    each_file("postfilter.bin", 8, [](golden::File& f, Rng& rng) {
        Vok16s a_prev[11] = {4096}, preemph = 0, gain = 4096, hist[10] = {}, syn_mem[10] = {};
        for (int k = 0; k < 1500 && !::testing::Test::HasFailure(); ++k) {
            Vok16s x[240], a[11], az[44], syn[160], want[174];
            Vok32s r[22];
            fill(rng, (k / 9) % 6, x, 240);
            voksAutoCorr_GSMAMR_16s32s(x, r, vokRate4750);
            if (voksLevinsonDurbin_GSMAMR_32s16s(r, a) != vokStatusOk) std::memcpy(a, a_prev, sizeof a);
            for (int s = 0; s < 4; ++s) std::memcpy(az + 11 * s, s < 2 ? a : a_prev, sizeof a);
            std::memcpy(a_prev, a, sizeof a);
            fill(rng, (k / 54) % 6, syn, 160);
            ASSERT_EQ(voksPostFilter_GSMAMR_16s(az, syn, &preemph, &gain, hist, syn_mem, syn, kModes[k % 9]),
                      vokStatusOk);
            f.read(want, k < 40 ? 174 : 14);
            const uint32_t h = golden::fnv32(syn, 160);
            EXPECT_EQ(h, uint32_t(uint16_t(want[0])) | uint32_t(uint16_t(want[1])) << 16) << "call " << k;
            EXPECT_EQ(preemph, want[2]) << "call " << k;
            EXPECT_EQ(gain, want[3]) << "call " << k;
            SAME(syn_mem, want + 4, 10);
            if (k < 40) {
                SAME(syn, want + 14, 160);
            }
        }
    });
}

// The encoder's DTX histories from the reference's reset state fed with the LSPs and samples
// 40..199 of seeded frames; a SID is requested on a third of the frames at random. Record:
// initial-vector index, LSF indices 3, energy index | predictor memories (other rates, 12.2).
TEST(AmrnbGolden, SidParameters) {
    each_file("dtx_sid.bin", 9, [](golden::File& f, Rng& rng) {
        const Vok16s init[10] = {30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000};
        Vok16s lsp[10], hist[80], en[8] = {}, ptr = 0, sid[5] = {}, pred[4] = {}, pred122[4] = {};
        for (int i = 0; i < 10; ++i) lsp[i] = static_cast<Vok16s>(30000 - 6000 * i);
        for (int i = 0; i < 8; ++i) std::memcpy(hist + 10 * i, init, sizeof init);
        for (int k = 0; k < 2000 && !::testing::Test::HasFailure(); ++k) {
            Vok16s x[240], want[7];
            fill(rng, (k / 8) % 6, x, 240);
            lsp_of(x, vokRate4750, 0, lsp);
            ASSERT_EQ(voksEncDTXBuffer_GSMAMR_16s(x + 40, lsp, &ptr, hist, en), vokStatusOk);
            const Vok16s flag = rng.below(3) == 0;
            ASSERT_EQ(voksEncDTXSID_GSMAMR_16s(hist, en, &sid[4], &sid[0], &sid[1], pred, pred122, flag),
                      vokStatusOk);
            f.read(want, 7);
            SAME(sid, want, 5);
            EXPECT_EQ(pred[3], want[5]) << "call " << k;
            EXPECT_EQ(pred122[3], want[6]) << "call " << k;
        }
    });
}

// The open-loop search state of one variant: median lag, adaptive weight, lag history, weighted
// speech history, tone register.
struct OlState {
    Vok16s median = 40, ada_w = 0, lags[5] = {}, wsp[143] = {}, tone = 0;
};

// Bandwidth expansion factors 0.94^i and 0.6^i (Q15) and A(z/g) as the reference weights.
void gammas(Vok16s* g1, Vok16s* g2) {
    for (int i = 0, f1 = 32767, f2 = 32767; i < 10; ++i) {
        f1 = f1 * 30802 >> 15;
        f2 = f2 * 19661 >> 15;
        g1[i] = static_cast<Vok16s>(f1);
        g2[i] = static_cast<Vok16s>(f2);
    }
}
void weighted(const Vok16s* a, const Vok16s* g, Vok16s* out) {
    out[0] = a[0];
    for (int i = 1; i <= 10; ++i) out[i] = voks::round_fx(voks::L_mult(a[i], g[i - 1]));
}

// LP filter of a seeded frame, the previous one when the recursion breaks down.
void lp_of(Rng& rng, int kind, Vok16s* a, const Vok16s* a_prev) {
    Vok16s x[240];
    Vok32s r[22];
    fill(rng, kind, x, 240);
    voksAutoCorr_GSMAMR_16s32s(x, r, vokRate4750);
    if (voksLevinsonDurbin_GSMAMR_32s16s(r, a) != vokStatusOk) std::memcpy(a, a_prev, 11 * sizeof(Vok16s));
}

// Inputs of the open-loop searches: weighting filters A(z/0.94) and A(z/0.6) of the previous
// frame's LP filter (subframes 0, 1) and of a seeded frame's (2, 3), and 160 seeded samples after
// the 10 last ones of the previous frame.
struct OlInputs {
    Vok16s a_prev[11] = {4096}, w1[44], w2[44], speech[170] = {};
    void next(Rng& rng, int k) {
        Vok16s a[11], g1[10], g2[10];
        gammas(g1, g2);
        lp_of(rng, (k / 9) % 6, a, a_prev);
        for (int j = 0; j < 4; ++j) {
            weighted(j < 2 ? a_prev : a, g1, w1 + 11 * j);
            weighted(j < 2 ? a_prev : a, g2, w2 + 11 * j);
        }
        std::memcpy(a_prev, a, sizeof a);
        std::memmove(speech, speech + 160, 10 * sizeof(Vok16s));
        fill(rng, (k / 54) % 6, speech + 10, 160);
    }
};

// The reference subframePreProc with A(z/0.94), A(z/0.6) of a seeded frame's LP filter and the
// previous one as the quantised filter, on seeded speech and memories. Record: FNV-1a of the
// impulse response, residual and target (120 words) | the 120 words in the first 60 records.
TEST(AmrnbGolden, ImpulseResponseAndTarget) {
    each_file("target.bin", 11, [](golden::File& f, Rng& rng) {
        Vok16s a_prev[11] = {4096}, g1[10], g2[10];
        gammas(g1, g2);
        for (int k = 0; k < 1500 && !::testing::Test::HasFailure(); ++k) {
            Vok16s a[11], ap1[11], ap2[11], speech[50], syn[10], wgt[10], out[120], want[122];
            lp_of(rng, (k / 6) % 6, a, a_prev);
            fill(rng, k % 6, speech, 50);
            fill(rng, 1, syn, 10);
            fill(rng, 1, wgt, 10);
            weighted(a, g1, ap1);
            weighted(a, g2, ap2);
            ASSERT_EQ(voksImpulseResponseTarget_GSMAMR_16s(speech, ap1, ap2, a_prev, syn, wgt, out, out + 40,
                                                           out + 80),
                      vokStatusOk);
            std::memcpy(a_prev, a, sizeof a);
            f.read(want, k < 60 ? 122 : 2);
            const uint32_t h = golden::fnv32(out, 120);
            EXPECT_EQ(h, uint32_t(uint16_t(want[0])) | uint32_t(uint16_t(want[1])) << 16) << "call " << k;
            if (k < 60) {
                SAME(out, want + 2, 120);
            }
        }
    });
}

// One stream from the reference's reset states through ol_ltp with DTX and VAD option 1, rate
// k % 9. Record: lags 2, gain flags 2, median, weight, lag history 5 | tone register, high-pass
// maximum | FNV-1a of the weighted-speech history (2 words). The plain search must give the same
// lags and states.
TEST(AmrnbGolden, OpenLoopPitchVad1) {
    each_file("pitch_ol_vad1.bin", 10, [](golden::File& f, Rng& rng) {
        OlInputs in;
        OlState v1, plain;
        for (int k = 0; k < 1800 && !::testing::Test::HasFailure(); ++k) {
            const int mode = kModes[k % 9];
            in.next(rng, k);
            Vok16s lag[2], gf[2], lag2[2], gf2[2], hp = -1, want[15];
            ASSERT_EQ(
                voksOpenLoopPitchSearchDTXVAD1_GSMAMR_16s(in.w1, in.w2, in.speech, &v1.tone, &v1.median,
                                                          &v1.ada_w, v1.lags, v1.wsp, &hp, lag, gf, mode),
                vokStatusOk);
            ASSERT_EQ(
                voksOpenLoopPitchSearchNonDTX_GSMAMR_16s(in.w1, in.w2, in.speech, &plain.median, &plain.ada_w,
                                                         plain.lags, plain.wsp, lag2, gf2, mode),
                vokStatusOk);
            f.read(want, 15);
            const Vok16s got[15] = {lag[0],
                                    lag[1],
                                    gf[0],
                                    gf[1],
                                    v1.median,
                                    v1.ada_w,
                                    v1.lags[0],
                                    v1.lags[1],
                                    v1.lags[2],
                                    v1.lags[3],
                                    v1.lags[4],
                                    v1.tone,
                                    hp,
                                    Vok16s(golden::fnv32(v1.wsp, 143)),
                                    Vok16s(golden::fnv32(v1.wsp, 143) >> 16)};
            SAME(got, want, 15);
            const Vok16s got2[11] = {lag2[0],       lag2[1],       gf2[0],        gf2[1],
                                     plain.median,  plain.ada_w,   plain.lags[0], plain.lags[1],
                                     plain.lags[2], plain.lags[3], plain.lags[4]};
            SAME(got2, want, 11);
        }
    });
}

// The same stream through the reference built for VAD option 2. Record: lags 2, gain flags 2,
// median, weight, lag history 5 | summed maximum correlation and energy (32-bit each) | FNV-1a
// of the weighted-speech history.
TEST(AmrnbGolden, OpenLoopPitchVad2) {
    each_file("pitch_ol_vad2.bin", 10, [](golden::File& f, Rng& rng) {
        OlInputs in;
        OlState v2;
        for (int k = 0; k < 1800 && !::testing::Test::HasFailure(); ++k) {
            in.next(rng, k);
            Vok16s lag[2], gf[2], want[17];
            Vok32s rmax = 0, r0 = 0;
            ASSERT_EQ(voksOpenLoopPitchSearchDTXVAD2_GSMAMR_16s32s(in.w1, in.w2, in.speech, &v2.median,
                                                                   &v2.ada_w, v2.lags, v2.wsp, &rmax, &r0,
                                                                   lag, gf, kModes[k % 9]),
                      vokStatusOk);
            f.read(want, 17);
            const uint32_t h = golden::fnv32(v2.wsp, 143);
            const Vok16s got[17] = {lag[0],
                                    lag[1],
                                    gf[0],
                                    gf[1],
                                    v2.median,
                                    v2.ada_w,
                                    v2.lags[0],
                                    v2.lags[1],
                                    v2.lags[2],
                                    v2.lags[3],
                                    v2.lags[4],
                                    Vok16s(rmax),
                                    Vok16s(rmax >> 16),
                                    Vok16s(r0),
                                    Vok16s(r0 >> 16),
                                    Vok16s(h),
                                    Vok16s(h >> 16)};
            SAME(got, want, 17);
        }
    });
}

// The reference Pitch_fr + Pred_lt_3or6 over one stream from reset (rate k % 8 per frame,
// seeded open-loop lags, targets, decaying impulse responses and subframe residuals; the
// excitation then gets seeded noise and shifts by 40). Record per subframe: lag, fraction,
// index | FNV-1a of the adaptive vector | the vector itself in the first 20 frames.
TEST(AmrnbGolden, AdaptiveCodebookSearch) {
    each_file("pitch_fr.bin", 12, [](golden::File& f, Rng& rng) {
        Vok16s exc[194] = {}, prev = 0;
        for (int k = 0; k < 1200 && !::testing::Test::HasFailure(); ++k) {
            const Vok16s t_op[2] = {static_cast<Vok16s>(20 + rng.below(124)),
                                    static_cast<Vok16s>(20 + rng.below(124))};
            for (int sf = 0; sf < 4; ++sf) {
                Vok16s xn[40], h[40], frac, index, v[40], want[45];
                fill(rng, (k + sf) % 6, xn, 40);
                for (int i = 0; i < 40; ++i) h[i] = static_cast<Vok16s>(rng.i16() >> (3 + i / 4));
                fill(rng, (k / 6 + sf) % 6, exc + 154, 40);
                ASSERT_EQ(voksAdaptiveCodebookSearch_GSMAMR_16s(xn, h, t_op, &prev, exc, &frac, &index, v,
                                                                static_cast<Vok16s>(sf), kModes[k % 8]),
                          vokStatusOk);
                f.read(want, k < 20 ? 45 : 5);
                const uint32_t hash = golden::fnv32(v, 40);
                const Vok16s got[5] = {prev, frac, index, Vok16s(hash), Vok16s(hash >> 16)};
                SAME(got, want, 5);
                EXPECT_EQ(std::memcmp(v, exc + 154, sizeof v), 0);
                if (k < 20) {
                    SAME(v, want + 5, 40);
                }
                for (int i = 0; i < 40; ++i)
                    exc[154 + i] = voks::add(exc[154 + i], static_cast<Vok16s>(rng.i16() >> 4));
                std::memmove(exc, exc + 40, 154 * sizeof(Vok16s));
            }
        }
    });
}

// The reference decoder's pitch decoding (Dec_lag3 / Dec_lag6 with its erasure and background
// handling, as Decoder_amr runs it) and Pred_lt_3or6 on seeded indices of each rate's widths,
// every fifth frame erased. Record per subframe: index, lag used, lag buffer, previous lag |
// FNV-1a of the adaptive vector.
TEST(AmrnbGolden, AdaptiveCodebookDecode) {
    each_file("dec_lag.bin", 13, [](golden::File& f, Rng& rng) {
        Vok16s exc[194] = {}, prev = 40, lag = 0, buf = 40;
        for (int k = 0; k < 1500 && !::testing::Test::HasFailure(); ++k) {
            const int mode = kModes[k % 9];
            const Vok16s bfi = k % 5 == 2, bg = static_cast<Vok16s>(rng.below(2)),
                         vh = static_cast<Vok16s>(rng.below(8));
            for (int sf = 0; sf < 4; ++sf) {
                const bool absolute = sf == 0 || (sf == 2 && mode != vokRate4750 && mode != vokRate5150);
                const bool four =
                    mode == vokRate4750 || mode == vokRate5150 || mode == vokRate5900 || mode == vokRate6700;
                const int index = mode == vokRate12200  ? rng.below(absolute ? 512 : 64)
                                  : absolute            ? rng.below(256)
                                  : four                ? rng.below(16)
                                  : mode == vokRate7950 ? rng.below(64)
                                                        : rng.below(32);
                Vok16s v[40], want[6];
                ASSERT_EQ(voksAdaptiveCodebookDecode_GSMAMR_16s(index, &prev, &buf, exc, &lag, v,
                                                                static_cast<Vok16s>(sf), bfi, bg, vh, mode),
                          vokStatusOk)
                    << "call " << k;
                f.read(want, 6);
                const uint32_t hash = golden::fnv32(v, 40);
                const Vok16s got[6] = {Vok16s(index), lag, buf, prev, Vok16s(hash), Vok16s(hash >> 16)};
                SAME(got, want, 6);
                for (int i = 0; i < 40; ++i)
                    exc[154 + i] = voks::add(exc[154 + i], static_cast<Vok16s>(rng.i16() >> 3));
                std::memmove(exc, exc + 40, 154 * sizeof(Vok16s));
                prev = lag;
            }
        }
    });
}

// The reference cbsearch on seeded targets, residuals and decaying impulse responses, rate
// k % 9, subframe (k / 9) % 4, lags 17..144 and sharpening gains up to 1.5 (saturating).
// Record: index words 10 (unused zero) | FNV-1a of the code vector, of the filtered vector and
// of the sharpened impulse response | the two vectors themselves in the first 90 records.
TEST(AmrnbGolden, AlgebraicCodebookSearch) {
    each_file("cbsearch.bin", 14, [](golden::File& f, Rng& rng) {
        for (int k = 0; k < 2000 && !::testing::Test::HasFailure(); ++k) {
            const int mode = kModes[k % 9];
            Vok16s x[40], res[40], h[40], code[40], y[40], words[10] = {}, want[96];
            fill(rng, k % 6, x, 40);
            fill(rng, (k / 6) % 6, res, 40);
            for (int i = 0; i < 40; ++i) h[i] = static_cast<Vok16s>(rng.i16() >> (2 + i / 4));
            const int t0 = 17 + rng.below(128);
            const Vok16s v =
                static_cast<Vok16s>(rng.below(4) == 0 ? 16384 + rng.below(8000) : rng.below(16384));
            int dummy = 0;
            const VokStatus st =
                k % 2 ? voksAlgebraicCodebookSearch_GSMAMR_16s(t0, v, x, res, h, code, y, words,
                                                               static_cast<Vok16s>((k / 9) % 4), mode)
                      : voksAlgebraicCodebookSearchEX_GSMAMR_16s(
                            t0, v, x, res, h, code, y, words, static_cast<Vok16s>((k / 9) % 4), mode, &dummy);
            ASSERT_EQ(st, vokStatusOk);
            f.read(want, k < 90 ? 96 : 16);
            const uint32_t hc = golden::fnv32(code, 40), hy = golden::fnv32(y, 40), hh = golden::fnv32(h, 40);
            SAME(words, want, 10);
            const Vok16s got[6] = {Vok16s(hc),       Vok16s(hc >> 16), Vok16s(hy),
                                   Vok16s(hy >> 16), Vok16s(hh),       Vok16s(hh >> 16)};
            SAME(got, want + 10, 6);
            if (k < 90) {
                SAME(code, want + 16, 40);
                SAME(y, want + 56, 40);
            }
        }
    });
}

// The reference vad1 from its reset state on a stream of 200-sample windows advancing by 160
// (seeded frames, every 11th from 5 on attenuated by 2^-8, stretches of 100 frames in five of
// quiet noise), with seeded high-pass maxima, tone
// registers and pitch flags set before each call. Record: the pitch, tone and maximum given |
// the flag | FNV-1a of the state in this library's layout | the state itself in the first 60.
TEST(AmrnbGolden, Vad1) {
    each_file("vad1.bin", 15, [](golden::File& f, Rng& rng) {
        VokVadState1_GSMAMR st{};
        for (int i = 0; i < 9; ++i) st.oldLevel[i] = st.aveLevel[i] = st.bckrEst[i] = 150;
        st.corrHpFast = 13106;
        Vok16s buf[200] = {};
        for (int k = 0; k < 3000 && !::testing::Test::HasFailure(); ++k) {
            std::memmove(buf, buf + 160, 40 * sizeof(Vok16s));
            fill(rng, (k / 7) % 6, buf + 40, 160);
            if (k % 11 == 5)
                for (int i = 40; i < 200; ++i) buf[i] = static_cast<Vok16s>(buf[i] >> 8);
            if ((k / 100) % 5 == 4)
                for (int i = 40; i < 200; ++i) buf[i] = static_cast<Vok16s>(rng.i16() >> 11);
            const Vok16s best = static_cast<Vok16s>(k % 3 == 0 ? 20000 + rng.below(12000) : rng.below(20000));
            const Vok16s tone = static_cast<Vok16s>(k % 5 == 0 ? 0x7C00 : rng.below(0x8000));
            st.pitch = static_cast<Vok16s>(k % 4 == 0 ? 0x6000 : rng.below(0x8000));
            Vok16s want[64], flag = -1;
            f.read(want, 3);
            ASSERT_EQ(want[0], st.pitch);
            ASSERT_EQ(want[1], tone);
            ASSERT_EQ(want[2], best);
            ASSERT_EQ(voksVAD1_GSMAMR_16s(buf, &st, &flag, best, tone), vokStatusOk);
            f.read(want, k < 60 ? 61 : 3);
            static_assert(sizeof st == 58 * sizeof(Vok16s), "58-word state");
            Vok16s words[58];
            std::memcpy(words, &st, sizeof words);
            const uint32_t h = golden::fnv32(words, 58);
            const Vok16s got[3] = {flag, Vok16s(h), Vok16s(h >> 16)};
            SAME(got, want, 3);
            if (k < 60) {
                SAME(words, want + 3, 58);
            }
        }
    });
}

// The reference vad2 (both halves of each frame) from its zero reset state on seeded frames,
// some attenuated by 2^-8 or 2^-12, stretches of 100 frames in five of quiet noise, with a seeded
// long-term-prediction flag. Record: the flag given | the VAD flag | FNV-1a of the state in this
// library's layout | the state itself in the first 40.
TEST(AmrnbGolden, Vad2) {
    each_file("vad2.bin", 16, [](golden::File& f, Rng& rng) {
        VokVadState2_GSMAMR st{};
        static_assert(sizeof st == 94 * sizeof(Vok16s), "94-word state");
        for (int k = 0; k < 3000 && !::testing::Test::HasFailure(); ++k) {
            Vok16s buf[160], want[98], flag = -1, words[94];
            fill(rng, (k / 7) % 6, buf, 160);
            if (k % 11 == 5)
                for (Vok16s& v : buf) v = static_cast<Vok16s>(v >> 8);
            if (k % 13 == 7)
                for (Vok16s& v : buf) v = static_cast<Vok16s>(v >> 12);
            if ((k / 100) % 5 == 4)
                for (Vok16s& v : buf) v = static_cast<Vok16s>(rng.i16() >> 11);
            const int ltp = rng.below(2);
            ASSERT_EQ(voksVAD2_GSMAMR_16s(buf, &st, &flag, ltp), vokStatusOk);
            f.read(want, k < 40 ? 98 : 4);
            std::memcpy(words, &st, sizeof words);
            const uint32_t h = golden::fnv32(words, 94);
            const Vok16s got[4] = {Vok16s(ltp), flag, Vok16s(h), Vok16s(h >> 16)};
            SAME(got, want, 4);
            if (k < 40) {
                SAME(words, want + 4, 94);
            }
        }
    });
}

// Record: LSPs 10 of LSFs drawn uniformly in 0..16383 (1000 calls) and ordered (1000 calls).
TEST(AmrnbGolden, LsfToLsp) {
    each_file("lsf_lsp.bin", 2, [](golden::File& f, Rng& rng) {
        for (int k = 0; k < 2000; ++k) {
            Vok16s lsf[10], lsp[10], want[10];
            for (int i = 0; i < 10; ++i)
                lsf[i] = static_cast<Vok16s>(k < 1000 ? rng.below(16384) : (i + 1) * 1400 + rng.below(400));
            f.read(want, 10);
            ASSERT_EQ(voksLSFToLSP_GSMAMR_16s(lsf, lsp), vokStatusOk);
            SAME(lsp, want, 10);
        }
    });
}

// Record: gain | yy, 15 - expYY, xy, 15 - expXY.
TEST(AmrnbGolden, PitchGain) {
    each_file("g_pitch.bin", 3, [](golden::File& f, Rng& rng) {
        for (int k = 0; k < 3000; ++k) {
            Vok16s x[40], y[40], want[5], got[5];
            fill(rng, k % 6, x, 40);
            fill(rng, (k / 6) % 6, y, 40);
            if (k % 7 == 0) std::memcpy(x, y, sizeof x);
            if (k % 11 == 0)
                for (int i = 0; i < 40; ++i) x[i] = static_cast<Vok16s>(y[i] >> (1 + k % 3));
            f.read(want, 5);
            ASSERT_EQ(voksAdaptiveCodebookGainCoeffs_GSMAMR_16s(x, y, got, got + 1), vokStatusOk);
            SAME(got, want, 5);
            ASSERT_EQ(voksAdaptiveCodebookGain_GSMAMR_16s(x, y, got), vokStatusOk);
            EXPECT_EQ(got[0], want[0]) << "call " << k;
        }
    });
}

// Record: index words 10 | code vector 40; rate k % 9, subframe (k / 9) % 4.
TEST(AmrnbGolden, FixedCodebookDecode) {
    each_file("fixed_decode.bin", 4, [](golden::File& f, Rng&) {
        for (int k = 0; k < 1800; ++k) {
            Vok16s idx[10], want[40], code[40];
            f.read(idx, 10);
            f.read(want, 40);
            ASSERT_EQ(voksFixedCodebookDecode_GSMAMR_16s(idx, code, static_cast<Vok16s>((k / 9) % 4),
                                                         kModes[k % 9]),
                      vokStatusOk);
            SAME(code, want, 40);
        }
    });
}

// Record: the 128 transformed values.
TEST(AmrnbGolden, RealFft) {
    each_file("fft.bin", 5, [](golden::File& f, Rng& rng) {
        for (int k = 0; k < 600; ++k) {
            Vok16s x[128], want[128];
            fill(rng, k % 6, x, 128);
            f.read(want, 128);
            ASSERT_EQ(voksFFTFwd_RToPerm_GSMAMR_16s_I(x), vokStatusOk);
            SAME(x, want, 128);
        }
    });
}

// One stream from the reference's reset state, the VAD flag toggling at random and the elapsed
// count set to 32760 before call 1000. Record: SID flag, DTX chosen, hangover, elapsed |
// history slot, encoder and decoder log energies.
TEST(AmrnbGolden, DtxHandlerAndBuffers) {
    each_file("dtx.bin", 6, [](golden::File& f, Rng& rng) {
        Vok16s hang = 7, elapsed = 32767, enc_ptr = 0, dec_ptr = 0;
        Vok16s lsp_hist[80] = {}, dec_hist[80] = {}, en_hist[8] = {}, dec_en[8] = {};
        int vad = 1;
        for (int k = 0; k < 3000; ++k) {
            if (rng.below(8) == 0) vad = !vad;
            if (k == 1000) elapsed = 32760;
            Vok16s used = vokRate12200, sid = -1, want[7], frame[160], lsp[10];
            ASSERT_EQ(voksEncDTXHandler_GSMAMR_16s(&hang, &elapsed, &used, &sid, vad), vokStatusOk);
            fill(rng, k % 6, frame, 160);
            for (Vok16s& v : lsp) v = rng.i16();
            ASSERT_EQ(voksEncDTXBuffer_GSMAMR_16s(frame, lsp, &enc_ptr, lsp_hist, en_hist), vokStatusOk);
            ASSERT_EQ(voksDecDTXBuffer_GSMAMR_16s(frame, lsp, &dec_ptr, dec_hist, dec_en), vokStatusOk);
            f.read(want, 7);
            const Vok16s got[7] = {sid,     Vok16s(used == vokRateDTX), hang,           elapsed,
                                   enc_ptr, en_hist[enc_ptr],           dec_en[dec_ptr]};
            SAME(got, want, 7);
            EXPECT_EQ(std::memcmp(lsp_hist + 10 * enc_ptr, lsp, sizeof lsp), 0) << "call " << k;
        }
    });
}

// Inputs past the bounds of the plain-sum paths, so that the saturating chains run: full-scale
// impulse responses (constant, alternating, a ramp, random halved every 8 samples) with loud,
// clipped and extreme targets. Records: cbsearch at every rate as above without the stored
// vectors | Pitch_fr with Pred_lt_3or6 from reset (lag, fraction, index, FNV-1a of the vector).
void extreme_h(Rng& rng, int kind, Vok16s* h) {
    for (int i = 0; i < 40; ++i)
        h[i] = kind == 0   ? 32767
               : kind == 1 ? ((i & 1) ? -32768 : 32767)
               : kind == 2 ? static_cast<Vok16s>(32767 - 800 * i)
                           : static_cast<Vok16s>(rng.i16() >> (i / 8));
}

TEST(AmrnbGolden, SaturatingFallbacks) {
    each_file("extremes.bin", 15, [](golden::File& f, Rng& rng) {
        for (int k = 0; k < 720 && !::testing::Test::HasFailure(); ++k) {
            Vok16s x[40], res[40], h[40], code[40], y[40], words[10] = {}, want[16];
            fill(rng, k % 6, x, 40);
            fill(rng, (k / 6) % 6, res, 40);
            extreme_h(rng, (k / 9) % 4, h);
            const int t0 = 17 + rng.below(128);
            const Vok16s v = static_cast<Vok16s>(rng.below(16384));
            ASSERT_EQ(voksAlgebraicCodebookSearch_GSMAMR_16s(t0, v, x, res, h, code, y, words,
                                                             static_cast<Vok16s>((k / 9) % 4), kModes[k % 9]),
                      vokStatusOk);
            f.read(want, 16);
            const uint32_t hc = golden::fnv32(code, 40), hy = golden::fnv32(y, 40), hh = golden::fnv32(h, 40);
            const Vok16s got[6] = {Vok16s(hc),       Vok16s(hc >> 16), Vok16s(hy),
                                   Vok16s(hy >> 16), Vok16s(hh),       Vok16s(hh >> 16)};
            SAME(words, want, 10);
            SAME(got, want + 10, 6);
        }
        Vok16s exc[194] = {}, prev = 0;
        for (int k = 0; k < 200 && !::testing::Test::HasFailure(); ++k) {
            const Vok16s t_op[2] = {static_cast<Vok16s>(20 + rng.below(124)),
                                    static_cast<Vok16s>(20 + rng.below(124))};
            for (int sf = 0; sf < 4; ++sf) {
                Vok16s xn[40], h[40], frac, index, v[40], want[5];
                fill(rng, (k + sf) % 6, xn, 40);
                extreme_h(rng, 3, h);
                const int kind = (k / 6 + sf) % 6;
                fill(rng, kind == 2 ? 3 : kind, exc + 154, 40);
                ASSERT_EQ(voksAdaptiveCodebookSearch_GSMAMR_16s(xn, h, t_op, &prev, exc, &frac, &index, v,
                                                                static_cast<Vok16s>(sf), kModes[k % 8]),
                          vokStatusOk);
                f.read(want, 5);
                const uint32_t hash = golden::fnv32(v, 40);
                const Vok16s got[5] = {prev, frac, index, Vok16s(hash), Vok16s(hash >> 16)};
                SAME(got, want, 5);
                std::memmove(exc, exc + 40, 154 * sizeof(Vok16s));
            }
        }
    });
}

}  // namespace
