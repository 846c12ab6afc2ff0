// GSM full-rate operations against the outputs of the GSM 06.10 reference routines (files in
// tests/data/gsmfr, see tests/data/README.md) on seeded random, extreme and speech inputs, with
// the filter memories carried from record to record as the reference carried them. Every
// kernel level must reproduce them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "support/files.h"
#include "voksc.h"

namespace {

using voks::frame::Level;

// Little-endian 16- and 32-bit words read in sequence from a golden file.
class Reader {
public:
    explicit Reader(const std::string& name) {
        ok_ = voksc_test::read_bytes(std::string(VOKSC_TEST_DATA_DIR) + "/gsmfr/" + name, data_);
    }
    bool ok() const { return ok_; }
    bool done() const { return pos_ >= data_.size(); }
    int16_t w16() {
        const auto v = static_cast<int16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    int32_t w32() {
        const uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
                           (static_cast<uint32_t>(data_[pos_ + 2]) << 16) |
                           (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return static_cast<int32_t>(v);
    }
    void read(int16_t* dst, int n) {
        for (int i = 0; i < n; ++i) dst[i] = w16();
    }
    // Enough bytes left for one more record?
    bool has(size_t bytes) const { return pos_ + bytes <= data_.size(); }

private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = false;
};

class GsmfrGolden : public ::testing::TestWithParam<Level> {
protected:
    void SetUp() override { skip_ = voks::frame::force_level(GetParam()) != GetParam(); }
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }
    bool skip_ = false;
};

#define OPEN_OR_SKIP(reader, name)                                             \
    if (skip_) GTEST_SKIP() << "CPU lacks this kernel level";                  \
    Reader reader(name);                                                       \
    ASSERT_TRUE(reader.ok()) << "golden file " << name << " not found"

TEST_P(GsmfrGolden, Schur) {
    OPEN_OR_SKIP(r, "schur.bin");
    int records = 0;
    while (r.has(9 * 4 + 8 * 2)) {
        Vok32s acf[9];
        for (Vok32s& a : acf) a = r.w32();
        Vok16s want[8];
        r.read(want, 8);
        Vok16s got[8];
        ASSERT_EQ(voksSchur_GSMFR_32s16s(acf, got, 8), vokStatusOk);
        ASSERT_EQ(std::memcmp(got, want, sizeof(got)), 0) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 600);
}

TEST_P(GsmfrGolden, ShortTermAnalysis) {
    OPEN_OR_SKIP(r, "analysis.bin");
    int records = 0;
    while (r.has(2 * (1 + 8 + 8 + 160 + 160 + 8))) {
        const int len = r.w16();
        Vok16s rp[8], u[8], x[160], want[160], want_u[8];
        r.read(rp, 8);
        r.read(u, 8);
        r.read(x, 160);
        r.read(want, 160);
        r.read(want_u, 8);
        ASSERT_EQ(voksShortTermAnalysisFilter_GSMFR_16s_I(rp, x, len, u), vokStatusOk);
        ASSERT_EQ(std::memcmp(x, want, sizeof(x)), 0) << "record " << records;
        ASSERT_EQ(std::memcmp(u, want_u, sizeof(u)), 0) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 200);
}

TEST_P(GsmfrGolden, ShortTermSynthesis) {
    OPEN_OR_SKIP(r, "synthesis.bin");
    int records = 0;
    while (r.has(2 * (1 + 8 + 9 + 160 + 160 + 9))) {
        const int len = r.w16();
        Vok16s rp[8], v[9], e[160], want[160], want_v[9];
        r.read(rp, 8);
        r.read(v, 9);
        r.read(e, 160);
        r.read(want, 160);
        r.read(want_v, 9);
        Vok16s out[160] = {};
        ASSERT_EQ(voksShortTermSynthesisFilter_GSMFR_16s(rp, e, out, len, v), vokStatusOk);
        ASSERT_EQ(std::memcmp(out, want, len * sizeof(Vok16s)), 0) << "record " << records;
        ASSERT_EQ(std::memcmp(v, want_v, sizeof(v)), 0) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 200);
}

TEST_P(GsmfrGolden, WeightingFilter) {
    OPEN_OR_SKIP(r, "weighting.bin");
    int records = 0;
    while (r.has(2 * (50 + 40))) {
        Vok16s x[50], want[40], got[40];
        r.read(x, 50);
        r.read(want, 40);
        ASSERT_EQ(voksWeightingFilter_GSMFR_16s(x + 5, got, 40), vokStatusOk);
        ASSERT_EQ(std::memcmp(got, want, sizeof(got)), 0) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 400);
}

TEST_P(GsmfrGolden, RpeDequantisation) {
    OPEN_OR_SKIP(r, "rpe.bin");
    int records = 0;
    while (r.has(2 * (2 + 13 + 13))) {
        const Vok16s fac = r.w16();
        const Vok16s shift = r.w16();
        Vok16s xmc[13], want[13], got[13];
        r.read(xmc, 13);
        r.read(want, 13);
        ASSERT_EQ(voksRPEQuantDecode_GSMFR_16s(xmc, fac, shift, got), vokStatusOk);
        ASSERT_EQ(std::memcmp(got, want, sizeof(got)), 0) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 512);
}

TEST_P(GsmfrGolden, Deemphasis) {
    OPEN_OR_SKIP(r, "deemph.bin");
    int records = 0;
    while (r.has(2 * (1 + 160 + 160 + 1))) {
        Vok16s mem = r.w16();
        Vok16s x[160], want[160];
        r.read(x, 160);
        r.read(want, 160);
        const Vok16s want_mem = r.w16();
        ASSERT_EQ(voksDeemphasize_GSMFR_16s_I(x, 160, &mem), vokStatusOk);
        ASSERT_EQ(std::memcmp(x, want, sizeof(x)), 0) << "record " << records;
        ASSERT_EQ(mem, want_mem) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 120);
}

// The reference pre-processing is offset compensation followed by pre-emphasis.
TEST_P(GsmfrGolden, HighPassThenPreemphasis) {
    OPEN_OR_SKIP(r, "preprocess.bin");
    int records = 0;
    while (r.has(4 + 2 + 2 + 2 * 160 * 2 + 4 + 2 + 2)) {
        Vok32s hp[2];
        hp[0] = r.w32();
        hp[1] = r.w16();
        Vok16s mp = r.w16();
        Vok16s s[160], want[160], so[160];
        r.read(s, 160);
        r.read(want, 160);
        const Vok32s want_lz2 = r.w32();
        const Vok16s want_z1 = r.w16();
        const Vok16s want_mp = r.w16();
        ASSERT_EQ(voksHighPassFilter_GSMFR_16s(s, so, 160, hp), vokStatusOk);
        ASSERT_EQ(voksPreemphasize_GSMFR_16s(so, so, 160, &mp), vokStatusOk);
        ASSERT_EQ(std::memcmp(so, want, sizeof(so)), 0) << "record " << records;
        ASSERT_EQ(hp[0], want_lz2) << "record " << records;
        ASSERT_EQ(hp[1], want_z1) << "record " << records;
        ASSERT_EQ(mp, want_mp) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 120);
}

INSTANTIATE_TEST_SUITE_P(Levels, GsmfrGolden, ::testing::Values(Level::Scalar, Level::AVX2),
                         [](const ::testing::TestParamInfo<Level>& info) {
                             return info.param == Level::AVX2 ? std::string("avx2") : std::string("scalar");
                         });

}  // namespace
