// Golden data of the G.729 main-body coder and decoder: per-call inputs and outputs of Qua_gain,
// Dec_gain, Pre_Process, Post_Process and the post-filter stages, captured from the ITU-T
// reference on the official test sequences (encoder: SPEECH ALGTHM FIXED LSP PITCH TAME; decoder:
// the same plus ERASURE OVERFLOW PARITY); with the Annex D quantiser and the gain controls of
// Annex A and of seeded extreme inputs, whose records have the same layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/golden.h"
#include "voksc.h"

namespace {

constexpr int kSub = 40;

golden::File records(const std::string& name, size_t words, size_t count) {
    return golden::records("g729_gain/" + name, words, count);
}

// Records: x 40, y1 40, code 40, y2 40, taming, past energies 4 | gains 2, indices 2, past 4.
TEST(G729GainGolden, GainQuant) {
    using Fn = VokStatus (*)(const Vok16s*, const Vok16s*, const Vok16s*, const Vok16s*, Vok16s*, Vok16s*,
                             Vok16s*, Vok16s);
    const struct {
        const char* file;
        Fn fn;
    } sets[] = {{"qua_gain.bin", voksGainQuant_G729_16s}, {"qua_gain_6k.bin", voksGainQuant_G729D_16s}};
    for (const auto& s : sets) {
        golden::compare_records(records(s.file, 173, 500), 165, 8, [&](const int16_t* p, int16_t* out) {
            std::memcpy(out + 4, p + 161, 4 * sizeof(int16_t));  // gains, indices, past energies
            return s.fn(p, p + 40, p + 80, p + 120, out + 4, out, out + 2, p[160]);
        });
    }
}

// Records: bfi, packed indices, energy (32-bit), gains 2, past 4 | gains 2, past 4.
TEST(G729GainGolden, DecodeGainWithErasures) {
    const auto r = records("dec_gain.bin", 16, 622);
    golden::compare_records(r, 10, 6, [](const int16_t* p, int16_t* out) {
        std::memcpy(out, p + 4, 6 * sizeof(int16_t));
        const int16_t idx[2] = {static_cast<int16_t>(p[1] >> 4), static_cast<int16_t>(p[1] & 15)};
        return voksDecodeGain_G729_16s(golden::i32(p + 2), out + 2, p[0] ? nullptr : idx, out);
    });
    int erased = 0;
    for (size_t k = 0; k < r.count(); ++k) erased += r[k][0] != 0;
    EXPECT_EQ(erased, 122);
}

// The high-pass sections of Pre_Process (sf 12) and Post_Process (sf 13), the state carried from
// call to call at an odd address (it needs no alignment). Streams: [reset flag,] n, then n
// samples in and n out; the decoder's files hold records of 80 samples in | 80 out. The seeded
// files start each stream with a reset.
TEST(G729GainGolden, HighPassFilters) {
    static constexpr int16_t kCoef[2][6] = {{4096, 7807, -3733, 1899, -3798, 1899},
                                            {8192, 15836, -7667, 7699, -15398, 7699}};
    const struct {
        const char* file;
        int sf, calls;
        bool reset, fixed;
    } sets[] = {{"hp12_speech.bin", 12, 300, false, false},
                {"hp13_speech.bin", 13, 150, false, true},
                {"hp13_overflow.bin", 13, 150, false, true},
                {"hp12x.bin", 12, 40, true, false},
                {"hp13x.bin", 13, 40, true, false}};
    int size = 0;
    ASSERT_EQ(voksHighPassFilterSize_G729(&size), vokStatusOk);
    std::vector<uint8_t> raw(static_cast<size_t>(size) + 1);
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw.data() + 1);
    for (const auto& s : sets) {
        golden::File f("g729_gain/" + std::string(s.file));
        ASSERT_TRUE(f.ok()) << s.file;
        ASSERT_EQ(voksHighPassFilterInit_G729(kCoef[s.sf - 12], st), vokStatusOk);
        int calls = 0;
        for (; !f.done(); ++calls) {
            if (s.reset && f.i16() != 0) voksHighPassFilterInit_G729(kCoef[s.sf - 12], st);
            const int n = s.fixed ? 80 : f.i16();
            std::vector<int16_t> x = f.take(n);
            ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), n, s.sf, st), vokStatusOk);
            ASSERT_EQ(x, f.take(n)) << s.file << " call " << calls;
        }
        EXPECT_EQ(calls, s.calls) << s.file;
    }
}

