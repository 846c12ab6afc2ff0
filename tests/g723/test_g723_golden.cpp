// The G.723.1 operations against the reference routines of the standard (release 2, code 5.00):
// 3000 seeded cases per routine (the test speech at four levels, full-scale and scaled random
// words, extreme patterns, sparse words), each compared through an FNV-1a digest of every output
// the reference produced (tests/data/g723/digests.txt). Memories of the filters are carried from
// case to case as the reference run carried them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/basicop.h"
#include "g723/g723_codec.h"
#include "g723/g723_parts.h"
#include "support/files.h"
#include "support/golden.h"
#include "voksc.h"

namespace g723 {
extern const int16_t kPerceptualZero[10], kPerceptualPole[10], kLsfMean[10], kFixedGain[24];
}

namespace {

// The inputs of the reference run: xorshift32 from 0x2545F491 and the test speech.
struct Gen {
    uint32_t s = 0x2545F491u;
    std::vector<int16_t> speech;
    uint32_t rnd() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    // Kinds 0-3: speech plain, / 4, x 4 saturated, / 32; 4: random words; 5: random words shifted
    // right by 0..15; 6: all max, all min, alternating or zero; 7: sparse random words.
    void fill(int16_t* x, int n, int kind) {
        switch (kind & 7) {
            case 0:
            case 1:
            case 2:
            case 3: {
                const uint32_t at = rnd() % (static_cast<uint32_t>(speech.size()) - n);
                for (int i = 0; i < n; ++i) {
                    int v = speech[at + i];
                    if ((kind & 7) == 1) v >>= 2;
                    if ((kind & 7) == 2) v = std::max(-32768, std::min(32767, v * 4));
                    if ((kind & 7) == 3) v >>= 5;
                    x[i] = static_cast<int16_t>(v);
                }
                break;
            }
            case 4:
                for (int i = 0; i < n; ++i) x[i] = static_cast<int16_t>(rnd() >> 16);
                break;
            case 5: {
                const int sh = static_cast<int>(rnd() % 16);
                for (int i = 0; i < n; ++i)
                    x[i] = static_cast<int16_t>(static_cast<int16_t>(rnd() >> 16) >> sh);
                break;
            }
            case 6: {
                const uint32_t p = rnd() % 4;
                for (int i = 0; i < n; ++i)
                    x[i] = static_cast<int16_t>(p == 0   ? 32767
                                                : p == 1 ? -32768
                                                : p == 2 ? ((i & 1) ? -32768 : 32767)
                                                         : 0);
                break;
            }
            default:
                for (int i = 0; i < n; ++i)
                    x[i] = rnd() % 8 == 0 ? static_cast<int16_t>(rnd() >> 16) : int16_t{0};
        }
    }
    // Odd cases: random words decaying by halves every six samples; even: a tapered fill.
    void impulse(int16_t* h, int k) {
        if (k & 1) {
            for (int i = 0; i < 60; ++i)
                h[i] = static_cast<int16_t>((static_cast<int32_t>(rnd() >> 17) - 16384) >> (i / 6));
        } else {
            fill(h, 60, k >> 1);
            for (int i = 0; i < 60; ++i) h[i] = static_cast<int16_t>(int32_t{h[i]} * (60 - i) / 60);
        }
    }
};

struct Digest {
    uint64_t h = golden::kFnv64;
    void add(const int16_t* p, int n) {
        for (int i = 0; i < n; ++i) {
            const uint8_t b[2] = {static_cast<uint8_t>(p[i]),
                                  static_cast<uint8_t>(static_cast<uint16_t>(p[i]) >> 8)};
            h = golden::fnv64(h, b, 2);
        }
    }
    void add(int16_t v) { add(&v, 1); }
    void add32(int32_t v) {
        const int16_t w[2] = {static_cast<int16_t>(v & 0xFFFF), static_cast<int16_t>(v >> 16)};
        add(w, 2);
    }
};

std::vector<int16_t> wav_samples(const std::string& path) {
    std::vector<uint8_t> b;
    std::vector<int16_t> out;
    if (!voksc_test::read_bytes(path, b)) return out;
    size_t p = 12;
    auto u32 = [&](size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
    };
    while (p + 8 < b.size() && std::memcmp(&b[p], "data", 4) != 0) p += 8 + u32(p + 4);
    if (p + 8 >= b.size()) return out;
    const size_t n = std::min<size_t>(u32(p + 4), b.size() - p - 8) / 2;
    for (size_t i = 0; i < n; ++i)
        out.push_back(static_cast<int16_t>(b[p + 8 + 2 * i] | b[p + 9 + 2 * i] << 8));
    return out;
}

void check_reference_routines() {
    std::map<std::string, uint64_t> want;
    int count = 0;
    {
        std::ifstream f(std::string(VOKSC_TEST_DATA_DIR) + "/g723/digests.txt");
        std::string name, hex;
        while (f >> name >> count >> hex) want[name] = std::stoull(hex, nullptr, 16);
    }
    ASSERT_EQ(want.size(), 20u) << "tests/data/g723/digests.txt";
    Gen g;
    g.speech = wav_samples(std::string(VOKSC_TEST_DATA_DIR) + "/../../tools/voks-codec/data/speech8k.wav");
    ASSERT_GT(g.speech.size(), 4000u) << "tools/voks-codec/data/speech8k.wav";
    std::map<std::string, Digest> got;
    int16_t prev[10];
    std::memcpy(prev, g723::kLsfMean, sizeof prev);
    int32_t hp[2] = {0, 0};
    int16_t wmem[20] = {}, budget = 120;
    g723::Decoder dec;
    g723::decoder_init(&dec, true);
    for (int k = 0; k < count; ++k) {
        const int kind = k % 8;
        // Analysis: four windows, Levinson-Durbin with the sine detector, LSF and its quantiser.
        int16_t buf[360], unq[40], lsf[10], q[10], qnt[40], r[10], acf[11], e, err;
        g.fill(buf, 360, kind);
        int16_t sine = static_cast<int16_t>(g.rnd() >> 16);
        for (int w = 0; w < 4; ++w) {
            voksAutoCorr_G723_16s(buf + 60 * w, &e, acf);
            voksLevinsonDurbin_G723_16s(acf, &sine, &err, unq + 10 * w);
        }
        sine &= 0x7FFF;
        int bits = 0;
        for (int i = 0; i < 15; ++i) bits += (sine >> i) & 1;
        if (bits >= 14) sine = static_cast<int16_t>(sine | 0x8000);
        got["lpc"].add(unq, 40);
        got["lpc"].add(sine);
        voksLPCToLSF_G723_16s(unq + 30, prev, lsf);
        got["lsf"].add(lsf, 10);
        int32_t id;
        voksLSFQuant_G723_16s32s(lsf, prev, &id);
        got["lsfq"].add32(id);
        const bool crc = k % 7 == 3;
        if (k % 11 == 5) id ^= static_cast<int32_t>(g.rnd() & 0xFFFFFF);
        const int16_t idx[3] = {static_cast<int16_t>((id >> 16) & 0xFF),
                                static_cast<int16_t>((id >> 8) & 0xFF), static_cast<int16_t>(id & 0xFF)};
        voksLSFDecode_G723_16s(idx, prev, crc, q);
        got["lsfd"].add(q, 10);
        g723::interpolate_lpc(q, prev, qnt);
        got["lsp2a"].add(qnt, 40);
        std::memcpy(prev, q, sizeof q);
        for (int16_t& v : r) v = static_cast<int16_t>(g.rnd() & 0x7FFF);
        voksLSFToLPC_G723_16s_I(r);
        got["lsp2a_rand"].add(r, 10);

        // Pitch and harmonic noise shaping.
        int16_t dp[385], out[60], olp, lag, gain;
        g.fill(dp, 385, kind + 1);
        voksOpenLoopPitchSearch_G723_16s(dp + 145 + 120 * (k & 1), &olp);
        got["olp"].add(olp);
        voksHarmonicSearch_G723_16s(olp, dp + 145 + 60 * (k % 4), &lag, &gain);
        got["pw"].add(lag);
        got["pw"].add(gain);
        int16_t mem[145];
        std::memcpy(out, dp + 145 + 60 * (k % 4), sizeof out);
        std::memcpy(mem, dp + 60 * (k % 4), sizeof mem);
        voksHarmonicNoiseSubtract_G723_16s_I(gain, lag, out, mem);
        got["filtpw"].add(out, 60);

        // Adaptive codebook, its vector, and the target update.
        int16_t tv[60], h[60], exc[145], off, gid;
        g.fill(tv, 60, kind + 2);
        g.impulse(h, k);
        g.fill(exc, 145, kind + 3);
        const int16_t sfc = static_cast<int16_t>(g.rnd() % 4);
        int16_t base = static_cast<int16_t>(18 + g.rnd() % 125);
        if ((sfc & 1) && base > 141) base = 141;
        const bool r53 = g.rnd() & 1;
        const VokSpeechRate rate = r53 ? vokRate5300 : vokRate6300;
        sine = static_cast<int16_t>(g.rnd() >> 16);
        int32_t terr[5];
        for (int32_t& v : terr) {
            const uint32_t a = g.rnd() & 0x7FFFFFFF;
            v = static_cast<int32_t>(a >> (g.rnd() % 4));
        }
        ASSERT_EQ(voksAdaptiveCodebookSearch_G723(base, tv, h, exc, terr, &off, &gid, sfc, sine, rate),
                  vokStatusOk);
        int16_t olp2 = base, aclg = off;
        if ((sfc & 1) == 0) olp2 = static_cast<int16_t>(base + off - 1), aclg = 1;
        int16_t av[60];
        ASSERT_EQ(voksDecodeAdaptiveVector_G723_16s(olp2, aclg, gid, exc, av, rate), vokStatusOk);
        for (int n = 0; n < 60; ++n) {
            int32_t a = voks::L_shr(voks::L_deposit_h(tv[n]), 1);
            for (int j = 0; j <= n; ++j) a = voks::L_msu(a, av[j], h[n - j]);
            tv[n] = voks::round_fx(voks::L_shl(a, 1));
        }
        got["acbk"].add(aclg);
        got["acbk"].add(gid);
        got["acbk"].add(olp2);
        got["acbk"].add(tv, 60);
        {
            const int16_t o = static_cast<int16_t>(18 + g.rnd() % 124);
            int16_t l = static_cast<int16_t>(g.rnd() % 4);
            if (o + l > 144) l = 0;
            const int16_t gi = static_cast<int16_t>(g.rnd() % ((!r53 && o < 58) ? 85 : 170));
            ASSERT_EQ(voksDecodeAdaptiveVector_G723_16s(o, l, gi, exc, out, rate), vokStatusOk);
            got["dacbk"].add(out, 60);
        }

        // Fixed codebooks: the searches, the matrix of the algebraic one, one MP-MLQ pass.
        {
            int16_t x[60], hh[60];
            std::memcpy(x, tv, sizeof x);
            std::memcpy(hh, h, sizeof hh);
            g723::Sub s;
            if (!r53) {
                int16_t code[60];
                voksMPMLQFixedCodebookSearch_G723(olp2, hh, x, code, &s.grid, &s.train, &s.amp, &s.signs,
                                                  &s.pos, sfc);
                std::memcpy(x, code, sizeof x);
            } else {
                if (k % 4 == 0 || k % 13 == 1) budget = 120;
                const int16_t lag0 = static_cast<int16_t>(olp2 - 1 + aclg);
                g723::acelp_code(x, hh, lag0, gid, &budget, s);
            }
            Digest& d = got[r53 ? "acelp" : "mpmlq"];
            d.add(x, 60);
            d.add(s.amp);
            d.add(s.grid);
            d.add(s.train);
            d.add(s.signs);
            d.add32(s.pos);
            int16_t rr[416];
            voksToeplizMatrix_G723_16s(h, rr);
            got["corh"].add(rr, 416);
            const int np = 5 + (k & 1);
            const int16_t plag = static_cast<int16_t>(18 + g.rnd() % 128);
            int16_t pos[6] = {}, amp[6] = {}, grid = 0, ampi = 0, train = 0;
            int32_t best = static_cast<int32_t>(0xC0000000u);
            voksGainQuant_G723_16s(h, tv, plag, pos, amp, &grid, &ampi, &train, np, &best);
            Digest& b = got["findbest"];
            b.add32(best);
            b.add(grid);
            b.add(ampi);
            b.add(train);
            b.add(pos, np);
            b.add(amp, np);
        }

        // Decoder filters and the coder's input filters, memories carried.
        {
            int16_t x[60], bf[385], fr[240];
            g.fill(x, 60, kind + 4);
            const bool pf = k & 1;
            voksSynthesisFilter_G723_16s(qnt + 10 * (k % 4), x, dec.synth_mem, x);
            if (!pf)
                for (int16_t& v : x) v = static_cast<int16_t>(std::max(-32768, std::min(32767, v * 2)));
            got["synt"].add(x, 60);
            if (pf) {
                const int32_t sen = g723::formant_postfilter(&dec, x, qnt + 10 * (k % 4));
                got["spf"].add32(sen);
                got["spf"].add(x, 60);
            }
            g.fill(bf, 385, kind + 5);
            const int16_t po = static_cast<int16_t>(18 + g.rnd() % 128);
            int16_t pd, pg, ps;
            voksPitchPostFilter_G723_16s(po, bf + 145, &pd, &pg, &ps, static_cast<int16_t>(k % 4),
                                         (k & 2) ? vokRate5300 : vokRate6300);
            got["lpf"].add(pd);
            got["lpf"].add(pg);
            got["lpf"].add(ps);
            g.fill(fr, 240, kind + 6);
            voksHighPassFilter_G723_16s(fr, fr, hp);
            got["remdc"].add(fr, 240);
            g.fill(fr, 240, kind + 7);
            for (int w = 0; w < 4; ++w) {
                int16_t per[20];
                for (int j = 0; j < 10; ++j) {
                    per[j] = voks::mult_r(qnt[10 * w + j], g723::kPerceptualZero[j]);
                    per[10 + j] = voks::mult_r(qnt[10 * w + j], g723::kPerceptualPole[j]);
                }
                voksIIR16s_G723_16s_I(per, fr + 60 * w, wmem);
            }
            got["wght"].add(fr, 240);
        }
    }
    for (const auto& [name, h] : want)
        EXPECT_EQ(got[name].h, h) << name << " differs from the reference routine";
}

TEST(G723Golden, ReferenceRoutines) {
    golden::each_level([] { check_reference_routines(); });
}

}  // namespace
