// Library frame: version record, core-library stand-in, work-buffer routines and kernel levels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/vokcore.h"
#include "frame/dispatch.h"
#include "voksc.h"

TEST(Version, OneRecordWhoseStringsAgreeWithItsFields) {
    const VokLibraryVersion* v = vokscGetLibVersion();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v, vokscGetLibVersion());
    const std::string numbers = std::to_string(v->major) + "." + std::to_string(v->minor) + "." +
                                std::to_string(v->patch) + " (r" + std::to_string(v->revision) + ")";
    EXPECT_EQ(numbers, v->version);
    const std::string code(v->cpuCode, strnlen(v->cpuCode, sizeof v->cpuCode));
    EXPECT_NE(std::string(v->name).find("(" + code + ")"), std::string::npos) << v->name;
}

TEST(Core, AllocationAlignsAndRejectsBadSizes) {
    for (int size : {1, 3, 64, 1000, 1 << 20}) {
        void* p = vokMalloc(size);
        ASSERT_NE(p, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u) << size;
        std::memset(p, 0x5A, static_cast<size_t>(size));
        vokFree(p);
    }
    EXPECT_EQ(vokMalloc(0), nullptr);
    EXPECT_EQ(vokMalloc(-5), nullptr);
    vokFree(nullptr);
}

TEST(Core, FeatureQueriesAgreeWithTheKernelLevel) {
    uint64_t mask = 0;
    uint32_t regs[4] = {};
    const uint64_t f = vokGetCpuFeatures(&mask, regs);
    EXPECT_EQ(f, mask);
    EXPECT_EQ(f, vokGetEnabledCpuFeatures());
    EXPECT_EQ(vokGetCpuFeatures(nullptr, nullptr), f);
#if defined(__x86_64__)
    EXPECT_TRUE(f & vokCpuSSE2);  // every x86-64 has it
    EXPECT_NE(regs[3], 0u);
#endif
    // AVX2 is only reported with AVX (both need the OS to save YMM registers).
    EXPECT_TRUE(!(f & vokCpuAVX2) || (f & vokCpuAVX));
    EXPECT_EQ(bool(f & vokCpuAVX2), voks::frame::detected_level() == voks::frame::Level::AVX2);
    int size = 0;
    EXPECT_TRUE(vokGetMaxCacheSizeB(&size) != 0 || size > 0);
    EXPECT_EQ(vokGetMaxCacheSizeB(nullptr), -1);
}

TEST(Dispatch, ForcedLevelIsCappedByTheCpu) {
    using voks::frame::Level;
    EXPECT_EQ(voks::frame::active_level(), voks::frame::detected_level());
    EXPECT_EQ(voks::frame::force_level(Level::Scalar), Level::Scalar);
    EXPECT_EQ(voks::frame::active_level(), Level::Scalar);
    EXPECT_EQ(voks::frame::force_level(Level::AVX2), voks::frame::detected_level());
    EXPECT_EQ(voks::frame::active_level(), voks::frame::detected_level());
}
