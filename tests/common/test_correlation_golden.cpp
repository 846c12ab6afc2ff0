// Correlation, convolution and LP filters against the ITU-T G.729 reference routines (Autocorr,
// Lag_max, Cor_h_X, Convolve, Syn_filt, Residu) on real speech, random and extreme inputs. Every
// test runs with the kernel tables forced to the scalar level and again at the detected level.
// Each <set>.bin holds the reference's outputs, call after call; <set>.in the inputs of the same
// calls (16-bit words, per call in the order each test reads them).
//
// The reference accumulates with saturating basic operators and raises its Overflow flag when
// one saturates; the files carry that flag per call. The operations that stand for a reference
// routine (lag search, Cor_h_X, Convolve, synthesis filter with memory) match it on every call;
// where an operation is defined to wrap modulo 2^32 instead (its documented domain excludes
// such inputs) only calls without the flag are compared, and most calls must qualify.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/basicop.h"
#include "support/golden.h"
#include "voksc.h"

namespace {

golden::File data(const std::string& name) {
    return golden::File("correlation/" + name);
}

// Autocorr: Hamming window, energy test with rescaling by 4, normalised lags 0..10 in DPF form.
TEST(CorrelationGolden, AutocorrOfG729) {
    golden::File w = data("g729_hamwindow.bin");
    golden::File ref0 = data("g729_autocorr.bin");
    ASSERT_TRUE(w.ok() && ref0.ok());
    int16_t ham[240];
    w.read(ham, 240);
    golden::each_level([&] {
        golden::File ref = ref0, in = data("g729_autocorr.in");
        int rescaled = 0;
        for (int i = 0; i < 2000; ++i) {
            int16_t x[240], y[240];
            in.read(x, 240);
            for (int n = 0; n < 240; ++n) y[n] = voks::mult_r(x[n], ham[n]);
            const int passes = ref.i16();
            int16_t rh[11], rl[11];
            ref.read(rh, 11);
            ref.read(rl, 11);
            const int32_t r0 = ref.i32();
            int32_t lag[10];
            ref.read(lag, 10);

            int32_t r[11], s[11];
            int norm = -1, our_passes = 0;
            int32_t canary[11];
            std::memset(canary, 0x5A, sizeof canary);
            std::memcpy(r, canary, sizeof r);
            VokStatus st;
            while ((st = voksAutoCorr_NormE_16s32s(y, 240, r, 11, &norm)) == vokStatusOverflow) {
                ASSERT_EQ(0, std::memcmp(r, canary, sizeof r)) << "written on overflow, case " << i;
                ASSERT_EQ(-1, norm);
                for (int16_t& v : y) v = voks::shr(v, 2);
                ++our_passes;
            }
            ASSERT_EQ(vokStatusOk, st);
            ASSERT_EQ(passes, our_passes) << "case " << i;
            rescaled += passes > 0;
            for (int k = 0; k <= 10; ++k) {
                int16_t hi = 0, lo = 0;
                voks::L_Extract(r[k], hi, lo);
                ASSERT_EQ(rh[k], hi) << "case " << i << " lag " << k;
                ASSERT_EQ(rl[k], lo) << "case " << i << " lag " << k;
            }
            // The reference sums are 1 + 2*S(0) and 2*S(k) before normalisation.
            ASSERT_EQ(vokStatusOk, voksAutoCorr_16s32s(y, 240, s, 11));
            ASSERT_EQ(r0, 2 * s[0] + 1) << "case " << i;
            for (int k = 1; k <= 10; ++k) ASSERT_EQ(lag[k - 1], 2 * s[k]) << "case " << i << " lag " << k;
        }
        EXPECT_TRUE(ref.done());
        EXPECT_GT(rescaled, 100);
    });
}

// Lag_max: three pitch sections over 80 and 40 samples with 143 samples of history, saturating
// calls included. The forward search sees the time-reversed signal and must find the same lag
// and maximum where no sum saturates.
TEST(CorrelationGolden, LagMaxOfG729) {
    static const int kSections[3][2] = {{143, 80}, {79, 40}, {39, 20}};
    golden::each_level([&] {
        golden::File ref = data("g729_lagmax.bin"), in = data("g729_lagmax.in");
        ASSERT_TRUE(ref.ok());
        int saturated = 0;
        for (int i = 0; i < 3000; ++i) {
            const int se = (i / 4) % 3, lf = (i / 12) % 2 ? 40 : 80;
            int16_t sig[223], rev[223];
            in.read(sig, 223);
            const int lag_ref = ref.i16();
            ref.i16();  // normalised correlation, not produced by these operations
            const int overflow = ref.i16();
            const int32_t max_ref = ref.i32();
            saturated += overflow != 0;
            int32_t mx = 0;
            int lag = -1;
            ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Inv_16s(sig + 143, lf, kSections[se][1],
                                                              kSections[se][0], &mx, &lag));
            ASSERT_EQ(lag_ref, lag) << "case " << i;
            ASSERT_EQ(max_ref, mx) << "case " << i;
            // Reversal reverses the order of accumulation, which matters only once a sum saturates.
            if (overflow) continue;
            for (int j = 0; j < 223; ++j) rev[j] = sig[222 - j];
            mx = 0;
            lag = -1;
            ASSERT_EQ(vokStatusOk, voksAutoCorrLagMax_Fwd_16s(rev + 80 - lf, lf, kSections[se][1],
                                                              kSections[se][0], &mx, &lag));
            ASSERT_EQ(lag_ref, lag) << "case " << i;
            ASSERT_EQ(max_ref, mx) << "case " << i;
        }
        EXPECT_TRUE(ref.done());
        EXPECT_GT(saturated, 100);
    });
}

