// voks-dsp: the non-codec operations of voksc on speech files: answer-tone detection, G.169
// level control, the two-band QMF bank and echo cancellation.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <voksc.h>

#include "codec.h"
#include "ec/ec_canceller.h"

using namespace vokscodec;

namespace {

constexpr const char* kUsageLine =
    "usage: voks-dsp {tone|alc|split|merge|aec} [options] FILES  (voks-dsp --help)";

void usage(FILE* out) {
    std::fprintf(
        out,
        "usage: voks-dsp tone IN [--form 16s|32f]\n"
        "       voks-dsp alc IN OUT [--target DBM0] [--max-gain DB]\n"
        "       voks-dsp split IN LOW HIGH [--taps 24|48]\n"
        "       voks-dsp merge LOW HIGH OUT\n"
        "       voks-dsp aec FAR MIC OUT [--tail MS] [--structure fullband|subband] [--form 32f|16s]\n"
        "       voks-dsp --help | --version\n\n"
        "tone   prints the time in seconds of each 2100 Hz answer tone with phase reversals\n"
        "       (8000 or 16000 Hz input), one line per detection; --form picks the\n"
        "       fixed-point (16s) or the float (32f, default) detector.\n"
        "alc    G.169 automatic level control: --target is the speech level to reach in dBm0\n"
        "       (at most 6.18; default -19.92), --max-gain the largest gain in dB\n"
        "       (default 11.6). Output samples never exceed full scale.\n"
        "split  two-band QMF analysis (float, --taps 48 default); LOW and HIGH at half the rate.\n"
        "merge  QMF synthesis of LOW and HIGH (48 taps) into OUT at twice their rate.\n"
        "aec    removes the echo of FAR (loudspeaker) from MIC (8000 or 16000 Hz): --tail the\n"
        "       echo path's length, 1 to 256 ms (default 128), --structure the full-band or the\n"
        "       sub-band (default) canceller, --form float (32f, default) or fixed point (16s).\n"
        "       OUT is as long as MIC and lags it by the printed delay_samples; cpu_s is the\n"
        "       processing time in CPU seconds.\n\n"
        "Files ending in .wav are WAV (mono, 16-bit); any other name is raw 16-bit little-endian\n"
        "samples at --rate R Hz (default 8000; for merge, the rate of the bands). '-' is standard\n"
        "input or output (raw). Outputs are WAV or raw by their names, like the inputs.\n"
        "Exit status: 0 done, 1 input or output error, 2 usage error.\n");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "voks-dsp: %s\n", message.c_str());
    return 1;
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "voks-dsp: %s\n%s\n", message.c_str(), kUsageLine);
    return 2;
}

// The sampling rate a WAV header states, or 0 when the file is not a WAV this tool reads.
int wav_rate(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    uint8_t b[4096];
    const size_t n = std::fread(b, 1, sizeof b, f);
    std::fclose(f);
    auto u32 = [&](size_t p) {
        return uint32_t(b[p]) | uint32_t(b[p + 1]) << 8 | uint32_t(b[p + 2]) << 16 | uint32_t(b[p + 3]) << 24;
    };
    if (n < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) return 0;
    for (size_t p = 12; p + 16 <= n;) {
        const uint32_t len = u32(p + 4);
        if (std::memcmp(b + p, "fmt ", 4) == 0 && p + 16 <= n) return static_cast<int>(u32(p + 12));
        if (len > n) return 0;
        p += 8 + len + (len & 1);
    }
    return 0;
}

// A PCM input and its rate: a WAV's own rate, else `rate`.
struct Pcm {
    std::unique_ptr<Input> in;
    int rate = 0;
};

std::string open_pcm(const std::string& path, int rate, Pcm& pcm) {
    std::string err;
    if (is_wav(path, PcmFile::ByName)) {
        rate = wav_rate(path);
        if (rate <= 0) return path + ": not a WAV file this tool reads";
    }
    pcm.rate = rate;
    pcm.in = open_pcm_input(path, rate, PcmFile::ByName, err);
    return pcm.in ? "" : err;
}

// Reads up to n samples; fewer only at the end. Sets err on a read error.
size_t read_block(Input& in, int16_t* dst, size_t n, std::string& err) {
    const size_t got = in.read_samples(dst, n);
    if (got < n && !in.error().empty()) err = in.error();
    return got;
}

int16_t to16(float v) {
    const float r = std::nearbyint(v);
    return static_cast<int16_t>(r > 32767.0f ? 32767.0f : r < -32768.0f ? -32768.0f : r);
}

