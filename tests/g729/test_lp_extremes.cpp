// LSP to LPC conversion at the edges of the LSP range, where the polynomial products leave 32
// bits and the reference chain saturates. Expected rows from the reference Lsp_Az.
#include <gtest/gtest.h>

#include <cstdint>

#include "voksc.h"

namespace {

TEST(G729LpExtremes, LspToLpcSaturatesAsTheReference) {
    struct Row {
        int16_t lsp[10];
        int16_t a[11];
    } const rows[] = {
        // (1 + 1/z)^10 and (1 - 1/z)^10 products: both polynomials saturate.
        {{-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768},
         {4096, -24576, -12288, 0, 0, 0, 0, -16384, -22528, -24576, 4096}},
        {{32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767},
         {4096, 24577, -12298, 0, 0, 0, 0, 16401, -22516, 24577, 4096}},
        {{-32768, 32767, -32768, 32767, -32768, 32767, -32768, 32767, -32768, 32767},
         {4096, 1, 28666, 0, 0, 0, 0, 0, 0, 6, -20481}},
        // Four extreme factors and a fifth at zero: the products fit 32 bits, their sums do not.
        {{-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, 0, 0},
         {4096, -32768, -12288, 0, 0, 0, -28672, -4096, -12288, -32768, 4096}},
        // Near the edge.
        {{-30000, -30000, -31000, -31000, -32000, -32000, -32500, -32500, -20000, -26000},
         {4096, -28411, 22798, 0, 0, 0, 0, 8103, 4051, 31380, 3346}},
        // The initial LSPs: nothing saturates.
        {{30000, 26000, 21000, 15000, 8000, 0, -8000, -15000, -21000, -26000},
         {4096, -3750, 6003, -4924, 5959, -4316, 4045, -2402, 1808, -729, 346}},
    };
    for (const Row& r : rows) {
        int16_t a[11] = {};
        ASSERT_EQ(voksLSPToLPC_G729_16s(r.lsp, a), vokStatusOk);
        for (int i = 0; i < 11; ++i) EXPECT_EQ(a[i], r.a[i]) << "lsp[0] " << r.lsp[0] << ", a[" << i << "]";
    }
}

}  // namespace
