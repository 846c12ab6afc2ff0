// fuzz_replay: runs every fuzz target's entry on a fixed set of seeded random inputs, on
// mutations of its committed corpus and on the corpus files themselves (seeds and the
// reproducers of faults found). Built with the ordinary compiler; in a sanitizer build any
// out-of-bounds access or undefined behaviour stops it, and a target aborts on a broken
// property. Usage: fuzz_replay [--iterations N] [--target NAME] [--save FILE] [CORPUS_DIR]
// (--save writes each input to FILE before running it, so a failure leaves its reproducer).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_targets.h"

namespace {

using Entry = int (*)(const uint8_t*, size_t);

struct Target {
    const char* name;
    Entry entry;
};

const Target kTargets[] = {
#define VOKSC_FUZZ_ROW(name) {#name, voksfuzz::name},
    VOKSC_FUZZ_TARGETS(VOKSC_FUZZ_ROW)
#undef VOKSC_FUZZ_ROW
};

// splitmix64: a fixed, platform-independent sequence.
struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return n ? static_cast<size_t>(next() % n) : 0; }
};

std::vector<uint8_t> random_input(Rng& rng) {
    // Mostly short inputs, some long; bytes drawn from a few distributions so extremes occur.
    const size_t caps[4] = {16, 128, 512, 2048};
    std::vector<uint8_t> v(rng.below(caps[rng.below(4)] + 1));
    const int style = static_cast<int>(rng.below(4));
    for (uint8_t& b : v) {
        const uint64_t r = rng.next();
        switch (style) {
            case 0: b = static_cast<uint8_t>(r); break;
            case 1: b = (r & 0x100) ? static_cast<uint8_t>(r) : ((r & 0x200) ? 0xFF : 0x00); break;
            case 2: b = static_cast<uint8_t>(r & 0x0F); break;
            default: b = (r & 0x300) ? static_cast<uint8_t>(r) : 0x7F; break;
        }
    }
    return v;
}

void mutate(std::vector<uint8_t>& v, Rng& rng) {
    const int edits = 1 + static_cast<int>(rng.below(8));
    for (int e = 0; e < edits; ++e) {
        switch (rng.below(4)) {
            case 0:
                if (!v.empty()) v[rng.below(v.size())] = static_cast<uint8_t>(rng.next());
                break;
            case 1:
                if (!v.empty()) v[rng.below(v.size())] ^= static_cast<uint8_t>(1u << rng.below(8));
                break;
            case 2: {  // the byte, then its place: in this order whatever the compiler
                const auto byte = static_cast<uint8_t>(rng.next());
                v.insert(v.begin() + static_cast<std::ptrdiff_t>(rng.below(v.size() + 1)), byte);
                break;
            }
            default:
                if (!v.empty()) v.resize(rng.below(v.size() + 1));
                break;
        }
    }
}

std::vector<std::vector<uint8_t>> corpus(const std::string& dir, const char* name) {
    std::vector<std::vector<uint8_t>> files;
    const std::filesystem::path p = std::filesystem::path(dir) / name;
    std::error_code ec;
    if (dir.empty() || !std::filesystem::is_directory(p, ec)) return files;
    std::vector<std::filesystem::path> paths;
    for (const auto& e : std::filesystem::directory_iterator(p, ec))
        if (e.is_regular_file()) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& f : paths) {
        std::ifstream in(f, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    long iterations = 2000;
    std::string only;
    const char* save = nullptr;
#ifdef VOKSC_FUZZ_CORPUS_DIR
    std::string dir = VOKSC_FUZZ_CORPUS_DIR;
#else
    std::string dir;
#endif
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--iterations") && i + 1 < argc) iterations = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--target") && i + 1 < argc) only = argv[++i];
        else if (!std::strcmp(argv[i], "--save") && i + 1 < argc) save = argv[++i];
        else dir = argv[i];
    }
    int ran = 0;
    for (const Target& t : kTargets) {
        if (!only.empty() && only != t.name) continue;
        uint64_t seed = 0xCBF29CE484222325ull;  // FNV-1a of the target name
        for (const char* c = t.name; *c; ++c) seed = (seed ^ static_cast<uint8_t>(*c)) * 0x100000001B3ull;
        Rng rng{seed};
        const auto files = corpus(dir, t.name);
        long runs = 0;
        for (const auto& f : files) {
            t.entry(f.data(), f.size());
            ++runs;
        }
        for (long i = 0; i < iterations; ++i) {
            std::vector<uint8_t> input;
            if (!files.empty() && (i & 1)) {
                input = files[rng.below(files.size())];
                mutate(input, rng);
            } else {
                input = random_input(rng);
            }
            if (save) {
                std::ofstream out(save, std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
            }
            t.entry(input.data(), input.size());
            ++runs;
        }
        std::printf("%-16s %6ld inputs (%zu corpus files)\n", t.name, runs, files.size());
        ++ran;
    }
    if (ran == 0) {
        std::fprintf(stderr, "no fuzz target named '%s'\n", only.c_str());
        return 1;
    }
    return 0;
}
