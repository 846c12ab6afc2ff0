// Scalar quantisation and vector Huffman coding of one 20-coefficient region.
#include "common/basicop.h"
#include "g7221/g7221_internal.h"
#include "g7221/g7221_tables.h"

namespace voks::g7221 {

namespace {

const int16_t* const kBitCounts[7] = {kBitCount0, kBitCount1, kBitCount2, kBitCount3,
                                      kBitCount4, kBitCount5, kBitCount6};
const uint16_t* const kCodes[7] = {kCode0, kCode1, kCode2, kCode3, kCode4, kCode5, kCode6};

}  // namespace

int encode_region(int category, int power_index, const int16_t* x, uint32_t* words) {
    const int dim = kVectorDim[category];
    const int kmax = kMaxBin[category];
    // Inverse of step size times standard deviation in Q2 (high part and two fraction bits).
    const int32_t w = int32_t{kStepInverse[category]} * kStdDevInverse[power_index] + 4096;
    const int32_t wh = w >> 15;
    const int32_t wl = (w >> 13) & 3;
    uint32_t current = 0;
    int free_bits = 32;
    int total = 0;
    for (int v = 0; v < kVectorCount[category]; ++v) {
        int index = 0, signs = 0, nonzero = 0;
        for (int j = 0; j < dim; ++j, ++x) {
            const int32_t a = abs_s(*x);
            // The fraction term is formed in 16 bits and wraps there, as the reference does;
            // the bin is then limited to 0..32767 and to the category's largest bin.
            int32_t frac = static_cast<int16_t>(2 * a * wl);
            frac = static_cast<int16_t>(((frac >> 1) + kDeadZoneLow[category]) >> 2);
            int32_t k = (a * wh + kDeadZone[category] + frac) >> 13;
            k = k < 0 ? 0 : (k > MAX_16 ? MAX_16 : k);
            if (k != 0) {
                ++nonzero;
                signs = (signs << 1) | (*x > 0 ? 1 : 0);
                if (k > kmax) k = kmax;
            }
            index = index * (kmax + 1) + k;
        }
        const int bits = kBitCounts[category][index] + nonzero;
        const uint32_t code = (uint32_t{kCodes[category][index]} << nonzero) + static_cast<uint32_t>(signs);
        total += bits;
        if (bits <= free_bits) {
            free_bits -= bits;
            current += code << free_bits;
        } else {
            const int spill = bits - free_bits;
            *words++ = current + (code >> spill);
            free_bits = 32 - spill;
            current = code << free_bits;
        }
    }
    *words = current;
    return total;
}

}  // namespace voks::g7221
