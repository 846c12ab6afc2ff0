// GSM-AMR fixed-codebook decoders, one per codebook structure. Each index field is read at its
// coded width, so any word gives pulses inside the subframe.
#include <cstring>

#include "amrnb/exc_internal.h"
#include "amrnb/lp_internal.h"
#include "common/basicop.h"
#include "voksc.h"

namespace voks::amrnb {
namespace {

constexpr int16_t kPlus = 8191, kMinus = -8192;  // pulses of the two- to four-pulse codes
constexpr int16_t kPulse10 = 8191;               // 10.2 kbit/s
constexpr int16_t kPulse12 = 4096;               // 12.2 kbit/s
// Inverse Gray code of the 3-bit position fields.
constexpr int kDgray[8] = {0, 1, 3, 2, 5, 6, 4, 7};
// Track starts of the 4.75/5.15 codebook: [bit 6 of the positions][subframe][pulse].
constexpr int kStart9[2][4][2] = {{{0, 2}, {0, 3}, {0, 2}, {0, 3}}, {{1, 3}, {2, 4}, {1, 4}, {1, 4}}};

// Places one pulse per position with sign bit k of `signs` (set: +, clear: -).
void place(const int* pos, int n, int signs, int16_t* code) {
    for (int k = 0; k < n; ++k) code[pos[k]] = (signs >> k) & 1 ? kPlus : kMinus;
}

void decode_9(int subframe, int signs, int idx, int16_t* code) {
    const int* start = kStart9[(idx >> 6) & 1][subframe];
    const int pos[2] = {5 * (idx & 7) + start[0], 5 * ((idx >> 3) & 7) + start[1]};
    place(pos, 2, signs, code);
}

void decode_11(int signs, int idx, int16_t* code) {
    const int track1 = (idx >> 4) & 3;
    const int pos[2] = {5 * ((idx >> 1) & 7) + 1 + 2 * (idx & 1),
                        5 * ((idx >> 6) & 7) + (track1 == 3 ? 4 : track1)};
    place(pos, 2, signs, code);
}

void decode_14(int signs, int idx, int16_t* code) {
    const int pos[3] = {5 * (idx & 7), 5 * ((idx >> 4) & 7) + 1 + 2 * ((idx >> 3) & 1),
                        5 * ((idx >> 8) & 7) + 2 + 2 * ((idx >> 7) & 1)};
    place(pos, 3, signs, code);
}

void decode_17(int signs, int idx, int16_t* code) {
    const int pos[4] = {5 * kDgray[idx & 7], 5 * kDgray[(idx >> 3) & 7] + 1, 5 * kDgray[(idx >> 6) & 7] + 2,
                        5 * kDgray[(idx >> 10) & 7] + 3 + ((idx >> 9) & 1)};
    place(pos, 4, signs, code);
}

// One 10-bit code of three pulse positions (0..9 each): 7 bits of a base-5 triple and 3
// low bits.
void decompress3(int msbs, int lsbs, int16_t* pos, int i1, int i2, int i3) {
    if (msbs > 124) msbs = 124;
    const int lo = msbs % 25;
    pos[i1] = static_cast<int16_t>(2 * (lo % 5) + (lsbs & 1));
    pos[i2] = static_cast<int16_t>(2 * (lo / 5) + ((lsbs & 3) >> 1));
    pos[i3] = static_cast<int16_t>(2 * (msbs / 25) + (lsbs >> 2));
}

void decode_31(const int16_t* idx, int16_t* code) {
    int16_t pos[8];
    decompress3((idx[4] & 0x3FF) >> 3, idx[4] & 7, pos, 0, 4, 1);
    decompress3((idx[5] & 0x3FF) >> 3, idx[5] & 7, pos, 2, 6, 5);
    // Two positions in 7 bits: 5 bits of a base-5 pair (its low digit reflected when the high
    // digit is odd) and 2 low bits.
    const int msbs = (idx[6] & 0x7F) >> 2, lsbs = idx[6] & 3;
    const int pair = (msbs * 25 + 12) >> 5;
    const int hi = pair / 5, lo = pair % 5;
    pos[3] = static_cast<int16_t>(2 * (hi & 1 ? 4 - lo : lo) + (lsbs & 1));
    pos[7] = static_cast<int16_t>(2 * hi + (lsbs >> 1));
    for (int j = 0; j < 4; ++j) {
        const int p1 = 4 * pos[j] + j, p2 = 4 * pos[j + 4] + j;
        const int16_t s = idx[j] == 0 ? kPulse10 : static_cast<int16_t>(-kPulse10);
        code[p1] = s;
        code[p2] = add(code[p2], p2 < p1 ? negate(s) : s);
    }
}

void decode_35(const int16_t* idx, int16_t* code) {
    for (int j = 0; j < 5; ++j) {
        const int p1 = 5 * kDgray[idx[j] & 7] + j, p2 = 5 * kDgray[idx[j + 5] & 7] + j;
        const int16_t s = (idx[j] >> 3) & 1 ? static_cast<int16_t>(-kPulse12) : kPulse12;
        code[p1] = s;
        code[p2] = add(code[p2], p2 < p1 ? negate(s) : s);
    }
}

}  // namespace

int fixed_index_words(int mode) {
    return mode == vokRate10200 ? 7 : (mode == vokRate12200 || mode == vokRateDTX) ? 10 : 2;
}

void fixed_decode(const int16_t* index, int16_t* code, int subframe, int mode) {
    std::memset(code, 0, kSubframe * sizeof(int16_t));
    switch (mode) {
        case vokRate4750:
        case vokRate5150:
            decode_9(subframe, index[1], index[0], code);
            break;
        case vokRate5900:
            decode_11(index[1], index[0], code);
            break;
        case vokRate6700:
            decode_14(index[1], index[0], code);
            break;
        case vokRate7400:
        case vokRate7950:
            decode_17(index[1], index[0], code);
            break;
        case vokRate10200:
            decode_31(index, code);
            break;
        default:
            decode_35(index, code);
            break;
    }
}

}  // namespace voks::amrnb