// GSM 06.10 long-term predictor lag search (Calculation_of_the_LTP_parameters): the scaled
// residual wt = d >> scal against 120 samples of past residual, lags 40..120 ascending with a
// strictly greater rule, i.e. a descending search of src2 offsets 80..0 keeping the largest.
TEST(CorrelationGolden, LtpLagSearchOfGsmFullRate) {
    golden::each_level([&] {
        golden::File ref = data("gsmfr_ltp.bin"), in = data("gsmfr_ltp.in");
        ASSERT_TRUE(ref.ok());
        for (int i = 0; i < 3000; ++i) {
            int16_t d[40], dp[120], wt[40];
            in.read(d, 40);
            in.read(dp, 120);
            const int scal = ref.i16();
            const int nc = ref.i16();
            const int32_t lmax = ref.i32();
            for (int k = 0; k < 40; ++k) wt[k] = static_cast<int16_t>(d[k] >> scal);
            int32_t mx = -1;
            int lag = -1;
            ASSERT_EQ(vokStatusOk, voksCrossCorrLagMax_16s(wt, dp, 40, 80, &mx, &lag));
            ASSERT_EQ(nc, 120 - lag) << "case " << i;
            ASSERT_EQ(lmax, mx) << "case " << i;
        }
        EXPECT_TRUE(ref.done());
    });
}

// G.729 pitch sharpening of the fixed-codebook vector (ACELP_CO.C, DEC_LD8K.C): code[i] +=
// mult(code[i - T0], sharp) for i = T0 .. 39, sequentially, with the reference add and mult.
TEST(CorrelationGolden, PitchSharpeningOfG729) {
    golden::File ref = data("g729_sharpen.bin"), in = data("g729_sharpen.in");
    ASSERT_TRUE(ref.ok());
    for (int c = 0; c < 3000; ++c) {  // code 40 (random, extremes, sparse), sharp, T0
        int16_t code[40], expect[40];
        in.read(code, 40);
        const int16_t sharp = in.i16(), t0 = in.i16();
        ref.read(expect, 40);
        ASSERT_EQ(vokStatusOk, voksHarmonicFilter_16s_I(sharp, t0, code + t0, 40 - t0));
        ASSERT_EQ(0, std::memcmp(code, expect, sizeof code)) << "case " << c;
    }
    EXPECT_TRUE(ref.done());
}

// G.723.1 harmonic noise weighting (Filt_Pw): round(x[n] << 16 - 2 * gain * x[n - lag]) over a
// 60-sample subframe with 145 samples of history, i.e. the rounded harmonic filter with -gain.
TEST(CorrelationGoldenG723, HarmonicWeightingFiltPw) {
    golden::File ref = data("g723_filt_pw.bin"), in = data("g723_filt_pw.in");
    ASSERT_TRUE(ref.ok());
    for (int c = 0; c < 2000; ++c) {
        int16_t dp[145 + 60], expect[60], out[60];
        in.read(dp, 145 + 60);
        const int16_t lag = ref.i16(), gain = ref.i16();
        ref.read(expect, 60);
        ASSERT_EQ(vokStatusOk,
                  voksHarmonicFilter_NR_16s(static_cast<int16_t>(-gain), lag, dp + 145, out, 60));
        ASSERT_EQ(0, std::memcmp(out, expect, sizeof out)) << "case " << c;
    }
    EXPECT_TRUE(ref.done());
}

