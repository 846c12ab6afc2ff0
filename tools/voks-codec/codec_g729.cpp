// voks-codec adapters for G.729 (8, 6.4 and 11.8 kbit/s) and G.729 Annex A (8 kbit/s); 8 kHz PCM.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codec.h"
#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_dtx.h"
#include "g729/g729_frame_e.h"

namespace vokscodec {
namespace {

enum class Format { Packed, Itu };

struct Options {
    Format format = Format::Packed;
    bool dtx = false;
    g729::Rate rate = g729::Rate::Full;  // fixed rate, unless rates names a per-frame rate file
    std::string rates;
};

std::string parse(const Args& args, Options& o) {
    const std::string f = arg(args, "format", "packed");
    if (f == "packed")
        o.format = Format::Packed;
    else if (f == "itu")
        o.format = Format::Itu;
    else
        return "--format must be packed or itu (got '" + f + "')";
    o.dtx = args.count("dtx") != 0;
    if (o.dtx && o.format == Format::Packed)
        return "--dtx needs --format itu (packed frames cannot carry SID or untransmitted frames)";
    o.rates = arg(args, "rates", "");
    if (args.count("rates") != 0 && o.rates.empty()) return "--rates needs a file name";
    if (args.count("rate") != 0) {
        if (!o.rates.empty()) return "--rate and --rates exclude each other";
        const std::string r = arg(args, "rate", "");
        if (r == "6400")
            o.rate = g729::Rate::Low;
        else if (r == "11800")
            o.rate = g729::Rate::High;
        else if (r != "8000")
            return "--rate must be 6400, 8000 or 11800 (got '" + r + "')";
    }
    if (!o.rates.empty() && o.format == Format::Packed)
        return "--rates needs --format itu (packed frames do not carry their rate)";
    return "";
}

// Reads a per-frame rate file: 16-bit little-endian words, 0 = 6.4, 1 = 8, 2 = 11.8 kbit/s.
std::string read_rates(const std::string& path, std::vector<g729::Rate>& rates) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return "cannot read the rate file '" + path + "'";
    const std::vector<char> bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    if (f.bad()) return "cannot read the rate file '" + path + "'";
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const int v = static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
        if (v > 2)
            return "rate file '" + path + "': word " + std::to_string(i / 2) + " is " + std::to_string(v) +
                   " (0 = 6.4, 1 = 8, 2 = 11.8 kbit/s)";
        rates.push_back(v == 0 ? g729::Rate::Low : (v == 1 ? g729::Rate::Full : g729::Rate::High));
    }
    return "";
}

int serial_words(g729::Rate rate) {
    if (rate == g729::Rate::High) return g729::kSerialWordsHigh;
    return rate == g729::Rate::Low ? g729::kSerialWordsLow : g729::kSerialWords;
}

constexpr size_t kBlockFrames = 500;  // 5 s per step
constexpr size_t kItuFrameBytes = 2 * g729::kSerialWordsHigh;

size_t frame_bytes(Format format, g729::Rate rate) {
    if (format == Format::Itu) return kItuFrameBytes;
    if (rate == g729::Rate::High) return g729::kPackedBytesHigh;
    return rate == g729::Rate::Low ? g729::kPackedBytesLow : g729::kPackedBytes;
}

class Encoder : public Coder {
public:
    Encoder(g729::Variant variant, const Options& o) : o_(o) {
        g729::dtx_encoder_init(&enc_, variant, o.dtx);
    }

    bool step(Input& in, Output& out, std::string& err) override {
        if (!o_.rates.empty() && !rates_loaded_) {
            rates_loaded_ = true;
            err = read_rates(o_.rates, rates_);
            if (!err.empty()) return false;
        }
        const size_t n = in.read_samples(pcm_, kBlockFrames * g729::kFrameSamples);
        if (!in.error().empty()) return false;
        // The last frame is completed with silence.
        const size_t frames = (n + g729::kFrameSamples - 1) / g729::kFrameSamples;
        std::fill(pcm_ + n, pcm_ + frames * g729::kFrameSamples, int16_t{0});
        padded_ += frames * g729::kFrameSamples - n;
        uint8_t* dst = bytes_;
        for (size_t f = 0; f < frames; ++f, ++frame_) {
            g729::Rate rate = o_.rate;
            if (!o_.rates.empty()) {
                if (frame_ >= rates_.size()) {
                    err = "the rate file '" + o_.rates + "' has " + std::to_string(rates_.size()) +
                          " words, fewer than the input's frames";
                    break;
                }
                rate = rates_[frame_];
            }
            int16_t params[g729::kFrameParamsHigh];
            bool ok = true;
            const g729::FrameType type =
                g729::encode_dtx(&enc_, pcm_ + f * g729::kFrameSamples, params, &ok, rate);
            if (o_.format == Format::Packed) {
                if (rate == g729::Rate::High) {
                    g729::pack_high(params, dst);
                } else {
                    g729::pack(params, dst, rate);
                }
                dst += frame_bytes(Format::Packed, rate);
            } else if (type == g729::kSpeech) {
                int16_t serial[g729::kSerialWordsHigh];
                if (rate == g729::Rate::High) {
                    g729::params_to_serial_high(params, serial);
                } else {
                    g729::params_to_serial(params, serial, rate);
                }
                dst = put_words(serial, serial_words(rate), dst);
            } else {
                int16_t serial[g729::kSerialWords];
                dst = put_words(serial, g729::frame_to_serial(type, params, serial), dst);
            }
        }
        const std::string werr = out.write(bytes_, static_cast<size_t>(dst - bytes_));
        if (err.empty()) err = werr;
        return err.empty() && n == kBlockFrames * g729::kFrameSamples;
    }

private:
    static uint8_t* put_words(const int16_t* words, int count, uint8_t* dst) {
        for (int i = 0; i < count; ++i) {
            dst[2 * i] = static_cast<uint8_t>(words[i]);
            dst[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(words[i]) >> 8);
        }
        return dst + 2 * count;
    }

