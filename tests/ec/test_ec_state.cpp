// Echo-canceller states continue a stream when copied mid-stream with memcpy to the same address
// modulo 16: the filter bank, the full-band controller and the sub-band and double-talk
// controllers.
#include <gtest/gtest.h>

#include <vector>

#include "support/state_copy.h"

namespace {

using voksc_test::as_words;

// A deterministic signal; half h gives its second part.
std::vector<int16_t> signal(int n, int h) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[i] = static_cast<int16_t>(((i + 97 * h) * 7919) % 20000 - 10000);
    return v;
}

std::vector<Vok32sc> spectrum(int K, int h) {
    std::vector<Vok32sc> s(static_cast<size_t>(K));
    const std::vector<int16_t> v = signal(2 * K, h);
    for (int i = 0; i < K; ++i) s[i] = {v[2 * i] * 64, v[2 * i + 1] * 64};
    return s;
}

TEST(EcState, CopiesContinue) {
    const float win[8] = {0.1f, 0.4f, 0.8f, 1.0f, 1.0f, 0.8f, 0.4f, 0.1f};
    int bank = 0, in = 0, wk = 0, sub = 0, dt = 0;
    voksSubbandProcessGetSize_32f(2, 8, &bank, &in, &wk);
    voksSubbandControllerGetSize_EC_16s(3, 3, 2, 8000, &sub);
    voksSubbandControllerDTGetSize_EC_16s(3, 3, 2, 8000, &dt);
    const auto sb_steps = [](auto update) {
        return [update](void* st, int h) {
            std::vector<int32_t> out;
            for (int f = 0; f < 6; ++f) {
                const std::vector<Vok32sc> x0 = spectrum(3, h * 6 + f), x1 = spectrum(3, h * 6 + f + 1);
                const Vok32sc* t[2] = {x0.data(), x1.data()};
                VokEcStep32s step[3];
                update(st, t, x1.data(), step);
                for (const auto& s : step) out.push_back(s.mant), out.push_back(s.exp);
            }
            return out;
        };
    };
    voksc_test::expect_copies_continue({
        {"bank 32f", static_cast<size_t>(bank), 4, false,
         [&](void* st) {
             voksSubbandProcessInit_32f(static_cast<VokSubbandProcessState_32f*>(st), 2, 3, 8, win, nullptr);
         },
         [wk](void* st, int h) {
             std::vector<unsigned char> work(static_cast<size_t>(wk));
             std::vector<float> out;
             const std::vector<int16_t> s = signal(30, h);
             for (int f = 0; f < 10; ++f) {
                 const float x[3] = {float(s[3 * f]), float(s[3 * f + 1]), float(s[3 * f + 2])};
                 Vok32fc X[3];
                 voksSubbandAnalysis_32f32fc(x, X, static_cast<VokSubbandProcessState_32f*>(st), work.data());
                 for (const auto& c : X) out.push_back(c.re), out.push_back(c.im);
             }
             return as_words(out);
         }},
        {"full-band controller 16s", 96, 4, false,
         [](void* st) {
             voksFullbandControllerInit_EC_16s(static_cast<VokFullbandControllerState_16s*>(st), 8, 4, 8000);
         },
         [](void* st, int h) {
             std::vector<int32_t> out;
             const std::vector<int16_t> x = signal(4 + 8 * 100, h), d = signal(8 * 100, h + 1);
             std::vector<int16_t> taps(4, 3000), backup(4, 0);
             for (int f = 0; f < 100; ++f) {
                 int32_t mu[8];
                 int16_t g = 0;
                 auto* s = static_cast<VokFullbandControllerState_16s*>(st);
                 voksFullbandControllerUpdate_EC_16s(&x[4 + 8 * f], &d[8 * f], mu, s);
                 int16_t e[8];
                 for (int j = 0; j < 8; ++j)
                     e[j] = static_cast<int16_t>(d[8 * f + j] / 16);  // well cancelled: saves
                 voksFullbandController_EC_16s(e, &d[8 * f], taps.data(), backup.data(), &g, s);
                 out.insert(out.end(), mu, mu + 8);
                 out.push_back(g);
                 out.insert(out.end(), backup.begin(), backup.end());
             }
             return out;
         }},
        {"sub-band controller 16s", static_cast<size_t>(sub), 4, false,
         [](void* st) {
             voksSubbandControllerInit_EC_16s(static_cast<VokSubbandControllerState_16s*>(st), 3, 3, 2, 8000);
         },
         sb_steps([](void* st, const Vok32sc** t, const Vok32sc* y, VokEcStep32s* step) {
             voksSubbandControllerUpdate_EC_16s(st, st, t, y, step,
                                                static_cast<VokSubbandControllerState_16s*>(st));
         })},
        {"double-talk controller", static_cast<size_t>(dt), 4, false,
         [](void* st) {
             voksSubbandControllerDTInit_EC_16s(static_cast<VokSubbandControllerDTState_16s*>(st), 3, 3, 2,
                                                8000);
         },
         sb_steps([](void* st, const Vok32sc** t, const Vok32sc* y, VokEcStep32s* step) {
             Vok32s flag = 0, low = 0;
             voksSubbandControllerDTUpdate_EC_16s(t, y, t[0], step, &flag, &low, 0,
                                                  static_cast<VokSubbandControllerDTState_16s*>(st));
         })},
    });
}

}  // namespace
