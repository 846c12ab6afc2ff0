// The AMR-WB operations against the outputs of the reference routines on the seeded inputs of
// amrwb_inputs.h (digests in tests/data/amrwb).
#include <gtest/gtest.h>

#include <cstring>

#include "amrwb/amrwb_inputs.h"
#include "amrwb/amrwb_internal.h"
#include "support/golden.h"

namespace {

struct Gen : AwGen {
    explicit Gen(uint32_t seed) : AwGen{seed, speech().data(), 16000} {}
    static const std::vector<int16_t>& speech() {
        static const golden::File f("amrwb/speech.s16");
        return f.words();
    }
};

TEST(AmrwbGolden, SpeechSource) {
    ASSERT_EQ(Gen::speech().size(), 16000u);
}

TEST(AmrwbGolden, IsfIspConversions) {
    golden::Digested d("isf_isp.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    Gen g(1);
    for (int k = 0; k < 4000; ++k) {
        int16_t isf[20], isp[20], rec[60] = {};
        const int len = k % 4 == 3 ? 1 + aw_below(&g, 20) : 16;
        aw_isf(&g, isf, len, k % 3);
        ASSERT_EQ(voksISFToISP_AMRWB_16s(isf, rec, len), vokStatusOk);
        ASSERT_EQ(voksISPToISF_Norm_AMRWB_16s(rec, rec + 20, len), vokStatusOk);
        for (int i = 0; i < len; ++i) isp[i] = aw_any(&g);
        ASSERT_EQ(voksISPToISF_Norm_AMRWB_16s(isp, rec + 40, len), vokStatusOk);
        d.add(rec);
    }
    d.finish();
}

TEST(AmrwbGolden, IspToLpc) {
    golden::Digested d("isp_az.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    Gen g(2);
    for (int k = 0; k < 3000; ++k) {
        int16_t isf[20], isp[20], rec[21] = {};
        const int m = k % 2 ? 16 : 2 * (1 + aw_below(&g, 10));
        if (k % 3 < 2) {
            aw_isf(&g, isf, m, k % 3);
            voksISFToISP_AMRWB_16s(isf, isp, m);
        } else {
            for (int i = 0; i < m; ++i) isp[i] = aw_any(&g);
        }
        ASSERT_EQ(voksISPToLPC_AMRWB_16s(isp, rec, m), vokStatusOk);
        d.add(rec);
    }
    d.finish();
}

// LP coefficients of realistic and of unordered ISFs, and random ones (whose root search often
// fails and returns the previous ISPs).
TEST(AmrwbGolden, LpcToIsp) {
    golden::each_level([&] {
        golden::Digested d("az_isp.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(14);
        for (int k = 0; k < 4000; ++k) {
            int16_t isf[16], isp[16], a[17], old[16], rec[16];
            if (k % 3 < 2) {
                aw_isf(&g, isf, 16, k % 3);
                voksISFToISP_AMRWB_16s(isf, isp, 16);
                voksISPToLPC_AMRWB_16s(isp, a, 16);
            } else {
                a[0] = 4096;
                for (int i = 1; i < 17; ++i) a[i] = aw_any(&g);
            }
            for (int16_t& v : old) v = aw_any(&g);
            ASSERT_EQ(voksLPCToISP_AMRWB_16s(a, rec, old), vokStatusOk);
            d.add(rec);
        }
        d.finish();
    });
}

// Pre-emphasis (scale factors 14 and 13) and de-emphasis share one record layout: the frame and
// the memory.
TEST(AmrwbGolden, EmphasisFilters) {
    golden::each_level([&] {
        for (const bool pre : {true, false}) {
            golden::Digested d(pre ? "preemph.gld" : "deemph.gld", "amrwb");
            ASSERT_TRUE(d.ok());
            Gen g(pre ? 3 : 4);
            for (int k = 0; k < 1500; ++k) {
                int16_t rec[257] = {};
                const int n = 1 + aw_below(&g, 256);
                aw_signal(&g, rec, n, k);
                const int16_t mu = aw_below(&g, 3) == 0 ? int16_t{22282} : aw_any(&g);
                rec[256] = aw_any(&g);
                const VokStatus st =
                    pre ? voksPreemphasize_AMRWB_16s_ISfs(mu, rec, n, 13 + (k & 1), &rec[256])
                        : voksDeemphasize_AMRWB_NR_16s_I(mu, rec, n, &rec[256]);
                ASSERT_EQ(st, vokStatusOk);
                d.add(rec);
            }
            d.finish();
        }
    });
}

// The 32-bit synthesis filter (realistic and random coefficients, orders 1..20, random past
// outputs) and the de-emphasis of its output. A record: the 32-bit outputs, the de-emphasised
// samples and the memory.
TEST(AmrwbGolden, SynthesisAndDeemphasis32) {
    golden::each_level([&] {
        golden::Digested d("syn_deemph.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(18);
        for (int k = 0; k < 1500; ++k) {
            int16_t a[21], isf[20], isp[20], exc[256], rec[769] = {};
            int32_t sig[276];
            const int m = k % 2 ? 16 : 1 + aw_below(&g, 20), n = 1 + aw_below(&g, 256);
            if (k % 3 == 0 && !(m & 1)) {
                aw_isf(&g, isf, m, 0);
                voksISFToISP_AMRWB_16s(isf, isp, m);
                voksISPToLPC_AMRWB_16s(isp, a, m);
            } else {
                a[0] = k % 3 == 2 ? aw_any(&g) : int16_t{4096};
                for (int i = 1; i <= m; ++i) a[i] = aw_any(&g);
            }
            for (int i = 0; i < m; ++i) {
                const int hi = aw_any(&g), lo = aw_below(&g, 4096);
                sig[i] = hi * 65536 + lo * 16;
            }
            aw_signal(&g, exc, n, k);
            ASSERT_EQ(voksSynthesisFilter_AMRWB_16s32s_I(a, m, exc, sig + m, n), vokStatusOk);
            const int16_t mu = aw_below(&g, 3) == 0 ? int16_t{22282} : aw_any(&g);
            rec[768] = aw_any(&g);
            ASSERT_EQ(voksDeemphasize_AMRWB_32s16s(mu, sig + m, rec + 512, n, &rec[768]), vokStatusOk);
            std::memcpy(rec, sig + m, 4 * static_cast<size_t>(n));
            d.add(rec);
        }
        d.finish();
    });
}

TEST(AmrwbGolden, ResidualFilter) {
    golden::each_level([&] {
        golden::Digested d("residu.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(5);
        for (int k = 0; k < 1500; ++k) {
            int16_t rec[256] = {}, a[21], x[276];
            const int m = k % 2 ? 16 : 1 + aw_below(&g, 20);
            a[0] = k % 3 == 2 ? aw_any(&g) : int16_t{4096};
            for (int i = 1; i <= m; ++i) a[i] = aw_any(&g);
            aw_signal(&g, x, 276, k);
            const int n = k % 2 ? 64 : m + aw_below(&g, 257 - m);
            ASSERT_EQ(voksResidualFilter_AMRWB_16s_Sfs(a, static_cast<int16_t>(m), x + 20, rec, n, 10),
                      vokStatusOk);
            d.add(rec);
        }
        d.finish();
    });
}

TEST(AmrwbGolden, PitchGain) {
    golden::each_level([&] {
        golden::Digested d("g_pitch.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(6);
        for (int k = 0; k < 3000; ++k) {
            int16_t xn[256], y1[256], rec[5];
            const int n = k % 2 ? 64 : 1 + aw_below(&g, 256);
            aw_signal(&g, xn, n, k);
            aw_signal(&g, y1, n, k / 6);
            ASSERT_EQ(voksAdaptiveCodebookGainCoeff_AMRWB_16s(xn, y1, rec, &rec[4], n), vokStatusOk);
            d.add(rec);
        }
        d.finish();
    });
}

// The detector over alternating stretches of 40 frames: loud and normal speech, random values
// scaled down to noise, zeros; the tone register updated before one frame in three as the
// open-loop search does it. A record: decision, tone register, then the state words 0..73.
TEST(AmrwbGolden, VoiceActivity) {
    golden::Digested d("wb_vad.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    Gen g(19);
    int size = 0;
    ASSERT_EQ(voksVADGetSize_AMRWB_16s(&size), vokStatusOk);
    ASSERT_EQ(size, 172);
    std::vector<int16_t> st(86, 0);
    auto* vs = reinterpret_cast<VokVadState_AMRWB*>(st.data());
    ASSERT_EQ(voksVADInit_AMRWB_16s(vs), vokStatusOk);
    int16_t tone = 0;
    for (int k = 0; k < 6000; ++k) {
        int16_t x[256], rec[89] = {};
        const int seg = (k / 40) % 4;
        aw_signal(&g, x, 256, seg == 0 ? 5 : seg == 1 ? 3 : 0);
        if (seg == 1) {
            for (int16_t& v : x) v = static_cast<int16_t>(v >> (aw_below(&g, 12) + 2));
        }
        if (aw_below(&g, 3) == 0)
            tone = static_cast<int16_t>((tone >> 1) | (aw_below(&g, 32768) > 21298 ? 0x4000 : 0));
        ASSERT_EQ(voksVAD_AMRWB_16s(x, vs, &tone, &rec[0]), vokStatusOk);
        rec[1] = tone;
        std::memcpy(rec + 3, st.data(), 74 * 2);
        d.add(rec);
    }
    d.finish();
}

// Encoder (even records) and decoder (odd records) histories, each chained from zeros; a record
// is the position, the ISF history and the log energies after the call.
TEST(AmrwbGolden, DtxBuffers) {
    static const int kRates[9] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                  vokRate18250, vokRate19850, vokRate23050, vokRate23850};
    golden::Digested d("dtx.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    Gen g(7);
    int16_t hist[2][137] = {};
    for (int k = 0; k < 4000 / 2; ++k) {
        int16_t x[256], isf[16];
        const int mode = aw_below(&g, 9);
        aw_signal(&g, x, 256, k / 2);
        aw_isf(&g, isf, 16, 0);
        int16_t* h = hist[k & 1];
        const VokStatus st = (k & 1) ? voksDecDTXBuffer_AMRWB_16s(x, isf, h, h + 1, h + 129)
                                     : voksEncDTXBuffer_AMRWB_16s(x, isf, h, h + 1, h + 129, kRates[mode]);
        ASSERT_EQ(st, vokStatusOk);
        d.add(hist[k & 1]);
    }
    d.finish();
}

// A record: quantised ISFs, indices (7 words, some replaced by random valid ones before
// decoding), then the decoder's ISFs, prediction memory and history, chained over the frames
// with random rates and one bad frame in five.
TEST(AmrwbGolden, IsfQuantisers) {
    golden::each_level([&] {
        static const int kRates[10] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                       vokRate18250, vokRate19850, vokRate23050, vokRate23850, vokRateDTX};
        golden::Digested d("isf_quant.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(8);
        int16_t past[16] = {}, dpast[16] = {}, hist[48], prev[16];
        for (int16_t& v : hist) v = static_cast<int16_t>(aw_below(&g, 16384));
        for (int16_t& v : prev) v = static_cast<int16_t>(aw_below(&g, 16384));
        for (int k = 0; k < 3000; ++k) {
            int16_t isf[16], rec[103] = {};
            const int mode = aw_below(&g, 10), bfi = aw_below(&g, 5) == 0;
            const bool wide = mode != 0 && mode != 9;
            aw_isf(&g, isf, 16, k % 3 == 2 ? 1 : 0);
            ASSERT_EQ(voksISFQuant_AMRWB_16s(isf, past, rec, rec + 16, kRates[mode]), vokStatusOk);
            if (k % 7 == 6) {
                for (int i = 0; i < 7; ++i)
                    rec[16 + i] = static_cast<int16_t>(aw_below(&g, i < 2 ? 256
                                                                          : (wide ? (i == 2  ? 64
                                                                                     : i < 5 ? 128
                                                                                             : 32)
                                                                                  : (i == 4 ? 64 : 128))));
            }
            ASSERT_EQ(voksISFQuantDecode_AMRWB_16s(rec + 16, rec + 23, dpast, prev, hist, bfi, kRates[mode]),
                      vokStatusOk);
            std::memcpy(prev, rec + 23, sizeof prev);
            std::memcpy(rec + 39, dpast, sizeof dpast);
            std::memcpy(rec + 55, hist, sizeof hist);
            d.add(rec);
        }
        d.finish();
    });
}

// Comfort-noise ISFs: quantised ISFs and indices, then ISFs decoded from random indices.
TEST(AmrwbGolden, IsfNoiseQuantiser) {
    golden::each_level([&] {
        static const int kSizes[5] = {64, 64, 64, 32, 32};
        golden::Digested d("isf_noise.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(9);
        for (int k = 0; k < 3000; ++k) {
            int16_t isf[16], rec[37], ind[5];
            aw_isf(&g, isf, 16, k % 3 == 2 ? 1 : 0);
            ASSERT_EQ(voksISFQuantDTX_AMRWB_16s(isf, rec, rec + 16), vokStatusOk);
            for (int i = 0; i < 5; ++i) ind[i] = static_cast<int16_t>(aw_below(&g, kSizes[i]));
            ASSERT_EQ(voksISFQuantDecodeDTX_AMRWB_16s(ind, rec + 21), vokStatusOk);
            d.add(rec);
        }
        d.finish();
    });
}

// Closed-loop search over frames of random rates and open-loop lags, each subframe on a fresh
// past excitation, target and impulse response. A record: lag, fraction, index, window and the
// 65 written excitation samples.
TEST(AmrwbGolden, AdaptiveCodebookSearch) {
    golden::each_level([&] {
        static const int kRates[9] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                      vokRate18250, vokRate19850, vokRate23050, vokRate23850};
        golden::Digested d("pitch_fr4.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(17);
        for (int k = 0; k < 2000; ++k) {
            const int mode = aw_below(&g, 9);
            int16_t top[2], bounds[2] = {};
            top[0] = static_cast<int16_t>(34 + aw_below(&g, 198));
            top[1] = static_cast<int16_t>(34 + aw_below(&g, 198));
            for (int sf = 0; sf < 4; ++sf) {
                int16_t exc[248 + 65], xn[64], h[64], rec[70];
                aw_signal(&g, exc, 248 + 65, k + sf);
                aw_signal(&g, xn, 64, k / 2 + sf);
                aw_signal(&g, h, 64, k / 3);
                ASSERT_EQ(voksAdaptiveCodebookSearch_AMRWB_16s(xn, h, top, &rec[0], bounds, exc + 248,
                                                               &rec[1], &rec[2], sf, kRates[mode]),
                          vokStatusOk);
                rec[3] = bounds[0];
                rec[4] = bounds[1];
                std::memcpy(rec + 5, exc + 248, 130);
                d.add(rec);
            }
        }
        d.finish();
    });
}

// Open-loop search chained over whole and half frames of fresh weighted speech, the high-passed
// history carried as the encoder carries it. A record: lag, gain, median, weight, weighting flag,
// tone register, past lags.
TEST(AmrwbGolden, OpenLoopPitch) {
    golden::each_level([&] {
        golden::Digested d("pitch_ol.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(16);
        int16_t med = 40, ada = 0, flg = 0, tone = 0, lags[5] = {40, 40, 40, 40, 40}, mem[9] = {},
                old_hp[243] = {};
        for (int k = 0; k < 3000; ++k) {
            int16_t wsp[243], rec[11];
            const int n = k % 3 == 0 ? 128 : 64;
            aw_signal(&g, wsp, 115 + n, k);
            voks::amrwb::hp_wsp(wsp + 115, old_hp + 115, n, mem);
            ASSERT_EQ(voksOpenLoopPitchSearch_AMRWB_16s(wsp + 115, old_hp + 115, &med, &ada, &rec[0], &tone,
                                                        &rec[1], lags, &flg, n),
                      vokStatusOk);
            std::memmove(old_hp, old_hp + n, 115 * sizeof *old_hp);
            rec[2] = med;
            rec[3] = ada;
            rec[4] = flg;
            rec[5] = tone;
            std::memcpy(rec + 6, lags, sizeof lags);
            d.add(rec);
        }
        d.finish();
    });
}

// Gain quantisation chained from the reset energy history: random rates, clipping and target
// scales, the pitch gain of the pitch-gain operation or (one call in five) a random one. A record:
// index, pitch gain, code gain, energy history.
TEST(AmrwbGolden, GainQuantiser) {
    golden::each_level([&] {
        static const int kRates[9] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                      vokRate18250, vokRate19850, vokRate23050, vokRate23850};
        golden::Digested d("q_gain2.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(15);
        int16_t past[4] = {-14336, -14336, -14336, -14336};
        for (int k = 0; k < 6000; ++k) {
            int16_t xn[64], y1[64], y2[64], code[64], coeff[4], rec[8] = {}, gp;
            const int mode = aw_below(&g, 9), clip = aw_below(&g, 4) == 0, q = aw_below(&g, 9);
            aw_signal(&g, xn, 64, k);
            aw_signal(&g, y1, 64, k / 6);
            aw_code(&g, code, k % 2);
            aw_signal(&g, y2, 64, k / 36);
            ASSERT_EQ(voksAdaptiveCodebookGainCoeff_AMRWB_16s(xn, y1, coeff, &gp, 64), vokStatusOk);
            if (k % 5 == 4) gp = static_cast<int16_t>(aw_below(&g, 20000));
            int32_t gc;
            ASSERT_EQ(voksGainQuant_AMRWB_16s(xn, y1, q, code, y2, coeff, past, &gp, &gc, clip, &rec[0], 64,
                                              kRates[mode]),
                      vokStatusOk);
            rec[1] = gp;
            rec[2] = static_cast<int16_t>(gc & 0xFFFF);
            rec[3] = static_cast<int16_t>(gc >> 16);
            std::memcpy(rec + 4, past, sizeof past);
            d.add(rec);
        }
        d.finish();
    });
}

// Gain decoding chained from the reference's reset state; on a bad frame the concealed code
// gain is a random value the reference took as the median of its gain history. A record: pitch
// gain (0 on bad frames), code gain, energy history, previous and concealed code gains.
TEST(AmrwbGolden, GainDecoder) {
    static const int kRates[9] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                  vokRate18250, vokRate19850, vokRate23050, vokRate23850};
    golden::Digested d("d_gain2.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    Gen g(10);
    int16_t past[4] = {-14336, -14336, -14336, -14336}, prev_gc = 0, past_gc = 0;
    int prev_bfi = 0;
    for (int k = 0; k < 6000; ++k) {
        int16_t code[64], rec[9] = {};
        const int mode = aw_below(&g, 9), bfi = aw_below(&g, 6) == 0,
                  index = aw_below(&g, mode <= 1 ? 64 : 128);
        aw_code(&g, code, k % 3);
        if (bfi) past_gc = aw_any(&g);
        aw_below(&g, 7);  // the reference's concealment state and unusable flag: not inputs here
        aw_below(&g, 2);
        int32_t gc;
        const int16_t inv = voks::amrwb::code_inv_sqrt_energy(code, 64);
        ASSERT_EQ(voksDecodeGain_AMRWB_16s(index, inv, rec, &gc, bfi, prev_bfi, past, &prev_gc, &past_gc,
                                           kRates[mode]),
                  vokStatusOk);
        rec[1] = static_cast<int16_t>(gc & 0xFFFF);
        rec[2] = static_cast<int16_t>(gc >> 16);
        std::memcpy(rec + 3, past, sizeof past);
        rec[7] = prev_gc;
        rec[8] = past_gc;
        prev_bfi = bfi;
        d.add(rec);
    }
    d.finish();
}

// Index words in their bit ranges and with every bit set at random, every AMR-WB codebook.
TEST(AmrwbGolden, AlgebraicDecoder) {
    static const int kCodes[8] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250,
                                  vokRate15850, vokRate18250, vokRate19850, vokRate23850};
    golden::Digested d("acelp_dec.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    Gen g(11);
    for (int k = 0; k < 8000; ++k) {
        int16_t idx[8], rec[64];
        for (int16_t& v : idx) v = (k / 8) % 2 ? aw_any(&g) : static_cast<int16_t>(aw_next(&g) & 0x3FFF);
        ASSERT_EQ(voksAlgebraicCodebookDecode_AMRWB_16s(idx, rec, kCodes[k % 8]), vokStatusOk);
        d.add(rec);
    }
    d.finish();
}

// The extra codebook sizes reuse the pulse coders of the AMR-WB ones: their codes equal those
// sizes, and the 28-bit codebook is the 36-bit one on tracks 0 and 1 and the 20-bit one on
// tracks 2 and 3.
TEST(AmrwbGolden, AlgebraicDecoderExtraSizes) {
    static const int kPairs[8][2] = {
        {vokRateDTX, vokRate6600}, {26, vokRate8850},  {28, vokRate12650}, {29, vokRate14250},
        {30, vokRate15850},        {31, vokRate18250}, {32, vokRate19850}, {vokRate24000, vokRate23050}};
    Gen g(12);
    for (int k = 0; k < 2000; ++k) {
        int16_t idx[8], a[64], b[64], c[64];
        for (int16_t& v : idx) v = aw_any(&g);
        const int* p = kPairs[k % 8];
        ASSERT_EQ(voksAlgebraicCodebookDecode_AMRWB_16s(idx, a, p[0]), vokStatusOk);
        ASSERT_EQ(voksAlgebraicCodebookDecode_AMRWB_16s(idx, b, p[1]), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << p[0];
        ASSERT_EQ(voksAlgebraicCodebookDecode_AMRWB_16s(idx, a, 27), vokStatusOk);
        ASSERT_EQ(voksAlgebraicCodebookDecode_AMRWB_16s(idx, b, vokRate12650), vokStatusOk);
        ASSERT_EQ(voksAlgebraicCodebookDecode_AMRWB_16s(idx, c, vokRate8850), vokStatusOk);
        for (int i = 0; i < 64; ++i) ASSERT_EQ(a[i], (i & 3) < 2 ? b[i] : c[i]) << i;
    }
}

// Lag decoding and concealment over frames of random rates, one bad frame in five (half of them
// lost), each subframe interpolating a fresh past excitation. A record: lag, fraction, window,
// seed and the adaptive vector.
TEST(AmrwbGolden, AdaptiveCodebookDecoder) {
    golden::each_level([&] {
        static const int kRates[9] = {vokRate6600,  vokRate8850,  vokRate12650, vokRate14250, vokRate15850,
                                      vokRate18250, vokRate19850, vokRate23050, vokRate23850};
        golden::Digested d("pitch_dec.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        Gen g(13);
        int size = 0;
        ASSERT_EQ(voksAdaptiveCodebookDecodeGetSize_AMRWB_16s(&size), vokStatusOk);
        std::vector<uint8_t> mem(size);
        auto* st = reinterpret_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(mem.data());
        ASSERT_EQ(voksAdaptiveCodebookDecodeInit_AMRWB_16s(st), vokStatusOk);
        int16_t bounds[2] = {};
        for (int k = 0; k < 3000; ++k) {
            const int mode = aw_below(&g, 9), bfi = aw_below(&g, 5) == 0, lost = aw_below(&g, 2);
            for (int sf = 0; sf < 4; ++sf) {
                int16_t buf[313], rec[69];
                const bool absolute = sf == 0 || (sf == 2 && mode > 0);
                const int index = aw_below(&g, 1 << ((absolute ? 9 : 6) - (mode <= 1)));
                aw_signal(&g, buf, 313, k + sf);
                ASSERT_EQ(voksAdaptiveCodebookDecode_AMRWB_16s(index, &rec[1], buf + 248, &rec[0], bounds, sf,
                                                               bfi, bfi && lost, kRates[mode], st),
                          vokStatusOk);
                rec[2] = bounds[0];
                rec[3] = bounds[1];
                std::memcpy(&rec[4], mem.data() + 10, 2);  // the seed, word 5
                std::memcpy(rec + 5, buf + 248, 128);
                d.add(rec);
                if (!bfi) {
                    ASSERT_EQ(voksAdaptiveCodebookDecodeUpdate_AMRWB_16s(aw_below(&g, 20000), rec[0], st),
                              vokStatusOk);
                }
            }
        }
        d.finish();
    });
}

}  // namespace