// Runs the detector one sample per call, so that each detection is dated to its sample.
int run_tone(Pcm& pcm, const std::string& form) {
    if (pcm.rate != 8000 && pcm.rate != 16000)
        return fail("the tone detector runs at 8000 or 16000 Hz, the input is at " +
                    std::to_string(pcm.rate) + " Hz");
    const bool fixed = form == "16s";
    int size = 0;
    if (fixed)
        voksToneDetectGetStateSize_EC_16s(pcm.rate, &size);
    else
        voksToneDetectGetStateSize_EC_32f(pcm.rate, &size);
    std::vector<unsigned char> block(static_cast<size_t>(size));
    auto* s16 = reinterpret_cast<VokToneDetectState_16s*>(block.data());
    auto* s32 = reinterpret_cast<VokToneDetectState_32f*>(block.data());
    if (fixed)
        voksToneDetectInit_EC_16s(s16, pcm.rate);
    else
        voksToneDetectInit_EC_32f(s32, pcm.rate);
    std::vector<int16_t> x(4096);
    uint64_t at = 0;
    std::string err;
    for (;;) {
        const size_t n = read_block(*pcm.in, x.data(), x.size(), err);
        for (size_t i = 0; i < n; ++i, ++at) {
            int flag = 0;
            const float f = x[i];
            if (fixed)
                voksToneDetect_EC_16s(&x[i], 1, &flag, s16);
            else
                voksToneDetect_EC_32f(&f, 1, &flag, s32);
            if (flag) std::printf("%.4f\n", static_cast<double>(at) / pcm.rate);
        }
        if (!err.empty()) return fail(err);
        if (n < x.size()) return 0;
    }
}

int run_alc(Pcm& pcm, Output& out, float target_db, float max_gain) {
    int size = 0;
    voksALCGetStateSize_G169_16s(&size);
    std::vector<unsigned char> block(static_cast<size_t>(size));
    auto* st = reinterpret_cast<VokALCState_G169*>(block.data());
    voksALCInit_G169_16s(st);
    if (voksALCSetLevel_G169_16s(st, target_db, 0.0f) != vokStatusOk ||
        voksALCSetGain_G169_16s(st, max_gain) != vokStatusOk)
        return fail("level control settings refused");
    std::vector<int16_t> x(1600), y(1600);
    std::string err;
    for (;;) {
        const size_t n = read_block(*pcm.in, x.data(), x.size(), err);
        if (!err.empty()) return fail(err);
        if (n > 0) {
            const size_t padded = (n + 7) / 8 * 8;  // a short last block is padded with zeros
            std::fill(x.begin() + static_cast<long>(n), x.begin() + static_cast<long>(padded), int16_t{0});
            voksALC_G169_16s(x.data(), y.data(), static_cast<int>(padded), st);
            const std::string e = out.write_samples(y.data(), n);
            if (!e.empty()) return fail(e);
        }
        if (n < x.size()) return 0;
    }
}

int run_split(Pcm& pcm, Output& low, Output& high, int taps) {
    std::vector<unsigned char> block(208);
    auto* st = reinterpret_cast<VokQMFState_RTA_32f*>(block.data());
    voksQMFInit_RTA_32f(st, taps);
    std::vector<int16_t> x(640), lo16(320), hi16(320);
    std::vector<float> xf(640), lo(320), hi(320);
    std::string err;
    for (;;) {
        const size_t n = read_block(*pcm.in, x.data(), x.size(), err);
        if (!err.empty()) return fail(err);
        if (n > 0) {
            const size_t even = n + n % 2;  // an odd last sample is paired with a zero
            for (size_t i = 0; i < even; ++i) xf[i] = i < n ? x[i] : 0.0f;
            voksQMFEncode_RTA_32f(xf.data(), static_cast<int>(even), lo.data(), hi.data(), st);
            for (size_t k = 0; k < even / 2; ++k) {
                lo16[k] = to16(lo[k]);
                hi16[k] = to16(hi[k]);
            }
            std::string e = low.write_samples(lo16.data(), even / 2);
            if (e.empty()) e = high.write_samples(hi16.data(), even / 2);
            if (!e.empty()) return fail(e);
        }
        if (n < x.size()) return 0;
    }
}

