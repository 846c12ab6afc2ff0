// Constant tables of the G.726 coder, built at compile time from the standard's quantiser
// decision levels and its reconstruction, scale-factor and speed-control tables.
#ifndef VOKS_G726_G726_TABLES_H
#define VOKS_G726_G726_TABLES_H

#include <cstdint>

namespace voks::g726 {

// What the adaptation needs of one code I: reconstruction level (log domain, 12 bits),
// scale-factor multiplier W(I) (signed, Q4) and speed-control value F(I).
struct CodeInfo {
    int16_t dqln;
    int16_t wi;
    int16_t fi;
};

// Per-rate tables. quant maps (sign << 12 | dln) to the code, where dln is the 12-bit
// normalised log magnitude of the difference signal and sign is 1 for negative differences.
struct RateTables {
    uint8_t quant[8192];
    CodeInfo code[32];
};

namespace detail {

// Decision levels of the adaptive quantiser for normalised log magnitudes below 2048 (the
// positive half of the 12-bit log scale), and the first code they select.
struct Levels {
    int count;
    int16_t level[13];
    int first;
};

constexpr Levels kLevels[4] = {
    {1, {261}, 0},
    {2, {218, 331}, 1},
    {6, {80, 178, 246, 300, 349, 400}, 1},
    {13, {68, 139, 198, 250, 298, 339, 378, 413, 445, 475, 502, 528, 553}, 2},
};

// Reconstruction levels (log domain) indexed by the magnitude part of the code: entry 0 is
// the code for the smallest positive difference.
constexpr int16_t kDqln16[2] = {116, 365};
constexpr int16_t kDqln24[4] = {2048, 135, 273, 373};
constexpr int16_t kDqln32[8] = {2048, 4, 135, 213, 273, 323, 373, 425};
constexpr int16_t kDqln40[16] = {2048, 4030, 28,  104, 169, 224, 274, 318,
                                 358,  395,  429, 459, 488, 514, 539, 566};
// Scale-factor multipliers W(I), in 12-bit two's complement read as signed values.
constexpr int16_t kW16[2] = {-22, 439};
constexpr int16_t kW24[4] = {-4, 30, 137, 582};
constexpr int16_t kW32[8] = {-12, 18, 41, 64, 112, 198, 355, 1122};
constexpr int16_t kW40[16] = {14, 14, 24, 39, 40, 41, 58, 100, 141, 179, 219, 280, 358, 440, 529, 696};
// Speed-control values F(I).
constexpr int16_t kF16[2] = {0, 7};
constexpr int16_t kF24[4] = {0, 1, 2, 7};
constexpr int16_t kF32[8] = {0, 0, 0, 1, 1, 1, 3, 7};
constexpr int16_t kF40[16] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 6};

constexpr const int16_t* kDqln[4] = {kDqln16, kDqln24, kDqln32, kDqln40};
constexpr const int16_t* kW[4] = {kW16, kW24, kW32, kW40};
constexpr const int16_t* kF[4] = {kF16, kF24, kF32, kF40};

// Code for a normalised log magnitude dln (0..4095) of a difference of the given sign.
constexpr int quantize(int r, int dln, int negative) {
    const int top = (1 << (r + 2)) - 1;  // all code bits set
    int code = 0;
    if (dln < 2048) {
        const Levels& l = kLevels[r];
        code = l.first;
        for (int k = 0; k < l.count; ++k) code += dln >= l.level[k] ? 1 : 0;
        if (r == 1 && dln < 8) code = 7;  // 24 kbit/s: the lowest interval is the zero code
    } else {
        // Magnitudes below one step: the zero code, except just below the top of the log
        // range, which selects the smallest non-zero step at 32 and 40 kbit/s.
        if (r == 0) code = 0;
        else if (r == 1) code = 7;
        else if (r == 2) code = dln >= 3972 ? 1 : 15;
        else code = dln >= 4080 ? 2 : (dln >= 3974 ? 1 : 31);
    }
    if (negative) {
        code = top - code;
        if (code == 0 && r != 0) code = top;
    }
    return code;
}

constexpr RateTables make_rate_tables(int r) {
    RateTables t{};
    for (int s = 0; s < 2; ++s)
        for (int dln = 0; dln < 4096; ++dln)
            t.quant[s << 12 | dln] = static_cast<uint8_t>(quantize(r, dln, s));
    const int bits = r + 2;
    const int top = (1 << bits) - 1;
    const int half = 1 << (bits - 1);
    for (int i = 0; i <= top; ++i) {
        const bool negative = (i & half) != 0;
        const int m = negative ? (top - i) & (half - 1) : i & (half - 1);
        t.code[i].dqln = kDqln[r][m];
        t.code[i].wi = kW[r][m];
        t.code[i].fi = kF[r][m];
    }
    return t;
}

}  // namespace detail

