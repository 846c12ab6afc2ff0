// voks-codec: encode, decode or round-trip speech files with the codecs assembled from voksc,
// or, without arguments, run the demonstration on the bundled speech sample.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

#include <voksc.h>

#include "codec.h"

using namespace vokscodec;

namespace {

constexpr const char* kUsageLine =
    "usage: voks-codec {encode|decode|roundtrip} --codec NAME [options] IN OUT  (voks-codec --help)";

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: voks-codec encode    --codec NAME [options] IN OUT\n"
                 "       voks-codec decode    --codec NAME [options] IN OUT\n"
                 "       voks-codec roundtrip --codec NAME [options] IN OUT\n"
                 "       voks-codec COMMAND --codec NAME --help   (that codec's options)\n"
                 "       voks-codec --help | --version\n"
                 "       voks-codec            (no arguments: demonstration on the bundled speech)\n\n"
                 "PCM files ending in .wav are WAV (mono, 16-bit, at the codec's rate); any other name is\n"
                 "raw 16-bit little-endian samples; --pcm wav|raw overrides the name. IN or OUT '-' is\n"
                 "standard input or output (raw PCM unless --pcm wav). encode reads PCM and writes the\n"
                 "coded stream, decode the reverse, roundtrip reads PCM and writes the decoded PCM.\n"
                 "Exit status: 0 done, 1 input or output error, 2 usage error.\n\n"
                 "codecs:\n");
    if (codecs().empty()) std::fprintf(out, "  (none built)\n");
    for (const auto& c : codecs()) {
        std::fprintf(out, "  %-8s %s (PCM at %d Hz)\n", c.name, c.summary, c.sample_rate);
        std::fprintf(out, "%s", c.option_help);
    }
}

// An input, output or coding error: status 1.
int fail(const std::string& message) {
    std::fprintf(stderr, "voks-codec: %s\n", message.c_str());
    return 1;
}

// A command line that cannot be run: status 2, with the usage line.
int usage_error(const std::string& message) {
    std::fprintf(stderr, "voks-codec: %s\n%s\n", message.c_str(), kUsageLine);
    return 2;
}

// The demonstration speech: installed beside the program (<bindir>/VOKSC_DEMO_SPEECH_REL), or
// the source tree's copy when the program runs from its build folder.
std::string demo_speech_dir() {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    const std::string installed = dir + VOKSC_DEMO_SPEECH_REL;
    if (access((installed + "/speech8k.wav").c_str(), R_OK) == 0) return installed;
    char built[4096];
    if (realpath(VOKSC_DEMO_BUILD_DIR, built) && dir == std::string(built) + "/")
        return VOKSC_DEMO_SPEECH_SOURCE;
    return installed;
}

// Segmental SNR in dB over 10 ms segments, each limited to -10..35 dB, skipping silent ones;
// the decoded signal is aligned to the input by the delay (0..400 samples) of best SNR.
double segmental_snr(const std::vector<int16_t>& ref, const std::vector<int16_t>& out, int rate) {
    const size_t n = std::min(ref.size(), out.size());
    int best_delay = 0;
    double best = -1e300;
    for (int d = 0; d <= 400 && static_cast<size_t>(d) < n; ++d) {
        double e = 0, s = 0;
        for (size_t i = 0; i + d < n; ++i) {
            const double diff = double(out[i + d]) - ref[i];
            e += diff * diff;
            s += double(ref[i]) * ref[i];
        }
        const double snr = 10 * std::log10((s + 1) / (e + 1));
        if (snr > best) {
            best = snr;
            best_delay = d;
        }
    }
    const size_t seg = static_cast<size_t>(rate / 100);
    double total = 0;
    int count = 0;
    for (size_t start = 0; start + seg + best_delay <= n; start += seg) {
        double e = 0, s = 0;
        for (size_t i = start; i < start + seg; ++i) {
            const double diff = double(out[i + best_delay]) - ref[i];
            e += diff * diff;
            s += double(ref[i]) * ref[i];
        }
        if (s < seg * 100.0) continue;  // silence
        double snr = 10 * std::log10((s + 1e-9) / (e + 1e-9));
        snr = std::max(-10.0, std::min(35.0, snr));
        total += snr;
        ++count;
    }
    return count ? total / count : 0;
}

// Copies an input whole into memory.
std::string run_copy(Input& in, MemoryOutput& out) {
    uint8_t buf[65536];
    size_t n;
    while ((n = in.read(buf, sizeof buf)) > 0) out.write(buf, n);
    return in.error();
}