// Harmonic post-filter. Records: [harmonic weight,] delay, residual 152 + 40 | out 40, voicing.
// The main-body files carry no weight (it is 16384); Annex E's vary it (speech: adaptive, half
// the calls; seeded: 0..16384).
TEST(G729GainGolden, LongTermPostFilter) {
    const struct {
        const char* file;
        size_t count;
        int weighted, min_voiced, max_voiced, reweighted;  // -1: any
    } sets[] = {{"ltp.bin", 400, 0, 101, 399, -1},
                {"ltpe_speech.bin", 300, 1, 0, 300, 150},
                {"ltpe.bin", 300, 1, 101, 300, -1}};
    for (const auto& s : sets) {
        const auto r = records(s.file, 234 + s.weighted, s.count);
        golden::compare_records(r, 193 + s.weighted, 41, [&](const int16_t* p, int16_t* out) {
            const int16_t gamma = s.weighted ? p[0] : 16384;
            p += s.weighted;
            return voksLongTermPostFilter_G729_16s(gamma, p[0], p + 1 + 152, out, out + 40);
        });
        int voiced = 0, reweighted = 0;  // from the records, which the outputs equal
        for (size_t k = 0; k < r.count(); ++k) {
            voiced += r[k][233 + s.weighted] != 0;
            reweighted += s.weighted && r[k][0] != 16384;
        }
        EXPECT_GE(voiced, s.min_voiced) << s.file;  // both branches are exercised
        EXPECT_LE(voiced, s.max_voiced) << s.file;
        EXPECT_TRUE(s.reweighted < 0 || reweighted == s.reweighted) << s.file << " " << reweighted;
    }
}

// Records: A(z/0.7) 11, ltp 40, memory 10 | out 40, impulse response 20 (saturation warns).
TEST(G729GainGolden, ShortTermPostFilter) {
    golden::compare_records(
        records("st.bin", 121, 400), 61, 60,
        [](const int16_t* p, int16_t* out) {
            int16_t buf[10 + kSub];
            std::memcpy(buf, p + 51, 10 * sizeof(int16_t));
            const VokStatus st = voksShortTermPostFilter_G729_16s(p, p + 11, buf + 10, out + 40);
            std::memcpy(out, buf + 10, kSub * sizeof(int16_t));
            return st;
        },
        vokStatusOverflow);
}

// Records: impulse response 20, memory sample, 40 in, parcor | 40 out. The Annex E form takes
// the recorded first parcor.
TEST(G729GainGolden, TiltCompensation) {
    const auto r = records("tilt.bin", 102, 400);
    golden::compare_records(r, 62, kSub, [](const int16_t* p, int16_t* out) {
        int16_t buf[41];
        std::memcpy(buf, p + 20, sizeof(buf));
        const VokStatus st = voksTiltCompensation_G729_16s(p, buf + 1);
        EXPECT_EQ(buf[0], p[20]);  // memory sample untouched
        std::memcpy(out, buf + 1, kSub * sizeof(int16_t));
        return st;
    });
    golden::compare_records(r, 62, kSub, [](const int16_t* p, int16_t* out) {
        return voksTiltCompensation_G729E_16s(p[61], p + 20, out);
    });
    // Seeded extremes (filt_mu). Records: parcor, memory sample and 40 in | 40 out.
    golden::compare_records(records("filtmu.bin", 82, 300), 42, 40, [](const int16_t* p, int16_t* out) {
        return voksTiltCompensation_G729E_16s(p[0], p + 1, out);
    });
}

// Records of 122 words: the input the gain follows (40), the output to scale (40), the running
// gain, then the expected output (40) and gain.
TEST(G729GainGolden, GainControl) {
    const struct {
        const char* file;
        size_t count;
        VokStatus (*fn)(const Vok16s*, Vok16s*, Vok16s*);
    } sets[] = {{"agc.bin", 400, voksGainControl_G729_16s_I},
                {"agc_a.bin", 400, voksGainControl_G729A_16s_I},
                {"scalest.bin", 300, voksGainControl_G729_16s_I}};
    for (const auto& s : sets) {
        golden::compare_records(records(s.file, 122, s.count), 81, 41, [&](const int16_t* p, int16_t* out) {
            std::memcpy(out, p + 40, 41 * sizeof(int16_t));  // output, gain
            return s.fn(p, out, out + 40);
        });
    }
}

