// G.722.1 codec on top of the public voksc API: the library gives the windowing, the DCTs and
// the region coder; this file adds the frame scaling, region powers, categorisation, rate
// control, bit packing, the decoder's region decoding and its erasure handling.
#include "g7221/g7221_codec.h"

#include <voksc.h>

#include <cstring>

#include "common/fixed_ops.h"
#include "g7221/g7221_tables.h"

namespace g7221ex {
namespace {

constexpr int kRegionSize = 20;
constexpr int kCategories = 8;
constexpr int kDiffMin = -12;
constexpr int kDiffMax = 11;
constexpr int kPowerNegatives = 24;
constexpr int kRmsAdjust = 7;  // the MLT's scale as a power of sqrt(2), less the index offset
constexpr int kVectorDim[8] = {2, 2, 2, 4, 4, 5, 5, 1};
constexpr int kVectorCount[8] = {10, 10, 10, 5, 5, 4, 4, 20};
constexpr int kMaxBin[8] = {13, 9, 6, 4, 3, 2, 1, 1};
const int16_t* const kTrees[7] = {kTree0, kTree1, kTree2, kTree3, kTree4, kTree5, kTree6};

using fixed_ops::abs_s;
using fixed_ops::mult;
using fixed_ops::negate;
using fixed_ops::norm_s;
using fixed_ops::sat16;
using fixed_ops::shl;
using fixed_ops::shr;
// Saturating sum of two int arguments (not of two 16-bit words).
int16_t add(int32_t a, int32_t b) {
    return sat16(int64_t{a} + b);
}

int regions_of(int n) {
    return n == 320 ? 14 : 28;
}
int control_bits(int regions) {
    return regions == 14 ? 4 : 5;
}

// ---- categorisation, shared by encoder and decoder ----

int16_t calc_offset(const int16_t* rms, int regions, int available) {
    int answer = -32;
    for (int delta = 32; delta > 0; delta >>= 1) {
        const int test = answer + delta;
        int bits = 0;
        for (int r = 0; r < regions; ++r) {
            int j = (test - rms[r]) >> 1;
            j = j < 0 ? 0 : (j > kCategories - 1 ? kCategories - 1 : j);
            bits = add(bits, kExpectedBits[j]);
        }
        if (bits - (available - 32) >= 0) answer = test;
    }
    return static_cast<int16_t>(answer);
}

// Initial categories and the ordered list of category changes that the categorisation control
// walks (balances has possibilities - 1 entries).
void categorize(int available, int regions, const int16_t* rms, int16_t* cats, int16_t* balances) {
    const int frame = regions == 14 ? 320 : 640;
    const int possibilities = 1 << control_bits(regions);
    if (available > frame) available = ((available - frame) * 5 >> 3) + frame;
    const int offset = calc_offset(rms, regions, available);
    int16_t max_cat[28], min_cat[28], temp[64];
    int expected = 0;
    for (int r = 0; r < regions; ++r) {
        int j = (offset - rms[r]) >> 1;
        j = j < 0 ? 0 : (j > kCategories - 1 ? kCategories - 1 : j);
        max_cat[r] = min_cat[r] = cats[r] = static_cast<int16_t>(j);
        expected = add(expected, kExpectedBits[j]);
    }
    int max = expected, min = expected;
    int max_ptr = possibilities, min_ptr = possibilities;
    int raw_min_index = 0, raw_max_index = 0;  // kept from the previous pass when none is found
    for (int j = 0; j < possibilities - 1; ++j) {
        if (add(max, min) - sat16(2 * available) <= 0) {
            int raw_min = 99;
            for (int r = 0; r < regions; ++r) {
                if (max_cat[r] > 0) {
                    const int v = offset - rms[r] - 2 * max_cat[r];
                    if (v < raw_min) raw_min = v, raw_min_index = r;
                }
            }
            // With no region left to raise, the previous pick is listed again but its category
            // stays in 0..7 (the reference would index its bit table out of bounds).
            temp[--max_ptr] = static_cast<int16_t>(raw_min_index);
            if (max_cat[raw_min_index] > 0) {
                max -= kExpectedBits[max_cat[raw_min_index]];
                --max_cat[raw_min_index];
                max += kExpectedBits[max_cat[raw_min_index]];
            }
        } else {
            int raw_max = -99;
            for (int r = regions - 1; r >= 0; --r) {
                if (min_cat[r] < kCategories - 1) {
                    const int v = offset - rms[r] - 2 * min_cat[r];
                    if (v > raw_max) raw_max = v, raw_max_index = r;
                }
            }
            temp[min_ptr++] = static_cast<int16_t>(raw_max_index);
            if (min_cat[raw_max_index] < kCategories - 1) {
                min -= kExpectedBits[min_cat[raw_max_index]];
                ++min_cat[raw_max_index];
                min += kExpectedBits[min_cat[raw_max_index]];
            }
        }
    }
    for (int r = 0; r < regions; ++r) cats[r] = max_cat[r];
    for (int j = 0; j < possibilities - 1; ++j) balances[j] = temp[max_ptr++];
}

// ---- encoder ----

// Region power indices and their differential codes; returns the envelope's bit count.
int region_powers(const int16_t* coefs, int mag_shift, int regions, int16_t* abs_index, int16_t* nbits,
                  uint16_t* codes) {
    for (int r = 0; r < regions; ++r) {
        int32_t acc = 0;
        for (int j = 0; j < kRegionSize; ++j) {
            const int32_t x = coefs[r * kRegionSize + j];
            const int64_t s = int64_t{acc} + x * x;
            acc = s > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(s);
        }
        int shift = 0;
        while ((acc & 0x7FFF0000) > 0) acc >>= 1, ++shift;
        while (acc - 32767 <= 0 && shift + 15 >= 0) acc <<= 1, --shift;
        acc >>= 1;
        if (acc >= 28963) ++shift;  // sqrt(2) times the region size
        abs_index[r] = static_cast<int16_t>(shift - 2 * mag_shift + 35 - kPowerNegatives);
    }
    // Raise the valleys so that every peak stays reachable by the differential code.
    for (int r = regions - 2; r >= 0; --r)
        if (abs_index[r] < abs_index[r + 1] - kDiffMax)
            abs_index[r] = static_cast<int16_t>(abs_index[r + 1] - kDiffMax);
    if (abs_index[0] < 1 - kRmsAdjust) abs_index[0] = 1 - kRmsAdjust;
    if (abs_index[0] > 31 - kRmsAdjust) abs_index[0] = 31 - kRmsAdjust;
    nbits[0] = 5;
    codes[0] = static_cast<uint16_t>(abs_index[0] + kRmsAdjust);
    int bits = 5;
    for (int r = 1; r < regions; ++r) {
        if (abs_index[r] < -8 - kRmsAdjust) abs_index[r] = -8 - kRmsAdjust;
        if (abs_index[r] > 31 - kRmsAdjust) abs_index[r] = 31 - kRmsAdjust;
    }
    for (int r = 1; r < regions; ++r) {
        int j = abs_index[r] - abs_index[r - 1];
        if (j < kDiffMin) j = kDiffMin;
        j -= kDiffMin;
        abs_index[r] = static_cast<int16_t>(abs_index[r - 1] + j + kDiffMin);
        nbits[r] = kDiffPowerBits[r * 24 + j];
        codes[r] = kDiffPowerCodes[r * 24 + j];
        bits += nbits[r];
    }
    return bits;
}

// MSB-first writer of a frame of 16-bit words; bits past the frame are dropped.
struct BitWriter {
    uint16_t* words;
    int limit, pos = 0;
    void put(uint32_t value, int n) {
        for (int i = n - 1; i >= 0 && pos < limit; --i, ++pos) {
            if ((pos & 15) == 0) words[pos >> 4] = 0;
            words[pos >> 4] =
                static_cast<uint16_t>(words[pos >> 4] | (((value >> i) & 1u) << (15 - (pos & 15))));
        }
    }
};

int code_region(int category, int power, const int16_t* x, uint32_t* words) {
    if (category >= kCategories - 1) return 0;
    Vok32u bits = 0;
    if (voksHuffmanEncode_G722_16s32u(category, power, x, words, &bits) != vokStatusOk) return 0;
    return static_cast<int>(bits);
}

// ---- decoder ----

// MSB-first reader of one frame; reads past the frame give zeros.
struct BitReader {
    const uint16_t* words;
    int limit, pos = 0;
    int left;
    int bit() {
        const int b = pos < limit ? (words[pos >> 4] >> (15 - (pos & 15))) & 1 : 0;
        ++pos;
        return b;
    }
};

int16_t next_random(int16_t* seeds) {
    int16_t w = static_cast<int16_t>(seeds[0] + seeds[3]);
    if (w & 0x8000) w = add(w, 1);
    seeds[3] = seeds[2];
    seeds[2] = seeds[1];
    seeds[1] = seeds[0];
    seeds[0] = w;
    return w;
}

// Envelope: absolute power indices, their standard deviations and the frame's scale.
void decode_envelope(BitReader& br, int regions, int16_t* std_dev, int16_t* abs_index, int16_t& mag_shift) {
    int index = 0;
    for (int i = 0; i < 5; ++i) index = (index << 1) | br.bit();
    br.left -= 5;
    abs_index[0] = static_cast<int16_t>(index - kRmsAdjust);
    for (int r = 1; r < regions; ++r) {
        int node = 0;
        do {
            node = kDiffPowerTree[(r * 23 + node) * 2 + br.bit()];
            --br.left;
        } while (node > 0);
        abs_index[r] = static_cast<int16_t>(abs_index[r - 1] - node + kDiffMin);
    }
    // Table reads of out-of-range indices are clamped; such a frame is concealed afterwards.
    auto sd = [](int i) { return kStdDev[i < 0 ? 0 : (i > 63 ? 63 : i)]; };
    int sum = 0, max_index = 0;
    for (int r = 0; r < regions; ++r) {
        const int i = abs_index[r] + kPowerNegatives;
        if (i > max_index) max_index = i;
        sum = add(sum, sd(i));
    }
    int i = 9;
    while (i >= 0 && (sum - 8 >= 0 || max_index - 28 > 0)) {
        --i;
        sum >>= 1;
        max_index -= 2;
    }
    mag_shift = static_cast<int16_t>(i);
    for (int r = 0; r < regions; ++r) std_dev[r] = sd(abs_index[r] + kPowerNegatives + 2 * mag_shift);
}

// Fills the zero coefficients of a category-5/6 region (fill_all false) or every coefficient of a
// category-7 region with +-level, signs from two random words of ten bits each.
void noise_fill(int16_t* x, int16_t level, bool fill_all, int16_t* seeds) {
    for (int half = 0; half < 2; ++half) {
        int16_t w = next_random(seeds);
        for (int j = 0; j < 10; ++j, ++x) {
            if (fill_all || *x == 0) {
                *x = (w & 1) ? level : negate(level);
                w = static_cast<int16_t>(w >> 1);
            }
        }
    }
}

void decode_regions(BitReader& br, int regions, const int16_t* std_dev, int16_t* cats, int16_t* coefs,
                    int16_t* seeds) {
    constexpr int16_t kFill[3] = {5793, 8192, 23170};
    bool out_of_bits = false;
    for (int r = 0; r < regions; ++r) {
        int category = cats[r];
        int16_t* x = coefs + r * kRegionSize;
        const int16_t sd = std_dev[r];
        if (category < 7) {
            const int dim = kVectorDim[category];
            const int16_t* tree = kTrees[category];
            int16_t* p = x;
            for (int v = 0; v < kVectorCount[category]; ++v) {
                int node = 0;
                do {
                    if (br.left <= 0) {
                        out_of_bits = true;
                        break;
                    }
                    node = tree[2 * node + br.bit()];
                    --br.left;
                } while (node > 0);
                if (out_of_bits) break;
                int index = -node, k[5], signs_count = 0;
                for (int j = dim - 1; j >= 0; --j) {
                    const int q = mult(static_cast<int16_t>(index), kMaxBinInverse[category]);
                    k[j] = index - q * (kMaxBin[category] + 1);
                    index = q;
                    if (k[j] != 0) ++signs_count;
                }
                if (br.left < signs_count) {
                    out_of_bits = true;
                    break;
                }
                int signs = 0;
                for (int j = 0; j < signs_count; ++j) signs = (signs << 1) | br.bit();
                br.left -= signs_count;
                int bit = signs_count ? 1 << (signs_count - 1) : 0;
                for (int j = 0; j < dim; ++j) {
                    auto value = static_cast<int16_t>((int32_t{sd} * kCentroid[category * 16 + k[j]]) >> 12);
                    if (value != 0) {
                        if ((signs & bit) == 0) value = negate(value);
                        bit >>= 1;
                    }
                    *p++ = value;
                }
            }
            // Out of bits: this region and every later one are noise-filled.
            if (out_of_bits) {
                for (int j = r + 1; j < regions; ++j) cats[j] = 7;
                category = 7;
            }
        }
        if (category == 5 || category == 6) noise_fill(x, mult(sd, kFill[category - 5]), false, seeds);
        if (category == 7) noise_fill(x, mult(sd, kFill[2]), true, seeds);
    }
    if (out_of_bits) --br.left;
}

}  // namespace

int frame_samples(int bandwidth) {
    return bandwidth == 7000 ? 320 : (bandwidth == 14000 ? 640 : 0);
}

int frame_bits(int bit_rate, int bandwidth) {
    const bool ok = (bandwidth == 7000 && (bit_rate == 24000 || bit_rate == 32000)) ||
                    (bandwidth == 14000 && (bit_rate == 24000 || bit_rate == 32000 || bit_rate == 48000));
    return ok ? bit_rate / 50 : 0;
}

bool Encoder::init(int bit_rate, int bandwidth) {
    if (!frame_bits(bit_rate, bandwidth)) return false;
    n_ = frame_samples(bandwidth);
    regions_ = regions_of(n_);
    bits_ = frame_bits(bit_rate, bandwidth);
    std::memset(history_, 0, sizeof history_);
    return true;
}

void Encoder::encode(const int16_t* pcm, uint16_t* words) {
    int16_t x[kMaxFrameSamples], coefs[kMaxFrameSamples];
    voksDecomposeMLTToDCT_G7221_16s(pcm, history_, x, n_);
    // Scale the windowed frame so that its peak lies near 14000 (or lower when its mean is high).
    int16_t peak = 0;
    int32_t sum = 0;
    for (int i = 0; i < n_; ++i) {
        const int16_t a = abs_s(x[i]);
        if (a > peak) peak = a;
        sum += a;
    }
    int mag_shift = 0;
    if (peak < 14000) {
        const int16_t t = peak < 438 ? static_cast<int16_t>(peak + 1) : peak;
        const auto scaled = static_cast<int16_t>((int32_t{t} * 9587 * 2) >> 20);
        const int norm = norm_s(scaled);
        mag_shift = norm == 0 ? 9 : norm - 6;
    }
    if (peak < (sum >> 7)) --mag_shift;
    for (int i = 0; i < n_; ++i) x[i] = mag_shift >= 0 ? shl(x[i], mag_shift) : shr(x[i], -mag_shift);
    voksDCTFwd_G7221_16s(x, coefs, n_);

    const int cbits = control_bits(regions_);
    const int possibilities = 1 << cbits;
    int16_t abs_index[28], cats[28], balances[31], nbits[29];
    uint16_t codes[29];
    const int envelope = region_powers(coefs, mag_shift, regions_, abs_index, nbits, codes);
    const int available = bits_ - envelope - cbits;
    categorize(available, regions_, abs_index, cats, balances);
    // Region power indices for the quantiser, with the frame scale folded in; loud regions are
    // scaled down so that their index stays at 39 or 40.
    for (int r = 0; r < regions_; ++r) {
        abs_index[r] = static_cast<int16_t>(abs_index[r] + 2 * mag_shift + kPowerNegatives);
        const int n = (abs_index[r] - 39) >> 1;
        if (n > 0) {
            for (int i = 0; i < kRegionSize; ++i) {
                int16_t& c = coefs[r * kRegionSize + i];
                c = static_cast<int16_t>(((int32_t{c} * 65536 + 32768) >> n) >> 16);
            }
            abs_index[r] = static_cast<int16_t>(abs_index[r] - 2 * n);
        }
    }
    // Rate control: start in the middle of the control range and step it until the coded
    // regions fit the available bits.
    uint32_t region_words[28][6];
    int region_bits[28] = {};
    int control = 0;
    for (; control < possibilities / 2 - 1; ++control) ++cats[balances[control]];
    int total = 0;
    for (int r = 0; r < regions_; ++r) {
        region_bits[r] = code_region(cats[r], abs_index[r], coefs + r * kRegionSize, region_words[r]);
        total += region_bits[r];
    }
    auto recode = [&](int r) {
        total -= region_bits[r];
        region_bits[r] = code_region(cats[r], abs_index[r], coefs + r * kRegionSize, region_words[r]);
        total += region_bits[r];
    };
    while (total < available && control > 0) {
        --control;
        const int r = balances[control];
        --cats[r];
        recode(r);
    }
    while (total > available && control < possibilities - 1) {
        const int r = balances[control];
        ++cats[r];
        recode(r);
        ++control;
    }
    // Pack: envelope, control, region codes; the unused tail is all ones.
    BitWriter bw{words, bits_};
    for (int r = 0; r < regions_; ++r) bw.put(codes[r], nbits[r]);
    bw.put(static_cast<uint32_t>(control), cbits);
    for (int r = 0; r < regions_; ++r) {
        for (int b = 0; b < region_bits[r]; b += 32) {
            const int n = region_bits[r] - b < 32 ? region_bits[r] - b : 32;
            bw.put(region_words[r][b / 32] >> (32 - n), n);
        }
    }
    while (bw.pos < bits_) bw.put(1, 1);
}

bool Decoder::init(int bit_rate, int bandwidth) {
    if (!frame_bits(bit_rate, bandwidth)) return false;
    *this = Decoder();
    n_ = frame_samples(bandwidth);
    regions_ = regions_of(n_);
    bits_ = frame_bits(bit_rate, bandwidth);
    return true;
}

void Decoder::decode(const uint16_t* words, int16_t* pcm) {
    const int valid = regions_ * kRegionSize;
    bool error = words == nullptr;
    if (!error) {
        BitReader br{words, bits_, 0, bits_};
        int16_t std_dev[28], abs_index[28], cats[28], balances[31];
        decode_envelope(br, regions_, std_dev, abs_index, mag_shift_);
        const int cbits = control_bits(regions_);
        int control = 0;
        for (int i = 0; i < cbits; ++i) control = (control << 1) | br.bit();
        br.left -= cbits;
        categorize(br.left, regions_, abs_index, cats, balances);
        for (int i = 0; i < control; ++i) ++cats[balances[i]];
        decode_regions(br, regions_, std_dev, cats, coefs_, seeds_);
        // Checks of the bit stream: the unused tail must be all ones, a frame that ran out of
        // bits must have used the last control setting, every power index must be in range.
        if (br.left > 0) {
            for (int i = br.left; i > 0; --i) error |= br.bit() == 0;
        } else if (control < (1 << cbits) - 1 && br.left < 0) {
            error = true;
        }
        for (int r = 0; r < regions_; ++r)
            error |= abs_index[r] + kRmsAdjust > 31 || abs_index[r] + kRmsAdjust < -8;
    }
    if (error) {
        std::memcpy(coefs_, old_coefs_, sizeof(int16_t) * valid);
        std::memset(old_coefs_, 0, sizeof(int16_t) * valid);
        mag_shift_ = old_mag_shift_;
        old_mag_shift_ = 0;
    } else {
        std::memcpy(old_coefs_, coefs_, sizeof(int16_t) * valid);
        old_mag_shift_ = mag_shift_;
    }
    std::memset(coefs_ + valid, 0, sizeof(int16_t) * (n_ - valid));

    int16_t t[kMaxFrameSamples];
    voksDCTInv_G7221_16s(coefs_, t, n_);
    for (int i = 0; i < n_; ++i) t[i] = mag_shift_ > 0 ? shr(t[i], mag_shift_) : shl(t[i], -mag_shift_);
    voksDecomposeDCTToMLT_G7221_16s(t, overlap_, pcm, n_);
    for (int i = 0; i < n_; ++i) pcm[i] = static_cast<int16_t>(pcm[i] & ~3);
}

}  // namespace g7221ex