inline constexpr RateTables kRateTables[4] = {detail::make_rate_tables(0), detail::make_rate_tables(1),
                                       detail::make_rate_tables(2), detail::make_rate_tables(3)};

// The predictor coefficients' magnitudes (13 bits) in the float format of FMULT, packed as
// exponent << 6 | mantissa: the exponent is the bit length, the 6-bit mantissa holds the
// leading one; zero is exponent 0, mantissa 32.
struct CoefFloatTable {
    uint16_t v[8192];
    constexpr uint16_t operator[](int mag) const { return v[mag]; }
};

constexpr CoefFloatTable make_coef_float_table() {
    CoefFloatTable t{};
    for (int mag = 0; mag < 8192; ++mag) {
        int e = 0;
        while ((mag >> e) != 0) ++e;
        t.v[mag] = static_cast<uint16_t>(mag == 0 ? 32 : (e << 6 | ((mag << 6) >> e)));
    }
    return t;
}

inline constexpr CoefFloatTable kCoefFloat = make_coef_float_table();

// G.711 codes in the coder's internal form (the A-law code before its even-bit inversion, the
// mu-law code as transmitted) and their exact 14-bit uniform values.
namespace detail {

constexpr int expand_alaw(int c) {
    const int s = c ^ 0x80;  // bit 7 set now means negative
    const int e = (s >> 4) & 7;
    const int m = s & 15;
    const int mag = e == 0 ? 2 * m + 1 : (2 * m + 33) << (e - 1);
    return (s & 0x80) ? -2 * mag : 2 * mag;
}

constexpr int expand_ulaw(int c) {
    const int s = ~c & 0xFF;  // bit 7 set now means negative
    const int e = (s >> 4) & 7;
    const int m = s & 15;
    const int mag = ((2 * m + 33) << e) - 33;
    return (s & 0x80) ? -mag : mag;
}

// Next lower and next higher code in signal order, used by the synchronous coding
// adjustment. Bit 7 is the (inverted) sign; the low seven bits are the magnitude for A-law and
// its complement for mu-law. mu-law steps down from +0 straight to -1, skipping -0.
constexpr int alaw_lower(int c) {
    const int ss = c >> 7, mask = c & 127;
    if (ss == 1) return mask == 0 ? 0 : c - 1;
    return mask == 127 ? c : c + 1;
}
constexpr int alaw_higher(int c) {
    const int ss = c >> 7, mask = c & 127;
    if (ss == 1) return mask == 127 ? c : c + 1;
    return mask == 0 ? 0x80 : c - 1;
}
constexpr int ulaw_lower(int c) {
    const int ss = c >> 7, mask = c & 127;
    if (ss == 1) return mask == 127 ? 126 : c + 1;
    return mask == 0 ? c : c - 1;
}
constexpr int ulaw_higher(int c) {
    const int ss = c >> 7, mask = c & 127;
    if (ss == 1) return mask == 0 ? c : c - 1;
    return mask == 127 ? 0xFF : c + 1;
}

}  // namespace detail

struct LawTables {
    int16_t expand[256];
    uint8_t lower[256];
    uint8_t higher[256];
};

constexpr LawTables make_law_tables(bool alaw) {
    LawTables t{};
    for (int c = 0; c < 256; ++c) {
        t.expand[c] = static_cast<int16_t>(alaw ? detail::expand_alaw(c) : detail::expand_ulaw(c));
        t.lower[c] = static_cast<uint8_t>(alaw ? detail::alaw_lower(c) : detail::ulaw_lower(c));
        t.higher[c] = static_cast<uint8_t>(alaw ? detail::alaw_higher(c) : detail::ulaw_higher(c));
    }
    return t;
}

// Indexed by law: 0 mu-law, 1 A-law.
inline constexpr LawTables kLawTables[2] = {make_law_tables(false), make_law_tables(true)};

}  // namespace voks::g726

#endif  // VOKS_G726_G726_TABLES_H
