// The adaptive codebook decoding and voice activity states continue after a mid-stream memcpy to any address.
#include <cstring>

#include "support/state_copy.h"

namespace {

// Each half: 20 subframes, every third one a lost frame (the concealment reads the whole state),
// the others decoded and appended to the histories.
std::vector<int32_t> run_pitch(void* block, int half) {
    auto* st = static_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(block);
    std::vector<int32_t> out;
    int16_t bounds[2] = {};
    for (int s = 0; s < 20; ++s) {
        const int k = 20 * half + s, sf = s % 4, bfi = s % 3 == 2;
        std::vector<int16_t> exc(248 + 64);
        for (size_t i = 0; i < exc.size(); ++i)
            exc[i] = static_cast<int16_t>((i * 7919 + k * 104729) % 4001 - 2000);
        int16_t lag, frac;
        const int index = sf == 0 || sf == 2 ? (k * 37) % 512 : (k * 11) % 64;
        EXPECT_EQ(voksAdaptiveCodebookDecode_AMRWB_16s(index, &frac, &exc[248], &lag, bounds, sf, bfi, bfi,
                                                       vokRate12650, st),
                  vokStatusOk);
        if (!bfi) voksAdaptiveCodebookDecodeUpdate_AMRWB_16s(4000 + 900 * (k % 9), lag, st);
        out.push_back(lag);
        out.insert(out.end(), exc.begin() + 248, exc.end());
    }
    return out;
}

TEST(AmrwbState, CopiesContinue) {
    voksc_test::expect_copies_continue(
        {{"adaptive codebook decoding", voksc_test::state_bytes(voksAdaptiveCodebookDecodeGetSize_AMRWB_16s),
          1, true,
          [](void* b) {
              voksAdaptiveCodebookDecodeInit_AMRWB_16s(static_cast<VokAdaptiveCodebookDecodeState_AMRWB*>(b));
          },
          run_pitch}});
}

}  // namespace
