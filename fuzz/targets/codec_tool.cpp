// voks-codec's PCM reader and codec adapters. codec_wav: arbitrary files read as WAV (chunk
// sizes, formats, rates, truncation) or raw samples, in pieces of varying size; whatever the
// reader accepts writes back and reads again to the same samples. codec_stream: the adapters on
// arbitrary coded files with every codec and option value (formats, rates, laws, G.722 loss
// patterns read from a file), and encode-then-decode of arbitrary PCM.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codec.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {
namespace {

// Path of a scratch file named `name` in the process's own folder, removed at exit.
std::string scratch_path(const std::string& name) {
    static struct Folder {
        std::string path = std::filesystem::temp_directory_path() / "voksc-fuzz-XXXXXX";
        Folder() {
            if (!mkdtemp(path.data())) std::abort();
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } folder;
    return folder.path + "/" + name;
}

// Writes `bytes` to the scratch file `name` and returns its path.
std::string scratch_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string p = scratch_path(name);
    FILE* out = std::fopen(p.c_str(), "wb");
    if (!out || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) ||
        std::fclose(out) != 0)
        std::abort();
    return p;
}

// Every sample the reader accepts from a file, in pieces of varying size; false on an error.
bool read_samples(const std::string& path, int rate, std::vector<int16_t>& samples) {
    std::string err;
    auto in = vokscodec::open_pcm_input(path, rate, vokscodec::PcmFile::ByName, err);
    if (!in) return false;
    int16_t buf[700];
    for (size_t piece = 1;; piece = piece * 3 % 701) {
        const size_t n = in->read_samples(buf, piece);
        samples.insert(samples.end(), buf, buf + n);
        if (n < piece) return in->error().empty();
    }
}

}  // namespace