int run_merge(Pcm& low, Pcm& high, Output& out) {
    std::vector<unsigned char> block(208);
    auto* st = reinterpret_cast<VokQMFState_RTA_32f*>(block.data());
    voksQMFInit_RTA_32f(st, 48);
    std::vector<int16_t> l16(320), h16(320), y16(640);
    std::vector<float> lf(320), hf(320), y(640);
    std::string err;
    for (;;) {
        const size_t n = read_block(*low.in, l16.data(), l16.size(), err);
        if (!err.empty()) return fail(err);
        const size_t m = read_block(*high.in, h16.data(), n, err);
        if (!err.empty()) return fail(err);
        if (m != n) return fail("the high band ends before the low band");
        if (n > 0) {
            for (size_t k = 0; k < n; ++k) {
                lf[k] = l16[k];
                hf[k] = h16[k];
            }
            voksQMFDecode_RTA_32f(lf.data(), hf.data(), static_cast<int>(n), y.data(), st);
            for (size_t i = 0; i < 2 * n; ++i) y16[i] = to16(y[i]);
            const std::string e = out.write_samples(y16.data(), 2 * n);
            if (!e.empty()) return fail(e);
        }
        if (n < l16.size()) {
            if (high.in->read_samples(h16.data(), 1) != 0)
                return fail("the low band ends before the high band");
            return 0;
        }
    }
}

// Reads an input to its end.
std::string read_all(Input& in, std::vector<int16_t>& x) {
    std::string err;
    std::vector<int16_t> block(8192);
    for (;;) {
        const size_t n = read_block(in, block.data(), block.size(), err);
        if (!err.empty()) return err;
        x.insert(x.end(), block.begin(), block.begin() + static_cast<long>(n));
        if (n < block.size()) return "";
    }
}

// Cancels the echo of far in mic frame by frame; a far end shorter than mic is continued with
// silence, as is the last partial frame.
int run_aec(Pcm& far, Pcm& mic, Output& out, ecex::Structure structure, ecex::Form form, int tail) {
    if (mic.rate != 8000 && mic.rate != 16000)
        return fail("the echo canceller runs at 8000 or 16000 Hz, MIC is at " + std::to_string(mic.rate) +
                    " Hz");
    if (far.rate != mic.rate) return fail("FAR and MIC have different rates");
    std::vector<int16_t> fx, mx;
    std::string e = read_all(*far.in, fx);
    if (e.empty()) e = read_all(*mic.in, mx);
    if (!e.empty()) return fail(e);
    auto ec = ecex::make_canceller(structure, form, mic.rate, tail);
    if (!ec) return fail("echo canceller settings refused");
    const size_t n = static_cast<size_t>(ec->frame()), length = mx.size();
    const size_t frames = (length + n - 1) / n;
    fx.resize(frames * n, 0);
    mx.resize(frames * n, 0);
    std::vector<int16_t> y(frames * n);
    const std::clock_t t0 = std::clock();
    for (size_t f = 0; f < frames; ++f) ec->process(&fx[f * n], &mx[f * n], &y[f * n]);
    const double cpu = static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
    e = out.write_samples(y.data(), length);
    if (!e.empty()) return fail(e);
    std::printf("cpu_s %.4f\ndelay_samples %d\n", cpu, ec->delay());
    return 0;
}

bool parse_number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0' && std::isfinite(v);
}

