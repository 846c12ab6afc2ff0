// voks-aec: echo cancellation of a microphone recording given the far-end (loudspeaker) signal.
//
//   voks-aec FAR MIC OUT [--rate 8000|16000] [--tail MS] [--structure fullband|subband]
//                        [--form 32f|16s]
//
// FAR and MIC are 16-bit mono WAV files or raw 16-bit little-endian PCM at --rate (default
// 8000; a WAV header's rate overrides it). OUT is as long as MIC, in MIC's format. Defaults: the
// sub-band structure, float (32f), a 128 ms tail. Prints the CPU seconds of the processing loop
// ("cpu_s") and the output's lag ("delay_samples").
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "ec/ec_canceller.h"

namespace {

struct Audio {
    std::vector<int16_t> pcm;
    std::vector<unsigned char> header;  // a WAV file's bytes before its samples
    int rate = 0;
};

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool read_audio(const char* path, Audio& a) {
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + got);
    std::fclose(f);
    size_t data = 0, len = bytes.size();
    if (bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
        std::memcmp(bytes.data() + 8, "WAVE", 4) == 0) {
        size_t p = 12;
        bool fmt_ok = false;
        while (p + 8 <= bytes.size()) {
            const uint32_t size = le32(&bytes[p + 4]);
            if (std::memcmp(&bytes[p], "fmt ", 4) == 0 && size >= 16 && p + 8 + 16 <= bytes.size()) {
                fmt_ok = le16(&bytes[p + 8]) == 1 && le16(&bytes[p + 10]) == 1 && le16(&bytes[p + 22]) == 16;
                a.rate = static_cast<int>(le32(&bytes[p + 12]));
            } else if (std::memcmp(&bytes[p], "data", 4) == 0) {
                data = p + 8;
                len = std::min<size_t>(size, bytes.size() - data);
                break;
            }
            p += 8 + size + (size & 1);
        }
        if (!fmt_ok || data == 0) return false;
        a.header.assign(bytes.begin(), bytes.begin() + static_cast<long>(data));
    }
    a.pcm.resize(len / 2);
    for (size_t i = 0; i < a.pcm.size(); ++i) a.pcm[i] = static_cast<int16_t>(le16(&bytes[data + 2 * i]));
    return true;
}

bool write_audio(const char* path, const Audio& like, const std::vector<int16_t>& pcm) {
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    std::vector<unsigned char> h = like.header;
    if (h.size() >= 8) {
        const uint32_t data = static_cast<uint32_t>(pcm.size() * 2);
        const uint32_t riff = static_cast<uint32_t>(h.size() - 8 + data);
        for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<unsigned char>(riff >> (8 * i));
        for (int i = 0; i < 4; ++i) h[h.size() - 4 + i] = static_cast<unsigned char>(data >> (8 * i));
    }
    std::vector<unsigned char> out(h);
    for (int16_t v : pcm) {
        out.push_back(static_cast<unsigned char>(v & 0xFF));
        out.push_back(static_cast<unsigned char>((static_cast<uint16_t>(v) >> 8) & 0xFF));
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

int usage() {
    std::fprintf(stderr,
                 "usage: voks-aec FAR MIC OUT [--rate 8000|16000] [--tail MS] "
                 "[--structure fullband|subband] [--form 32f|16s]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage();
    int rate = 8000, tail = 128;
    ecex::Structure structure = ecex::Structure::Subband;
    ecex::Form form = ecex::Form::Float;
    for (int i = 4; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string v = argv[++i];
        if (a == "--rate")
            rate = std::atoi(v.c_str());
        else if (a == "--tail")
            tail = std::atoi(v.c_str());
        else if (a == "--structure" && (v == "fullband" || v == "subband"))
            structure = v == "fullband" ? ecex::Structure::Fullband : ecex::Structure::Subband;
        else if (a == "--form" && (v == "32f" || v == "16s"))
            form = v == "32f" ? ecex::Form::Float : ecex::Form::Fixed;
        else
            return usage();
    }
    Audio far, mic;
    if (!read_audio(argv[1], far) || !read_audio(argv[2], mic)) {
        std::fprintf(stderr, "voks-aec: cannot read %s or %s as 16-bit mono PCM\n", argv[1], argv[2]);
        return 1;
    }
    if (mic.rate != 0) rate = mic.rate;
    auto ec = ecex::make_canceller(structure, form, rate, tail);
    if (!ec) {
        std::fprintf(stderr, "voks-aec: unsupported settings (rate 8000 or 16000, tail 1..256 ms)\n");
        return 1;
    }
    const size_t n = static_cast<size_t>(ec->frame());
    const size_t frames = (mic.pcm.size() + n - 1) / n;
    std::vector<int16_t> fx(frames * n, 0), mx(frames * n, 0), out(frames * n);
    std::copy(far.pcm.begin(), far.pcm.begin() + static_cast<long>(std::min(far.pcm.size(), fx.size())),
              fx.begin());
    std::copy(mic.pcm.begin(), mic.pcm.end(), mx.begin());
    const std::clock_t t0 = std::clock();
    for (size_t f = 0; f < frames; ++f) ec->process(&fx[f * n], &mx[f * n], &out[f * n]);
    const double cpu = static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
    out.resize(mic.pcm.size());
    if (!write_audio(argv[3], mic, out)) {
        std::fprintf(stderr, "voks-aec: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("cpu_s %.4f\ndelay_samples %d\n", cpu, ec->delay());
    return 0;
}
