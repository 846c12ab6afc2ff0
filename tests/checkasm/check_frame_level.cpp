// Level selection: the AVX2 level needs every extension its twins use (AVX2 and FMA), so a CPU
// description without one of them runs the scalar tables, and every family's table follows the
// level the hook applies.
#include "checkasm.h"
#include "common/kernels.h"
#include "core/vokcore.h"
#include "g722/kernels.h"
#include "g726/kernels.h"
#include "g729/kernels.h"
#include "gsm/kernels.h"

using namespace checkasm;
namespace frame = voks::frame;

namespace {

// Every table holds exactly the entries of the given level.
bool tables_at(frame::Level level) {
    auto same = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    return same(voks::common::kernels(), voks::common::kernels_for(level)) &&
           same(voks::g722::kernels(), voks::g722::kernels_for(level)) &&
           same(voks::g726::kernels(), voks::g726::kernels_for(level)) &&
           same(voks::g729::kernels(), voks::g729::kernels_for(level)) &&
           same(voks::gsm::kernels(), voks::gsm::kernels_for(level));
}

}  // namespace

CHECKASM(level_selection) {
    constexpr uint64_t kSse = vokCpuSSE2 | vokCpuSSSE3 | vokCpuSSE41 | vokCpuSSE42;
    const struct {
        const char* cpu;
        uint64_t features;
        frame::Level want;
    } cases[] = {
        {"sse4.2 only", kSse, frame::Level::Scalar},
        {"avx2 without fma", kSse | vokCpuAVX | vokCpuAVX2, frame::Level::Scalar},
        {"fma without avx2", kSse | vokCpuAVX | vokCpuFMA, frame::Level::Scalar},
        {"avx2 and fma", kSse | vokCpuAVX | vokCpuAVX2 | vokCpuFMA, frame::Level::AVX2},
        {"avx-512 with avx2 and fma", ~uint64_t{0}, frame::Level::AVX2},
    };
    for (const auto& c : cases) {
        ++ctx.checks;
        if (frame::select_level(c.features) != c.want)
            ctx.fail("select_level", c.cpu, 0, 0, Pattern::Zeros, -1);
        // Through the hook the tables follow, never above what this CPU has.
        const frame::Level applied = frame::force_cpu_features(c.features);
        const frame::Level expect = have_avx2() ? c.want : frame::Level::Scalar;
        if (applied != expect || frame::active_level() != expect || !tables_at(expect))
            ctx.fail("force_cpu_features", c.cpu, 0, 0, Pattern::Zeros, -1,
                     "tables not at the selected level");
    }
    frame::force_level(frame::detected_level());
}
