// The VAD states are plain structures: a memcpy to any address continues the stream.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "amrnb/amrnb_inputs.h"
#include "support/state_copy.h"

namespace {

// Flags of 25 frames of the speech excerpt (half 0: frames 0..24, half 1: 25..49), then the
// state's own words.
template <class State, class Step>
std::vector<int32_t> run_frames(void* block, int half, Step step) {
    auto* st = static_cast<State*>(block);
    const std::vector<int16_t>& sp = amrnb_inputs::speech();
    std::vector<int32_t> out;
    for (int k = 0; k < 25; ++k) out.push_back(step(st, sp.data() + 160 * (25 * half + k)));
    std::vector<int16_t> words(sizeof(State) / 2);
    std::memcpy(words.data(), st, sizeof(State));
    out.insert(out.end(), words.begin(), words.end());
    return out;
}

TEST(AmrnbState, VadStatesContinueAfterACopy) {
    voksc_test::expect_copies_continue({
        {"vad1", sizeof(VokVadState1_GSMAMR), alignof(VokVadState1_GSMAMR), true,
         [](void* p) {
             auto* st = static_cast<VokVadState1_GSMAMR*>(p);
             std::memset(st, 0, sizeof *st);
             for (int i = 0; i < 9; ++i) st->oldLevel[i] = st->aveLevel[i] = st->bckrEst[i] = 150;
             st->corrHpFast = 13106;
         },
         [](void* p, int half) {
             return run_frames<VokVadState1_GSMAMR>(p, half, [](VokVadState1_GSMAMR* st, const int16_t* x) {
                 Vok16s flag = -1;
                 EXPECT_EQ(voksVAD1_GSMAMR_16s(x, st, &flag, 20000, 0), vokStatusOk);
                 return int32_t{flag};
             });
         }},
        {"vad2", sizeof(VokVadState2_GSMAMR), alignof(VokVadState2_GSMAMR), true,
         [](void* p) { std::memset(p, 0, sizeof(VokVadState2_GSMAMR)); },
         [](void* p, int half) {
             return run_frames<VokVadState2_GSMAMR>(p, half, [](VokVadState2_GSMAMR* st, const int16_t* x) {
                 Vok16s flag = -1;
                 EXPECT_EQ(voksVAD2_GSMAMR_16s(x, st, &flag, 0), vokStatusOk);
                 return int32_t{flag};
             });
         }},
    });
}

}  // namespace
