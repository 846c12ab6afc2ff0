// voks-codec's streaming: the adapters, coding block by block, give what the example coders give
// on the whole signal; the WAV reader walks chunks as the files say; the WAV writer's header
// reads back with the tests' own reader; memory stays flat on a long stream.
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "codec.h"
#include "g722/g722_codec.h"
#include "g726/g726_codec.h"
#include "g729/g729_codec.h"
#include "gsm/gsmfr_codec.h"
#include "support/files.h"
#include "support/speech.h"

namespace {

using vokscodec::Args;
using Bytes = std::vector<uint8_t>;
using Samples = std::vector<int16_t>;

Bytes le_bytes(const int16_t* w, size_t n) {
    Bytes b;
    for (size_t i = 0; i < n; ++i) {
        b.push_back(static_cast<uint8_t>(w[i]));
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(w[i]) >> 8));
    }
    return b;
}

Samples words(const Bytes& b) {
    Samples w(b.size() / 2);
    for (size_t i = 0; i < w.size(); ++i) w[i] = static_cast<int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return w;
}

Samples padded(Samples x, size_t unit) {
    x.resize((x.size() + unit - 1) / unit * unit, 0);
    return x;
}

// The adapter's coder for `args` run over `in`; "" or the error in `err`.
Bytes run_coder(const char* codec, bool encoder, const Args& args, const Bytes& in, std::string& err) {
    const vokscodec::Codec* c = vokscodec::find_codec(codec);
    if (!c) {
        err = "no codec";
        return {};
    }
    auto coder = (encoder ? c->encoder : c->decoder)(args, err);
    vokscodec::MemoryInput input(in.data(), in.size());
    vokscodec::MemoryOutput out;
    if (coder) err = vokscodec::run(*coder, input, out);
    return out.bytes;
}