// The whole post-filter of the decoder, one sub-frame per record, as a caller chains the public
// operations: A(z/0.55) residual and harmonic filter, short-term filter, tilt compensation and
// gain control. Records: delay, A(z) (11), speech (10 past + 40), past residual (152), synthesis
// memory (10), gain; then the output (40), the reference voicing (delay or 0) and the gain.
TEST(G729GainGolden, PostFilterChain) {
    const auto r = records("post_chain.bin", 267, 200);
    golden::each_level([&] {
        int voiced = 0;
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t res[194], ltp[kSub], voicing = -1, syn[10 + kSub], h[20];
            res[0] = res[1] = 0x5A5A;
            std::memcpy(res + 2, p + 62, 152 * sizeof(int16_t));
            ASSERT_EQ(voksLongTermPostFilter_G729B_16s(p[0], p + 22, p + 1, res, ltp, &voicing, 1),
                      vokStatusOk);
            ASSERT_EQ(voicing, p[265] != 0 ? 1 : 0) << "record " << k;
            std::memcpy(syn, p + 214, 10 * sizeof(int16_t));
            const VokStatus s = voksShortTermPostFilter_G729_16s(p + 1, ltp, syn + 10, h);
            ASSERT_TRUE(s == vokStatusOk || s == vokStatusOverflow);
            ASSERT_EQ(voksTiltCompensation_G729_16s(h, syn + 10), vokStatusOk);
            int16_t gain = p[224];
            ASSERT_EQ(voksGainControl_G729_16s_I(p + 22, syn + 10, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(syn + 10, p + 225, kSub * 2)) << "record " << k;
            ASSERT_EQ(gain, p[266]) << "record " << k;
            voiced += voicing;
        }
        EXPECT_GT(voiced, 50);
        EXPECT_LT(voiced, 190);
    });
}

// Golden data of the Annex A and Annex B decoders (post-filter stages), of the Annex D decoder
// (6.4 kbit/s gain decoder, phase dispersion) and of the Annex E decoder (residual and synthesis
// of order 10 and 30), captured from the instrumented ITU-T reference code on the official
// sequences of each annex and, for Annex D, on the main-body sequences coded at 6.4 kbit/s; and
// the Annex E residual and synthesis of any order on seeded inputs.
// Records: delay, speech 10 + 40, A(z/0.55) 11, past residual 143 | residual 40, harmonically
// filtered residual 40; the past residual is left alone.
TEST(G729GainGoldenAnnexA, LongTermPostFilter) {
    const auto r = records("ltp_a.bin", 285, 400);
    golden::compare_records(r, 205, 2 * kSub, [](const int16_t* p, int16_t* out) {
        int16_t buf[194];
        for (int i = 0; i < 11; ++i) buf[i] = static_cast<int16_t>(0x5A5A);
        std::memcpy(buf + 11, p + 62, 143 * sizeof(int16_t));
        const VokStatus st = voksLongTermPostFilter_G729A_16s(p[0], p + 11, p + 51, buf, out + kSub);
        std::memcpy(out, buf + 154, kSub * sizeof(int16_t));
        EXPECT_EQ(0, std::memcmp(buf + 11, p + 62, 143 * sizeof(int16_t)));  // past left alone
        return st;
    });
    int filtered = 0;  // records whose output differs from its input
    for (size_t k = 0; k < r.count(); ++k) filtered += std::memcmp(r[k] + 245, r[k] + 205, 2 * kSub) != 0;
    EXPECT_GT(filtered, 100);
}

// Records: A(z/0.55) and A(z/0.7) 22, 40 in, memory sample | 40 out, memory sample.
TEST(G729GainGoldenAnnexA, TiltCompensation) {
    golden::compare_records(records("tilt_a.bin", 104, 400), 63, kSub + 1,
                            [](const int16_t* p, int16_t* out) {
                                int16_t buf[1 + kSub];
                                buf[0] = p[62];
                                std::memcpy(buf + 1, p + 22, kSub * sizeof(int16_t));
                                const VokStatus st = voksTiltCompensation_G729A_16s(p, buf + 1);
                                std::memcpy(out, buf + 1, kSub * sizeof(int16_t));
                                out[kSub] = buf[0];
                                return st;
                            });
}

