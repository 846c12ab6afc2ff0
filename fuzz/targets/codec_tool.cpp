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

}  // namespace voksfuzz
