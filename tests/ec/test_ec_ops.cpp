// Echo-canceller operations: argument checks (order, canaries) and the sizes of the states.
#include <array>
#include <cstdint>
#include <cstring>

#include "support/args.h"

namespace {

constexpr int kN = 4, kL = 4, kK = 3, kT = 2;
const float kWin64[64] = {0.5f};

// Every buffer of every operation, canary-filled, with initialised states and pointer tables.
struct Bufs {
    float xf[kL + kN], df[kN], ef[kN], hf[kL], hbf[kL], stepf[kN], errf = 0.0f, gf = 0.0f, win[8];
    int16_t xs[kL + kN], ds[kN], es[kN], hs[kL], hbs[kL], errs = 0, gs = 0, wins[8];
    int32_t steps[kN], flag = 0, lowflag = 0, event = 0, eflag = 1, over = 0;
    int64_t level = 1000, energy = 10;
    Vok32fc Xf[kT + 1][kK], Wf[kT][kK], Wbf[kT][kK], Yf[kK], Ef[kK];
    Vok32sc Xs[kT + 1][kK], Ws[kT][kK], Wbs[kT][kK], Ys[kK], Es[kK], epss[kK];
    double mu[2][kK];
    VokEcStep32s ms[kK];
    const Vok32fc *tXf[kT + 1], *tWfc[kT], *tEf[2];
    Vok32fc *tWf[kT], *tWbf[kT];
    const Vok32sc *tXs[kT + 1], *tWsc[kT];
    Vok32sc *tWs[kT], *tWbs[kT];
    const double* tmu[2];
    alignas(16) unsigned char bank32[2560], bank16[2560], work[1024], fc32[128], fc16[128], sc32[256],
        sc16[256], dt[512];
    int size = 0x5A5A5A5A, isize = 0x5A5A5A5A, wsize = 0x5A5A5A5A;
    Bufs() {
        for (int i = 0; i < kL + kN; ++i)
            xf[i] = static_cast<float>(xs[i] = static_cast<int16_t>(1000 * (i % 3) - 900));
        for (int i = 0; i < kN; ++i) {
            df[i] = ds[i] = static_cast<int16_t>(300 * i);
            stepf[i] = 1e-6f;
            steps[i] = 1 << 20;
            ef[i] = -1.0f;
            es[i] = 0x5A5A;
        }
        for (int i = 0; i < kL; ++i) hf[i] = hbf[i] = hs[i] = hbs[i] = static_cast<int16_t>(100 * i);
        for (int i = 0; i < 8; ++i) win[i] = 0.5f, wins[i] = 4096;
        for (int k = 0; k <= kT; ++k)
            for (int i = 0; i < kK; ++i) {
                Xf[k][i] = {1.0f + k, -2.0f + i};
                Xs[k][i] = {1000 + k, -2000 + i};
            }
        for (int k = 0; k < kT; ++k)
            for (int i = 0; i < kK; ++i) {
                Wf[k][i] = Wbf[k][i] = {0.5f, 0.25f};
                Ws[k][i] = Wbs[k][i] = {1 << 20, -(1 << 19)};
            }
        for (int i = 0; i < kK; ++i) {
            Yf[i] = Ef[i] = {-7.0f, 7.0f};
            Ys[i] = Es[i] = epss[i] = {0x5A5A5A5A, 0x5A5A5A5A};
            mu[0][i] = mu[1][i] = 0.01;
            ms[i] = {1 << 29, 40};
        }
        for (int k = 0; k <= kT; ++k) tXf[k] = Xf[k], tXs[k] = Xs[k];
        for (int k = 0; k < kT; ++k) {
            tWfc[k] = tWf[k] = Wf[k];
            tWbf[k] = Wbf[k];
            tWsc[k] = tWs[k] = Ws[k];
            tWbs[k] = Wbs[k];
        }
        tEf[0] = tEf[1] = Ef;
        tmu[0] = mu[0], tmu[1] = mu[1];
        std::memset(work, 0x5A, sizeof work);
        voksSubbandProcessInit_32f(reinterpret_cast<VokSubbandProcessState_32f*>(bank32), 2, 3, 8, win,
                                   nullptr);
        voksSubbandProcessInit_16s(reinterpret_cast<VokSubbandProcessState_16s*>(bank16), 2, 3, 8, wins,
                                   nullptr);
        voksFullbandControllerInit_EC_32f(fb32(), kN, kL, 8000);
        voksFullbandControllerInit_EC_16s(fb16(), kN, kL, 8000);
        voksSubbandControllerInit_EC_32f(sb32(), kK, 3, kT, 8000);
        voksSubbandControllerInit_EC_16s(sb16(), kK, 3, kT, 8000);
        voksSubbandControllerDTInit_EC_16s(dts(), kK, 3, kT, 8000);
    }
    VokSubbandProcessState_32f* b32() { return reinterpret_cast<VokSubbandProcessState_32f*>(bank32); }
    VokSubbandProcessState_16s* b16() { return reinterpret_cast<VokSubbandProcessState_16s*>(bank16); }
    VokFullbandControllerState_32f* fb32() { return reinterpret_cast<VokFullbandControllerState_32f*>(fc32); }
    VokFullbandControllerState_16s* fb16() { return reinterpret_cast<VokFullbandControllerState_16s*>(fc16); }
    VokSubbandControllerState_32f* sb32() { return reinterpret_cast<VokSubbandControllerState_32f*>(sc32); }
    VokSubbandControllerState_16s* sb16() { return reinterpret_cast<VokSubbandControllerState_16s*>(sc16); }
    VokSubbandControllerDTState_16s* dts() { return reinterpret_cast<VokSubbandControllerDTState_16s*>(dt); }
};

TEST(EcApi, FailedChecksWriteNothing) {
    // clang-format off
    using argcheck::at;
    using namespace argcheck;
    constexpr VokStatus kBins = vokStatusSubbandLength;
    const auto neg_step = [](Bufs& b) { b.mu[0][2] = -1e-9; };
    const auto nan_step = [](Bufs& b) { b.mu[0][1] = 0.0 / 0.0; };
    const auto neg_mant = [](Bufs& b) { b.ms[1].mant = -1; };
    const auto null_entry = [](Bufs& b) { b.tXf[1] = nullptr; b.tXs[1] = nullptr; };
    // Full band: pointers, then the lengths.
    ARGS(voksFIR_EC_32f, [](Bufs& b) { return std::tuple(b.xf + kL, b.df, b.ef, kN, b.hf, kL); })
        .fail(kBad, at<3>(0)).fail(kBad, at<5>(0)).fail(kBad, at<3>(-5), at<5>(-1));
    ARGS(voksFIR_EC_16s, [](Bufs& b) { return std::tuple(b.xs + kL, b.ds, b.es, kN, b.hs, kL); })
        .fail(kBad, at<3>(0)).fail(kBad, at<5>(0));
    ARGS(voksNLMS_EC_32f, [](Bufs& b) { return std::tuple(b.xf + kL, b.df, b.stepf, b.ef, kN, b.hf, kL, &b.errf); })
        .fail(kBad, at<4>(0)).fail(kBad, at<6>(0));
    ARGS(voksNLMS_EC_16s, [](Bufs& b) { return std::tuple(b.xs + kL, b.ds, b.steps, b.es, kN, b.hs, kL, &b.errs); })
        .fail(kBad, at<4>(0)).fail(kBad, at<6>(-1));
    // Sub-band filters: pointers, bins, taps and scale; a null table entry is a null pointer.
    ARGS(voksFIRSubband_EC_32fc, [](Bufs& b) { return std::tuple(b.tXf, b.tWfc, b.Yf, kT, kK); })
        .fail(kBins, at<4>(0)).fail(kBins, at<4>(4098), at<3>(0)).fail(kRange, at<3>(0))
        .fail(kRange, at<3>(256)).fail(kNull, null_entry);
    ARGS(voksFIRSubband_EC_32sc_Sfs, [](Bufs& b) { return std::tuple(b.tXs, b.tWsc, b.Ys, kT, kK, 0); })
        .fail(kBins, at<4>(0), at<5>(40)).fail(kRange, at<3>(256)).fail(kRange, at<5>(32))
        .fail(kRange, at<5>(-32)).pass(at<5>(-31)).pass(at<5>(31)).fail(kNull, null_entry);
    // Low forms: taps and first bin before the bins, then the scale; b = K does nothing.
    ARGS(voksFIRSubbandLow_EC_32sc_Sfs, [](Bufs& b) { return std::tuple(b.tXs, b.tWsc, kT, b.Ys, 1, kK, 3); })
        .fail(kRange, at<2>(0), at<5>(0)).fail(kRange, at<4>(-1)).fail(kRange, at<4>(kK + 1))
        .fail(kBins, at<5>(0), at<4>(0)).fail(kRange, at<6>(-1)).fail(kRange, at<6>(32))
        .quiet(kOk, at<4>(kK));
    ARGS(voksFIRSubbandCoeffUpdate_EC_32fc_I, [](Bufs& b) { return std::tuple(b.mu[0], b.tXf, b.Ef, b.tWf, kT, kK); })
        .fail(kBins, at<5>(4098)).fail(kRange, at<4>(0)).fail(kSize, neg_step).fail(kSize, nan_step)
        .fail(kBins, neg_step, at<5>(0)).fail(kNull, null_entry);
    ARGS(voksFIRSubbandCoeffUpdate_EC_32sc_I, [](Bufs& b) { return std::tuple(b.ms, b.tXs, b.Es, b.tWs, kT, kK, 0); })
        .fail(kBins, at<5>(0)).fail(kRange, at<4>(256)).fail(kRange, at<6>(-1)).fail(kRange, at<6>(32))
        .fail(kSize, neg_mant).fail(kRange, neg_mant, at<6>(32));
    ARGS(voksFIRSubbandLowCoeffUpdate_EC_32sc_I,
         [](Bufs& b) { return std::tuple(b.tXs, b.Es, b.tWs, kT, b.epss, b.ms, 0, kK, 0); })
        .fail(kRange, at<3>(0)).fail(kRange, at<6>(kK + 1)).fail(kBins, at<7>(4098), at<6>(0))
        .fail(kRange, at<8>(32)).quiet(kOk, at<6>(kK)).pass(neg_mant);
    ARGS(voksFIRSubbandAPCoeffUpdate_EC_32fc_I,
         [](Bufs& b) { return std::tuple(b.tmu, b.tXf, b.tEf, b.tWf, kT, kK, 2); })
        .fail(kBins, at<5>(0)).fail(kBins, at<5>(4098)).fail(kRange, at<4>(0)).fail(kRange, at<6>(0))
        .fail(kNull, [](Bufs& b) { b.tXf[kT] = nullptr; });
    // Filter bank: the size queries check numbers before pointers.
    ARGS(voksSubbandProcessGetSize_32f, [](Bufs& b) { return std::tuple(5, 128, &b.size, &b.isize, &b.wsize); })
        .early(kBad, at<0>(0)).early(kBad, at<1>(0)).fail(kBad, at<1>(100)).fail(kBad, at<0>(14), at<1>(16384));
    ARGS(voksSubbandProcessGetSize_16s, [](Bufs& b) { return std::tuple(6, 256, &b.size, &b.isize, &b.wsize); })
        .early(kBad, at<0>(-1)).early(kBad, at<1>(-256)).fail(kBad, at<1>(96));
    ARGS(voksSubbandProcessInit_32f, [](Bufs& b) { return std::tuple(b.b32(), 5, 24, 128, (const float*)nullptr, (Vok8u*)nullptr); })
        .optional(4, 5).early(kBad, at<1>(0)).early(kBad, at<2>(0)).early(kBad, at<2>(33)).early(kBad, at<3>(0))
        .fail(kBad, at<3>(256)).fail(kBad, at<3>(100)).fail(kBad, at<1>(6)).pass(at<1>(6), at<2>(44), at<3>(256))
        .pass(at<3>(64), at<4>(static_cast<const float*>(kWin64)));
    ARGS(voksSubbandProcessInit_16s, [](Bufs& b) { return std::tuple(b.b16(), 6, 44, 256, (const Vok16s*)nullptr, (Vok8u*)nullptr); })
        .optional(4, 5).early(kBad, at<2>(65)).fail(kBad, at<2>(43)).fail(kBad, at<3>(128));
    ARGS(voksSubbandAnalysis_32f32fc, [](Bufs& b) { return std::tuple(b.xf, b.Yf, b.b32(), b.work); })
        .fail(vokStatusInnerFailure, [](Bufs& b) { std::memset(b.bank32, 0, sizeof b.bank32); });
    ARGS(voksSubbandAnalysis_16s32sc_Sfs, [](Bufs& b) { return std::tuple(b.xs, b.Ys, b.b16(), 0, b.work); })
        .fail(vokStatusInnerFailure, [](Bufs& b) { std::memcpy(b.bank16, b.bank32, sizeof b.bank16); });
    ARGS(voksSubbandSynthesis_32fc32f, [](Bufs& b) { return std::tuple(b.Yf, b.xf, b.b32(), b.work); });
    ARGS(voksSubbandSynthesis_32sc16s_Sfs, [](Bufs& b) { return std::tuple(b.Ys, b.xs, b.b16(), 2, b.work); });
    // Full-band controller: the size pointer first, then the numbers.
    ARGS(voksFullbandControllerGetSize_EC_32f, [](Bufs& b) { return std::tuple(kN, kL, 8000, &b.size); })
        .fail(kBad, at<0>(0)).fail(kBad, at<1>(0)).fail(kRange, at<2>(32000)).fail(kRange, at<2>(11025));
    ARGS(voksFullbandControllerGetSize_EC_16s, [](Bufs& b) { return std::tuple(kN, kL, 16000, &b.size); })
        .fail(kBad, at<0>(-1), at<2>(1)).fail(kRange, at<2>(0));
    ARGS(voksFullbandControllerInit_EC_32f, [](Bufs& b) { return std::tuple(b.fb32(), kN, kL, 8000); })
        .fail(kBad, at<1>(0)).fail(kRange, at<3>(44100));
    ARGS(voksFullbandControllerInit_EC_16s, [](Bufs& b) { return std::tuple(b.fb16(), kN, kL, 16000); })
        .fail(kBad, at<2>(0)).fail(kRange, at<3>(-8000));
    ARGS(voksFullbandControllerReset_EC_32f, [](Bufs& b) { return std::tuple(b.fb32()); });
    ARGS(voksFullbandControllerReset_EC_16s, [](Bufs& b) { return std::tuple(b.fb16()); });
    ARGS(voksFullbandControllerUpdate_EC_32f, [](Bufs& b) { return std::tuple(b.xf + kL, b.df, b.stepf, b.fb32()); });
    ARGS(voksFullbandControllerUpdate_EC_16s, [](Bufs& b) { return std::tuple(b.xs + kL, b.ds, b.steps, b.fb16()); });
    ARGS(voksFullbandController_EC_32f, [](Bufs& b) { return std::tuple(b.ef, b.df, b.hf, b.hbf, &b.gf, b.fb32()); });
    ARGS(voksFullbandController_EC_16s, [](Bufs& b) { return std::tuple(b.es, b.ds, b.hs, b.hbs, &b.gs, b.fb16()); });
    // Sub-band controllers: numbers before the pointer.
    ARGS(voksSubbandControllerGetSize_EC_32f, [](Bufs& b) { return std::tuple(kK, 3, kT, 8000, &b.size); })
        .early(kBad, at<0>(0), at<3>(1)).early(kBad, at<1>(0)).early(kBad, at<2>(0)).early(kRange, at<3>(32000));
    ARGS(voksSubbandControllerGetSize_EC_16s, [](Bufs& b) { return std::tuple(kK, 3, kT, 16000, &b.size); })
        .early(kBad, at<0>(4098)).early(kRange, at<3>(48000));
    ARGS(voksSubbandControllerDTGetSize_EC_16s, [](Bufs& b) { return std::tuple(kK, 3, kT, 16000, &b.size); })
        .early(kBad, at<2>(-3)).early(kRange, at<3>(7999));
    ARGS(voksSubbandControllerInit_EC_32f, [](Bufs& b) { return std::tuple(b.sb32(), kK, 3, kT, 8000); })
        .early(kBad, at<1>(0)).early(kRange, at<4>(22050));
    ARGS(voksSubbandControllerInit_EC_16s, [](Bufs& b) { return std::tuple(b.sb16(), kK, 3, kT, 8000); })
        .early(kBad, at<3>(0)).early(kRange, at<4>(0));
    ARGS(voksSubbandControllerDTInit_EC_16s, [](Bufs& b) { return std::tuple(b.dts(), kK, 3, kT, 8000); })
        .early(kBad, at<2>(0)).early(kRange, at<4>(16001));
    ARGS(voksSubbandControllerReset_EC_32f, [](Bufs& b) { return std::tuple(b.sb32()); });
    ARGS(voksSubbandControllerReset_EC_16s, [](Bufs& b) { return std::tuple(b.sb16()); });
    ARGS(voksSubbandControllerDTReset_EC_16s, [](Bufs& b) { return std::tuple(b.dts()); });
    ARGS(voksSubbandControllerUpdate_EC_32f,
         [](Bufs& b) { return std::tuple((const void*)b.df, (const void*)b.df, b.tXf, (const Vok32fc*)b.Yf, b.mu[0], b.sb32()); })
        .optional(3).fail(kNull, null_entry);
    ARGS(voksSubbandAPControllerUpdate_EC_32f,
         [](Bufs& b) { return std::tuple(b.tXf, (const Vok32fc*)nullptr, b.mu[0], b.sb32(), 1.0f); })
        .optional(1).fail(kRange, at<4>(1.0001f)).fail(kRange, at<4>(-0.0001f)).pass(at<4>(0.0f));
    ARGS(voksSubbandControllerUpdate_EC_16s,
         [](Bufs& b) { return std::tuple((const void*)b.df, (const void*)b.df, b.tXs, (const Vok32sc*)nullptr, b.ms, b.sb16()); })
        .optional(3);
    ARGS(voksSubbandController_EC_32f, [](Bufs& b) { return std::tuple(b.Ef, b.Yf, b.tWf, b.tWbf, &b.gf, b.sb32()); })
        .fail(kNull, [](Bufs& b) { b.tWbf[1] = nullptr; });
    ARGS(voksSubbandController_EC_16s, [](Bufs& b) { return std::tuple(b.Es, b.Ys, b.tWs, b.tWbs, &b.gs, b.sb16()); });
    ARGS(voksSubbandControllerDTUpdate_EC_16s,
         [](Bufs& b) { return std::tuple(b.tXs, (const Vok32sc*)b.Ys, (const Vok32sc*)b.Es, b.ms, &b.flag, &b.lowflag, 0, b.dts()); })
        .fail(kRange, at<6>(-1)).fail(kRange, at<6>(kK + 1)).pass(at<6>(kK));
    ARGS(voksSubbandControllerDT_EC_16s,
         [](Bufs& b) {
             return std::tuple((const Vok32sc*)b.Es, (const Vok32sc*)b.Ys, b.tWs, b.tWbs, &b.level, &b.event,
                               (const Vok64s*)&b.energy, (const Vok32s*)&b.eflag, (const Vok32s*)&b.over, 0, b.dts());
         })
        .fail(kRange, at<9>(-1)).fail(kRange, at<9>(kK + 1));
    // clang-format on
}

TEST(EcApi, StateSizes) {
    struct Row {
        VokStatus (*fn)(int, int, int, int, int*);
        int K, expected;
    };
    // 16K + 112; 5*ceil(4K/16)*16 + 128; 11*ceil(4K/16)*16 + floor((16K + 30)/32)*32 + 208.
    const Row rows[] = {
        {voksSubbandControllerGetSize_EC_32f, 33, 640},    {voksSubbandControllerGetSize_EC_32f, 1, 128},
        {voksSubbandControllerGetSize_EC_16s, 33, 848},    {voksSubbandControllerGetSize_EC_16s, 1, 208},
        {voksSubbandControllerDTGetSize_EC_16s, 33, 2336}, {voksSubbandControllerDTGetSize_EC_16s, 2, 416}};
    for (const Row& r : rows) {
        int size = 0;
        ASSERT_EQ(r.fn(r.K, 24, 8, 8000, &size), vokStatusOk);
        EXPECT_EQ(size, r.expected) << r.K;
    }
    int s32 = 0, s16 = 0;
    voksFullbandControllerGetSize_EC_32f(160, 512, 8000, &s32);
    voksFullbandControllerGetSize_EC_16s(160, 512, 8000, &s16);
    EXPECT_EQ(s32, 72);
    EXPECT_EQ(s16, 96);
}

}  // namespace
