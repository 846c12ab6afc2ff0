// What the tests take from outside the repository: the official test sequences and the Debian
// peer codecs with the recorded speech they are compared on. A test that finds one missing says
// so with VOKSC_MISSING() << "what, where": a skip in a developer build, a failure in a build
// configured with -DVOKSC_REQUIRE_EXTERNAL=ON (as CI does), where nothing may pass unchecked.
#ifndef VOKSC_TESTS_SUPPORT_EXTERNAL_H
#define VOKSC_TESTS_SUPPORT_EXTERNAL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/speech.h"

#if VOKSC_REQUIRE_EXTERNAL
#define VOKSC_MISSING() GTEST_FAIL() << "missing, and this build requires it (VOKSC_REQUIRE_EXTERNAL): "
#else
#define VOKSC_MISSING() GTEST_SKIP()
#endif

// The one test of a peer comparison file when the peer was not found at configure time.
#define VOKSC_PEER_ABSENT(suite, what)                                        \
    TEST(suite, PeerAbsent) {                                                 \
        VOKSC_MISSING() << what << " not found (install it and reconfigure)"; \
    }

// Leaves the test when fewer than `need` samples of recorded speech were gathered.
#define VOKSC_NEED_SPEECH(speech, need)                                             \
    if ((speech).size() < (need))                                                   \
    VOKSC_MISSING() << "less than " << (need) / 8000 << " s of 8 kHz speech under " \
                    << voksc_test::kAsteriskSounds << " (install asterisk-core-sounds-en-wav)"

// Leaves the test when an official sequence cannot be read (the call fills `words`).
#define VOKSC_READ_VECTOR(rel, words)                                   \
    if (!voksc_test::read_words(voksc_test::vector_path(rel), words))   \
    VOKSC_MISSING() << "test sequence " << voksc_test::vector_path(rel) \
                    << " not found (set VOKSC_VECTORS_DIR in the environment or the CMake cache)"

namespace voksc_test {

// An official test sequence: <folder>/<rel>, the folder named by the VOKSC_VECTORS_DIR
// environment variable or else by the CMake cache variable of that name.
inline std::string vector_path(const std::string& rel) {
    const char* env = std::getenv("VOKSC_VECTORS_DIR");
    return std::string(env && *env ? env : VOKSC_VECTORS_DIR) + "/" + rel;
}

}  // namespace voksc_test

#endif  // VOKSC_TESTS_SUPPORT_EXTERNAL_H