int codec_wav(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    const int rate = (head & 1) ? 16000 : 8000;
    std::vector<uint8_t> file = in.rest();
    if (head & 2) {
        // Most inputs are given a RIFF/WAVE header so the chunk walk is reached.
        const uint8_t riff[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        file.insert(file.begin(), riff, riff + 12);
    }
    const bool wav = (head & 4) == 0;
    const std::string path = scratch_file(wav ? "in.wav" : "in.raw", file);
    std::vector<int16_t> samples;
    if (!read_samples(path, rate, samples)) return 0;
    if (!wav && samples.size() != file.size() / 2) std::abort();
    if (!wav) {
        for (size_t i = 0; i < samples.size(); ++i)
            if (samples[i] != static_cast<int16_t>(file[2 * i] | (file[2 * i + 1] << 8))) std::abort();
    }
    const std::string out = scratch_path(wav ? "out.wav" : "out.raw");
    auto writer = vokscodec::open_output(out, rate, vokscodec::PcmFile::ByName, false);
    if (!writer->write_samples(samples.data(), samples.size()).empty() || !writer->finish().empty())
        std::abort();
    std::vector<int16_t> back;
    if (!read_samples(out, rate, back) || back != samples) std::abort();
    return 0;
}

int codec_stream(const uint8_t* data, size_t size) {
    Input in(data, size);
    // By name: registration order follows the link order.
    std::vector<const vokscodec::Codec*> all;
    for (const auto& c : vokscodec::codecs()) all.push_back(&c);
    if (all.empty()) return 0;
    std::sort(all.begin(), all.end(), [](const vokscodec::Codec* a, const vokscodec::Codec* b) {
        return std::strcmp(a->name, b->name) < 0;
    });
    const uint8_t head = in.u8();
    select_level(head >> 7);
    const vokscodec::Codec& codec = *all[(head & 0x7F) % all.size()];

    // Options: each accepted option gets one of a few values, valid or not.
    static const char* const kValues[] = {"packed", "bytes", "itu",   "params", "linear", "alaw",
                                          "ulaw",   "64000", "56000", "48000",  "40000",  "32000",
                                          "24000",  "16000", "8000",  "",       "x"};
    vokscodec::Args args;
    for (const auto& name : codec.options) {
        const uint8_t k = in.u8();
        if (k & 0x80) continue;  // absent: the default
        if (name == "loss") {
            args[name] = scratch_file("loss.txt", in.bytes(in.u8() % 24));
        } else {
            args[name] = kValues[k % (sizeof kValues / sizeof kValues[0])];
        }
    }
    const uint8_t mode = in.u8();
    std::string err;
    auto decoder = codec.decoder(args, err);
    if (!decoder) return 0;
    vokscodec::MemoryOutput out;
    if (mode & 1) {
        auto encoder = codec.encoder(args, err);
        if (!encoder) return 0;
        const auto bytes = in.bytes(in.u16() % 1200);
        vokscodec::MemoryInput pcm(bytes.data(), bytes.size());
        // Encoder and decoder in steps, as roundtrip runs them.
        auto coded = vokscodec::coded_input(*encoder, pcm);
        vokscodec::run(*decoder, *coded, out);
    } else {
        const auto stream = in.rest();
        vokscodec::MemoryInput coded(stream.data(), stream.size());
        vokscodec::run(*decoder, coded, out);
    }
    return 0;
}

// The G.729 adapters on ITU serial streams built frame by frame from the input: every length
// word the format knows (80, 64, 16, 0), 118 and arbitrary ones, sync words valid, erased or
// arbitrary, bit words 0x007F/0x0081, 0 (an erasure) or arbitrary, and a last frame that may be
// cut; and the encoder at a per-frame rate file of arbitrary words, with or without DTX. A run
// either decodes 80 samples per frame or stops with a one-line error, and it fails exactly
// when a frame is malformed (a length outside 80, 64, 16, 0; 64 to the Annex A decoder; a cut
// frame; a sync word other than 0x6B21 and 0x6B20) or a rate word is not 0 or 1 or the rate
// file is too short.
int codec_g729_itu(const uint8_t* data, size_t size) {
    constexpr size_t kG729Frame = 80;
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 7);
    const bool annex_a = (head & 1) != 0;
    const vokscodec::Codec* codec = vokscodec::find_codec(annex_a ? "g729a" : "g729");
    if (!codec) return 0;
    vokscodec::Args args{{"format", "itu"}};
    std::string err;
    vokscodec::MemoryOutput out;
    auto one_line = [](const std::string& e) {
        if (e.empty() || e.find('\n') != std::string::npos) std::abort();
    };
    if ((head & 2) && !annex_a) {
        // Encoder: a rate file of words mostly 0 or 1, then PCM.
        if (head & 4) args["dtx"] = "on";
        const int words = in.u8() % 40;
        std::vector<uint8_t> rates;
        bool bad = false, high = false;  // 11.8 kbit/s words: whether the coder has that rate
        for (int i = 0; i < words; ++i) {
            const uint8_t k = in.u8();
            const uint16_t v = k < 200 ? k & 1 : (k < 240 ? 2 + (k & 3) : in.u16());
            bad = bad || v > 2;
            high = high || v == 2;
            rates.push_back(static_cast<uint8_t>(v));
            rates.push_back(static_cast<uint8_t>(v >> 8));
        }
        args["rates"] = scratch_file("rates", rates);
        auto encoder = codec->encoder(args, err);
        if (!encoder) std::abort();
        const auto pcm = in.bytes(2 * kG729Frame * (in.u8() % 48));
        const size_t frames = (pcm.size() / 2 + kG729Frame - 1) / kG729Frame;
        vokscodec::MemoryInput pin(pcm.data(), pcm.size());
        err = vokscodec::run(*encoder, pin, out);
        if (bad ? err.empty() : !high && err.empty() != (frames <= static_cast<size_t>(words))) std::abort();
        if (!err.empty()) one_line(err);
        return 0;
    }
    auto decoder = codec->decoder(args, err);
    if (!decoder) std::abort();
    std::vector<uint8_t> stream;
    auto put = [&](uint16_t w) {
        stream.push_back(static_cast<uint8_t>(w));
        stream.push_back(static_cast<uint8_t>(w >> 8));
    };
    size_t frames = 0, last = 0;
    bool good = true, high = false;
    for (int step = 0; step < 40 && !in.empty(); ++step) {
        const uint8_t kind = in.u8();
        // Mostly well-formed frames; one in sixteen erased, of an odd sync or length, or 11.8.
        static const uint16_t kLengths[16] = {80, 80, 80, 80, 80, 64, 64, 64, 64, 16, 16, 16, 0, 0, 0, 80};
        uint16_t sync = 0x6B21, length = kLengths[kind & 15];
        if ((kind & 15) == 15) {
            const uint8_t odd = in.u8();
            if (odd & 1) sync = (odd & 2) ? 0x6B20 : in.u16();
            if (odd & 4) length = (odd & 8) ? 118 : in.u16();
        }
        high = high || length == 118;
        good = good && (sync == 0x6B21 || sync == 0x6B20) &&
               (length == 80 || length == 16 || length == 0 || (length == 64 && !annex_a));
        put(sync);
        put(length);
        last = 4 + 2 * static_cast<size_t>(std::min<int>(length, 200));
        for (int i = 0; i < std::min<int>(length, 200); ++i) {
            const uint8_t b = in.u8();
            put(b < 250 ? ((b & 1) ? 0x0081 : 0x007F) : (b < 253 ? 0 : in.u16()));
        }
        ++frames;
    }
    // Sometimes the last frame is cut (1 byte up to all but one).
    if (last > 0 && in.u8() % 8 == 7) {
        stream.resize(stream.size() - 1 - in.u8() % (last - 1));
        good = false;
    }
    vokscodec::MemoryInput coded(stream.data(), stream.size());
    err = vokscodec::run(*decoder, coded, out);
    if (!high && err.empty() != good) std::abort();
    if (good && out.bytes.size() != frames * 2 * kG729Frame) std::abort();
    if (!err.empty()) one_line(err);
    return 0;
}

}  // namespace voksfuzz
