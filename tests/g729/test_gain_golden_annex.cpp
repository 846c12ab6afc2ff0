// Golden data of the Annex A and Annex B decoders (post-filter stages), of the Annex D decoder
// (6.4 kbit/s gain decoder, phase dispersion) and of the Annex E decoder (residual and synthesis
// of order 10 and 30), captured from the instrumented ITU-T reference code on the official
// sequences of each annex and, for Annex D, on the main-body sequences coded at 6.4 kbit/s; and
// the Annex E residual and synthesis of any order on seeded inputs.
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

}  // namespace
