// voks-codec PCM reader: arbitrary files read as WAV (chunk sizes, formats, rates, truncation)
// or raw samples, in pieces of varying size; whatever it accepts writes back and reads again to the
// same samples.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec.h"
#include "codec_files.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {
namespace {

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

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(codec_wav)
