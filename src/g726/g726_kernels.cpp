// G.726 ADPCM scalar kernels (the definition of their AVX2 twins), rate codes and the state
// reset.
#include <cstdint>
#include <cstring>

#include "g726/g726_adpcm.h"
#include "g726/g726_tables.h"
#include "g726/kernels.h"

namespace voks::g726 {
void scalar::encode(Core& s, const int16_t* x, uint8_t* codes, int n) {
    encode_any<ScalarPredictor>(s, x, codes, n);
}

void scalar::decode(Core& s, int32_t law, const uint8_t* codes, int16_t* out, int n) {
    decode_any<ScalarPredictor>(s, law, codes, out, n);
}

int rate_index(int rate_code) {
    switch (rate_code) {
        case 17:
            return 0;  // 16 kbit/s
        case 22:
            return 1;  // 24 kbit/s
        case 23:
            return 2;  // 32 kbit/s
        case 24:
            return 3;  // 40 kbit/s
        default:
            return -1;
    }
}

void reset(Core& s, int rate) {
    std::memset(&s, 0, sizeof s);
    s.yl = 34816;
    s.yu = 544;
    for (int k = 0; k < 6; ++k) s.dq[k] = 32;
    s.sr[0] = s.sr[1] = 32;
    s.rate = static_cast<int16_t>(rate);
}

}  // namespace voks::g726
