// voks-codec adapter for GSM-AMR narrow band (8 kHz PCM, 4.75 to 12.2 kbit/s).
#include <cstring>
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

// RFC 4867 storage frames: the header, then frames of a TOC octet and the sorted bits.
class StorageDecoder : public Coder {
public:
    StorageDecoder() { amrnb::decoder_init(&dec_); }

    bool step(Input& in, Output& out, std::string& err) override {
        if (frame_ == 0 && !header_) {
            uint8_t magic[6];
            const size_t n = in.read(magic, sizeof magic);
            if (!in.error().empty()) return false;
            if (n != sizeof magic || std::memcmp(magic, amrnb::kStorageMagic, sizeof magic) != 0) {
                err = "the stream lacks the \"#!AMR\\n\" header of the RFC 4867 storage format";
                return false;
            }
            header_ = true;
        }
        size_t frames = 0;
        bool more = true;
        while (frames < kBlockFrames) {
            uint8_t frame[32];
            if (in.read(frame, 1) != 1) {
                more = false;
                break;
            }
            const int bytes = amrnb::storage_frame_bytes(frame[0]);
            if (bytes < 0) {
                err = "frame " + std::to_string(frame_) + ": frame type " +
                      std::to_string((frame[0] >> 3) & 15) + " is not one of AMR narrow band";
                return false;
            }
            if (in.read(frame + 1, bytes - 1) != static_cast<size_t>(bytes - 1)) {
                if (in.error().empty()) err = "stream ends inside frame " + std::to_string(frame_);
                return false;
            }
            amrnb::SerialFrame fr;
            amrnb::storage_to_serial(frame, fr);
            amrnb::decode_serial(&dec_, fr, pcm_ + frames * amrnb::kFrameSamples);
            ++frames, ++frame_;
        }
        if (!in.error().empty()) return false;
        err = out.write_samples(pcm_, frames * amrnb::kFrameSamples);
        return err.empty() && more;
    }

private:
    amrnb::DecoderState dec_;
    bool header_ = false;
    uint64_t frame_ = 0;
    int16_t pcm_[kBlockFrames * amrnb::kFrameSamples];
};

// The serial format of the 3GPP test sequences.
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
    if (format == Format::Rfc4867) return std::make_unique<StorageDecoder>();
    return std::make_unique<Decoder>();
}

const Registrar kRegister(Codec{
    "amrnb",
    "3GPP GSM-AMR narrow band, 4.75 to 12.2 kbit/s, with DTX (decoder)",
    "    --format F    rfc4867 (default): the RFC 4867 storage format; 3gpp: the 3GPP\n"
    "                  serial format of the test sequences (250 little-endian 16-bit\n"
    "                  words per frame)\n"
    "    --mode M, --modes FILE, --dtx, --vad 1|2\n"
    "                  encoder options, checked; the encoder is not built yet\n",
    {"format", "mode", "modes", "dtx", "vad"},
    8000,
    make_encoder,
    make_decoder,
    Args{{"format", "rfc4867"}},
    0.0,  // no demonstration until the encoder is built
});

}  // namespace
}  // namespace vokscodec
