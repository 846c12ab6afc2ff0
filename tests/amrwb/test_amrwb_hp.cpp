// The AMR-WB high-pass filters against the reference HP50_12k8, HP400_12k8, Hp_wsp with
// scale_mem_Hp_wsp, and the code enhancement loop, on the seeded inputs of amrwb_inputs.h.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"  // the generators other tests use
#include "amrwb/amrwb_inputs.h"
#pragma GCC diagnostic pop
#include "support/golden.h"
#include "voksc.h"

namespace {

const std::vector<int16_t>& speech() {
    static const golden::File f("amrwb/speech.s16");
    return f.words();
}

struct Hp {
    std::vector<uint8_t> block;
    VokHighPassFilterState_AMRWB* st() {
        return reinterpret_cast<VokHighPassFilterState_AMRWB*>(block.data() + 1);
    }
    Hp(const int16_t* b, const int16_t* a, int order) {
        int size = 0;
        EXPECT_EQ(voksHighPassFilterGetSize_AMRWB_16s(order, &size), vokStatusOk);
        block.assign(static_cast<size_t>(size) + 1, 0xA5);  // deliberately misaligned
        EXPECT_EQ(voksHighPassFilterInit_AMRWB_16s(b, a, order, st()), vokStatusOk);
    }
};

// Default coefficient sets of the reference filters (denominators as they add).
const int16_t k50b[] = {4053, -8106, 4053}, k50a[] = {8192, 16211, -8021};
const int16_t k400b[] = {915, -1830, 915}, k400a[] = {16384, 29280, -14160};
const int16_t kWspA[] = {8192, 21663, -19258, 5734}, kWspB[] = {-3432, 10280, -10280, 3432};

TEST(AmrwbHighPass, InPlaceFilters) {
    golden::Digested d("hp_isfs.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    AwGen g{40, speech().data(), 16000};
    for (int k = 0; k < 3000; ++k) {
        int16_t rec[269] = {}, na[4], nb[4], mem[9] = {};
        const int kind = k % 4, order = kind == 3 ? 3 : 2;
        const int sf = kind == 0 ? 14 : kind == 1 ? 15 : kind == 2 ? 14 + aw_below(&g, 2) : 14;
        for (int i = 0; i <= order; ++i) {
            if (aw_below(&g, 2)) {
                na[i] = aw_any(&g);
                nb[i] = aw_any(&g);
            } else {
                na[i] = order == 3 ? kWspA[i] : sf == 14 ? k50a[i] : k400a[i];
                nb[i] = order == 3 ? kWspB[i] : sf == 14 ? k50b[i] : k400b[i];
            }
        }
        if (k % 5 == 0)
            for (int i = 0; i < 3 * order; ++i) mem[i] = aw_any(&g);
        const int n = 1 + aw_below(&g, 256), n1 = 1 + aw_below(&g, n);
        aw_signal(&g, rec, n, k / 4);
        rec[265] = static_cast<int16_t>(order | sf << 8);
        rec[266] = static_cast<int16_t>(n1);
        Hp hp(nb, na, order);
        ASSERT_EQ(voksHighPassFilterSetDlyLine_AMRWB_16s(mem, hp.st(), order), vokStatusOk);
        ASSERT_EQ(voksHighPassFilter_AMRWB_16s_ISfs(rec, n1, hp.st(), sf), vokStatusOk);
        if (n > n1) {
            ASSERT_EQ(voksHighPassFilter_AMRWB_16s_ISfs(rec + n1, n - n1, hp.st(), sf), vokStatusOk);
        }
        ASSERT_EQ(voksHighPassFilterGetDlyLine_AMRWB_16s(hp.st(), rec + 256, order), vokStatusOk);
        d.add(rec);
    }
    d.finish();
}

TEST(AmrwbHighPass, RescaledFilterStream) {
    golden::Digested d("hp_sfs.gld", "amrwb");
    ASSERT_TRUE(d.ok());
    AwGen g{41, speech().data(), 16000};
    int order = 3, stored = 0;
    std::unique_ptr<Hp> hp;
    for (int k = 0; k < 3000; ++k) {
        if (k % 20 == 0) {
            order = 2 + (k / 20) % 2;
            stored = 0;
            int16_t a[4], b[4], mem[9];
            for (int i = 0; i < 4; ++i) {
                a[i] = (k / 40) % 2 ? aw_any(&g) : kWspA[i];
                b[i] = (k / 40) % 2 ? aw_any(&g) : kWspB[i];
            }
            hp = std::make_unique<Hp>(b, a, order);
            if (k % 60 == 0) {
                for (int16_t& m : mem) m = aw_any(&g);
                // The order-2 delay line is the newer part of the reference's order-3 memory.
                if (order == 2) std::memmove(mem, mem + 2, sizeof(int16_t) * 6);
                ASSERT_EQ(voksHighPassFilterSetDlyLine_AMRWB_16s(mem, hp->st(), order), vokStatusOk);
            }
        }
        int16_t rec[265] = {}, x[256], dly[9];
        const int n = k % 2 ? 256 : 1 + aw_below(&g, 256);
        int sf = stored;
        if (!aw_below(&g, 3)) {
            sf = aw_below(&g, 9) - 4;
            if (aw_below(&g, 8) == 0) sf += aw_any(&g);
        }
        stored = sf;
        aw_signal(&g, x, n, k);
        ASSERT_EQ(voksHighPassFilter_AMRWB_16s_Sfs(x, rec, n, hp->st(), sf), vokStatusOk);
        ASSERT_EQ(voksHighPassFilterGetDlyLine_AMRWB_16s(hp->st(), dly, order), vokStatusOk);
        const int o = order == 2 ? 2 : 0;
        std::memcpy(rec + 256 + o, dly, sizeof(int16_t) * (3 * order));
        d.add(rec);
    }
    d.finish();
}

TEST(AmrwbHighPass, ThreeTapFilter) {
    golden::each_level([&] {
        golden::Digested d("hp_direct.gld", "amrwb");
        ASSERT_TRUE(d.ok());
        AwGen g{42, speech().data(), 16000};
        for (int k = 0; k < 3000; ++k) {
            int16_t rec[256] = {}, x[258], c[2];
            const int n = k % 3 ? 64 : 1 + aw_below(&g, 256), edge = k % 4 == 3;
            c[0] = aw_any(&g);
            c[1] = aw_below(&g, 2) ? static_cast<int16_t>(aw_below(&g, 8193)) : aw_any(&g);
            aw_signal(&g, x, n + 2, k / 4);
            ASSERT_EQ(voksHighPassFilter_Direct_AMRWB_16s(c, x + 1, rec, n, edge), vokStatusOk);
            if (k % 7 == 0) {  // in place gives the same
                int16_t y[258];
                std::memcpy(y, x, sizeof x);
                ASSERT_EQ(voksHighPassFilter_Direct_AMRWB_16s(c, y + 1, y + 1, n, edge), vokStatusOk);
                ASSERT_EQ(std::memcmp(y + 1, rec, sizeof(int16_t) * n), 0) << k;
            }
            d.add(rec);
        }
        d.finish();
    });
}

}  // namespace