TEST(G729GainGoldenAnnexB, LongTermPostFilterByFrameType) {
    const auto r = records("ltp_b.bin", 296, 400);
    int types[3] = {};
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t buf[194], out[kSub], voicing = -1;
        buf[0] = buf[1] = 0x1234;
        std::memcpy(buf + 2, p + 63, 152 * sizeof(int16_t));
        ASSERT_EQ(voksLongTermPostFilter_G729B_16s(p[0], p + 12, p + 52, buf, out, &voicing, p[1]),
                  vokStatusOk);
        ASSERT_EQ(0, std::memcmp(buf + 154, p + 215, kSub * 2)) << "record " << k;
        ASSERT_EQ(0, std::memcmp(out, p + 255, sizeof(out))) << "record " << k;
        ASSERT_EQ(voicing, p[295] != 0 ? 1 : 0) << "record " << k;
        ++types[p[1]];
    }
    EXPECT_GT(types[0] + types[2], 50);
    EXPECT_GT(types[1], 200);
}

TEST(G729GainGoldenAnnexD, DecodeGain6k) {
    golden::compare_records(records("dec_gain_6k.bin", 16, 500), 10, 6, [](const int16_t* p, int16_t* out) {
        EXPECT_EQ(p[0], 0);
        std::memcpy(out, p + 4, 6 * sizeof(int16_t));  // gains 2, past energies 4
        const int16_t idx[2] = {static_cast<int16_t>(p[1] >> 3), static_cast<int16_t>(p[1] & 7)};
        return voksDecodeGain_G729I_16s(golden::i32(p + 2), 29491, out + 2, idx, out);
    });
}

// Records: state 9, excitation 40, pitch and code gains, code 40 | out 40, code 40, state 9; the
// state at an odd address (it needs no alignment).
TEST(G729GainGoldenAnnexD, PhaseDispersion) {
    int size = 0;
    ASSERT_EQ(voksPhaseDispersionGetStateSize_G729D_16s(&size), vokStatusOk);
    ASSERT_EQ(size, 20);
    golden::compare_records(records("phdisp.bin", 180, 400), 91, 89, [](const int16_t* p, int16_t* out) {
        uint8_t raw[20 + 3] = {};
        std::memcpy(raw + 3, p, 9 * sizeof(int16_t));
        std::memcpy(out + 40, p + 51, kSub * sizeof(int16_t));
        auto* st = reinterpret_cast<VokG729PhaseDispersionState*>(raw + 3);
        const VokStatus s = voksPhaseDispersion_G729D_16s(p + 9, out, p[49], p[50], out + 40, st);
        std::memcpy(out + 80, raw + 3, 9 * sizeof(int16_t));
        return s;
    });
}

// Residual and synthesis of any order (Annex E Residue and Syn_filte). Streams: order m, [n,]
// a (m + 1), then residual: x (m + n) | y (n); synthesis: x (n), memory (m) | y (n), [memory
// (m)]. The decoder's files (orders 10 and 30) have n = 40 implicit and no final memory, which
// is the last m outputs; the seeded files carry both.
TEST(G729GainGoldenAnnexE, ResidualAnyOrder) {
    for (bool speech : {true, false}) {
        golden::File f(speech ? "g729_gain/resid_e_speech.bin" : "g729_gain/resid_e.bin");
        ASSERT_TRUE(f.ok());
        int calls = 0, tens = 0;
        for (; !f.done(); ++calls) {
            const int m = f.i16(), n = speech ? kSub : f.i16();
            const auto a = f.take(m + 1), x = f.take(m + n);
            std::vector<int16_t> y(n);
            ASSERT_EQ(voksResidualFilter_G729E_16s(a.data(), m, x.data() + m, y.data(), n), vokStatusOk);
            ASSERT_EQ(y, f.take(n)) << "call " << calls << " order " << m;
            tens += m == 10;
        }
        EXPECT_EQ(calls, speech ? 300 : 200);
        EXPECT_TRUE(!speech || tens == 150);  // the rest at order 30
    }
}