// G.723.1 LSP interpolation (Lsp_Int): round(P << 16 + 2 t P - 2 t C) for t = -8192 (k + 1),
// i.e. P * (32768 + t) * 2 + C * (-t) * 2; the last sub-frame (t = -32768) is C * 16384 * 4.
TEST(CorrelationGoldenG723, LspInterpolation) {
    golden::File ref = data("g723_lsp_int.bin"), in = data("g723_lsp_int.in");
    ASSERT_TRUE(ref.ok());
    for (int c = 0; c < 1000; ++c) {
        int16_t prev[10], curr[10], expect[10], out[10];
        in.read(prev, 10);
        in.read(curr, 10);
        for (int k = 0; k < 4; ++k) {
            ref.read(expect, 10);
            const int t = -8192 * (k + 1);
            const VokStatus st = k < 3 ? voksInterpolateC_NR_16s(prev, static_cast<int16_t>(32768 + t), 1,
                                                                 curr, static_cast<int16_t>(-t), 1, out, 10)
                                       : voksInterpolateC_NR_16s(prev, 0, 1, curr, 16384, 2, out, 10);
            ASSERT_EQ(vokStatusOk, st);
            ASSERT_EQ(0, std::memcmp(out, expect, sizeof out)) << "case " << c << " sub-frame " << k;
        }
    }
    EXPECT_TRUE(ref.done());
}

// G.723.1 Find_Acbk: the residual filtered by the impulse response, round(L_mac chain) over 60
// samples. Calls without saturation match both rounded convolutions; saturating calls with a
// loud source (energy at or above 0x7FFFFFFE) take the reference loop and match it too.
TEST(CorrelationGoldenG723, RoundedPartialConvolution) {
    golden::File ref = data("g723_conv.bin"), in = data("g723_conv.in");
    ASSERT_TRUE(ref.ok());
    int exact = 0, loud = 0;
    for (int c = 0; c < 2000; ++c) {
        int16_t rez[60], imp[60], expect[60], out[60];
        in.read(rez, 60);
        in.read(imp, 60);
        const int overflow = ref.i16();
        ref.read(expect, 60);
        int64_t e1 = 0, e2 = 0;
        for (int i = 0; i < 60; ++i) {
            e1 += int32_t{rez[i]} * rez[i];
            e2 += int32_t{imp[i]} * imp[i];
        }
        const bool reference_path = e1 >= 0x7FFFFFFE || e2 >= 0x7FFFFFFE;
        if (!overflow) {
            ++exact;
            ASSERT_EQ(vokStatusOk, voksConvPartial_NR_Low_16s(rez, imp, out, 60));
            ASSERT_EQ(0, std::memcmp(out, expect, sizeof out)) << "case " << c;
        } else if (reference_path) {
            ++loud;
        } else {
            continue;
        }
        ASSERT_EQ(vokStatusOk, voksConvPartial_NR_16s(rez, imp, out, 60));
        ASSERT_EQ(0, std::memcmp(out, expect, sizeof out)) << "case " << c;
    }
    EXPECT_TRUE(ref.done());
    EXPECT_GT(exact, 1000);
    EXPECT_GT(loud, 100);
}

// Cor_h_X (a 40-sample target against an impulse response, normalised to 13 bits) and Convolve
// (Q12 impulse response, 40 outputs): the 16-bit results follow the reference's saturation on
// every call; the 32-bit sums also kept (Cor_h_X's doubled triangular correlation, Convolve's
// doubled sum before scaling) wrap instead, so only calls without the flag compare them.
TEST(CorrelationGolden, CorHXAndConvolveOfG729) {
    const struct {
        const char* set;
        int min_compared;
        bool conv;
    } sets[] = {{"g729_corhx", 1000, false}, {"g729_convolve", 700, true}};
    for (const auto& s : sets) {
        golden::each_level([&] {
            golden::File ref = data(s.set + std::string(".bin")), in = data(s.set + std::string(".in"));
            ASSERT_TRUE(ref.ok());
            int compared = 0, saturated = 0;
            for (int i = 0; i < 1500; ++i) {
                int16_t a[40], b[40], want16[40], got16[40];
                int32_t want32[40], got32[40];
                in.read(a, 40);
                in.read(b, 40);
                const int overflow = ref.i16();
                ref.read(want16, 40);
                ref.read(want32, 40);
                ASSERT_EQ(vokStatusOk, s.conv ? voksConvPartial_16s_Sfs(a, b, got16, 40, 12)
                                              : voksCrossCorr_NormM_16s(a, b, 40, got16));
                ASSERT_EQ(0, std::memcmp(got16, want16, sizeof got16)) << s.set << " case " << i;
                saturated += overflow != 0;
                if (overflow) continue;
                ++compared;
                ASSERT_EQ(vokStatusOk, s.conv ? voksConvPartial_16s32s(a, b, got32, 40)
                                              : voksCrossCorr_16s32s_Sfs(a, b, 40, got32, -1));
                for (int n = 0; n < 40; ++n)
                    ASSERT_EQ(want32[n], s.conv ? 2 * got32[n] : got32[n])
                        << s.set << " case " << i << " n " << n;
            }
            EXPECT_TRUE(ref.done());
            EXPECT_GT(compared, s.min_compared);
            EXPECT_GT(saturated, 100);
        });
    }
}