std::vector<int16_t> samples_of(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

int demo() {
    const VokLibraryVersion* v = vokscGetLibVersion();
    std::printf("voksc %s: %s, built %s; kernels: %s\n", v->version, v->name, v->buildDate,
                __builtin_cpu_supports("avx2") ? "AVX2" : "scalar");
    if (codecs().empty()) {
        std::printf("no codecs are built yet\n");
        return 0;
    }
    std::printf("%-8s %-28s %10s %10s %12s\n", "codec", "settings", "kbit/s", "segSNR dB", "x real time");
    const std::string dir = demo_speech_dir();
    for (const auto& c : codecs()) {
        if (c.demo_bitrate <= 0) continue;  // a codec whose encoder is not built yet
        const std::string path = dir + "/speech" + std::to_string(c.sample_rate / 1000) + "k.wav";
        std::string err;
        auto file = open_pcm_input(path, c.sample_rate, PcmFile::ByName, err);
        MemoryOutput speech;
        if (file) err = run_copy(*file, speech);
        if (!err.empty()) return fail("demonstration speech: " + err);
        MemoryInput in(speech.bytes.data(), speech.bytes.size());
        MemoryOutput stream, out;
        const auto t0 = std::chrono::steady_clock::now();
        auto enc = c.encoder(c.demo_args, err);
        if (enc) err = run(*enc, in, stream);
        MemoryInput coded(stream.bytes.data(), stream.bytes.size());
        auto dec = err.empty() ? c.decoder(c.demo_args, err) : nullptr;
        if (dec) err = run(*dec, coded, out);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!err.empty()) return fail(std::string(c.name) + ": " + err);
        std::string settings;
        for (const auto& [k, val] : c.demo_args) settings += "--" + k + " " + val + " ";
        const std::vector<int16_t> ref = samples_of(speech.bytes), decoded = samples_of(out.bytes);
        const double audio = double(ref.size()) / c.sample_rate;
        std::printf("%-8s %-28s %10.2f %10.2f %12.0f\n", c.name, settings.c_str(), c.demo_bitrate / 1000,
                    segmental_snr(ref, decoded, c.sample_rate), audio / secs);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) return demo();
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        usage(stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("voks-codec, voksc %s\n", vokscGetLibVersion()->version);
        return 0;
    }
    if (command != "encode" && command != "decode" && command != "roundtrip")
        return usage_error("unknown command '" + command + "'");
    Args args;
    std::vector<std::string> files;
    std::string codec_name;
    PcmFile pcm_file = PcmFile::ByName;
    bool help = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--dtx") {
            args["dtx"] = "on";  // a switch: takes no value
        } else if (a == "--vad") {
            // a switch, or the VAD option number (1 or 2) of the codecs that have two
            const bool option =
                i + 1 < argc && (std::string(argv[i + 1]) == "1" || std::string(argv[i + 1]) == "2");
            args["vad"] = option ? argv[++i] : "on";
        } else if (a.rfind("--", 0) == 0) {
            if (i + 1 >= argc) return usage_error("option " + a + " needs a value");
            const std::string value = argv[++i];
            if (a == "--codec") {
                codec_name = value;
            } else if (a == "--pcm") {
                if (value != "wav" && value != "raw") return usage_error("--pcm must be wav or raw");
                pcm_file = value == "wav" ? PcmFile::Wav : PcmFile::Raw;
            } else {
                args[a.substr(2)] = value;
            }
        } else {
            files.push_back(a);
        }
    }
    if (codec_name.empty() && help) {
        usage(stdout);
        return 0;
    }
    if (codec_name.empty()) return usage_error("--codec is required");
    const Codec* codec = find_codec(codec_name);
    if (!codec) return usage_error("unknown codec '" + codec_name + "'");
    if (help) {
        std::printf("voks-codec %s --codec %s [options] IN OUT\n  %s (PCM at %d Hz)\noptions:\n%s",
                    command.c_str(), codec->name, codec->summary, codec->sample_rate, codec->option_help);
        return 0;
    }
    for (const auto& [key, value] : args) {
        bool known = false;
        for (const auto& o : codec->options) known = known || o == key;
        if (!known) return usage_error("option --" + key + " is not known to codec " + codec_name);
    }
    if (files.size() != 2) return usage_error("expected an input and an output file");
    std::string err;
    auto encoder = codec->encoder(args, err);  // checks the options
    if (!encoder) return usage_error(err);
    const int pcm_rate = codec->rate_for ? codec->rate_for(args) : codec->sample_rate;
    const std::string& in_path = files[0];
    const std::string& out_path = files[1];
    // An output that is also the input is written once the input has been read.
    const bool hold = same_file(in_path, out_path);

    std::unique_ptr<FileOutput> out;
    if (command == "decode") {
        auto in = open_input(in_path, err);
        auto decoder = in ? codec->decoder(args, err) : nullptr;
        if (!decoder) return fail(err);
        out = open_output(out_path, pcm_rate, pcm_file, hold);
        err = run(*decoder, *in, *out);
    } else {
        auto in = open_pcm_input(in_path, pcm_rate, pcm_file, err);
        if (!in) return fail(err);
        if (command == "encode") {
            out = open_output(out_path, pcm_rate, PcmFile::Raw, hold);
            err = run(*encoder, *in, *out);
        } else {
            auto decoder = codec->decoder(args, err);
            if (!decoder) return fail(err);
            auto coded = coded_input(*encoder, *in);
            out = open_output(out_path, pcm_rate, pcm_file, hold);
            err = run(*decoder, *coded, *out);
        }
    }
    if (err.empty()) err = out->finish();
    if (err.empty() && encoder->padded() > 0)
        std::fprintf(stderr,
                     "voks-codec: the input ends in a partial frame, padded with %llu samples of silence\n",
                     static_cast<unsigned long long>(encoder->padded()));
    if (err.empty()) return 0;
    out->abandon();
    return fail(err);
}