TEST(G729GainGoldenAnnexE, SynthesisAnyOrder) {
    for (bool speech : {true, false}) {
        const golden::File file(speech ? "g729_gain/syn_e_speech.bin" : "g729_gain/syn_e.bin");
        ASSERT_TRUE(file.ok());
        golden::each_level([&] {
            golden::File f = file;
            int calls = 0;
            for (; !f.done(); ++calls) {
                const int m = f.i16(), n = speech ? kSub : f.i16();
                const auto a = f.take(m + 1), x = f.take(n), mem0 = f.take(m), y = f.take(n);
                std::vector<int16_t> out(n), mem(mem0), io(x), mem2(mem0), tail(mem0);
                tail.insert(tail.end(), y.begin(), y.end());
                tail.erase(tail.begin(), tail.end() - m);
                const auto mem1 = speech ? tail : f.take(m);
                ASSERT_EQ(voksSynthesisFilter_G729E_16s(a.data(), m, x.data(), out.data(), n, mem.data()),
                          vokStatusOk);
                ASSERT_EQ(out, y) << "call " << calls << " order " << m;
                // Shorter than the order the reference reads before its output; the memory is
                // then the last m of memory and outputs.
                ASSERT_EQ(mem, n >= m ? mem1 : tail) << "call " << calls;
                ASSERT_EQ(voksSynthesisFilter_G729E_16s_I(a.data(), m, io.data(), n, mem2.data()),
                          vokStatusOk);
                ASSERT_EQ(io, out);
                ASSERT_EQ(mem2, mem);
            }
            EXPECT_EQ(calls, speech ? 300 : 200);
        });
    }
}

// Update64 of the Annex D decoder in its mixed-rate mode (testmid.3): the state before, the
// pitch and code gains of an 8 kbit/s sub-frame, the state after.
TEST(G729GainGoldenAnnexD, PhaseDispersionUpdate) {
    const auto r = records("phdisp_update.bin", 20, 1176);
    golden::compare_records(r, 11, 9, [](const int16_t* p, int16_t* out) {
        uint8_t raw[20 + 5] = {};
        std::memcpy(raw + 5, p, 9 * sizeof(int16_t));
        const VokStatus s = voksPhaseDispersionUpdate_G729D_16s(
            p[9], p[10], reinterpret_cast<VokG729PhaseDispersionState*>(raw + 5));
        std::memcpy(out, raw + 5, 9 * sizeof(int16_t));
        return s;
    });
    int fromDispersion = 0;
    for (size_t k = 0; k < r.count(); ++k) fromDispersion += r[k][6] != 2;
    EXPECT_GT(fromDispersion, 10);  // calls right after 6.4 kbit/s sub-frames are among them
}

// Golden data of the reference routines driven directly with seeded random and extreme inputs
// (small, speech-like, full-range and saturating amplitudes; Pre_Process, Post_Process and
// filt_mu above): G.729 Residu and the Residu + Syn_filt weighting chain; Annex A preemphasis
// and agc; the floating-point gain-codebook searches of Annex C (qua_gain) and Annex C+
// (qua_gain_6k) recorded while coding speech, and Annex C+ syn_filte and scale_st.
// Records: a 11, x 10 + 40 | y 40; the any-order twin agrees at order 10.
TEST(G729GainGoldenRandom, ResidualFilterOrder10) {
    const auto r = records("residu.bin", 101, 300);
    golden::compare_records(
        r, 61, 40, [](const int16_t* p, int16_t* y) { return voksResidualFilter_G729_16s(p + 21, p, y); });
    golden::compare_records(r, 61, 40, [](const int16_t* p, int16_t* y) {
        return voksResidualFilter_G729E_16s(p, 10, p + 21, y, kSub);
    });
}

TEST(G729GainGoldenRandom, PoleZeroWeightingChain) {
    const auto r = records("wchain.bin", 133, 300);
    int compared = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        if (p[132] != 0) continue;  // the reference saturated inside its accumulation
        for (bool low : {false, true}) {
            int16_t y[kSub], mem[10];
            std::memcpy(mem, p + 72, sizeof(mem));
            const VokStatus s =
                low ? voksIIR16sLow_G729_16s(p, p + 22, y, mem) : voksIIR16s_G729_16s(p, p + 22, y, mem);
            ASSERT_EQ(s, vokStatusOk);
            ASSERT_EQ(0, std::memcmp(y, p + 82, sizeof(y))) << "record " << k << " low " << low;
            ASSERT_EQ(0, std::memcmp(mem, p + 122, sizeof(mem))) << "record " << k;
        }
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

// Stream: factor, n, then n samples in and n out, the memory carried from call to call.
TEST(G729GainGoldenRandom, PreemphasisSequence) {
    golden::File f("g729_gain/preemph.bin");
    ASSERT_TRUE(f.ok());
    int16_t mem = 0, memCopy = 0;
    int calls = 0;
    for (; !f.done(); ++calls) {
        const int16_t g = f.i16();
        const int n = f.i16();
        std::vector<int16_t> x = f.take(n), y(x.size());
        const auto want = f.take(n);
        ASSERT_EQ(voksPreemphasize_G729A_16s(g, x.data(), y.data(), n, &memCopy), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_G729A_16s_I(g, x.data(), n, &mem), vokStatusOk);
        ASSERT_EQ(x, want) << "call " << calls;
        ASSERT_EQ(y, want) << "call " << calls;
        ASSERT_EQ(mem, memCopy);
    }
    EXPECT_EQ(calls, 200);
}

// Records: the input the gain follows 40, the output to scale 40 | scaled 40; the gain carried.
TEST(G729GainGoldenRandom, GainControlAnnexASequence) {
    const auto r = records("agcx.bin", 120, 300);
    golden::each_level([&] {
        int16_t gain = 4096;
        for (size_t k = 0; k < r.count(); ++k) {
            int16_t out[kSub];
            std::memcpy(out, r[k] + 40, sizeof(out));
            ASSERT_EQ(voksGainControl_G729A_16s_I(r[k], out, &gain), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, r[k] + 80, sizeof(out))) << "record " << k;
        }
    });
}

