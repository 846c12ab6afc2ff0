// voks-codec adapters for G.729 and G.729 Annex A (8 kHz PCM, 8 kbit/s).
#include <algorithm>
#include <memory>
#include <string>

#include "codec.h"
#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_dtx.h"

namespace vokscodec {
namespace {

enum class Format { Packed, Itu };

std::string parse(const Args& args, Format& format, bool& dtx) {
    const std::string f = arg(args, "format", "packed");
    if (f == "packed")
        format = Format::Packed;
    else if (f == "itu")
        format = Format::Itu;
    else
        return "--format must be packed or itu (got '" + f + "')";
    dtx = args.count("dtx") != 0;
    if (dtx && format == Format::Packed)
        return "--dtx needs --format itu (packed frames cannot carry SID or untransmitted frames)";
    return "";
}

constexpr size_t kBlockFrames = 500;  // 5 s per step
constexpr size_t kItuFrameBytes = 2 * g729::kSerialWords;

size_t frame_bytes(Format format) {
    return format == Format::Packed ? g729::kPackedBytes : kItuFrameBytes;
}

class Encoder : public Coder {
public:
    Encoder(g729::Variant variant, Format format, bool dtx) : format_(format) {
        g729::dtx_encoder_init(&enc_, variant, dtx);
    }

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t n = in.read_samples(pcm_, kBlockFrames * g729::kFrameSamples);
        if (!in.error().empty()) return false;
        // The last frame is completed with silence.
        const size_t frames = (n + g729::kFrameSamples - 1) / g729::kFrameSamples;
        std::fill(pcm_ + n, pcm_ + frames * g729::kFrameSamples, int16_t{0});
        uint8_t* dst = bytes_;
        for (size_t f = 0; f < frames; ++f) {
            int16_t params[g729::kFrameParams];
            bool ok = true;
            const g729::FrameType type = g729::encode_dtx(&enc_, pcm_ + f * g729::kFrameSamples, params, &ok);
            if (format_ == Format::Packed) {
                g729::pack(params, dst);
                dst += g729::kPackedBytes;
            } else {
                int16_t serial[g729::kSerialWords];
                const int words = g729::frame_to_serial(type, params, serial);
                for (int i = 0; i < words; ++i) {
                    dst[2 * i] = static_cast<uint8_t>(serial[i]);
                    dst[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(serial[i]) >> 8);
                }
                dst += 2 * words;
            }
        }
        err = out.write(bytes_, static_cast<size_t>(dst - bytes_));
        return err.empty() && n == kBlockFrames * g729::kFrameSamples;
    }

private:
    Format format_;
    g729::DtxEncoder enc_;
    int16_t pcm_[kBlockFrames * g729::kFrameSamples];
    uint8_t bytes_[kBlockFrames * kItuFrameBytes];
};

// Reads frame by frame: an ITU frame's header (sync and length words) precedes its bits, and its
// length gives the frame type (80 speech, 16 SID, 0 untransmitted).
class Decoder : public Coder {
public:
    Decoder(g729::Variant variant, Format format) : format_(format) {
        g729::dtx_decoder_init(&dtx_, variant);
    }

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t fb = frame_bytes(format_);
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
                g729::decode(&dtx_.dec, params_, false, pcm);
            } else {
                g729::decode_dtx(&dtx_, type_, params_, erased_, pcm);
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
            const size_t n = in.read(frame, g729::kPackedBytes);
            end = n < g729::kPackedBytes;
            if (end) {
                if (n > 0) err = length_error(in.consumed(), g729::kPackedBytes);
                return false;
            }
            g729::unpack(frame, params_);
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
        if (length == 64 || length == 118) {
            err = "frame " + std::to_string(frame_) + ": " + (length == 64 ? "6.4" : "11.8") +
                  " kbit/s frames (length " + std::to_string(length) + ") are not supported";
            return false;
        }
        if ((sync != g729::kSyncWord && sync != g729::kSyncErased) ||
            (length != g729::kFrameBits && length != g729::kSidSerialBits && length != 0)) {
            err = "frame " + std::to_string(frame_) +
                  " is not an ITU serial frame (sync 0x6B21 or 0x6B20, length 80, 16 or 0)";
            return false;
        }
        const size_t fb = 4 + 2 * static_cast<size_t>(length);
        n += in.read(frame + 4, fb - 4);
        if (n < fb) {
            end = true;
            err = truncated();
            return false;
        }
        int16_t serial[g729::kSerialWords];
        for (size_t i = 0; i < fb / 2; ++i)
            serial[i] = static_cast<int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
        erased_ = g729::serial_to_frame(serial, &type_, params_);
        return true;
    }

    static std::string length_error(uint64_t length, size_t fb) {
        return "stream length " + std::to_string(length) + " is not a multiple of the " + std::to_string(fb) +
               "-byte frame";
    }
    std::string truncated() const { return "frame " + std::to_string(frame_) + " is truncated"; }

    Format format_;
    g729::DtxDecoder dtx_;
    uint64_t frame_ = 0;
    g729::FrameType type_ = g729::kSpeech;
    bool erased_ = false;
    int16_t params_[g729::kFrameParams] = {};
    int16_t pcm_[kBlockFrames * g729::kFrameSamples];
};

template <g729::Variant V>
std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    Format format = Format::Packed;
    bool dtx = false;
    err = parse(args, format, dtx);
    if (!err.empty()) return nullptr;
    return std::make_unique<Encoder>(V, format, dtx);
}

template <g729::Variant V>
std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    Format format = Format::Packed;
    bool dtx = false;
    err = parse(args, format, dtx);
    if (!err.empty()) return nullptr;
    return std::make_unique<Decoder>(V, format);
}

constexpr const char* kFormatHelp =
    "    --format F    packed (default): 10-byte RFC 3551 frames; itu: ITU serial frames of\n"
    "                  little-endian words (sync 0x6B21, or 0x6B20 for an erased frame, the\n"
    "                  length, one word per bit: 0x007F = 0, 0x0081 = 1; a bit word of 0 also\n"
    "                  marks the frame erased). The decoder takes each frame's length: 80\n"
    "                  speech, 16 an Annex B SID frame, 0 untransmitted (comfort noise)\n"
    "    --dtx         encode with Annex B: voice-activity detection, SID frames (15 bits\n"
    "                  and a zero padding bit, length 16) and untransmitted frames (length\n"
    "                  0) for inactive speech; needs --format itu\n";

const Registrar kRegisterMain(Codec{
    "g729",
    "ITU-T G.729 CS-ACELP, 8 kbit/s",
    kFormatHelp,
    {"format", "dtx"},
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
