// voks-codec PCM reader: arbitrary files read as WAV (chunk sizes, formats, rates, truncation)
// or raw samples; whatever it accepts writes back and reads again to the same samples.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec.h"
#include "codec_files.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

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
    vokscodec::Pcm pcm;
    pcm.samples.assign(3, 7);
    const std::string err = vokscodec::read_pcm(path, rate, pcm);
    if (!err.empty()) return 0;
    if (!wav && (pcm.bytes != file || pcm.samples.size() != file.size() / 2)) std::abort();
    const std::string out = scratch_path(wav ? "out.wav" : "out.raw");
    if (!vokscodec::write_pcm(out, rate, pcm).empty()) std::abort();
    vokscodec::Pcm back;
    if (!vokscodec::read_pcm(out, rate, back).empty()) std::abort();
    if (back.samples != pcm.samples) std::abort();
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(codec_wav)
