// G.729 Annex B silence-compression operations: arbitrary analysis windows, autocorrelations,
// LSF vectors, predictor memories, SID indices (mostly valid, sometimes any value) and seeds.
#include <algorithm>

#include "ops.h"

namespace voksfuzz {

int ops_g729_sid(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        Guard g;
        // A SID index: mode 0..1 and stage indices in range, or any value when bit 7 is set.
        auto index = [&]() {
            std::vector<int32_t> idx(3);
            const int hi[3] = {1, 31, 15};
            for (int i = 0; i < 3; ++i) idx[i] = (op & 0x80) ? in.i16() : in.range(0, hi[i]);
            return idx;
        };
        const Call calls[] = {
            [&] {
                const auto x = in.vec<int16_t>(240);
                int16_t exp = 0;
                return voksAutoCorr_G729B(x.data(), &exp, in.vec<int32_t>(13).data());
            },
            [&] {
                auto r = in.vec<int32_t>(11);
                if (op & 0x80) r[0] = std::max(r[0], int32_t{0x10000});
                auto& a = g(in.vec<int16_t>(11));
                auto& rc = g(in.vec<int16_t>(2));
                auto& err = g(in.vec<int16_t>(1));
                const VokStatus s = voksLevinsonDurbin_G729B(r.data(), a.data(), rc.data(), err.data());
                if (s != vokStatusOk) g.untouched();  // the overflow warning writes nothing either
                return s;
            },
            [&] {
                const auto lsf = in.vec<int16_t>(10);
                auto mem = in.vec<int16_t>(40), q = in.vec<int16_t>(10), idx = in.vec<int16_t>(3);
                return voksLSFQuant_G729B_16s(lsf.data(), mem.data(), q.data(), idx.data());
            },
            [&] {
                const auto lsf = in.vec<float>(10);
                auto mem = in.vec<float>(40), q = in.vec<float>(10);
                auto idx = in.vec<int32_t>(3);
                return voksLSFQuant_G729B_32f(lsf.data(), mem.data(), q.data(), idx.data());
            },
            [&] {
                const auto idx = index();
                if (op & 0x40) {
                    auto& mem = g(in.vec<float>(40));
                    return voksLSFDecode_G729B_32f(idx.data(), mem.data(), g(in.vec<float>(10)).data());
                }
                const std::vector<int16_t> idx16(idx.begin(), idx.end());
                auto& mem = g(in.vec<int16_t>(40));
                return voksLSFDecode_G729B_16s(idx16.data(), mem.data(), g(in.vec<int16_t>(10)).data());
            },
            [&] {
                const int len = in.length(1, 300);
                auto& seed = g(in.vec<int16_t>(1));
                if (op & 0x40)
                    return voksRandomNoiseExcitation_G729B_16s32f(seed.data(),
                                                                  g(in.vec<float>(count(len))).data(), len);
                return voksRandomNoiseExcitation_G729B_16s(seed.data(), g(in.vec<int16_t>(count(len))).data(),
                                                           len);
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_sid)
