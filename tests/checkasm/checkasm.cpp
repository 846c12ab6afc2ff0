// Kernel checker driver. Usage: checkasm [--seed N] [--quick] [--list] [kernel-name-substring]
#include "checkasm.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace checkasm {

namespace {
struct Entry {
    const char* name;
    CheckFn fn;
};
std::vector<Entry>& registry() {
    static std::vector<Entry> r;
    return r;
}
}  // namespace

Registrar::Registrar(const char* name, CheckFn fn) { registry().push_back({name, fn}); }

const char* pattern_name(Pattern p) {
    static const char* names[] = {"random", "small-random", "all-max", "all-min", "alternating", "zeros", "ties"};
    return names[static_cast<int>(p)];
}

void fill16(Rng& rng, Pattern p, int16_t* dst, int n) {
    for (int i = 0; i < n; ++i) {
        switch (p) {
            case Pattern::Random: dst[i] = static_cast<int16_t>(rng.next()); break;
            case Pattern::SmallRandom: dst[i] = static_cast<int16_t>(rng.range(-256, 256)); break;
            case Pattern::AllMax: dst[i] = 32767; break;
            case Pattern::AllMin: dst[i] = -32768; break;
            case Pattern::Alternating: dst[i] = (i & 1) ? -32768 : 32767; break;
            case Pattern::Zeros: dst[i] = 0; break;
            case Pattern::Ties: dst[i] = static_cast<int16_t>(rng.range(0, 3) * 0x4000 - 0x8000 + rng.range(0, 1)); break;
            default: dst[i] = 0;
        }
    }
}

void fill32(Rng& rng, Pattern p, int32_t* dst, int n) {
    for (int i = 0; i < n; ++i) {
        switch (p) {
            case Pattern::Random: dst[i] = static_cast<int32_t>(rng.next()); break;
            case Pattern::SmallRandom: dst[i] = rng.range(-65536, 65536); break;
            case Pattern::AllMax: dst[i] = 0x7FFFFFFF; break;
            case Pattern::AllMin: dst[i] = -0x7FFFFFFF - 1; break;
            case Pattern::Alternating: dst[i] = (i & 1) ? -0x7FFFFFFF - 1 : 0x7FFFFFFF; break;
            case Pattern::Zeros: dst[i] = 0; break;
            case Pattern::Ties: dst[i] = static_cast<int32_t>(static_cast<uint32_t>(rng.range(0, 3)) * 0x40000000u + static_cast<uint32_t>(rng.range(0, 1))); break;
            default: dst[i] = 0;
        }
    }
}

namespace {
bool g_quick = false;
}  // namespace

const std::vector<int>& lengths() {
    static const std::vector<int> full = [] {
        std::vector<int> l;
        for (int i = 0; i <= 300; ++i) l.push_back(i);
        for (int i : {320, 333, 511, 512, 640}) l.push_back(i);
        return l;
    }();
    // Quick mode, for instrumented builds: 0..64, the frame sizes and one long length.
    static const std::vector<int> quick = [] {
        std::vector<int> l;
        for (int i = 0; i <= 64; ++i) l.push_back(i);
        for (int i : {80, 160, 240, 300, 333}) l.push_back(i);
        return l;
    }();
    return g_quick ? quick : full;
}

void Context::fail(const char* kernel, const char* level, int len, int offset, Pattern p, int index,
                   const std::string& detail) {
    if (++failures <= 20)
        std::fprintf(stderr, "FAIL %s [%s] seed=%llu len=%d offset=%d pattern=%s first-diff=%d %s\n", kernel,
                     level, static_cast<unsigned long long>(seed), len, offset, pattern_name(p), index,
                     detail.c_str());
}

}  // namespace checkasm

int main(int argc, char** argv) {
    using namespace checkasm;
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const char* filter = nullptr;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--list") list = true;
        else if (a == "--quick") g_quick = true;
        else filter = argv[i];
    }
    const voks::frame::Level detected = voks::frame::detected_level();
    std::printf("checkasm: seed %llu, detected level %s\n", static_cast<unsigned long long>(seed),
                detected == voks::frame::Level::AVX2 ? "avx2" : "scalar");
    if (detected == voks::frame::Level::Scalar)
        std::printf("checkasm: this CPU has no AVX2; vector kernels are not exercised\n");
    int failures = 0, checks = 0;
    for (const auto& e : registry()) {
        if (list) {
            std::printf("%s\n", e.name);
            continue;
        }
        if (filter && !std::strstr(e.name, filter)) continue;
        Context ctx;
        ctx.seed = seed;
        ctx.rng = Rng(seed);
        e.fn(ctx);
        std::printf("%-40s %s (%d comparisons)\n", e.name, ctx.failures ? "FAILED" : "ok", ctx.checks);
        failures += ctx.failures;
        checks += ctx.checks;
    }
    voks::frame::force_level(detected);
    if (list) return 0;
    std::printf("checkasm: %d comparisons, %d failures (seed %llu)\n", checks, failures,
                static_cast<unsigned long long>(seed));
    return failures ? 1 : 0;
}
