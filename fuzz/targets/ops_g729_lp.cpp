// G.729 linear-prediction operations: arbitrary autocorrelations, LP vectors, LSP/LSF vectors,
// quantiser memories, indices and hybrid-window states holding arbitrary bytes.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include <voksc.h>

#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

int ops_g729_lp(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    for (int step = 0; step < 6 && !in.empty(); ++step) {
        const uint8_t op = in.u8();
        VokStatus st = vokStatusOk;
        switch (op % 22) {
            case 0: {
                const int len = in.length(1, 12, true);
                auto r = in.vec<int32_t>(12);
                const auto r0 = r;
                st = voksLagWindow_G729_32s_I(r.data(), len);
                expect_untouched(st, r0, r);
                break;
            }
            case 1: {
                const int order = in.length(1, 30, true);
                const size_t o = order >= 1 && order <= 30 ? static_cast<size_t>(order) : 30;
                auto r = in.vec<int32_t>(o + 1);
                if (op & 0x80) r[0] = std::max(r[0], int32_t{0x10000});
                auto a = in.vec<int16_t>(o + 1), rc = in.vec<int16_t>(o);
                const auto a0 = a, rc0 = rc;
                int16_t err = 0;
                st = voksLevinsonDurbin_G729_32s16s(r.data(), order, a.data(), rc.data(), &err);
                if (st != vokStatusOk) {  // errors and the overflow warning write nothing
                    if (a != a0 || rc != rc0) std::abort();
                }
                break;
            }
            case 2: {
                const int order = in.length(1, 30);
                const size_t o = order >= 1 ? static_cast<size_t>(order) : 1;
                const auto r = in.vec<float>(o + 1);
                auto a = in.vec<float>(o + 1), rc = in.vec<float>(o);
                float err = 0;
                st = voksLevinsonDurbin_G729_32f(r.data(), order, a.data(), rc.data(), &err);
                break;
            }
            case 3:
            case 4: {
                auto lpc = in.vec<int16_t>(11);
                if (op & 0x80) lpc[0] = 4096;
                const auto prev = in.vec<int16_t>(10);
                auto lsp = in.vec<int16_t>(10);
                st = (op % 22 == 3) ? voksLPCToLSP_G729_16s(lpc.data(), prev.data(), lsp.data())
                                    : voksLPCToLSP_G729A_16s(lpc.data(), prev.data(), lsp.data());
                break;
            }
            case 5:
            case 6: {
                auto lpc = in.vec<float>(11);
                if (op & 0x80) lpc[0] = 1.0f;
                const auto prev = in.vec<float>(10);
                auto lsp = in.vec<float>(10);
                st = (op % 22 == 5) ? voksLPCToLSP_G729_32f(lpc.data(), prev.data(), lsp.data())
                                    : voksLPCToLSP_G729A_32f(lpc.data(), prev.data(), lsp.data());
                break;
            }
            case 7: {
                const auto lsp = in.vec<int16_t>(10);
                auto lpc = in.vec<int16_t>(11);
                st = voksLSPToLPC_G729_16s(lsp.data(), lpc.data());
                break;
            }
            case 8: {
                const auto lsp = in.vec<float>(10);
                auto lpc = in.vec<float>(11);
                st = voksLSPToLPC_G729_32f(lsp.data(), lpc.data());
                break;
            }
            case 9:
            case 10:
            case 11: {
                const auto src = in.vec<int16_t>(10);
                auto dst = in.vec<int16_t>(10);
                st = (op % 22 == 9)    ? voksLSFToLSP_G729_16s(src.data(), dst.data())
                     : (op % 22 == 10) ? voksLSPToLSF_G729_16s(src.data(), dst.data())
                                       : voksLSPToLSF_Norm_G729_16s(src.data(), dst.data());
                break;
            }
            case 12:
            case 13:
            case 14: {
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                const auto a = in.vec<int16_t>(n), b = in.vec<int16_t>(n);
                auto dst = in.vec<int16_t>(n);
                const auto dst0 = dst;
                int sf = in.i32();
                if (in.u8() < 224) sf = (sf & 63) - 8;
                const int16_t c1 = in.sample(), c2 = in.sample();
                st = (op % 22 == 12) ? voksInterpolate_G729_16s(a.data(), b.data(), dst.data(), len)
                     : (op % 22 == 13)
                         ? voksInterpolateC_G729_16s_Sfs(a.data(), c1, b.data(), c2, dst.data(), len, sf)
                         : voksInterpolateC_NR_G729_16s_Sfs(a.data(), c1, b.data(), c2, dst.data(), len, sf);
                expect_untouched(st, dst0, dst);
                break;
            }
            case 15: {
                const int len = in.length(1, 200);
                const size_t n = len > 0 ? static_cast<size_t>(len) : 1;
                const auto a = in.vec<float>(n), b = in.vec<float>(n);
                auto dst = in.vec<float>(n);
                st = voksInterpolateC_G729_32f(a.data(), b.data(), dst.data(), len, in.f32(), in.f32());
                break;
            }
            case 16: {
                const auto lsf = in.vec<int16_t>(10);
                auto mem = in.vec<int16_t>(40), q = in.vec<int16_t>(10), idx = in.vec<int16_t>(4);
                st = voksLSFQuant_G729_16s(lsf.data(), mem.data(), q.data(), idx.data());
                break;
            }
            case 17: {
                const auto lsp = in.vec<int16_t>(10);
                auto mem = in.vec<int16_t>(40), q = in.vec<int16_t>(10), idx = in.vec<int16_t>(2);
                if (op & 0x80) {
                    auto res = in.vec<int16_t>(10);
                    st = voksLSPQuant_G729E_16s(lsp.data(), mem.data(), res.data(), q.data(), idx.data());
                } else {
                    st = voksLSPQuant_G729_16s(lsp.data(), mem.data(), q.data(), idx.data());
                }
                break;
            }
            case 18: {
                const auto lsp = in.vec<float>(10), mem = in.vec<float>(40);
                auto res = in.vec<float>(10), q = in.vec<float>(10);
                auto idx = in.vec<int16_t>(2);
                st = voksLSPQuant_G729E_32f(lsp.data(), mem.data(), res.data(), q.data(), idx.data());
                break;
            }
            case 19: {
                auto mem16 = in.vec<int16_t>(40);
                auto lsf16 = in.vec<int16_t>(10);
                const auto mem0 = mem16, lsf0 = lsf16;
                std::vector<int16_t> idx(4);
                for (int16_t& i : idx) i = (op & 0x80) ? in.i16() : static_cast<int16_t>(in.u8() & 0x7F);
                if (op & 0x40) {
                    std::vector<int> idx32(idx.begin(), idx.end());
                    auto mem = in.vec<float>(40);
                    auto lsf = in.vec<float>(10);
                    st = voksLSFDecode_G729_32f(idx32.data(), mem.data(), lsf.data());
                } else {
                    st = voksLSFDecode_G729_16s(idx.data(), mem16.data(), lsf16.data());
                    expect_untouched(st, mem0, mem16);
                    expect_untouched(st, lsf0, lsf16);
                }
                break;
            }
            case 20: {
                const int mode = (op & 0x80) ? in.i32() : in.range(-1, 2);
                if (op & 0x40) {
                    auto mem = in.vec<float>(40);
                    const auto prev = in.vec<float>(10);
                    st = voksLSFDecodeErased_G729_32f(mode, mem.data(), prev.data());
                } else {
                    auto mem = in.vec<int16_t>(40);
                    const auto mem0 = mem;
                    const auto prev = in.vec<int16_t>(10);
                    st = voksLSFDecodeErased_G729_16s(mode, mem.data(), prev.data());
                    expect_untouched(st, mem0, mem);
                }
                break;
            }
            default: {
                int size16 = 0, size32 = 0;
                voksWinHybridGetStateSize_G729E_16s(&size16);
                voksWinHybridGetStateSize_G729E_32f(&size32);
                const size_t skew = op & 3;
                if (op & 0x80) {
                    std::vector<uint8_t> block(size16 + skew);
                    auto* state = reinterpret_cast<VokWinHybridState_G729E_16s*>(block.data() + skew);
                    if (op & 0x40) voksWinHybridInit_G729E_16s(state);
                    else in.fill(block.data() + skew, static_cast<size_t>(size16));
                    const auto src = in.vec<int16_t>(145);
                    auto r = in.vec<int32_t>(31);
                    st = voksWinHybrid_G729E_16s32s(src.data(), r.data(), state);
                } else {
                    std::vector<uint8_t> block(size32 + skew);
                    auto* state = reinterpret_cast<VokWinHybridState_G729E_32f*>(block.data() + skew);
                    if (op & 0x40) voksWinHybridInit_G729E_32f(state);
                    else {
                        // Float states hold float autocorrelations: fill them with finite values.
                        std::vector<float> vals = in.vec<float>(static_cast<size_t>(size32) / sizeof(float));
                        std::memcpy(block.data() + skew, vals.data(), vals.size() * sizeof(float));
                    }
                    const auto src = in.vec<float>(145);
                    auto r = in.vec<float>(31);
                    st = voksWinHybrid_G729E_32f(src.data(), r.data(), state);
                }
                break;
            }
        }
        (void)st;
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(ops_g729_lp)