    Options o_;
    std::vector<g729::Rate> rates_;
    bool rates_loaded_ = false;
    size_t frame_ = 0;
    g729::DtxEncoder enc_;
    int16_t pcm_[kBlockFrames * g729::kFrameSamples];
    uint8_t bytes_[kBlockFrames * kItuFrameBytes];
};

// Reads frame by frame: an ITU frame's header (sync and length words) precedes its bits, and its
// length gives the frame type and rate (80 speech, 64 speech at 6.4 kbit/s, 16 SID, 0 untransmitted).
class Decoder : public Coder {
public:
    Decoder(g729::Variant variant, const Options& o) : format_(o.format), packed_rate_(o.rate) {
        g729::dtx_decoder_init(&dtx_, variant);
    }

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t fb = frame_bytes(format_, packed_rate_);
        // A packed file of known length is checked whole before anything is decoded.
        if (format_ == Format::Packed && frame_ == 0 && in.remaining() >= 0 && in.remaining() % fb != 0) {
            err = length_error(static_cast<uint64_t>(in.remaining()), fb);
            return false;
        }
        size_t frames = 0;
        bool end = false;
        while (frames < kBlockFrames && !end && err.empty()) {
            int16_t* pcm = pcm_ + frames * g729::kFrameSamples;
            if (!read_frame(in, end, err)) break;
            if (format_ == Format::Packed) {
                g729::decode(&dtx_.dec, params_, false, pcm, packed_rate_);
            } else {
                g729::decode_dtx(&dtx_, type_, params_, erased_, pcm, rate_);
            }
            ++frames;
            ++frame_;
        }
        if (!in.error().empty()) return false;
        const std::string werr = out.write_samples(pcm_, frames * g729::kFrameSamples);
        if (err.empty()) err = werr;
        return err.empty() && !end;
    }