// Whole-signal references: the example coders called directly, frame after frame (GSM, G.729:
// `alt` gives parameter words and ITU serial frames) or at once (G.722, G.726: `alt` packs).
Bytes ref_encode(const std::string& codec, int rate, bool alt, const Samples& pcm) {
    Bytes out;
    auto append = [&](const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
    if (codec == "gsmfr") {
        const Samples x = padded(pcm, gsmfr::kFrameSamples);
        gsmfr::Encoder enc;
        gsmfr::encoder_init(&enc);
        for (size_t f = 0; f < x.size(); f += gsmfr::kFrameSamples) {
            int16_t p[gsmfr::kFrameParams];
            uint8_t frame[gsmfr::kPackedBytes];
            gsmfr::encode(&enc, &x[f], p);
            gsmfr::pack(p, frame);
            append(alt ? le_bytes(p, gsmfr::kFrameParams) : Bytes(frame, frame + sizeof frame));
        }
    } else if (codec == "g729a") {
        const Samples x = padded(pcm, g729::kFrameSamples);
        g729::Encoder enc;
        g729::encoder_init(&enc, g729::Variant::AnnexA);
        for (size_t f = 0; f < x.size(); f += g729::kFrameSamples) {
            int16_t p[g729::kFrameParams], serial[g729::kSerialWords];
            uint8_t frame[g729::kPackedBytes];
            g729::encode(&enc, &x[f], p);
            g729::pack(p, frame);
            g729::params_to_serial(p, serial);
            append(alt ? le_bytes(serial, g729::kSerialWords) : Bytes(frame, frame + sizeof frame));
        }
    } else if (codec == "g722") {  // packed streams hold whole groups of eight codes
        const Samples x = padded(pcm, alt ? 16 : 2);
        g722ex::Encoder enc(rate);
        out.resize(x.size() / 2);
        EXPECT_EQ(enc.encode(x.data(), static_cast<int>(x.size()), out.data()), static_cast<int>(out.size()));
        if (alt) out = g722ex::pack(out.data(), out.size(), g722ex::bits_for_rate(rate));
    } else {
        const Samples x = alt ? padded(pcm, 8) : pcm;
        g726ex::Encoder enc;
        EXPECT_TRUE(
            enc.init(rate, g726ex::Law::Linear, alt ? g726ex::Format::Packed : g726ex::Format::Bytes));
        enc.encode(x.data(), x.size(), out);
        enc.finish(out);
    }
    return out;
}

// The decoding of a default-format stream; G.722 in 20 ms frames of 160 codes from the start of
// the stream, the `lost` ones concealed.
Samples ref_decode(const std::string& codec, int rate, bool alt, const Bytes& stream,
                   const std::vector<bool>& lost) {
    Samples out;
    if (codec == "gsmfr") {
        gsmfr::Decoder dec;
        gsmfr::decoder_init(&dec);
        out.resize(stream.size() / gsmfr::kPackedBytes * gsmfr::kFrameSamples);
        for (size_t f = 0; f * gsmfr::kPackedBytes < stream.size(); ++f) {
            int16_t p[gsmfr::kFrameParams];
            EXPECT_TRUE(gsmfr::unpack(&stream[f * gsmfr::kPackedBytes], p));
            gsmfr::decode(&dec, p, &out[f * gsmfr::kFrameSamples]);
        }
    } else if (codec == "g729a") {
        g729::Decoder dec;
        g729::decoder_init(&dec, g729::Variant::AnnexA);
        out.resize(stream.size() / g729::kPackedBytes * g729::kFrameSamples);
        for (size_t f = 0; f * g729::kPackedBytes < stream.size(); ++f) {
            int16_t p[g729::kFrameParams];
            g729::unpack(&stream[f * g729::kPackedBytes], p);
            g729::decode(&dec, p, false, &out[f * g729::kFrameSamples]);
        }
    } else if (codec == "g722") {
        const Bytes oct =
            alt ? g722ex::unpack(stream.data(), stream.size(), g722ex::bits_for_rate(rate)) : stream;
        g722ex::Decoder dec(rate);
        out.resize(2 * oct.size());
        for (size_t pos = 0, f = 0; pos < oct.size(); pos += 160, ++f) {
            const int n = static_cast<int>(std::min<size_t>(160, oct.size() - pos));
            if (f < lost.size() && lost[f])
                dec.conceal(n, &out[2 * pos]);
            else
                dec.decode(&oct[pos], n, &out[2 * pos]);
        }
    } else {
        g726ex::Decoder dec;
        EXPECT_TRUE(
            dec.init(rate, g726ex::Law::Linear, alt ? g726ex::Format::Packed : g726ex::Format::Bytes));
        dec.decode(stream.data(), stream.size(), out);
    }
    return out;
}

std::string scratch(const std::string& name) {
    return testing::TempDir() + "voks_codec_" + std::to_string(getpid()) + "_" + name;
}

bool write_file(const std::string& path, const void* data, size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    return f && std::fwrite(data, 1, n, f) == n && std::fclose(f) == 0;
}

// Several blocks of every adapter and a partial last frame: 104 999 samples.
TEST(VoksCodec, BlockwiseCodingMatchesTheWholeSignal) {
    const Samples x8 = voksc_test::synthetic_voiced(104999);
    const Samples x16 = voksc_test::synthetic_voiced(2 * 104999);
    const std::string loss_path = scratch("loss.txt");
    const std::string loss = "0 0 1 1 0 x . - 1\n0 0 0 0 0 0 0 0 0 0 0 0 0 0 X 1 1 1 1 1 1 0 1";
    ASSERT_TRUE(write_file(loss_path, loss.data(), loss.size()));
    std::vector<bool> lost;
    for (const char* p = "00110100100000000000000111111101"; *p; ++p) lost.push_back(*p == '1');
    // Decoding is compared for the streams the decoder takes (not GSM parameters, not ITU frames).
    struct Case {
        const char* codec;
        Args args;
        int rate;
        bool alt, decode;
    };
    const Case cases[] = {
        {"gsmfr", {}, 0, false, true},
        {"gsmfr", {{"format", "params"}}, 0, true, false},
        {"g729a", {}, 0, false, true},
        {"g729a", {{"format", "itu"}}, 0, true, false},
        {"g722", {}, 64000, false, true},
        {"g722", {{"rate", "56000"}, {"format", "packed"}, {"loss", loss_path}}, 56000, true, true},
        {"g722", {{"rate", "48000"}, {"format", "packed"}}, 48000, true, true},
        {"g726", {}, 32000, false, true},
        {"g726", {{"rate", "40000"}, {"format", "packed"}}, 40000, true, true},
        {"g726", {{"rate", "24000"}, {"format", "packed"}}, 24000, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " " + (c.args.empty() ? "" : c.args.begin()->second));
        std::string err;
        const Samples& x = std::string(c.codec) == "g722" ? x16 : x8;
        const Bytes pcm = le_bytes(x.data(), x.size());
        const Bytes stream = ref_encode(c.codec, c.rate, c.alt, x);
        EXPECT_EQ(run_coder(c.codec, true, c.args, pcm, err), stream);
        EXPECT_EQ(err, "");
        if (!c.decode) continue;
        const Samples want =
            ref_decode(c.codec, c.rate, c.alt, stream, c.args.count("loss") ? lost : std::vector<bool>{});
        EXPECT_EQ(words(run_coder(c.codec, false, c.args, stream, err)), want);
        EXPECT_EQ(err, "");
        // roundtrip: the decoder pulls the encoder's output block by block.
        const vokscodec::Codec* codec = vokscodec::find_codec(c.codec);
        auto enc = codec->encoder(c.args, err);
        auto dec = codec->decoder(c.args, err);
        ASSERT_TRUE(enc && dec);
        vokscodec::MemoryInput in(pcm.data(), pcm.size());
        vokscodec::MemoryOutput out;
        auto coded = vokscodec::coded_input(*enc, in);
        EXPECT_EQ(vokscodec::run(*dec, *coded, out), "");
        EXPECT_EQ(words(out.bytes), want);
    }
    std::remove(loss_path.c_str());
}

// Streams that end inside a frame, or carry a bad frame, are refused with the frame's place.
TEST(VoksCodec, BadStreamsAreRefused) {
    const Bytes gsm = ref_encode("gsmfr", 0, false, voksc_test::synthetic_voiced(160 * 300));
    Bytes bad_sig = gsm;
    bad_sig[33 * 260] = 0x00;
    Bytes itu = ref_encode("g729a", 0, true, voksc_test::synthetic_voiced(80 * 3));
    itu[2 * 82 * 2] = 0x22;
    struct Case {
        const char* codec;
        Args args;
        Bytes stream;
        const char* error;
    };
    const Case cases[] = {
        {"gsmfr",
         {},
         Bytes(gsm.begin(), gsm.end() - 1),
         "stream length 9899 is not a multiple of the 33-byte frame"},
        {"gsmfr", {}, bad_sig, "frame 260 lacks the 0xD signature of an RFC 3551 GSM frame"},
        {"g729a", {{"format", "itu"}}, itu, "frame 2 is not an ITU serial frame"},
        {"g729a", {}, Bytes(25), "stream length 25 is not a multiple of the 10-byte frame"},
    };
    for (const auto& c : cases) {
        std::string err;
        run_coder(c.codec, false, c.args, c.stream, err);
        EXPECT_NE(err.find(c.error), std::string::npos) << c.codec << ": " << err;
    }
}

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
Bytes chunk(const char* id, uint32_t size, const Bytes& body) {
    Bytes b(id, id + 4);
    put32(b, size);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}
Bytes fmt_body(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes b = {static_cast<uint8_t>(format), static_cast<uint8_t>(format >> 8),
               static_cast<uint8_t>(channels), 0};
    put32(b, rate);
    put32(b, rate * channels * bits / 8);
    b.insert(b.end(), {static_cast<uint8_t>(channels * bits / 8), 0, static_cast<uint8_t>(bits), 0});
    return b;
}
Bytes riff(std::initializer_list<Bytes> chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return chunk("RIFF", static_cast<uint32_t>(body.size()), body);
}

// The reader walks chunks by their sizes: the samples it returns, or the error it gives.
TEST(VoksCodec, WavReaderFollowsTheChunks) {
    const Bytes fmt = chunk("fmt ", 16, fmt_body(1, 1, 8000, 16));
    const Bytes pcm = {1, 0, 2, 0, 3, 0, 4, 0, 5};  // four samples and an odd byte
    struct Case {
        const char* what;
        Bytes file;
        size_t samples;     // when accepted
        const char* error;  // else
    };
    const Case cases[] = {
        {"plain", riff({fmt, chunk("data", 8, Bytes(pcm.begin(), pcm.begin() + 8))}), 4, nullptr},
        {"odd chunk and pad byte first", riff({chunk("LIST", 3, {7, 7, 7, 0}), fmt, chunk("data", 8, pcm)}),
         4, nullptr},
        {"data size unset", riff({fmt, chunk("data", 0xFFFFFFFF, pcm)}), 4, nullptr},
        {"data size past the end", riff({fmt, chunk("data", 1000, Bytes(pcm.begin(), pcm.begin() + 6))}), 3,
         nullptr},
        {"chunk after the data", riff({fmt, chunk("data", 4, pcm)}), 2, nullptr},
        {"extensible format", riff({chunk("fmt ", 16, fmt_body(0xFFFE, 1, 8000, 16)), chunk("data", 2, pcm)}),
         1, nullptr},
        {"not RIFF", Bytes(40, 'R'), 0, "not a RIFF/WAVE file"},
        {"no data", riff({fmt}), 0, "no data chunk"},
        {"pad byte missing", riff({fmt, chunk("LIST", 3, {7, 7, 7})}), 0, "no data chunk"},
        {"data first", riff({chunk("data", 2, {0, 0}), fmt}), 0, "data chunk before fmt chunk"},
        {"truncated chunk", riff({chunk("fmt ", 40, fmt_body(1, 1, 8000, 16))}), 0, "truncated WAV chunk"},
        {"short fmt", riff({chunk("fmt ", 14, Bytes(14, 0)), chunk("data", 0, {})}), 0, "bad fmt chunk"},
        {"8-bit", riff({chunk("fmt ", 16, fmt_body(1, 1, 8000, 8)), chunk("data", 0, {})}), 0,
         "only 16-bit PCM"},
        {"stereo", riff({chunk("fmt ", 16, fmt_body(1, 2, 8000, 16)), chunk("data", 0, {})}), 0, "only mono"},
        {"16 kHz", riff({chunk("fmt ", 16, fmt_body(1, 1, 16000, 16)), chunk("data", 0, {})}), 0,
         "sample rate 16000 Hz, this codec needs 8000 Hz"},
    };
    const std::string path = scratch("in.wav");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(write_file(path, c.file.data(), c.file.size()));
        std::string err;
        auto in = vokscodec::open_pcm_input(path, 8000, vokscodec::PcmFile::ByName, err);
        if (c.error) {
            EXPECT_EQ(in, nullptr);
            EXPECT_NE(err.find(c.error), std::string::npos) << err;
            continue;
        }
        ASSERT_NE(in, nullptr) << err;
        int16_t got[64];
        ASSERT_EQ(in->read_samples(got, 64), c.samples);
        for (size_t i = 0; i < c.samples; ++i) EXPECT_EQ(got[i], static_cast<int16_t>(i + 1));
    }
    std::remove(path.c_str());
}

