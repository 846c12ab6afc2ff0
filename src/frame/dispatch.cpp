#include "frame/dispatch.h"

#include "core/vokcore.h"

namespace voks::frame {
namespace {

constexpr int kMaxTables = 64;

struct Registry {
    void (*fill[kMaxTables])(Level);
    int count;
    Level active;
    bool chosen;  // false until the first table or a forced level fixes `active`
};

// Zero-initialised before any constructor runs, so registration order does not matter.
Registry g_registry;

}  // namespace

Level select_level(uint64_t features) {
    constexpr uint64_t kAvx2Level = vokCpuAVX2 | vokCpuFMA;
    return (features & kAvx2Level) == kAvx2Level ? Level::AVX2 : Level::Scalar;
}

Level detected_level() {
    // The core library is asked once, at load; no result depends on anything but the CPU.
    static const Level level = [] {
        vokGetCpuFeatures(nullptr, nullptr);
        return select_level(vokGetEnabledCpuFeatures());
    }();
    return level;
}

Level active_level() {
    if (!g_registry.chosen) {
        g_registry.active = detected_level();
        g_registry.chosen = true;
    }
    return g_registry.active;
}

Level force_level(Level level) {
    if (static_cast<int>(level) > static_cast<int>(detected_level())) level = detected_level();
    g_registry.active = level;
    g_registry.chosen = true;
    for (int i = 0; i < g_registry.count; ++i) g_registry.fill[i](level);
    return level;
}

Level force_cpu_features(uint64_t features) {
    return force_level(select_level(features));
}

KernelInit::KernelInit(void (*fill)(Level)) {
    const Level level = active_level();
    if (g_registry.count < kMaxTables) g_registry.fill[g_registry.count++] = fill;
    fill(level);
}

}  // namespace voks::frame
