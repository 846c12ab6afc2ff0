// voks-codec adapter for GSM-AMR narrow band (8 kHz PCM, 4.75 to 12.2 kbit/s).
#include <memory>
#include <string>

#include "amrnb/amrnb_dec.h"
#include "codec.h"

namespace vokscodec {
namespace {

enum class Format { Rfc4867, Serial };

constexpr size_t kBlockFrames = 250;  // 5 s per step
constexpr size_t kSerialBytes = 2 * amrnb::kSerialWords;

std::string parse_format(const Args& args, Format& format) {
    const std::string f = arg(args, "format", "rfc4867");
    if (f == "rfc4867")
        format = Format::Rfc4867;
    else if (f == "3gpp")
        format = Format::Serial;
    else
        return "--format must be rfc4867 or 3gpp (got '" + f + "')";
    return "";
}

class Decoder : public Coder {
public:
    Decoder() { amrnb::decoder_init(&dec_); }

    bool step(Input& in, Output& out, std::string& err) override {
        // A file of known length is checked whole before anything is decoded.
        if (frame_ == 0 && in.remaining() >= 0 && in.remaining() % kSerialBytes != 0) {
            err = "stream length " + std::to_string(in.remaining()) + " is not a multiple of the " +
                  std::to_string(kSerialBytes) + "-byte serial frame";
            return false;
        }
        const size_t n = in.read(bytes_, kBlockFrames * kSerialBytes);
        if (!in.error().empty()) return false;
        const size_t frames = n / kSerialBytes;
        for (size_t f = 0; f < frames; ++f, ++frame_) {
            const uint8_t* w = bytes_ + f * kSerialBytes;
            auto word = [w](int i) { return static_cast<int16_t>(w[2 * i] | (w[2 * i + 1] << 8)); };
            amrnb::SerialFrame fr;
            fr.tx_type = word(0);
            for (int i = 0; i < amrnb::kMaxBits; ++i) fr.bits[i] = word(1 + i);
            fr.mode = word(1 + amrnb::kMaxBits);
            if (!amrnb::decode_serial(&dec_, fr, pcm_ + f * amrnb::kFrameSamples)) {
                err = "frame " + std::to_string(frame_) + ": TX type " + std::to_string(fr.tx_type) +
                      " or mode " + std::to_string(fr.mode) + " is not one of the serial format";
                return false;
            }
        }
        err = out.write_samples(pcm_, frames * amrnb::kFrameSamples);
        if (err.empty() && n % kSerialBytes != 0)
            err = "stream ends inside a frame after " + std::to_string(in.consumed()) + " bytes";
        return err.empty() && n == kBlockFrames * kSerialBytes;
    }

private:
    amrnb::DecoderState dec_;
    uint64_t frame_ = 0;
    uint8_t bytes_[kBlockFrames * kSerialBytes];
    int16_t pcm_[kBlockFrames * amrnb::kFrameSamples];
};

// Until the encoder is wired, encoding stops with this one-line error; making the coder checks
// the options, as it does for decoding.
class PendingEncoder : public Coder {
public:
    bool step(Input&, Output&, std::string& err) override {
        err = "the AMR encoder is not built yet";
        return false;
    }
};

std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    Format format = Format::Rfc4867;
    err = parse_format(args, format);
    if (!err.empty()) return nullptr;
    const std::string mode = arg(args, "mode", "12200");
    static const char* const kModes[] = {"4750", "5150", "5900", "6700", "7400", "7950", "10200", "12200"};
    bool known = false;
    for (const char* m : kModes) known = known || mode == m;
    if (!known) {
        err = "--mode must be 4750, 5150, 5900, 6700, 7400, 7950, 10200 or 12200 (got '" + mode + "')";
        return nullptr;
    }
    const std::string vad = arg(args, "vad", "1");
    if (vad != "1" && vad != "2") {
        err = "--vad must be 1 or 2";
        return nullptr;
    }
    return std::make_unique<PendingEncoder>();
}

std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    Format format = Format::Rfc4867;
    err = parse_format(args, format);
    if (!err.empty()) return nullptr;
    if (format == Format::Rfc4867) {
        err = "the rfc4867 storage format is not supported yet (use --format 3gpp)";
        return nullptr;
    }
    return std::make_unique<Decoder>();
}

const Registrar kRegister(Codec{
    "amrnb",
    "3GPP GSM-AMR narrow band, 4.75 to 12.2 kbit/s, with DTX (decoder)",
    "    --format F    rfc4867 (default): the RFC 4867 storage format; 3gpp: the 3GPP\n"
    "                  serial format of the test sequences (250 little-endian 16-bit\n"
    "                  words per frame)\n",
    {"format", "mode", "modes", "dtx", "vad"},
    8000,
    make_encoder,
    make_decoder,
    Args{{"format", "3gpp"}},
    0.0,  // no demonstration until the encoder is built
});

}  // namespace
}  // namespace vokscodec
