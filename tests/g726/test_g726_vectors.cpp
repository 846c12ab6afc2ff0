// G.726 against the ITU-T test sequences (G.726 Appendix II and the G.191 variable-rate
// demonstration): every encoder and decoder sequence, the cross-law decoder runs and the
// homing runs, byte for byte. Output files absent from the vector folder are checked against
// the CRC-32 list shipped with the sequences (ts-crcs).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "g726/g726_codec.h"
#include "g726/kernels.h"
#include "support/external.h"
#include "support/levels.h"

namespace {

using Words = std::vector<int16_t>;

std::string vector_path(const std::string& name) {
    return voksc_test::vector_path("g726/" + name);
}

// A sequence of the vector folder as little-endian words.
bool read_words(const std::string& name, Words& out) {
    return voksc_test::read_words(vector_path(name), out);
}

// CRC-32 (IEEE 802.3, reflected, as zlib and the sequences' checksum list compute it) of the
// words as little-endian bytes.
uint32_t crc32_le(const Words& words) {
    uint32_t c = 0xFFFFFFFFu;
    for (const int16_t w : words) {
        for (const int byte : {w & 0xFF, (w >> 8) & 0xFF}) {
            c ^= static_cast<uint32_t>(byte);
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
    }
    return ~c;
}

struct Checksum {
    uint32_t crc_le = 0;
    size_t size = 0;
};

// The checksum list: name, CRC-32 of the little-endian file, CRC-32 big-endian, size.
std::map<std::string, Checksum> read_checksums() {
    std::map<std::string, Checksum> m;
    std::ifstream f(vector_path("ts-crcs"));
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string name, le, be;
        size_t size = 0;
        if (!(in >> name >> le >> be >> size) || le.size() != 8) continue;
        char* end = nullptr;
        const unsigned long v = std::strtoul(le.c_str(), &end, 16);
        if (*end != '\0') continue;
        m[name] = Checksum{static_cast<uint32_t>(v), size};
    }
    return m;
}

const int kRates[4] = {16, 24, 32, 40};

// Every file of the Appendix II set, by the naming rules of the sequences.
std::vector<std::string> sequence_names() {
    std::vector<std::string> n = {"nrm.a", "nrm.m", "ovr.a", "ovr.m", "pcm_init.a", "pcm_init.m"};
    for (int r : kRates) {
        const std::string rr = std::to_string(r);
        n.push_back("i" + rr);
        n.push_back("i_ini_" + rr + ".a");
        n.push_back("i_ini_" + rr + ".m");
        for (const char* kind : {"rn", "rv", "hn", "hv"}) {
            for (const char* l : {"a", "m"}) n.push_back(kind + rr + "f" + l + ".i");
            for (const char* l : {"a", "m", "c", "x"}) n.push_back(kind + rr + "f" + l + ".o");
        }
        for (const char* kind : {"ri", "hi"})
            for (const char* l : {"a", "m"}) n.push_back(kind + rr + "f" + l + ".o");
    }
    return n;
}

constexpr size_t kHomingLength = 3496;  // valid samples of pcm_init.* and i_ini_*

// The words of `input` (a code in each low byte) through the example encoder (G.711 codes in) or
// decoder (G.726 codes in); when `homing` names a file, its first kHomingLength words go first and
// their output is dropped. False when a file is missing.
bool code(const std::string& input, const std::string& homing, int rate_kbit, char law, bool encode,
          Words& out) {
    Words in, home;
    if (!read_words(input, in) || (!homing.empty() && !read_words(homing, home))) return false;
    home.resize(std::min(home.size(), kHomingLength));
    in.insert(in.begin(), home.begin(), home.end());
    const std::vector<uint8_t> bytes(in.begin(), in.end());
    std::vector<uint8_t> coded;
    const auto l = law == 'a' ? g726ex::Law::ALaw : g726ex::Law::MuLaw;
    if (encode) {
        g726ex::Encoder enc;
        EXPECT_TRUE(enc.init(rate_kbit * 1000, l, g726ex::Format::Bytes));
        enc.encode(bytes.data(), bytes.size(), coded);
    } else {
        g726ex::Decoder dec;
        EXPECT_TRUE(dec.init(rate_kbit * 1000, l, g726ex::Format::Bytes));
        dec.decode(bytes.data(), bytes.size(), coded);
    }
    out.assign(coded.begin() + static_cast<std::ptrdiff_t>(std::min(home.size(), coded.size())), coded.end());
    return true;
}

// Regenerates a sequence file; inputs are returned as read. False when an input is missing.
bool produce(const std::string& name, Words& out) {
    if (name.size() < 8 || (name[0] != 'r' && name[0] != 'h') || name[4] != 'f')
        return read_words(name, out);  // an input sequence
    const char kind = name[1];         // n, v or i
    const std::string rr = name.substr(2, 2);
    const char l = name[5];  // a, m, c (mu-law stream to A-law), x (A to mu)
    const bool homing = name[0] == 'h';
    if (name.substr(6) == ".i") {
        return code(std::string(kind == 'n' ? "nrm." : "ovr.") + l,
                    homing ? std::string("pcm_init.") + l : "", std::stoi(rr), l, true, out);
    }
    const char out_law = (l == 'a' || l == 'c') ? 'a' : 'm';
    const char in_law = (l == 'a' || l == 'x') ? 'a' : 'm';
    const std::string src = kind == 'i' ? "i" + rr : name.substr(0, 5) + in_law + ".i";
    // hn16fc.o alone of the homing outputs was made by the reset decoder, without the homing
    // prefix (it equals that output and no homed one).
    const bool homed = homing && name != "hn16fc.o";
    return code(src, homed ? "i_ini_" + rr + "." + out_law : "", std::stoi(rr), out_law, false, out);
}

// The checksum list stands for the whole set.
#define NEED_VECTORS()                                                    \
    if (read_checksums().empty())                                         \
    VOKSC_MISSING() << "G.726 test sequences: " << vector_path("ts-crcs") \
                    << " not found (set VOKSC_VECTORS_DIR in the environment or the CMake cache)"

class G726Sequence : public voksc_test::LevelTest<std::tuple<std::string, voks::frame::Level>> {};

TEST_P(G726Sequence, MatchesReference) {
    NEED_VECTORS();
    const std::string name = std::get<0>(GetParam());
    const auto sums = read_checksums();
    const auto it = sums.find(name);
    ASSERT_NE(it, sums.end()) << name << " missing from ts-crcs";
    Words ref, ours;
    ASSERT_TRUE(produce(name, ours)) << "an input of " << name << " is missing";
    EXPECT_EQ(2 * ours.size(), it->second.size);
    EXPECT_EQ(crc32_le(ours), it->second.crc_le) << name;
    // Byte comparison where the file itself is present.
    if (read_words(name, ref)) {
        EXPECT_EQ(voksc_test::first_diff(ours, ref), -1) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(AppendixII, G726Sequence,
                         ::testing::Combine(::testing::ValuesIn(sequence_names()), voksc_test::every_level()),
                         [](const ::testing::TestParamInfo<G726Sequence::ParamType>& info) {
                             std::string s = std::get<0>(info.param);
                             for (char& c : s)
                                 if (c == '.') c = '_';
                             return s + "_" + voksc_test::level_name(std::get<1>(info.param));
                         });

TEST(G726Sequence, ChecksumListNamesExactlyTheSet) {
    NEED_VECTORS();
    const auto sums = read_checksums();
    const auto names = sequence_names();
    EXPECT_EQ(sums.size(), 130u);
    EXPECT_EQ(names.size(), 130u);
    for (const auto& n : names) EXPECT_EQ(sums.count(n), 1u) << n;
}

// ---- Variable-rate sequences (voice.src through a rate pattern of 16-sample blocks) ----

// Exact G.711 A-law compression of a 16-bit sample, as a standard code (even bits toggled).
uint8_t alaw_compress16(int16_t x) {
    int ix = x < 0 ? (~x) >> 4 : x >> 4;  // 0..2047
    if (ix > 15) {
        int seg = 1;
        while (ix > 31) {
            ix >>= 1;
            ++seg;
        }
        ix = (ix - 16) + (seg << 4);
    }
    if (x >= 0) ix |= 0x80;
    return static_cast<uint8_t>(ix ^ 0x55);
}

// The demonstration feeds the 16-bit linear words of voice.src to the G.711 expander as if
// they were codes. For words above 255 the reference expander's result is its integer
// arithmetic with shift counts taken modulo 32 and a 16-bit intermediate; this reproduces it
// (checked over all 65536 words) to obtain the 14-bit value the coder then sees.
int word_as_code_uniform14(int16_t word, bool alaw) {
    auto s16 = [](long v) { return static_cast<long>(static_cast<int16_t>(static_cast<uint16_t>(v))); };
    long sig, s1, ss, sss, ssq;
    if (alaw) {
        s1 = s16(word ^ 0x55) ^ 0x80;
        sig = s1 >= 128 ? 4096 : 0;
        if (s1 >= 128) s1 -= 128;
        const long e = s1 / 16, m = s1 - e * 16;
        ss = e == 0 ? 2 * m + 1 + sig : (1L << ((e - 1) & 31)) * (2 * m + 33) + sig;
        ss = s16(ss);
        sss = ss / 4096;
        ssq = (ss & 4095) << 1;
    } else {
        s1 = word ^ 0x80;
        sig = s1 >= 128 ? 8192 : 0;
        s1 = s1 >= 128 ? (s1 - 128) ^ 127 : s1 ^ 127;
        const long e = s1 / 16, m = s1 - e * 16;
        ss = e == 0 ? 2 * m + sig : (1L << (e & 31)) * (2 * m + 33) - 33 + sig;
        ss = s16(ss);
        sss = ss / 8192;
        ssq = ss & 8191;
    }
    const long sl = sss == 0 ? ssq : (16384 - ssq) & 16383;
    return static_cast<int>(sl >= 8192 ? sl - 16384 : sl);
}

// Encoder and decoder in tandem, switching rate every 16 samples through 16-24-32-40-32-24.
Words tandem_variable_rate(const std::vector<int16_t>& x14, int32_t law) {
    const int pattern[6] = {0, 1, 2, 3, 2, 1};
    voks::g726::Core enc, dec;
    voks::g726::reset(enc, 0);
    voks::g726::reset(dec, 0);
    Words out(x14.size());
    std::vector<uint8_t> codes(16);
    for (size_t start = 0, block = 0; start < x14.size(); start += 16, ++block) {
        const int n = static_cast<int>(std::min<size_t>(16, x14.size() - start));
        enc.rate = dec.rate = static_cast<int16_t>(pattern[block % 6]);
        voks::g726::kernels().encode(enc, x14.data() + start, codes.data(), n);
        voks::g726::kernels().decode(dec, law, codes.data(), out.data() + start, n);
    }
    return out;
}

struct VbrCase {
    const char* reference;
    const char* copy;
    char law;  // a, u, or l (linear through A-law)
};

class G726VariableRate : public ::testing::TestWithParam<VbrCase> {};

TEST_P(G726VariableRate, MatchesReference) {
    NEED_VECTORS();
    const VbrCase c = GetParam();
    Words src, ref, copy;
    ASSERT_TRUE(read_words("voice.src", src));
    ASSERT_TRUE(read_words(c.reference, ref));
    std::vector<int16_t> x14(src.size());
    Words ours;
    if (c.law == 'l') {
        for (size_t k = 0; k < src.size(); ++k) x14[k] = g726ex::alaw_to_uniform14(alaw_compress16(src[k]));
        ours = tandem_variable_rate(x14, voks::g726::kLawA);
        for (auto& v : ours) v = static_cast<int16_t>(4 * g726ex::alaw_to_uniform14(static_cast<uint8_t>(v)));
    } else {
        for (size_t k = 0; k < src.size(); ++k)
            x14[k] = static_cast<int16_t>(word_as_code_uniform14(src[k], c.law == 'a'));
        ours = tandem_variable_rate(x14, c.law == 'a' ? voks::g726::kLawA : voks::g726::kLawMu);
    }
    EXPECT_EQ(voksc_test::first_diff(ours, ref), -1) << c.reference;
    if (read_words(c.copy, copy)) {
        EXPECT_EQ(copy, ref) << c.copy;
    }
}

INSTANTIATE_TEST_SUITE_P(Voice, G726VariableRate,
                         ::testing::Values(VbrCase{"voicevbr.arf", "voicvbra.tst", 'a'},
                                           VbrCase{"voicevbr.urf", "voicvbru.tst", 'u'},
                                           VbrCase{"voicevbr.lrf", "voicvbrl.tst", 'l'}),
                         [](const ::testing::TestParamInfo<VbrCase>& info) {
                             return std::string(1, info.param.law);
                         });

}  // namespace
