// Golden data of the G.729 main-body coder and decoder: per-call inputs and outputs of Qua_gain,
// Dec_gain, Pre_Process, Post_Process and the post-filter stages, captured from the ITU-T
// reference on the official test sequences (encoder: SPEECH ALGTHM FIXED LSP PITCH TAME; decoder:
// the same plus ERASURE OVERFLOW PARITY).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "frame/dispatch.h"
#include "g729/golden.h"
#include "voksc.h"

namespace {

constexpr int kSub = 40;

TEST(G729GainGolden, GainQuantOnSpeech) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("qua_gain.bin", 173);
        ASSERT_EQ(r.count(), 500u);
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            const int16_t* out = p + 165;
            int16_t past[4], gains[2] = {-1, -1}, idx[2] = {-1, -1};
            std::memcpy(past, p + 161, sizeof(past));
            ASSERT_EQ(voksGainQuant_G729_16s(p, p + 40, p + 80, p + 120, past, gains, idx, p[160]), vokStatusOk);
            ASSERT_EQ(gains[0], out[0]) << "record " << k;
            ASSERT_EQ(gains[1], out[1]) << "record " << k;
            ASSERT_EQ(idx[0], out[2]) << "record " << k;
            ASSERT_EQ(idx[1], out[3]) << "record " << k;
            ASSERT_EQ(0, std::memcmp(past, out + 4, sizeof(past))) << "record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGolden, DecodeGainWithErasures) {
    const auto r = golden::records("dec_gain.bin", 16);
    ASSERT_EQ(r.count(), 622u);
    int erased = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t past[4], gains[2] = {p[4], p[5]};
        std::memcpy(past, p + 6, sizeof(past));
        const int16_t idx[2] = {static_cast<int16_t>(p[1] >> 4), static_cast<int16_t>(p[1] & 15)};
        const bool bfi = p[0] != 0;
        erased += bfi;
        ASSERT_EQ(voksDecodeGain_G729_16s(golden::word32(p + 2), past, bfi ? nullptr : idx, gains), vokStatusOk);
        ASSERT_EQ(gains[0], p[10]) << "record " << k;
        ASSERT_EQ(gains[1], p[11]) << "record " << k;
        ASSERT_EQ(0, std::memcmp(past, p + 12, sizeof(past))) << "record " << k;
    }
    EXPECT_EQ(erased, 122);
}

TEST(G729GainGolden, PreProcessingHighPassOnSpeech) {
    const auto w = golden::load16("hp12_speech.bin");
    ASSERT_FALSE(w.empty());
    static constexpr int16_t kPre[6] = {4096, 7807, -3733, 1899, -3798, 1899};
    int size = 0;
    ASSERT_EQ(voksHighPassFilterSize_G729(&size), vokStatusOk);
    std::vector<uint8_t> raw(static_cast<size_t>(size) + 1);
    auto* st = reinterpret_cast<VokG729HighPassState*>(raw.data() + 1);  // odd address
    ASSERT_EQ(voksHighPassFilterInit_G729(kPre, st), vokStatusOk);
    size_t pos = 0;
    int calls = 0;
    while (pos < w.size()) {
        const int n = w[pos];
        std::vector<int16_t> x(w.begin() + static_cast<long>(pos) + 1, w.begin() + static_cast<long>(pos) + 1 + n);
        ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x.data(), n, 12, st), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(x.data(), &w[pos + 1 + static_cast<size_t>(n)], x.size() * 2)) << "call " << calls;
        pos += 1 + 2 * static_cast<size_t>(n);
        ++calls;
    }
    EXPECT_EQ(calls, 300);
}

TEST(G729GainGolden, PostProcessingHighPassOnDecodedSpeech) {
    static constexpr int16_t kPost[6] = {8192, 15836, -7667, 7699, -15398, 7699};
    for (const char* name : {"hp13_speech.bin", "hp13_overflow.bin"}) {
        const auto r = golden::records(name, 160);
        ASSERT_EQ(r.count(), 150u) << name;
        uint8_t raw[24];
        auto* st = reinterpret_cast<VokG729HighPassState*>(raw);
        ASSERT_EQ(voksHighPassFilterInit_G729(kPost, st), vokStatusOk);
        for (size_t k = 0; k < r.count(); ++k) {
            int16_t x[80];
            std::memcpy(x, r[k], sizeof(x));
            ASSERT_EQ(voksHighPassFilter_G729_16s_ISfs(x, 80, 13, st), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(x, r[k] + 80, sizeof(x))) << name << " frame " << k;
        }
    }
}