std::vector<float> floats(const int16_t* p, int n) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = golden::f32(p + 2 * i);
    return v;
}

// Records: correlations 5 (f32), candidates 2, taming, gcode0 (f32) | indices 2.
TEST(G729GainGoldenRandom, FloatGainCodebookSearches) {
    for (bool annexD : {false, true}) {
        const auto r = records(annexD ? "gain_search_6k_32f.bin" : "gain_search_32f.bin", 17, 600);
        golden::each_level([&] {
            for (size_t k = 0; k < r.count(); ++k) {
                const int16_t* p = r[k];
                const auto c = floats(p, 5);
                const Vok32s cand[2] = {p[10], p[11]};
                Vok32s idx[2] = {-1, -1};
                const float g0 = golden::f32(p + 13);
                const VokStatus s = annexD ? voksGainCodebookSearch_G729D_32f(c.data(), cand, idx, p[12], g0)
                                           : voksGainCodebookSearch_G729_32f(c.data(), cand, idx, p[12], g0);
                ASSERT_EQ(s, vokStatusOk);
                ASSERT_EQ(idx[0], p[15]) << "record " << k << " annex D " << annexD;
                ASSERT_EQ(idx[1], p[16]) << "record " << k << " annex D " << annexD;
            }
        });
    }
}

// Stream: order m, n, then (f32) a (m + 1), x (n), memory (m) | y (n), memory (m).
TEST(G729GainGoldenRandom, FloatSynthesisAnyOrder) {
    golden::File f("g729_gain/synth_32f.bin");
    ASSERT_TRUE(f.ok());
    int calls = 0;
    for (; !f.done(); ++calls) {
        const int m = f.i16(), n = f.i16();
        const auto a = floats(f.take(2 * (m + 1)).data(), m + 1), x = floats(f.take(2 * n).data(), n);
        auto mem = floats(f.take(2 * m).data(), m);
        const auto y = floats(f.take(2 * n).data(), n), mem1 = floats(f.take(2 * m).data(), m);
        std::vector<float> out(static_cast<size_t>(n));
        ASSERT_EQ(voksSynthesisFilter_G729_32f(a.data(), m, x.data(), out.data(), n, mem.data()),
                  vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out.data(), y.data(), out.size() * 4)) << "call " << calls << " order " << m;
        ASSERT_EQ(0, std::memcmp(mem.data(), mem1.data(), mem.size() * 4)) << "call " << calls;
    }
    EXPECT_EQ(calls, 200);
}

// Annex C+ scale_st (single precision): the per-sample gain recursion with the reference's own
// increment (1 - 0.9875) * in/out and factor 0.9875, gains carried from call to call.
TEST(G729GainGoldenRandom, FloatGainControlSequence) {
    const auto r =
        records("agc_32f.bin", 2 * (2 + 2 * kSub + 1), 200);  // f32: gain, increment, in 40, out 40, gain
    float gain = 1.0f;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        ASSERT_EQ(gain, golden::f32(p)) << "record " << k;  // carried gain
        auto x = floats(p + 4, kSub);
        ASSERT_EQ(voksGainControl_G729_32f_I(x.data(), &gain, golden::f32(p + 2), 0.9875f), vokStatusOk);
        ASSERT_EQ(x, floats(p + 4 + 2 * kSub, kSub)) << "record " << k;
        ASSERT_EQ(gain, golden::f32(p + 4 + 4 * kSub)) << "record " << k;
    }
}

}  // namespace
