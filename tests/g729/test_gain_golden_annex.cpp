// Golden data of the Annex A and Annex B decoders (post-filter stages), of the Annex D coder and
// decoder (6.4 kbit/s gain quantiser and decoder, phase dispersion) and of the Annex E decoder
// (residual of order 10 and 30, harmonic post-filter with its adaptive weight, synthesis of
// order 10 and 30), captured from the instrumented ITU-T reference code on the official
// sequences of each annex and, for Annex D, on the main-body sequences coded at 6.4 kbit/s.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729/golden.h"
#include "voksc.h"

namespace {

constexpr int kSub = 40;

TEST(G729GainGoldenAnnexA, LongTermPostFilter) {
    const auto r = golden::records("ltp_a.bin", 285);
    ASSERT_EQ(r.count(), 400u);
    int filtered = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t buf[194], out[kSub];
        for (int i = 0; i < 11; ++i) buf[i] = static_cast<int16_t>(0x5A5A);
        std::memcpy(buf + 11, p + 62, 143 * sizeof(int16_t));
        ASSERT_EQ(voksLongTermPostFilter_G729A_16s(p[0], p + 11, p + 51, buf, out), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(buf + 154, p + 205, kSub * 2)) << "record " << k;
        ASSERT_EQ(0, std::memcmp(out, p + 245, sizeof(out))) << "record " << k;
        ASSERT_EQ(0, std::memcmp(buf + 11, p + 62, 143 * sizeof(int16_t)));  // past left alone
        filtered += std::memcmp(out, p + 205, sizeof(out)) != 0;
    }
    EXPECT_GT(filtered, 100);
}

TEST(G729GainGoldenAnnexA, TiltCompensation) {
    const auto r = golden::records("tilt_a.bin", 104);
    ASSERT_EQ(r.count(), 400u);
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t buf[1 + kSub];
        buf[0] = p[62];
        std::memcpy(buf + 1, p + 22, kSub * 2);
        ASSERT_EQ(voksTiltCompensation_G729A_16s(p, buf + 1), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(buf + 1, p + 63, kSub * 2)) << "record " << k;
        ASSERT_EQ(buf[0], p[103]) << "record " << k;
    }
}

TEST(G729GainGoldenAnnexA, GainControl) {
    golden::check_gain_control("agc_a.bin", 400, voksGainControl_G729A_16s_I);
}

TEST(G729GainGoldenAnnexB, LongTermPostFilterByFrameType) {
    const auto r = golden::records("ltp_b.bin", 296);
    ASSERT_EQ(r.count(), 400u);
    int types[3] = {};
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t buf[194], out[kSub], voicing = -1;
        buf[0] = buf[1] = 0x1234;
        std::memcpy(buf + 2, p + 63, 152 * sizeof(int16_t));
        ASSERT_EQ(voksLongTermPostFilter_G729B_16s(p[0], p + 12, p + 52, buf, out, &voicing, p[1]), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(buf + 154, p + 215, kSub * 2)) << "record " << k;
        ASSERT_EQ(0, std::memcmp(out, p + 255, sizeof(out))) << "record " << k;
        ASSERT_EQ(voicing, p[295] != 0 ? 1 : 0) << "record " << k;
        ++types[p[1]];
    }
    EXPECT_GT(types[0] + types[2], 50);
    EXPECT_GT(types[1], 200);
}

TEST(G729GainGoldenAnnexD, GainQuant6k) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("qua_gain_6k.bin", 173);
        ASSERT_EQ(r.count(), 500u);
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            const int16_t* out = p + 165;
            int16_t past[4], gains[2], idx[2];
            std::memcpy(past, p + 161, sizeof(past));
            ASSERT_EQ(voksGainQuant_G729D_16s(p, p + 40, p + 80, p + 120, past, gains, idx, p[160]), vokStatusOk);
            ASSERT_EQ(gains[0], out[0]) << "record " << k;
            ASSERT_EQ(gains[1], out[1]) << "record " << k;
            ASSERT_EQ(idx[0], out[2]) << "record " << k;
            ASSERT_EQ(idx[1], out[3]) << "record " << k;
            ASSERT_EQ(0, std::memcmp(past, out + 4, sizeof(past))) << "record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGoldenAnnexD, DecodeGain6k) {
    const auto r = golden::records("dec_gain_6k.bin", 16);
    ASSERT_EQ(r.count(), 500u);
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        ASSERT_EQ(p[0], 0);
        int16_t past[4], gains[2] = {p[4], p[5]};
        std::memcpy(past, p + 6, sizeof(past));
        const int16_t idx[2] = {static_cast<int16_t>(p[1] >> 3), static_cast<int16_t>(p[1] & 7)};
        ASSERT_EQ(voksDecodeGain_G729I_16s(golden::word32(p + 2), 29491, past, idx, gains), vokStatusOk);
        ASSERT_EQ(gains[0], p[10]) << "record " << k;
        ASSERT_EQ(gains[1], p[11]) << "record " << k;
        ASSERT_EQ(0, std::memcmp(past, p + 12, sizeof(past))) << "record " << k;
    }
}