// Syn_filt with a memory (every call, saturation and the Overflow flag included), with a zero
// memory, on an impulse, and Residu, for LP filters from the reference analysis of speech.
TEST(CorrelationGolden, SynthesisAndResidualOfG729) {
    golden::each_level([&] {
        golden::File ref = data("g729_synth.bin"), in = data("g729_synth.in");
        ASSERT_TRUE(ref.ok());
        int with_mem = 0, mem_overflow = 0, zero_mem = 0, impulse = 0, residual = 0;
        for (int i = 0; i < 1500; ++i) {
            int16_t a[11], x[50], mem[10];
            in.read(x, 50);
            in.read(mem, 10);
            ref.read(a, 11);
            int16_t out_ref[4][40];
            int ovf[4];
            for (int k = 0; k < 4; ++k) {
                ovf[k] = ref.i16();
                ref.read(out_ref[k], 40);
            }
            int16_t y[40];
            // With a memory: bit-exact always, warning exactly when the reference overflowed.
            VokStatus st = voksSynthesisFilter_NR_16s_Sfs(a, x + 10, y, 40, 12, mem);
            ASSERT_EQ(ovf[0] ? vokStatusOverflow : vokStatusOk, st) << "case " << i;
            ASSERT_EQ(0, std::memcmp(y, out_ref[0], sizeof y)) << "case " << i;
            std::memcpy(y, x + 10, sizeof y);
            st = voksSynthesisFilter_NR_16s_ISfs(a, y, 40, 12, mem);
            ASSERT_EQ(ovf[0] ? vokStatusOverflow : vokStatusOk, st) << "case " << i;
            ASSERT_EQ(0, std::memcmp(y, out_ref[0], sizeof y)) << "case " << i;
            ++with_mem;
            mem_overflow += ovf[0] != 0;
            if (!ovf[0]) {
                std::memcpy(y, x + 10, sizeof y);
                ASSERT_EQ(vokStatusOk, voksSynthesisFilterLow_NR_16s_ISfs(a, y, 40, 12, mem));
                ASSERT_EQ(0, std::memcmp(y, out_ref[0], sizeof y)) << "case " << i;
            }
            if (!ovf[1]) {
                ++zero_mem;
                ASSERT_EQ(vokStatusOk, voksSynthesisFilter_NR_16s_Sfs(a, x + 10, y, 40, 12, nullptr));
                ASSERT_EQ(0, std::memcmp(y, out_ref[1], sizeof y)) << "case " << i;
                std::memcpy(y, x + 10, sizeof y);
                ASSERT_EQ(vokStatusOk, voksSynthesisFilterLow_NR_16s_ISfs(a, y, 40, 12, nullptr));
                ASSERT_EQ(0, std::memcmp(y, out_ref[1], sizeof y)) << "case " << i;
            }
            if (!ovf[2]) {
                ++impulse;
                ASSERT_EQ(vokStatusOk, voksSynthesisFilterZeroStateResponse_NR_16s(a, y, 40, 12));
                ASSERT_EQ(0, std::memcmp(y, out_ref[2], sizeof y)) << "case " << i;
            }
            if (!ovf[3]) {
                ++residual;
                ASSERT_EQ(vokStatusOk, voksResidualFilter_Low_16s_Sfs(a, 10, x + 10, y, 40, 12));
                ASSERT_EQ(0, std::memcmp(y, out_ref[3], sizeof y)) << "case " << i;
            }
        }
        EXPECT_TRUE(ref.done());
        EXPECT_GT(mem_overflow, 50);
        EXPECT_GT(zero_mem, 700);
        EXPECT_GT(impulse, 1400);
        EXPECT_GT(residual, 700);
    });
}

}  // namespace
