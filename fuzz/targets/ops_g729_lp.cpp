// G.729 linear-prediction operations: arbitrary autocorrelations, LP vectors, LSP/LSF vectors,
// quantiser memories, indices and hybrid-window states holding arbitrary bytes.
#include <algorithm>

#include "ops.h"

namespace voksfuzz {

int ops_g729_lp(const uint8_t* data, size_t size) {
    return run_ops(data, size, 6, [](Input& in, uint8_t op) {
        Guard g;
        auto lpc_to_lsp16 = [&] {
            auto lpc = in.vec<int16_t>(11);
            if (op & 0x80) lpc[0] = 4096;
            const auto prev = in.vec<int16_t>(10);
            auto lsp = in.vec<int16_t>(10);
            return (op % 22 == 3) ? voksLPCToLSP_G729_16s(lpc.data(), prev.data(), lsp.data())
                                  : voksLPCToLSP_G729A_16s(lpc.data(), prev.data(), lsp.data());
        };
        auto lpc_to_lsp32 = [&] {
            auto lpc = in.vec<float>(11);
            if (op & 0x80) lpc[0] = 1.0f;
            const auto prev = in.vec<float>(10);
            auto lsp = in.vec<float>(10);
            return (op % 22 == 5) ? voksLPCToLSP_G729_32f(lpc.data(), prev.data(), lsp.data())
                                  : voksLPCToLSP_G729A_32f(lpc.data(), prev.data(), lsp.data());
        };
        auto lsf_lsp = [&] {
            const auto src = in.vec<int16_t>(10);
            auto dst = in.vec<int16_t>(10);
            return (op % 22 == 9)    ? voksLSFToLSP_G729_16s(src.data(), dst.data())
                   : (op % 22 == 10) ? voksLSPToLSF_G729_16s(src.data(), dst.data())
                                     : voksLSPToLSF_Norm_G729_16s(src.data(), dst.data());
        };
        auto interpolate = [&] {
            const int len = in.length(1, 200);
            const size_t n = count(len);
            const auto a = in.vec<int16_t>(n), b = in.vec<int16_t>(n);
            auto& dst = g(in.vec<int16_t>(n));
            int sf = in.i32();
            if (in.u8() < 224) sf = (sf & 63) - 8;
            const int16_t c1 = in.sample(), c2 = in.sample();
            return (op % 22 == 12) ? voksInterpolate_G729_16s(a.data(), b.data(), dst.data(), len)
                   : (op % 22 == 13)
                       ? voksInterpolateC_G729_16s_Sfs(a.data(), c1, b.data(), c2, dst.data(), len, sf)
                       : voksInterpolateC_NR_G729_16s_Sfs(a.data(), c1, b.data(), c2, dst.data(), len, sf);
        };
        const Call calls[] = {
            [&] {
                const int len = in.length(1, 12, true);
                return voksLagWindow_G729_32s_I(g(in.vec<int32_t>(12)).data(), len);
            },
            [&] {
                const int order = in.length(1, 30, true);
                const size_t o = order >= 1 && order <= 30 ? static_cast<size_t>(order) : 30;
                auto r = in.vec<int32_t>(o + 1);
                if (op & 0x80) r[0] = std::max(r[0], int32_t{0x10000});
                auto& a = g(in.vec<int16_t>(o + 1));
                auto& rc = g(in.vec<int16_t>(o));
                int16_t err = 0;
                const VokStatus s =
                    voksLevinsonDurbin_G729_32s16s(r.data(), order, a.data(), rc.data(), &err);
                if (s != vokStatusOk) g.untouched();  // the overflow warning writes nothing either
                return s;
            },
            [&] {
                const int order = in.length(1, 30);
                const size_t o = order >= 1 ? static_cast<size_t>(order) : 1;
                const auto r = in.vec<float>(o + 1);
                auto a = in.vec<float>(o + 1), rc = in.vec<float>(o);
                float err = 0;
                return voksLevinsonDurbin_G729_32f(r.data(), order, a.data(), rc.data(), &err);
            },
            lpc_to_lsp16,
            lpc_to_lsp16,
            lpc_to_lsp32,
            lpc_to_lsp32,
            [&] {
                const auto lsp = in.vec<int16_t>(10);
                return voksLSPToLPC_G729_16s(lsp.data(), in.vec<int16_t>(11).data());
            },
            [&] {
                const auto lsp = in.vec<float>(10);
                return voksLSPToLPC_G729_32f(lsp.data(), in.vec<float>(11).data());
            },
            lsf_lsp,
            lsf_lsp,
            lsf_lsp,
            interpolate,
            interpolate,
            interpolate,
            [&] {
                const int len = in.length(1, 200);
                const size_t n = count(len);
                const auto a = in.vec<float>(n), b = in.vec<float>(n);
                auto dst = in.vec<float>(n);
                return voksInterpolateC_G729_32f(a.data(), b.data(), dst.data(), len, in.f32(), in.f32());
            },
            [&] {
                const auto lsf = in.vec<int16_t>(10);
                auto mem = in.vec<int16_t>(40), q = in.vec<int16_t>(10), idx = in.vec<int16_t>(4);
                return voksLSFQuant_G729_16s(lsf.data(), mem.data(), q.data(), idx.data());
            },
            [&] {
                const auto lsp = in.vec<int16_t>(10);
                auto mem = in.vec<int16_t>(40), q = in.vec<int16_t>(10), idx = in.vec<int16_t>(2);
                if (!(op & 0x80)) return voksLSPQuant_G729_16s(lsp.data(), mem.data(), q.data(), idx.data());
                auto res = in.vec<int16_t>(10);
                return voksLSPQuant_G729E_16s(lsp.data(), mem.data(), res.data(), q.data(), idx.data());
            },
            [&] {
                const auto lsp = in.vec<float>(10), mem = in.vec<float>(40);
                auto res = in.vec<float>(10), q = in.vec<float>(10);
                auto idx = in.vec<int16_t>(2);
                return voksLSPQuant_G729E_32f(lsp.data(), mem.data(), res.data(), q.data(), idx.data());
            },
            [&] {
                auto mem16 = in.vec<int16_t>(40);
                auto lsf16 = in.vec<int16_t>(10);
                std::vector<int16_t> idx(4);
                for (int16_t& i : idx) i = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.u8() & 0x7F);
                if (!(op & 0x40)) return voksLSFDecode_G729_16s(idx.data(), g(mem16).data(), g(lsf16).data());
                std::vector<int> idx32(idx.begin(), idx.end());
                auto mem = in.vec<float>(40);
                auto lsf = in.vec<float>(10);
                return voksLSFDecode_G729_32f(idx32.data(), mem.data(), lsf.data());
            },
            [&] {
                const int mode = (op & 0x80) ? in.i32() : in.range(-1, 2);
                if (op & 0x40) {
                    auto mem = in.vec<float>(40);
                    const auto prev = in.vec<float>(10);
                    return voksLSFDecodeErased_G729_32f(mode, mem.data(), prev.data());
                }
                auto& mem = g(in.vec<int16_t>(40));
                const auto prev = in.vec<int16_t>(10);
                return voksLSFDecodeErased_G729_16s(mode, mem.data(), prev.data());
            },
            [&] {
                int size16 = 0, size32 = 0;
                voksWinHybridGetStateSize_G729E_16s(&size16);
                voksWinHybridGetStateSize_G729E_32f(&size32);
                const size_t skew = op & 3;
                if (op & 0x80) {
                    std::vector<uint8_t> block;
                    auto* state = state_block<VokWinHybridState_G729E_16s>(in, block, size16, skew, op & 0x40,
                                                                           voksWinHybridInit_G729E_16s);
                    const auto src = in.vec<int16_t>(145);
                    return voksWinHybrid_G729E_16s32s(src.data(), in.vec<int32_t>(31).data(), state);
                }
                std::vector<uint8_t> block(size32 + skew);
                auto* state = reinterpret_cast<VokWinHybridState_G729E_32f*>(block.data() + skew);
                if (op & 0x40) {
                    voksWinHybridInit_G729E_32f(state);
                } else {
                    // Float states hold float autocorrelations: fill them with finite values.
                    std::vector<float> vals = in.vec<float>(static_cast<size_t>(size32) / sizeof(float));
                    std::memcpy(block.data() + skew, vals.data(), vals.size() * sizeof(float));
                }
                const auto src = in.vec<float>(145);
                return voksWinHybrid_G729E_32f(src.data(), in.vec<float>(31).data(), state);
            },
        };
        return g.run(calls, op);
    });
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_lp)