// A file gets the true sizes (the tests' own WAV reader takes the samples back; a pipe's
// unknown sizes are checked through the program, check_cli.cmake).
TEST(VoksCodec, WavWriterPatchesSizesAndAFailedRunKeepsTheOldFile) {
    const Samples x = voksc_test::synthetic_voiced(70001);  // more than the output buffer
    const std::string path = scratch("out.wav");
    auto file = vokscodec::open_output(path, 8000, vokscodec::PcmFile::ByName, false);
    ASSERT_EQ(file->write_samples(x.data(), x.size()), "");
    ASSERT_EQ(file->finish(), "");
    EXPECT_EQ(voksc_test::read_wav(path, 8000), x);
    Bytes written;
    ASSERT_TRUE(voksc_test::read_bytes(path, written));
    ASSERT_EQ(written.size(), 44 + 2 * x.size());
    auto u32 = [&](size_t p) {
        return written[p] | (written[p + 1] << 8) | (written[p + 2] << 16) | (uint32_t{written[p + 3]} << 24);
    };
    EXPECT_EQ(u32(4), 36 + 2 * x.size());
    EXPECT_EQ(u32(40), 2 * x.size());
    // A failed run leaves an existing file as it was, and creates none where there was none.
    const std::string fresh = scratch("new.wav");
    for (const std::string& p : {path, fresh}) {
        auto failed = vokscodec::open_output(p, 8000, vokscodec::PcmFile::ByName, false);
        ASSERT_EQ(failed->write_samples(x.data(), x.size() / 2), "");
        failed->abandon();
    }
    Bytes after;
    EXPECT_TRUE(voksc_test::read_bytes(path, after) && after == written);
    EXPECT_NE(access(fresh.c_str(), F_OK), 0);
    std::remove(path.c_str());
}