TEST(G729GainGoldenAnnexD, PhaseDispersion) {
    const auto r = golden::records("phdisp.bin", 180);
    ASSERT_EQ(r.count(), 400u);
    int size = 0;
    ASSERT_EQ(voksPhaseDispersionGetStateSize_G729D_16s(&size), vokStatusOk);
    ASSERT_EQ(size, 20);
    std::vector<uint8_t> raw(static_cast<size_t>(size) + 3);
    uint8_t* at = raw.data() + 3;  // odd address
    auto* st = reinterpret_cast<VokG729PhaseDispersionState*>(at);
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        std::memcpy(at, p, 9 * sizeof(int16_t));
        int16_t code[kSub], out[kSub];
        std::memcpy(code, p + 51, sizeof(code));
        ASSERT_EQ(voksPhaseDispersion_G729D_16s(p + 9, out, p[49], p[50], code, st), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out, p + 91, sizeof(out))) << "record " << k;
        ASSERT_EQ(0, std::memcmp(code, p + 131, sizeof(code))) << "record " << k;
        ASSERT_EQ(0, std::memcmp(at, p + 171, 9 * sizeof(int16_t))) << "record " << k;
    }
}

TEST(G729GainGoldenAnnexE, ResidualOfOrder10And30) {
    const auto w = golden::load16("resid_e_speech.bin");
    ASSERT_FALSE(w.empty());
    size_t pos = 0;
    int counts[31] = {};
    while (pos < w.size()) {
        const int m = w[pos];
        const int16_t* a = &w[pos + 1];
        const int16_t* x = a + m + 1;
        const int16_t* expect = x + m + kSub;
        int16_t y[kSub];
        ASSERT_EQ(voksResidualFilter_G729E_16s(a, m, x + m, y, kSub), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(y, expect, sizeof(y))) << "order " << m << " at " << pos;
        ++counts[m];
        pos += 1 + static_cast<size_t>(m + 1 + m + kSub + kSub);
    }
    EXPECT_EQ(counts[10], 150);
    EXPECT_EQ(counts[30], 150);
}

TEST(G729GainGoldenAnnexE, SynthesisOfOrder10And30) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto w = golden::load16("syn_e_speech.bin");
        ASSERT_FALSE(w.empty());
        size_t pos = 0;
        int calls = 0;
        while (pos < w.size()) {
            const int m = w[pos];
            const int16_t* a = &w[pos + 1];
            const int16_t* x = a + m + 1;
            const int16_t* mem0 = x + kSub;
            const int16_t* expect = mem0 + m;
            int16_t y[kSub];
            std::vector<int16_t> mem(mem0, mem0 + m);
            ASSERT_EQ(voksSynthesisFilter_G729E_16s(a, m, x, y, kSub, mem.data()), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(y, expect, sizeof(y))) << "order " << m << " call " << calls;
            ASSERT_EQ(0, std::memcmp(mem.data(), expect + kSub - m, mem.size() * 2));  // last m outputs
            pos += 1 + static_cast<size_t>(m + 1 + kSub + m + kSub);
            ++calls;
        }
        EXPECT_EQ(calls, 300);
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGoldenAnnexE, HarmonicPostFilterWithAdaptiveWeight) {
    const auto r = golden::records("ltpe_speech.bin", 235);
    ASSERT_EQ(r.count(), 300u);
    int weights = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t out[kSub], vo = -1;
        ASSERT_EQ(voksLongTermPostFilter_G729_16s(p[0], p[1], p + 2 + 152, out, &vo), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out, p + 194, sizeof(out))) << "record " << k << " gamma " << p[0];
        ASSERT_EQ(vo, p[234]) << "record " << k;
        weights += p[0] != 16384;
    }
    EXPECT_EQ(weights, 150);
}

// Update64 of the Annex D decoder in its mixed-rate mode (testmid.3): the state before, the
// pitch and code gains of an 8 kbit/s sub-frame, the state after.
TEST(G729GainGoldenAnnexD, PhaseDispersionUpdate) {
    const auto r = golden::records("phdisp_update.bin", 20);
    ASSERT_EQ(r.count(), 1176u);
    uint8_t raw[20 + 5];
    uint8_t* at = raw + 5;  // odd address
    auto* st = reinterpret_cast<VokG729PhaseDispersionState*>(at);
    int fromDispersion = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        std::memcpy(at, p, 9 * sizeof(int16_t));
        ASSERT_EQ(voksPhaseDispersionUpdate_G729D_16s(p[9], p[10], st), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(at, p + 11, 9 * sizeof(int16_t))) << "record " << k;
        fromDispersion += p[6] != 2;
    }
    EXPECT_GT(fromDispersion, 10);  // calls right after 6.4 kbit/s sub-frames are among them
}

}  // namespace