// Finishes an output, or removes what a failed run created.
int finish(int status, FileOutput& out) {
    if (status != 0) {
        out.abandon();
        return status;
    }
    const std::string e = out.finish();
    if (!e.empty()) {
        out.abandon();
        return fail(e);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage_error("a command is required");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        usage(stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("voks-dsp, voksc %s\n", vokscGetLibVersion()->version);
        return 0;
    }
    const std::map<std::string, std::vector<std::string>> accepted = {
        {"tone", {"form", "rate"}},
        {"alc", {"target", "max-gain", "rate"}},
        {"split", {"taps", "rate"}},
        {"merge", {"rate"}},
        {"aec", {"tail", "structure", "form", "rate"}}};
    const std::map<std::string, size_t> files = {
        {"tone", 1}, {"alc", 2}, {"split", 3}, {"merge", 3}, {"aec", 3}};
    const auto known = accepted.find(command);
    if (known == accepted.end()) return usage_error("unknown command '" + command + "'");
    Args args;
    std::vector<std::string> paths;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        }
        if (a.rfind("--", 0) == 0) {
            const std::string key = a.substr(2);
            bool ok = false;
            for (const auto& k : known->second) ok = ok || k == key;
            if (!ok) return usage_error("option " + a + " is not known to " + command);
            if (i + 1 >= argc) return usage_error("option " + a + " needs a value");
            args[key] = argv[++i];
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != files.at(command))
        return usage_error(command + " takes " + std::to_string(files.at(command)) + " file names");
    double rate = 8000;
    if (!parse_number(arg(args, "rate", "8000"), rate) || rate < 1 || rate > 192000 ||
        rate != std::floor(rate))
        return usage_error("--rate must be a sampling rate in Hz");

    if (command == "tone") {
        const std::string form = arg(args, "form", "32f");
        if (form != "16s" && form != "32f") return usage_error("--form must be 16s or 32f");
        Pcm pcm;
        const std::string e = open_pcm(paths[0], static_cast<int>(rate), pcm);
        if (!e.empty()) return fail(e);
        return run_tone(pcm, form);
    }
    if (command == "alc") {
        double target = -19.92, gain = 11.6;
        if (args.count("target") && (!parse_number(args["target"], target) || target > 6.18))
            return usage_error("--target must be a level in dBm0 of at most 6.18");
        if (args.count("max-gain") && (!parse_number(args["max-gain"], gain) || gain < 0 || gain > 100))
            return usage_error("--max-gain must be 0 to 100 dB");
        Pcm pcm;
        const std::string e = open_pcm(paths[0], static_cast<int>(rate), pcm);
        if (!e.empty()) return fail(e);
        if (same_file(paths[0], paths[1])) return usage_error("IN and OUT are the same file");
        // dBm0 to dB below 32768 for a level measured as an rms: a 0 dBm0 sine peaks 3.17 dB
        // below full scale and its rms is 3.01 dB lower still.
        const float below = static_cast<float>(6.18 - target);
        auto out = open_output(paths[1], pcm.rate, PcmFile::ByName, false);
        return finish(run_alc(pcm, *out, below, static_cast<float>(gain)), *out);
    }
    if (command == "split") {
        double taps = 48;
        if (!parse_number(arg(args, "taps", "48"), taps) || (taps != 24 && taps != 48))
            return usage_error("--taps must be 24 or 48");
        Pcm pcm;
        const std::string e = open_pcm(paths[0], static_cast<int>(rate), pcm);
        if (!e.empty()) return fail(e);
        if (pcm.rate % 2 != 0) return fail("the input rate must be even to split");
        if (paths[1] == paths[2] || same_file(paths[0], paths[1]) || same_file(paths[0], paths[2]))
            return usage_error("IN, LOW and HIGH must be different files");
        auto low = open_output(paths[1], pcm.rate / 2, PcmFile::ByName, false);
        auto high = open_output(paths[2], pcm.rate / 2, PcmFile::ByName, false);
        const int status = run_split(pcm, *low, *high, static_cast<int>(taps));
        const int a = finish(status, *low);
        if (a != 0) {
            high->abandon();
            return a;
        }
        return finish(status, *high);
    }
    if (command == "aec") {
        double tail = 128;
        if (!parse_number(arg(args, "tail", "128"), tail) || tail < 1 || tail > 256 ||
            tail != std::floor(tail))
            return usage_error("--tail must be 1 to 256 ms");
        const std::string structure = arg(args, "structure", "subband"), form = arg(args, "form", "32f");
        if (structure != "fullband" && structure != "subband")
            return usage_error("--structure must be fullband or subband");
        if (form != "16s" && form != "32f") return usage_error("--form must be 16s or 32f");
        if (same_file(paths[0], paths[2]) || same_file(paths[1], paths[2]))
            return usage_error("OUT must differ from FAR and MIC");
        Pcm far, mic;
        std::string e = open_pcm(paths[0], static_cast<int>(rate), far);
        if (e.empty()) e = open_pcm(paths[1], static_cast<int>(rate), mic);
        if (!e.empty()) return fail(e);
        auto out = open_output(paths[2], mic.rate, PcmFile::ByName, false);
        return finish(run_aec(far, mic, *out,
                              structure == "fullband" ? ecex::Structure::Fullband : ecex::Structure::Subband,
                              form == "16s" ? ecex::Form::Fixed : ecex::Form::Float, static_cast<int>(tail)),
                      *out);
    }
    // merge
    Pcm low, high;
    std::string e = open_pcm(paths[0], static_cast<int>(rate), low);
    if (e.empty()) e = open_pcm(paths[1], static_cast<int>(rate), high);
    if (!e.empty()) return fail(e);
    if (low.rate != high.rate) return fail("the bands have different rates");
    if (same_file(paths[0], paths[2]) || same_file(paths[1], paths[2]))
        return usage_error("OUT must differ from LOW and HIGH");
    auto out = open_output(paths[2], 2 * low.rate, PcmFile::ByName, false);
    return finish(run_merge(low, high, *out), *out);
}