// 10 minutes through roundtrip (encoder feeding decoder) into a counting sink: the heap in use
// stays within a few blocks while the PCM is 9.6 MB each way.
class Sink : public vokscodec::Output {
public:
    std::string write(const uint8_t*, size_t n) override {
        bytes += n;
        peak = std::max(peak, mallinfo2().uordblks);
        return "";
    }
    size_t bytes = 0;
    size_t peak = 0;
};

TEST(VoksCodec, MemoryDoesNotGrowWithTheStream) {
    const size_t samples = 10 * 60 * 8000;
    Samples tone(samples);
    for (size_t i = 0; i < samples; ++i)
        tone[i] = static_cast<int16_t>(8000 * std::sin(0.05 * static_cast<double>(i)));
    const Bytes pcm = le_bytes(tone.data(), samples);
    for (const char* name : {"g726", "gsmfr"}) {
        SCOPED_TRACE(name);
        const vokscodec::Codec* c = vokscodec::find_codec(name);
        std::string err;
        auto enc = c->encoder({}, err);
        auto dec = c->decoder({}, err);
        ASSERT_TRUE(enc && dec);
        const size_t before = mallinfo2().uordblks;
        vokscodec::MemoryInput in(pcm.data(), pcm.size());
        auto coded = vokscodec::coded_input(*enc, in);
        Sink sink;
        ASSERT_EQ(vokscodec::run(*dec, *coded, sink), "");
        EXPECT_EQ(sink.bytes, 2 * samples);
        EXPECT_LT(sink.peak, before + (4 << 20));
    }
}

}  // namespace
