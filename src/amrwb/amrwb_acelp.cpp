// AMR-WB algebraic codebook decoding: 64 positions in 2 or 4 interleaved tracks, pulses of
// +-512 (Q9), the index words of the standard's pulse coders.
#include <cstring>

#include "amrwb/amrwb_internal.h"

namespace voks::amrwb {

namespace {

constexpr int kTrackPositions = 16;  // positions per track; bit 4 of a decoded position is its sign

void one(int32_t index, int n, int offset, int* pos) {
    const int32_t mask = (1 << n) - 1;
    int p = static_cast<int>(index & mask) + offset;
    if ((index >> n) & 1) p += kTrackPositions;
    pos[0] = p;
}

void two(int32_t index, int n, int offset, int* pos) {
    const int32_t mask = (1 << n) - 1;
    int p1 = static_cast<int>((index >> n) & mask) + offset;
    int p2 = static_cast<int>(index & mask) + offset;
    const bool sign = (index >> (2 * n)) & 1;
    // The two signs share one bit: the order of the positions tells the second.
    if (p2 < p1) {
        if (sign) {
            p1 += kTrackPositions;
        } else {
            p2 += kTrackPositions;
        }
    } else if (sign) {
        p1 += kTrackPositions;
        p2 += kTrackPositions;
    }
    pos[0] = p1;
    pos[1] = p2;
}

void three(int32_t index, int n, int offset, int* pos) {
    const int32_t mask = (int32_t{1} << (2 * n - 1)) - 1;
    int j = offset;
    if ((index >> (2 * n - 1)) & 1) j += 1 << (n - 1);
    two(index & mask, n - 1, j, pos);
    one((index >> (2 * n)) & ((1 << (n + 1)) - 1), n, offset, pos + 2);
}

void four_plus_one(int32_t index, int n, int offset, int* pos) {
    const int32_t mask = (int32_t{1} << (2 * n - 1)) - 1;
    int j = offset;
    if ((index >> (2 * n - 1)) & 1) j += 1 << (n - 1);
    two(index & mask, n - 1, j, pos);
    two((index >> (2 * n)) & ((int32_t{1} << (2 * n + 1)) - 1), n, offset, pos + 2);
}

void four(int32_t index, int n, int offset, int* pos) {
    const int m = n - 1, j = offset + (1 << m);
    switch ((index >> (4 * n - 2)) & 3) {
        case 0:
            four_plus_one(index, m, ((index >> (4 * m + 1)) & 1) ? j : offset, pos);
            break;
        case 1:
            one(index >> (3 * m + 1), m, offset, pos);
            three(index, m, j, pos + 1);
            break;
        case 2:
            two(index >> (2 * m + 1), m, offset, pos);
            two(index, m, j, pos + 2);
            break;
        default:
            three(index >> (m + 1), m, offset, pos);
            one(index, m, j, pos + 3);
            break;
    }
}

void five(int32_t index, int n, int offset, int* pos) {
    const int m = n - 1, j = offset + (1 << m);
    three(index >> (2 * n + 1), m, ((index >> (5 * n - 1)) & 1) ? j : offset, pos);
    two(index, n, offset, pos + 3);
}

void six(int32_t index, int n, int offset, int* pos) {
    const int m = n - 1, j = offset + (1 << m);
    int a = j, b = j;
    if (((index >> (6 * n - 5)) & 1) == 0) {
        a = offset;
    } else {
        b = offset;
    }
    switch ((index >> (6 * n - 4)) & 3) {
        case 0:
            five(index >> n, m, a, pos);
            one(index, m, a, pos + 5);
            break;
        case 1:
            five(index >> n, m, a, pos);
            one(index, m, b, pos + 5);
            break;
        case 2:
            four(index >> (2 * m + 1), m, a, pos);
            two(index, m, b, pos + 4);
            break;
        default:
            three(index >> (3 * m + 1), m, offset, pos);
            three(index, m, j, pos + 3);
            break;
    }
}

void add_pulses(const int* pos, int count, int track, int16_t* code) {
    for (int k = 0; k < count; ++k) {
        const int i = ((pos[k] & (kTrackPositions - 1)) << 2) + track;
        code[i] = static_cast<int16_t>(
            code[i] + ((pos[k] & kTrackPositions) ? -512 : 512));  // at most 6 pulses: no overflow
    }
}

}  // namespace

int codebook_bits(int code) {
    switch (code) {
        case 5:
        case 25:
            return 12;
        case 9:
        case 26:
            return 20;
        case 27:
            return 28;
        case 13:
        case 28:
            return 36;
        case 15:
        case 29:
            return 44;
        case 16:
        case 30:
            return 52;
        case 18:
        case 31:
            return 64;
        case 19:
        case 32:
            return 72;
        case 20:
        case 21:
        case 22:
            return 88;
        default:
            return -1;
    }
}

void decode_code(const int16_t* index, int bits, int16_t* code) {
    std::memset(code, 0, 64 * sizeof *code);
    int pos[6];
    if (bits == 12) {
        const int w = index[0];
        const int even = (w >> 5) & 0x3E, odd = ((w & 0x1F) << 1) + 1;
        code[even] = (w >> 6) & 32 ? -512 : 512;
        code[odd] = w & 32 ? -512 : 512;
        return;
    }
    for (int k = 0; k < 4; ++k) {
        const int32_t w = index[k];
        int count;
        switch (bits) {
            case 20:
                one(w, 4, 0, pos), count = 1;
                break;
            case 28:
                k < 2 ? (two(w, 4, 0, pos), count = 2) : (one(w, 4, 0, pos), count = 1);
                break;
            case 36:
                two(w, 4, 0, pos), count = 2;
                break;
            case 44:
                k < 2 ? (three(w, 4, 0, pos), count = 3) : (two(w, 4, 0, pos), count = 2);
                break;
            case 52:
                three(w, 4, 0, pos), count = 3;
                break;
            case 64:
                four(w * 16384 + index[k + 4], 4, 0, pos), count = 4;
                break;
            case 72:
                k < 2 ? (five(w * 1024 + index[k + 4], 4, 0, pos), count = 5)
                      : (four(w * 16384 + index[k + 4], 4, 0, pos), count = 4);
                break;
            default:
                six(w * 2048 + index[k + 4], 4, 0, pos), count = 6;
                break;
        }
        add_pulses(pos, count, k, code);
    }
}

}  // namespace voks::amrwb
