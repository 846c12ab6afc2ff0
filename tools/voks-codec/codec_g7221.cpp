// voks-codec adapter for G.722.1: 7 kHz (16 kHz PCM) at 24 or 32 kbit/s and 14 kHz (32 kHz PCM)
// at 24, 32 or 48 kbit/s, in the ITU G.192 word format or as RFC 5577 payload bytes.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "codec.h"
#include "g7221/g7221_codec.h"

namespace vokscodec {
namespace {

constexpr uint16_t kSync = 0x6B21, kSyncErased = 0x6B20, kZero = 0x007F, kOne = 0x0081;
constexpr int kFramesPerStep = 50;

struct Settings {
    int rate = 0, bandwidth = 0, bits = 0, samples = 0;
    bool itu = true;
};

int to_int(const std::string& s) {
    try {
        size_t used = 0;
        const int v = std::stoi(s, &used);
        return used == s.size() ? v : 0;
    } catch (...) {
        return 0;
    }
}

std::string parse(const Args& args, Settings& s) {
    const std::string b = arg(args, "bandwidth", "7000");
    s.bandwidth = to_int(b);
    if (s.bandwidth != 7000 && s.bandwidth != 14000)
        return "--bandwidth must be 7000 or 14000 (got '" + b + "')";
    const std::string r = arg(args, "rate", "32000");
    s.rate = to_int(r);
    s.bits = g7221ex::frame_bits(s.rate, s.bandwidth);
    if (!s.bits)
        return s.bandwidth == 7000 ? "--rate must be 24000 or 32000 at 7000 Hz bandwidth (got '" + r + "')"
                                   : "--rate must be 24000, 32000 or 48000 (got '" + r + "')";
    s.samples = g7221ex::frame_samples(s.bandwidth);
    const std::string f = arg(args, "format", "itu");
    if (f != "itu" && f != "packed") return "--format must be itu or packed (got '" + f + "')";
    s.itu = f == "itu";
    return "";
}

int pcm_rate(const Args& args) {
    return arg(args, "bandwidth", "7000") == "14000" ? 32000 : 16000;
}

// Bytes of one coded frame in the stream.
size_t frame_bytes(const Settings& s) {
    return s.itu ? 2 * (2 + size_t(s.bits)) : size_t(s.bits) / 8;
}

class Encoder : public Coder {
public:
    explicit Encoder(const Settings& s) : s_(s) { ok = enc_.init(s.rate, s.bandwidth); }
    bool ok;

    bool step(Input& in, Output& out, std::string& err) override {
        bytes_.clear();
        bool more = true;
        for (int f = 0; f < kFramesPerStep && more; ++f) {
            int16_t pcm[g7221ex::kMaxFrameSamples] = {};
            const size_t n = in.read_samples(pcm, size_t(s_.samples));
            if (!in.error().empty()) return false;
            more = n == size_t(s_.samples);
            if (n == 0) break;  // a partial last frame is coded padded with silence
            uint16_t words[g7221ex::kMaxFrameWords];
            enc_.encode(pcm, words);
            put(words);
        }
        err = out.write(bytes_.data(), bytes_.size());
        return err.empty() && more;
    }

private:
    void word(uint16_t w) {
        bytes_.push_back(static_cast<uint8_t>(w & 0xFF));
        bytes_.push_back(static_cast<uint8_t>(w >> 8));
    }
    void put(const uint16_t* words) {
        if (!s_.itu) {  // RFC 5577: the frame's bits in order, most significant bit first
            for (int i = 0; i < s_.bits / 16; ++i) {
                bytes_.push_back(static_cast<uint8_t>(words[i] >> 8));
                bytes_.push_back(static_cast<uint8_t>(words[i] & 0xFF));
            }
            return;
        }
        word(kSync);
        word(static_cast<uint16_t>(s_.bits));
        for (int i = 0; i < s_.bits; ++i) word((words[i / 16] >> (15 - i % 16)) & 1 ? kOne : kZero);
    }

