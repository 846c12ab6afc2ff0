// Echo-canceller operations and the example cancellers: arbitrary lengths, bins, taps, scales,
// steps and signals (extremes included); the cancellers take arbitrary far-end and microphone
// samples at every setting and must emit samples for every input.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ec/ec_canceller.h"
#include "ops.h"

namespace voksfuzz {

int ops_ec(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    run_steps(in, 8, [&](uint8_t op) {
        const int n = in.length(1, 64), L = in.length(1, 48);
        const int K = in.range(1, 40), T = in.range(1, 6), P = in.range(1, 3);
        const size_t nn = count(n), nl = count(L);
        std::vector<Vok32sc> xs(static_cast<size_t>(K) * (T + P)), ws(static_cast<size_t>(K) * T);
        std::vector<Vok32fc> xf(xs.size()), wf(ws.size());
        for (size_t i = 0; i < xs.size(); ++i) xs[i] = {in.i32(), in.i32()}, xf[i] = {in.f32(), in.f32()};
        for (size_t i = 0; i < ws.size(); ++i) ws[i] = {in.i32(), in.i32()}, wf[i] = {in.f32(), in.f32()};
        std::vector<const Vok32sc*> txs;
        std::vector<const Vok32fc*> txf;
        std::vector<Vok32sc*> tws;
        std::vector<Vok32fc*> twf;
        for (int k = 0; k < T + P; ++k)
            txs.push_back(&xs[static_cast<size_t>(k) * K]), txf.push_back(&xf[static_cast<size_t>(k) * K]);
        for (int k = 0; k < T; ++k)
            tws.push_back(&ws[static_cast<size_t>(k) * K]), twf.push_back(&wf[static_cast<size_t>(k) * K]);
        std::vector<const Vok32sc*> cws(tws.begin(), tws.end());
        std::vector<const Vok32fc*> cwf(twf.begin(), twf.end());
        std::vector<VokEcStep32s> ms(static_cast<size_t>(K));
        for (auto& m : ms) m = {in.i32(), in.i32()};
        std::vector<double> mu(static_cast<size_t>(K));
        for (double& m : mu) m = std::fabs(in.f32());
        std::vector<Vok32sc> ys(static_cast<size_t>(K)), es(static_cast<size_t>(K));
        std::vector<Vok32fc> yf(static_cast<size_t>(K)), ef(static_cast<size_t>(K));
        const int scale = in.range(-33, 33), b = in.range(-1, K + 1);
        auto x16 = in.v16(nl + nn), d16 = in.v16(nn), h16 = in.v16(nl);
        auto xfl = in.vf(nl + nn), dfl = in.vf(nn), hfl = in.vf(nl);
        std::vector<int16_t> e16(nn);
        std::vector<float> efl(nn);
        auto mu32 = in.v32(nn);
        auto muf = in.vf(nn);
        int16_t err16 = in.i16();
        float errf = in.f32();
        const double* tmu[3] = {mu.data(), mu.data(), mu.data()};
        const Vok32fc* tef[3] = {ef.data(), ef.data(), ef.data()};
        switch (op % 10) {
            case 0:
                return voksFIR_EC_16s(x16.data() + nl, d16.data(), e16.data(), n, h16.data(), L);
            case 1:
                return voksNLMS_EC_16s(x16.data() + nl, d16.data(), mu32.data(), e16.data(), n, h16.data(), L,
                                       &err16);
            case 2:
                return voksNLMS_EC_32f(xfl.data() + nl, dfl.data(), muf.data(), efl.data(), n, hfl.data(), L,
                                       &errf);
            case 3:
                return voksFIRSubband_EC_32sc_Sfs(txs.data(), cws.data(), ys.data(), T, K, scale);
            case 4:
                return voksFIRSubbandLow_EC_32sc_Sfs(txs.data(), cws.data(), T, ys.data(), b, K, scale);
            case 5:
                return voksFIRSubbandCoeffUpdate_EC_32sc_I(ms.data(), txs.data(), es.data(), tws.data(), T, K,
                                                           scale);
            case 6:
                return voksFIRSubbandLowCoeffUpdate_EC_32sc_I(txs.data(), es.data(), tws.data(), T, ys.data(),
                                                              ms.data(), b, K, scale);
            case 7:
                return voksFIRSubbandCoeffUpdate_EC_32fc_I(mu.data(), txf.data(), ef.data(), twf.data(), T,
                                                           K);
            case 8:
                return voksFIRSubbandAPCoeffUpdate_EC_32fc_I(tmu, txf.data(), tef, twf.data(), T, K, P);
            default:
                return voksFIRSubband_EC_32fc(txf.data(), cwf.data(), yf.data(), T, K);
        }
    });
    return 0;
}

int canceller_ec(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    const auto structure = (head & 1) ? ecex::Structure::Subband : ecex::Structure::Fullband;
    const auto form = (head & 2) ? ecex::Form::Fixed : ecex::Form::Float;
    const int fs = (head & 4) ? 16000 : 8000;
    const int tail = in.range(1, 64);
    auto ec = ecex::make_canceller(structure, form, fs, tail);
    if (!ec) return 0;
    const size_t n = static_cast<size_t>(ec->frame());
    std::vector<int16_t> out(n);
    // Whole frames of arbitrary samples, or full-scale, silent and clipped ones by mode byte.
    for (int f = 0; f < 40 && !in.empty(); ++f) {
        const uint8_t mode = in.u8();
        std::vector<int16_t> far = in.v16(n), mic = in.v16(n);
        for (size_t i = 0; i < n; ++i) {
            if (mode & 0x10) far[i] = (far[i] & 1) ? 32767 : -32768;
            if (mode & 0x20) mic[i] = static_cast<int16_t>(std::clamp<int>(mic[i] * 4, -32768, 32767));
            if (mode & 0x40) mic[i] = 0;
        }
        ec->process(far.data(), mic.data(), out.data());
    }
    return 0;
}

}  // namespace voksfuzz
