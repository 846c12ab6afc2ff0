// voks-codec adapter for GSM 06.10 full rate (8 kHz PCM, 13 kbit/s).
#include <algorithm>
#include <memory>
#include <string>

#include "codec.h"
#include "gsm/gsmfr_codec.h"

namespace vokscodec {
namespace {

enum class Format { Packed, Params };

constexpr size_t kBlockFrames = 250;  // 5 s per step

std::string parse(const Args& args, Format& format) {
    const std::string f = arg(args, "format", "packed");
    if (f == "packed")
        format = Format::Packed;
    else if (f == "params")
        format = Format::Params;
    else
        return "--format must be packed or params (got '" + f + "')";
    return "";
}

size_t frame_bytes(Format format) {
    return format == Format::Packed ? gsmfr::kPackedBytes : 2 * gsmfr::kFrameParams;
}

class Encoder : public Coder {
public:
    explicit Encoder(Format format) : format_(format) { gsmfr::encoder_init(&enc_); }

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t n = in.read_samples(pcm_, kBlockFrames * gsmfr::kFrameSamples);
        if (!in.error().empty()) return false;
        // The last frame is completed with silence.
        const size_t frames = (n + gsmfr::kFrameSamples - 1) / gsmfr::kFrameSamples;
        std::fill(pcm_ + n, pcm_ + frames * gsmfr::kFrameSamples, int16_t{0});
        padded_ += frames * gsmfr::kFrameSamples - n;
        uint8_t* dst = bytes_;
        for (size_t f = 0; f < frames; ++f) {
            int16_t params[gsmfr::kFrameParams];
            gsmfr::encode(&enc_, pcm_ + f * gsmfr::kFrameSamples, params);
            if (format_ == Format::Packed) {
                gsmfr::pack(params, dst);
            } else {
                for (int i = 0; i < gsmfr::kFrameParams; ++i) {
                    dst[2 * i] = static_cast<uint8_t>(params[i]);
                    dst[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(params[i]) >> 8);
                }
            }
            dst += frame_bytes(format_);
        }
        err = out.write(bytes_, static_cast<size_t>(dst - bytes_));
        return err.empty() && n == kBlockFrames * gsmfr::kFrameSamples;
    }

private:
    Format format_;
    gsmfr::Encoder enc_;
    int16_t pcm_[kBlockFrames * gsmfr::kFrameSamples];
    uint8_t bytes_[kBlockFrames * 2 * gsmfr::kFrameParams];
};

class Decoder : public Coder {
public:
    explicit Decoder(Format format) : format_(format) { gsmfr::decoder_init(&dec_); }

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t fb = frame_bytes(format_);
        // A file of known length is checked whole before anything is decoded.
        if (frame_ == 0 && in.remaining() >= 0 && in.remaining() % fb != 0) {
            err = length_error(static_cast<uint64_t>(in.remaining()), fb);
            return false;
        }
        const size_t n = in.read(bytes_, kBlockFrames * fb);
        if (!in.error().empty()) return false;
        const size_t frames = n / fb;
        for (size_t f = 0; f < frames; ++f, ++frame_) {
            const uint8_t* frame = bytes_ + f * fb;
            int16_t params[gsmfr::kFrameParams];
            if (format_ == Format::Packed) {
                if (!gsmfr::unpack(frame, params)) {
                    err = "frame " + std::to_string(frame_) +
                          " lacks the 0xD signature of an RFC 3551 GSM frame";
                    return false;
                }
            } else {
                for (int i = 0; i < gsmfr::kFrameParams; ++i)
                    params[i] = static_cast<int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
            }
            gsmfr::decode(&dec_, params, pcm_ + f * gsmfr::kFrameSamples);
        }
        err = out.write_samples(pcm_, frames * gsmfr::kFrameSamples);
        if (err.empty() && n % fb != 0) err = length_error(in.consumed(), fb);
        return err.empty() && n == kBlockFrames * fb;
    }

private:
    static std::string length_error(uint64_t length, size_t fb) {
        return "stream length " + std::to_string(length) + " is not a multiple of the " + std::to_string(fb) +
               "-byte frame";
    }

    Format format_;
    gsmfr::Decoder dec_;
    uint64_t frame_ = 0;
    uint8_t bytes_[kBlockFrames * 2 * gsmfr::kFrameParams];
    int16_t pcm_[kBlockFrames * gsmfr::kFrameSamples];
};

template <class C>
std::unique_ptr<Coder> make(const Args& args, std::string& err) {
    Format format = Format::Packed;
    err = parse(args, format);
    if (!err.empty()) return nullptr;
    return std::make_unique<C>(format);
}

const Registrar kRegister(Codec{
    "gsmfr",
    "ETSI GSM 06.10 full rate (RPE-LTP), 13 kbit/s",
    "    --format F    packed (default): 33-byte RFC 3551 frames; params: 76 little-endian\n"
    "                  16-bit parameter words per frame as in the ETSI test sequences\n"
    "                  (each taken modulo its field width on decoding)\n",
    {"format"},
    8000,
    make<Encoder>,
    make<Decoder>,
    Args{{"format", "packed"}},
    13200.0,
});

}  // namespace
}  // namespace vokscodec
