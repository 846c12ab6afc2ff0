// voks-codec adapter for G.723.1 (6.3 and 5.3 kbit/s, Annex A silence compression); 8 kHz PCM.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "codec.h"
#include "g723/g723_codec.h"

namespace vokscodec {
namespace {

struct Options {
    g723::Rate rate = g723::Rate::R63;
    std::string rates;  // one byte per frame, 0 = 6.3, 1 = 5.3 kbit/s
    bool highpass = true;
    bool vad = false;
    bool postfilter = true;
    std::string crc;  // one 16-bit word per frame, non-zero = erased
};

std::string on_off(const Args& args, const std::string& key, bool& v) {
    const std::string s = arg(args, key, v ? "on" : "off");
    if (s != "on" && s != "off") return "--" + key + " must be on or off (got '" + s + "')";
    v = s == "on";
    return "";
}

std::string parse_encoder(const Args& args, Options& o) {
    const std::string r = arg(args, "rate", "6300");
    if (r == "5300")
        o.rate = g723::Rate::R53;
    else if (r != "6300")
        return "--rate must be 6300 or 5300 (got '" + r + "')";
    o.rates = arg(args, "rates", "");
    if (args.count("rates") != 0 && o.rates.empty()) return "--rates needs a file name";
    if (args.count("rates") != 0 && args.count("rate") != 0) return "--rate and --rates exclude each other";
    o.vad = args.count("vad") != 0;
    return on_off(args, "highpass", o.highpass);
}

std::string parse_decoder(const Args& args, Options& o) {
    o.crc = arg(args, "crc", "");
    if (args.count("crc") != 0 && o.crc.empty()) return "--crc needs a file name";
    return on_off(args, "postfilter", o.postfilter);
}

constexpr size_t kBlockFrames = 500;

class Encoder : public Coder {
public:
    explicit Encoder(const Options& o) : o_(o) { g723::encoder_init(&enc_, o.highpass, o.vad); }

    bool step(Input& in, Output& out, std::string& err) override {
        if (!o_.rates.empty() && !loaded_) {
            loaded_ = true;
            err = read_file(o_.rates, rates_);
            if (!err.empty()) return false;
            for (size_t i = 0; i < rates_.size(); ++i)
                if (rates_[i] > 1) {
                    err = "rate file '" + o_.rates + "': byte " + std::to_string(i) + " is " +
                          std::to_string(rates_[i]) + " (0 = 6300, 1 = 5300 bit/s)";
                    return false;
                }
        }
        const size_t n = in.read_samples(pcm_.data(), kBlockFrames * g723::kFrame);
        if (!in.error().empty()) return false;
        const size_t frames = (n + g723::kFrame - 1) / g723::kFrame;
        std::fill(pcm_.begin() + static_cast<long>(n),
                  pcm_.begin() + static_cast<long>(frames * g723::kFrame), 0);
        size_t used = 0;
        for (size_t f = 0; f < frames; ++f, ++frame_) {
            g723::Rate rate = o_.rate;
            if (!o_.rates.empty()) {
                if (frame_ >= rates_.size()) {
                    err = "the rate file '" + o_.rates + "' has " + std::to_string(rates_.size()) +
                          " bytes, fewer than the input's frames";
                    break;
                }
                rate = rates_[frame_] ? g723::Rate::R53 : g723::Rate::R63;
            }
            used += static_cast<size_t>(
                g723::encode(&enc_, pcm_.data() + f * g723::kFrame, rate, bytes_.data() + used));
        }
        const std::string werr = out.write(bytes_.data(), used);
        if (err.empty()) err = werr;
        return err.empty() && n == kBlockFrames * g723::kFrame;
    }

private:
    Options o_;
    g723::Encoder enc_;
    std::vector<uint8_t> rates_;
    bool loaded_ = false;
    size_t frame_ = 0;
    std::vector<int16_t> pcm_ = std::vector<int16_t>(kBlockFrames * g723::kFrame);
    std::vector<uint8_t> bytes_ = std::vector<uint8_t>(kBlockFrames * g723::kMaxFrameBytes);
};

// Reads frame by frame, the size from the type bits of each frame's first byte.
class Decoder : public Coder {
public:
    explicit Decoder(const Options& o) : o_(o) { g723::decoder_init(&dec_, o.postfilter); }

    bool step(Input& in, Output& out, std::string& err) override {
        if (!o_.crc.empty() && !loaded_) {
            loaded_ = true;
            err = read_file(o_.crc, crc_);
            if (!err.empty()) return false;
        }
        size_t frames = 0;
        bool end = false;
        while (frames < kBlockFrames && !end) {
            uint8_t frame[g723::kMaxFrameBytes] = {};
            if (in.read(frame, 1) != 1) {
                end = true;
                break;
            }
            const size_t size = static_cast<size_t>(g723::frame_bytes(frame[0]));
            if (in.read(frame + 1, size - 1) != size - 1) {
                if (in.error().empty()) err = "frame " + std::to_string(frame_) + " is truncated";
                end = true;
                break;
            }
            bool erased = false;
            if (!o_.crc.empty()) {
                if (2 * frame_ + 1 >= crc_.size()) {
                    err = "the erasure file '" + o_.crc + "' has fewer words than the stream's frames";
                    break;
                }
                erased = (crc_[2 * frame_] | crc_[2 * frame_ + 1]) != 0;
            }
            g723::decode(&dec_, frame, erased, pcm_.data() + frames * g723::kFrame);
            ++frames;
            ++frame_;
        }
        if (!in.error().empty()) return false;
        const std::string werr = out.write_samples(pcm_.data(), frames * g723::kFrame);
        if (err.empty()) err = werr;
        return err.empty() && !end;
    }

private:
    Options o_;
    g723::Decoder dec_;
    std::vector<uint8_t> crc_;
    bool loaded_ = false;
    size_t frame_ = 0;
    std::vector<int16_t> pcm_ = std::vector<int16_t>(kBlockFrames * g723::kFrame);
};

std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    Options o;
    err = parse_encoder(args, o);
    if (!err.empty()) return nullptr;
    return std::make_unique<Encoder>(o);
}

std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    Options o;
    err = parse_decoder(args, o);
    if (!err.empty()) return nullptr;
    return std::make_unique<Decoder>(o);
}

const Registrar kRegister(Codec{
    "g723",
    "ITU-T G.723.1, 6.3 kbit/s MP-MLQ and 5.3 kbit/s ACELP, Annex A silence compression",
    "    --rate R        encode: 6300 (default) or 5300 bit/s\n"
    "    --rates FILE    encode: the rate of each frame, one byte per frame (0 = 6300,\n"
    "                    1 = 5300 bit/s)\n"
    "    --highpass on|off  encode: the input high-pass filter (default on)\n"
    "    --vad           encode with Annex A: SID frames (4 bytes) and untransmitted frames\n"
    "                    (1 byte) for inactive speech\n"
    "    --postfilter on|off  decode: the post-filters (default on)\n"
    "    --crc FILE      decode: one 16-bit little-endian word per frame, non-zero = erased\n"
    "    Streams are packed frames of 24 (6.3), 20 (5.3), 4 (SID) or 1 byte, the size read\n"
    "    from the low two bits of each frame's first byte.\n",
    {"rate", "rates", "highpass", "vad", "postfilter", "crc"},
    8000,
    make_encoder,
    make_decoder,
    Args{},
    6300.0,
});

}  // namespace
}  // namespace vokscodec