    Settings s_;
    g7221ex::Encoder enc_;
    std::vector<uint8_t> bytes_;
};

class Decoder : public Coder {
public:
    explicit Decoder(const Settings& s) : s_(s) { ok = dec_.init(s.rate, s.bandwidth); }
    bool ok;

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t fb = frame_bytes(s_);
        std::vector<uint8_t> frame(fb);
        pcm_.clear();
        bool more = true;
        for (int f = 0; f < kFramesPerStep && more; ++f) {
            const size_t n = in.read(frame.data(), fb);
            if (!in.error().empty()) return false;
            if (n == 0) {
                more = false;
                break;
            }
            ++frame_;
            if (n < fb) {
                err = "frame " + std::to_string(frame_) + " is truncated (" + std::to_string(n) + " of " +
                      std::to_string(fb) + " bytes)";
                break;
            }
            uint16_t words[g7221ex::kMaxFrameWords] = {};
            const bool good =
                s_.itu ? unpack_itu(frame.data(), words, err) : unpack_packed(frame.data(), words);
            if (!err.empty()) break;
            const size_t at = pcm_.size();
            pcm_.resize(at + size_t(s_.samples));
            dec_.decode(good ? words : nullptr, pcm_.data() + at);
        }
        const std::string werr = out.write_samples(pcm_.data(), pcm_.size());
        if (err.empty()) err = werr;
        return err.empty() && more;
    }

private:
    static uint16_t le(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

    // A G.192 frame: false for an erased frame (sync 0x6B20, or a bit word that is neither 0x007F
    // nor 0x0081); a sync or length word that does not fit the options is an error.
    bool unpack_itu(const uint8_t* p, uint16_t* words, std::string& err) const {
        const uint16_t sync = le(p), length = le(p + 2);
        if (sync != kSync && sync != kSyncErased) {
            err = "frame " + std::to_string(frame_) + ": no G.192 sync word (0x6B21 or 0x6B20)";
            return false;
        }
        if (length != s_.bits) {
            err = "frame " + std::to_string(frame_) + ": length word " + std::to_string(length) +
                  " does not match " + std::to_string(s_.bits) + " bits per frame";
            return false;
        }
        bool good = sync == kSync;
        for (int i = 0; i < s_.bits && good; ++i) {
            const uint16_t b = le(p + 4 + 2 * i);
            good = b == kOne || b == kZero;
            if (b == kOne) words[i / 16] = static_cast<uint16_t>(words[i / 16] | (0x8000 >> (i % 16)));
        }
        return good;
    }
    bool unpack_packed(const uint8_t* p, uint16_t* words) const {
        for (int i = 0; i < s_.bits / 16; ++i)
            words[i] = static_cast<uint16_t>((p[2 * i] << 8) | p[2 * i + 1]);
        return true;
    }

    Settings s_;
    g7221ex::Decoder dec_;
    std::vector<int16_t> pcm_;
    uint64_t frame_ = 0;
};

template <class C>
std::unique_ptr<Coder> make(const Args& args, std::string& err) {
    Settings s;
    err = parse(args, s);
    if (!err.empty()) return nullptr;
    auto coder = std::make_unique<C>(s);
    if (!coder->ok) {
        err = "G.722.1 set-up failed";
        return nullptr;
    }
    return coder;
}

const Registrar kRegister(Codec{
    "g7221",
    "ITU-T G.722.1 transform coder, 7 kHz at 24/32 kbit/s, 14 kHz at 24/32/48 kbit/s",
    "    --rate R        24000, 32000 (default) or, at 14000 Hz bandwidth, 48000 bit/s\n"
    "    --bandwidth B   7000 (default; PCM at 16000 Hz) or 14000 (PCM at 32000 Hz)\n"
    "    --format F      itu (default): G.192 words (sync 0x6B21, 0x6B20 for an erased frame,\n"
    "                    the length, one word per bit: 0x007F or 0x0081); packed: RFC 5577\n"
    "                    payload bytes, rate / 400 per frame\n",
    {"rate", "bandwidth", "format"},
    16000,
    make<Encoder>,
    make<Decoder>,
    Args{{"rate", "24000"}, {"format", "packed"}},
    24000.0,
    pcm_rate,
});

}  // namespace
}  // namespace vokscodec