private:
    // Reads one frame; false at the end of the stream (`end` set) or on an error.
    bool read_frame(Input& in, bool& end, std::string& err) {
        uint8_t frame[kItuFrameBytes];
        if (format_ == Format::Packed) {
            const size_t fb = frame_bytes(format_, packed_rate_);
            const size_t n = in.read(frame, fb);
            end = n < fb;
            if (end) {
                if (n > 0) err = length_error(in.consumed(), fb);
                return false;
            }
            if (packed_rate_ == g729::Rate::High) {
                g729::unpack_high(frame, params_);
            } else {
                g729::unpack(frame, params_, packed_rate_);
            }
            return true;
        }
        size_t n = in.read(frame, 4);
        end = n < 4;
        if (end) {
            if (n > 0) err = truncated();
            return false;
        }
        const int16_t sync = static_cast<int16_t>(frame[0] | (frame[1] << 8));
        const int16_t length = static_cast<int16_t>(frame[2] | (frame[3] << 8));
        const bool low = length == g729::kFrameBitsLow;
        const bool high = length == g729::kFrameBitsHigh;
        if ((sync != g729::kSyncWord && sync != g729::kSyncErased) ||
            (length != g729::kFrameBits && !low && !high && length != g729::kSidSerialBits && length != 0)) {
            err = "frame " + std::to_string(frame_) +
                  " is not an ITU serial frame (sync 0x6B21 or 0x6B20, length 80, 64, 118, 16 or 0)";
            return false;
        }
        if ((low || high) && dtx_.dec.variant != g729::Variant::Main) {
            err = "frame " + std::to_string(frame_) + ": " + (low ? "6.4" : "11.8") +
                  " kbit/s frames (length " + std::to_string(length) + ") need --codec g729";
            return false;
        }
        const size_t fb = 4 + 2 * static_cast<size_t>(length);
        n += in.read(frame + 4, fb - 4);
        if (n < fb) {
            end = true;
            err = truncated();
            return false;
        }
        int16_t serial[g729::kSerialWordsHigh];
        for (size_t i = 0; i < fb / 2; ++i)
            serial[i] = static_cast<int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
        const g729::Rate prev = rate_;
        rate_ = low ? g729::Rate::Low : (high ? g729::Rate::High : g729::Rate::Full);
        type_ = g729::kSpeech;
        if (low) {
            erased_ = g729::serial_to_params(serial, params_, rate_);
        } else if (high) {
            erased_ = g729::serial_to_params_high(serial, params_);
        } else {
            erased_ = g729::serial_to_frame(serial, &type_, params_);
        }
        // A lost or inactive frame keeps the rate of the frame before it (its concealment continues
        // that frame).
        if (erased_ || type_ != g729::kSpeech) rate_ = prev;
        return true;
    }

    static std::string length_error(uint64_t length, size_t fb) {
        return "stream length " + std::to_string(length) + " is not a multiple of the " + std::to_string(fb) +
               "-byte frame";
    }
    std::string truncated() const { return "frame " + std::to_string(frame_) + " is truncated"; }

    Format format_;
    g729::Rate packed_rate_;
    g729::Rate rate_ = g729::Rate::Full;  // of the ITU frame just read
    g729::DtxDecoder dtx_;
    uint64_t frame_ = 0;
    g729::FrameType type_ = g729::kSpeech;
    bool erased_ = false;
    int16_t params_[g729::kFrameParamsHigh] = {};
    int16_t pcm_[kBlockFrames * g729::kFrameSamples];
};

template <g729::Variant V>
std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    Options o;
    err = parse(args, o);
    if (!err.empty()) return nullptr;
    return std::make_unique<Encoder>(V, o);
}

template <g729::Variant V>
std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    Options o;
    err = parse(args, o);
    if (!err.empty()) return nullptr;
    return std::make_unique<Decoder>(V, o);
}

constexpr const char* kRateHelp =
    "    --rate R      8000 (default), 6400 (Annex D; 8-byte packed frames) or 11800 bit/s\n"
    "                  (Annex E; 15-byte packed frames, the 118 bits in ITU order and two zero\n"
    "                  bits). The decoder of ITU frames takes each frame's rate from its length\n"
    "                  (80, 64 or 118; a lost or inactive frame keeps the rate before it);\n"
    "                  --rate sets the rate of packed frames\n"
    "    --rates FILE  encode: the rate of each frame, one 16-bit little-endian word per\n"
    "                  frame (0 = 6400, 1 = 8000, 2 = 11800 bit/s; the file may be longer than\n"
    "                  the input, not shorter); needs --format itu\n";

constexpr const char* kFormatHelp =
    "    --format F    packed (default): 10-byte RFC 3551 frames; itu: ITU serial frames of\n"
    "                  little-endian words (sync 0x6B21, or 0x6B20 for an erased frame, the\n"
    "                  length, one word per bit: 0x007F = 0, 0x0081 = 1; a bit word of 0 also\n"
    "                  marks the frame erased). The decoder takes each frame's length: 80\n"
    "                  speech (64 at 6.4 kbit/s, 118 at 11.8 kbit/s, g729 only), 16 an Annex B\n"
    "                  SID frame, 0 untransmitted (comfort noise). SID, untransmitted and\n"
    "                  mixed-rate frames exist only in the itu format\n"
    "    --dtx         encode with Annex B: voice-activity detection, SID frames (15 bits\n"
    "                  and a zero padding bit, length 16) and untransmitted frames (length\n"
    "                  0) for inactive speech; needs --format itu\n";

const std::string kMainHelp = std::string(kFormatHelp) + kRateHelp;

const Registrar kRegisterMain(Codec{
    "g729",
    "ITU-T G.729 CS-ACELP, 8 kbit/s, Annex D, 6.4 kbit/s, and Annex E, 11.8 kbit/s",
    kMainHelp.c_str(),
    {"format", "dtx", "rate", "rates"},
    8000,
    make_encoder<g729::Variant::Main>,
    make_decoder<g729::Variant::Main>,
    Args{{"format", "packed"}},
    8000.0,
});

const Registrar kRegisterA(Codec{
    "g729a",
    "ITU-T G.729 Annex A (reduced complexity), 8 kbit/s",
    kFormatHelp,
    {"format", "dtx"},
    8000,
    make_encoder<g729::Variant::AnnexA>,
    make_decoder<g729::Variant::AnnexA>,
    Args{{"format", "packed"}},
    8000.0,
});

}  // namespace
}  // namespace vokscodec
