// Parameterised tests that run once per kernel level: SetUp forces the level (the test is skipped
// when this CPU lacks it) and TearDown restores the detected one. The parameter is the level, or
// a (case, level) tuple.
#ifndef VOKSC_TESTS_SUPPORT_LEVELS_H
#define VOKSC_TESTS_SUPPORT_LEVELS_H

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "frame/dispatch.h"

namespace voksc_test {

using voks::frame::Level;

inline Level level_of(Level l) {
    return l;
}
template <class Case>
Level level_of(const std::tuple<Case, Level>& p) {
    return std::get<1>(p);
}
inline std::string level_name(Level l) {
    return l == Level::AVX2 ? "avx2" : "scalar";
}
inline auto every_level() {
    return ::testing::Values(Level::Scalar, Level::AVX2);
}

template <class Param = Level>
class LevelTest : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        const Level want = level_of(this->GetParam());
        if (voks::frame::force_level(want) != want)
            GTEST_SKIP() << "this CPU lacks the " << level_name(want) << " kernels";
    }
    void TearDown() override { voks::frame::force_level(voks::frame::detected_level()); }
};

}  // namespace voksc_test

#endif  // VOKSC_TESTS_SUPPORT_LEVELS_H