TEST(G729GainGolden, LongTermPostFilter) {
    const auto r = golden::records("ltp.bin", 234);
    ASSERT_EQ(r.count(), 400u);
    int voiced = 0;
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t out[kSub], vo = -1;
        ASSERT_EQ(voksLongTermPostFilter_G729_16s(16384, p[0], p + 1 + 152, out, &vo), vokStatusOk);
        ASSERT_EQ(0, std::memcmp(out, p + 193, sizeof(out))) << "record " << k;
        ASSERT_EQ(vo, p[233]) << "record " << k;
        voiced += vo != 0;
    }
    EXPECT_GT(voiced, 100);  // both branches are exercised
    EXPECT_LT(voiced, 400);
}

TEST(G729GainGolden, ShortTermPostFilter) {
    const auto r = golden::records("st.bin", 121);
    ASSERT_EQ(r.count(), 400u);
    for (size_t k = 0; k < r.count(); ++k) {
        const int16_t* p = r[k];
        int16_t buf[10 + kSub], h[20];
        std::memcpy(buf, p + 51, 10 * sizeof(int16_t));
        const VokStatus s = voksShortTermPostFilter_G729_16s(p, p + 11, buf + 10, h);
        ASSERT_TRUE(s == vokStatusOk || s == vokStatusOverflow);
        ASSERT_EQ(0, std::memcmp(buf + 10, p + 61, kSub * 2)) << "record " << k;
        ASSERT_EQ(0, std::memcmp(h, p + 101, sizeof(h))) << "record " << k;
    }
}

TEST(G729GainGolden, TiltCompensation) {
    // Both kernel levels give the reference bits.
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("tilt.bin", 102);
        ASSERT_EQ(r.count(), 400u);
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t buf[41];
            std::memcpy(buf, p + 20, sizeof(buf));
            ASSERT_EQ(voksTiltCompensation_G729_16s(p, buf + 1), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(buf + 1, p + 62, kSub * 2)) << "record " << k;
            EXPECT_EQ(buf[0], p[20]);  // memory sample untouched
            // The same filter driven by the recorded first parcor.
            int16_t out[kSub];
            ASSERT_EQ(voksTiltCompensation_G729E_16s(p[61], p + 20, out), vokStatusOk);
            ASSERT_EQ(0, std::memcmp(out, p + 62, sizeof(out))) << "record " << k;
        }
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

TEST(G729GainGolden, GainControl) {
    golden::check_gain_control("agc.bin", 400, voksGainControl_G729_16s_I);
}

// The whole post-filter of the decoder, one sub-frame per record, as a caller chains the public
// operations: A(z/0.55) residual and harmonic filter, short-term filter, tilt compensation and
// gain control. Records: delay, A(z) (11), speech (10 past + 40), past residual (152), synthesis
// memory (10), gain; then the output (40), the reference voicing (delay or 0) and the gain.
TEST(G729GainGolden, PostFilterChain) {
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        voks::frame::force_level(level);
        const auto r = golden::records("post_chain.bin", 267);
        ASSERT_EQ(r.count(), 200u);
        int voiced = 0;
        for (size_t k = 0; k < r.count(); ++k) {
            const int16_t* p = r[k];
            int16_t res[194], ltp[kSub], voicing = -1, syn[10 + kSub], h[20];
            res[0] = res[1] = 0x5A5A;
            std::memcpy(res + 2, p + 62, 152 * sizeof(int16_t));
            ASSERT_EQ(voksLongTermPostFilter_G729B_16s(p[0], p + 22, p + 1, res, ltp, &voicing, 1), vokStatusOk);
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
    }
    voks::frame::force_level(voks::frame::Level::AVX2);
}

}  // namespace
