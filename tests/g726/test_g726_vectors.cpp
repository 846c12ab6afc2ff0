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

#include "frame/dispatch.h"
#include "g726/g726_codec.h"
#include "g726/kernels.h"
#include "support/files.h"

namespace {

using Words = std::vector<int16_t>;

std::string vector_dir() {
    const char* env = std::getenv("VOKSC_VECTORS_DIR");
    const std::string base = env && *env ? env : VOKSC_VECTORS_DIR;
    return base + "/g726/";
}

// A sequence of the vector folder as little-endian words.
bool read_words(const std::string& name, Words& out) {
    return voksc_test::read_words(vector_dir() + name, out);
}

std::vector<uint8_t> le_bytes(const Words& w) {
    std::vector<uint8_t> b(w.size() * 2);
    for (size_t k = 0; k < w.size(); ++k) {
        b[2 * k] = static_cast<uint8_t>(w[k]);
        b[2 * k + 1] = static_cast<uint8_t>(static_cast<uint16_t>(w[k]) >> 8);
    }
    return b;
}

// CRC-32 (IEEE 802.3, reflected, as zlib and the sequences' checksum list compute it).
uint32_t crc32(const std::vector<uint8_t>& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t byte : data) {
        c ^= byte;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
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
    std::ifstream f(vector_dir() + "ts-crcs");
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

g726ex::Law law_of(char l) {
    return l == 'a' ? g726ex::Law::ALaw : g726ex::Law::MuLaw;
}

// G.711 input words (code in the low byte) through the example encoder.
Words encode_g711(const Words& in, int rate_kbit, char law) {
    g726ex::Encoder enc;
    EXPECT_TRUE(enc.init(rate_kbit * 1000, law_of(law), g726ex::Format::Bytes));
    std::vector<uint8_t> g711(in.size());
    for (size_t k = 0; k < in.size(); ++k) g711[k] = static_cast<uint8_t>(in[k]);
    std::vector<uint8_t> codes;
    enc.encode(g711.data(), g711.size(), codes);
    return Words(codes.begin(), codes.end());
}

Words decode_g711(const Words& in, int rate_kbit, char law) {
    g726ex::Decoder dec;
    EXPECT_TRUE(dec.init(rate_kbit * 1000, law_of(law), g726ex::Format::Bytes));
    std::vector<uint8_t> codes(in.size());
    for (size_t k = 0; k < in.size(); ++k) codes[k] = static_cast<uint8_t>(in[k]);
    std::vector<uint8_t> out;
    dec.decode(codes.data(), codes.size(), out);
    return Words(out.begin(), out.end());
}

Words concat_tail(const Words& head, size_t keep, const Words& tail) {
    Words w(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(std::min(keep, head.size())));
    w.insert(w.end(), tail.begin(), tail.end());
    return w;
}

Words drop(const Words& w, size_t n) {
    return Words(w.begin() + static_cast<std::ptrdiff_t>(std::min(n, w.size())), w.end());
}

// Regenerates a sequence file; inputs are returned as read. False when an input is missing.
bool produce(const std::string& name, Words& out) {
    Words a, b;
    if (name.size() < 8 || (name[0] != 'r' && name[0] != 'h') || name[4] != 'f')
        return read_words(name, out);  // an input sequence
    const char kind = name[1];         // n, v or i
    const int rate = std::stoi(name.substr(2, 2));
    const char l = name[5];  // a, m, c (mu-law stream to A-law), x (A to mu)
    const bool encoder = name.substr(6) == ".i";
    const std::string rr = std::to_string(rate);
    const bool homing = name[0] == 'h';
    if (encoder) {
        const std::string src = std::string(kind == 'n' ? "nrm." : "ovr.") + l;
        if (!read_words(src, a)) return false;
        if (homing) {
            if (!read_words(std::string("pcm_init.") + l, b)) return false;
            out = drop(encode_g711(concat_tail(b, kHomingLength, a), rate, l), kHomingLength);
        } else {
            out = encode_g711(a, rate, l);
        }
        return true;
    }
    const char out_law = (l == 'a' || l == 'c') ? 'a' : 'm';
    const char in_law = (l == 'a' || l == 'x') ? 'a' : 'm';
    const std::string src = kind == 'i' ? "i" + rr : name.substr(0, 5) + in_law + ".i";
    if (!read_words(src, a)) return false;
    // hn16fc.o alone of the homing outputs was made by the reset decoder, without the homing
    // prefix (it equals that output and no homed one).
    if (homing && name != "hn16fc.o") {
        if (!read_words("i_ini_" + rr + "." + out_law, b)) return false;
        out = drop(decode_g711(concat_tail(b, kHomingLength, a), rate, out_law), kHomingLength);
    } else {
        out = decode_g711(a, rate, out_law);
    }
    return true;
}

bool have_vectors() {
    std::ifstream f(vector_dir() + "ts-crcs");
    return static_cast<bool>(f);
}

#define SKIP_WITHOUT_VECTORS()                                                                   \
    do {                                                                                         \
        if (!have_vectors()) {                                                                   \
            GTEST_SKIP() << "G.726 test sequences not found in " << vector_dir()                 \
                         << " (set VOKSC_VECTORS_DIR or the CMake cache variable of that name)"; \
        }                                                                                        \
    } while (0)

class G726Sequence : public ::testing::TestWithParam<std::string> {};

TEST_P(G726Sequence, MatchesReference) {
    SKIP_WITHOUT_VECTORS();
    const std::string name = GetParam();
    const auto sums = read_checksums();
    const auto it = sums.find(name);
    ASSERT_NE(it, sums.end()) << name << " missing from ts-crcs";
    Words ref;
    const bool present = read_words(name, ref);
    // Every kernel level this CPU offers, scalar first.
    const voks::frame::Level restore = voks::frame::active_level();
    for (auto level : {voks::frame::Level::Scalar, voks::frame::Level::AVX2}) {
        if (voks::frame::force_level(level) != level) continue;
        SCOPED_TRACE(level == voks::frame::Level::Scalar ? "scalar" : "avx2");
        Words ours;
        ASSERT_TRUE(produce(name, ours)) << "an input of " << name << " is missing";
        const std::vector<uint8_t> bytes = le_bytes(ours);
        EXPECT_EQ(bytes.size(), it->second.size);
        EXPECT_EQ(crc32(bytes), it->second.crc_le) << name;
        if (present) {  // byte comparison where the file itself is present
            ASSERT_EQ(ref.size(), ours.size());
            for (size_t k = 0; k < ref.size(); ++k)
                ASSERT_EQ(ref[k], ours[k]) << name << ": first difference at word " << k;
        }
    }
    voks::frame::force_level(restore);
}

INSTANTIATE_TEST_SUITE_P(AppendixII, G726Sequence, ::testing::ValuesIn(sequence_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string s = info.param;
                             for (char& c : s)
                                 if (c == '.') c = '_';
                             return s;
                         });

TEST(G726Sequence, ChecksumListNamesExactlyTheSet) {
    SKIP_WITHOUT_VECTORS();
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
    SKIP_WITHOUT_VECTORS();
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
    ASSERT_EQ(ref.size(), ours.size());
    for (size_t k = 0; k < ref.size(); ++k)
        ASSERT_EQ(ref[k], ours[k]) << c.reference << ": first difference at word " << k;
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
