// voks-codec adapter for GSM-AMR narrow band (8 kHz PCM, 4.75 to 12.2 kbit/s).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "amrnb/amrnb_dec.h"
#include "amrnb/amrnb_dec_tables.h"
#include "amrnb/amrnb_enc.h"
#include "codec.h"

namespace vokscodec {
namespace {

using Format = AmrFormat;

constexpr size_t kBlockFrames = 250;  // 5 s per step
constexpr size_t kSerialBytes = 2 * amrnb::kSerialWords;

// RFC 4867 storage frames: the header, then frames of a TOC octet and the sorted bits.
class StorageDecoder : public Coder {
public:
    StorageDecoder() { amrnb::decoder_init(&dec_); }

    bool step(Input& in, Output& out, std::string& err) override {
        if (frame_ == 0 && !header_) {
            if (!read_amr_magic(in, amrnb::kStorageMagic, err)) return false;
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
            // Frame types 9 to 14 carry no AMR narrow-band frame: decoded as no data.
            const int bytes = amrnb::storage_frame_bytes(frame[0]);
            if (in.read(frame + 1, bytes - 1) != static_cast<size_t>(bytes - 1)) {
                // The frames before the cut are kept.
                if (in.error().empty()) {
                    err = out.write_samples(pcm_, frames * amrnb::kFrameSamples);
                    if (err.empty()) err = "stream ends inside frame " + std::to_string(frame_);
                }
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
                err = out.write_samples(pcm_, f * amrnb::kFrameSamples);  // the frames before it
                if (err.empty())
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

// Writes one encoded frame in the serial format (250 words) or as a storage frame (TOC octet,
// the bits in the mode's sensitivity order; a SID's bits, its update flag and the mode
// indication least significant bit first; no data as the TOC octet alone). Returns the bytes.
// The mode indication keeps the order of TS 26.101's SID frame as opencore-amrnb writes and
// reads it. The REL-5 3GPP reference's storage writer (MMS_IO) packs it most significant bit
// first: its SIDs at 5.15, 6.70, 7.40 and 10.2 kbit/s differ from ours in those three bits, every
// other bit being equal, and a decoder of the other order decodes them as another mode's SID.
size_t put_frame(Format format, const amrnb::SerialFrame& fr, uint8_t* dst) {
    if (format == Format::Serial) {
        std::memset(dst, 0, kSerialBytes);
        auto word = [dst](int i, int v) {
            dst[2 * i] = static_cast<uint8_t>(v);
            dst[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
        };
        word(0, fr.tx_type);
        for (int i = 0; i < amrnb::kMaxBits; ++i) word(1 + i, fr.bits[i]);
        word(1 + amrnb::kMaxBits, fr.mode);
        return kSerialBytes;
    }
    static const int16_t* const kSort[8] = {amrnb::tab::kSort475, amrnb::tab::kSort515, amrnb::tab::kSort59,
                                            amrnb::tab::kSort67,  amrnb::tab::kSort74,  amrnb::tab::kSort795,
                                            amrnb::tab::kSort102, amrnb::tab::kSort122};
    const int ft = fr.tx_type == 0 ? fr.mode : fr.tx_type == 1 || fr.tx_type == 2 ? amrnb::kSid : 15;
    dst[0] = static_cast<uint8_t>(ft << 3 | 4);
    const int bytes = amrnb::storage_frame_bytes(dst[0]);
    std::memset(dst + 1, 0, bytes - 1);
    if (ft == 15) return 1;
    auto set = [dst](int i, int b) { dst[1 + i / 8] |= static_cast<uint8_t>((b & 1) << (7 - i % 8)); };
    const int n = amrnb::frame_bits(ft);
    for (int i = 0; i < n; ++i) set(i, fr.bits[ft == amrnb::kSid ? i : kSort[ft][i]]);
    if (ft == amrnb::kSid) {
        set(n, fr.tx_type == 2);
        for (int k = 0; k < 3; ++k) set(n + 1 + k, fr.mode >> k);
    }
    return static_cast<size_t>(bytes);
}

class Encoder : public Coder {
public:
    Encoder(Format format, int mode, int vad, bool dtx, std::vector<int8_t> modes, std::string modes_name)
        : format_(format), modes_(std::move(modes)), modes_name_(std::move(modes_name)) {
        enc_.init(mode, vad, dtx);
    }

    bool step(Input& in, Output& out, std::string& err) override {
        size_t used = 0;
        if (format_ == Format::Rfc4867 && frame_ == 0 && !header_) {
            std::memcpy(bytes_, amrnb::kStorageMagic, 6);
            used = 6;
            header_ = true;
        }
        // A mode file ends the encoding at its last line, as the reference encoder does.
        size_t want = kBlockFrames;
        if (!modes_.empty()) want = std::min<size_t>(want, modes_.size() - frame_);
        const size_t n = want ? in.read_samples(pcm_, want * amrnb::kFrameSamples) : 0;
        if (!in.error().empty()) return false;
        bool more = n == kBlockFrames * amrnb::kFrameSamples;
        if (want < kBlockFrames && n == want * amrnb::kFrameSamples) {
            int16_t extra;
            if (in.read_samples(&extra, 1) == 1)
                std::fprintf(stderr,
                             "voks-codec: %s ends after %zu frames; the rest of the input is not encoded\n",
                             modes_name_.c_str(), modes_.size());
            more = false;
        }
        // The last frame is completed with silence.
        const size_t frames = (n + amrnb::kFrameSamples - 1) / amrnb::kFrameSamples;
        std::fill(pcm_ + n, pcm_ + frames * amrnb::kFrameSamples, int16_t{0});
        padded_ += frames * amrnb::kFrameSamples - n;
        for (size_t f = 0; f < frames; ++f, ++frame_) {
            amrnb::SerialFrame fr;
            enc_.encode(pcm_ + f * amrnb::kFrameSamples, modes_.empty() ? -1 : modes_[frame_], fr);
            used += put_frame(format_, fr, bytes_ + used);
        }
        err = out.write(bytes_, used);
        return err.empty() && more;
    }

private:
    Format format_;
    amrnbex::Encoder enc_;
    std::vector<int8_t> modes_;
    std::string modes_name_;
    bool header_ = false;
    size_t frame_ = 0;
    int16_t pcm_[kBlockFrames * amrnb::kFrameSamples];
    uint8_t bytes_[6 + kBlockFrames * kSerialBytes];
};

// A mode file: one mode name per frame (MR475 ... MR122), as the reference encoder reads.
std::string read_modes(const std::string& path, std::vector<int8_t>& modes) {
    static const char* const kNames[] = {"MR475", "MR515", "MR59", "MR67", "MR74", "MR795", "MR102", "MR122"};
    std::vector<uint8_t> data;
    std::string err = read_file(path, data);
    if (!err.empty()) return err;
    size_t line = 0;
    for (size_t at = 0; at < data.size();) {
        size_t end = at;
        while (end < data.size() && data[end] != '\n') ++end;
        std::string word(data.begin() + at, data.begin() + end);
        at = end + 1, ++line;
        while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back()))) word.pop_back();
        if (word.empty()) continue;
        int m = -1;
        for (int i = 0; i < 8; ++i)
            if (word == kNames[i]) m = i;
        if (m < 0)
            return path + " line " + std::to_string(line) + ": '" + word +
                   "' is not a mode (MR475 ... MR122)";
        modes.push_back(static_cast<int8_t>(m));
    }
    if (modes.empty()) return path + " names no mode";
    return "";
}

std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    Format format = Format::Rfc4867;
    err = parse_amr_format(args, format);
    if (!err.empty()) return nullptr;
    const std::string mode = arg(args, "mode", "12200");
    static const char* const kModes[] = {"4750", "5150", "5900", "6700", "7400", "7950", "10200", "12200"};
    int m = -1;
    for (int i = 0; i < 8; ++i)
        if (mode == kModes[i]) m = i;
    if (m < 0) {
        err = "--mode must be 4750, 5150, 5900, 6700, 7400, 7950, 10200 or 12200 (got '" + mode + "')";
        return nullptr;
    }
    const std::string vad = arg(args, "vad", "1");
    if (vad != "1" && vad != "2") {
        err = "--vad must be 1 or 2";
        return nullptr;
    }
    std::vector<int8_t> modes;
    const std::string modes_file = arg(args, "modes", "");
    if (args.count("modes")) {
        err = read_modes(modes_file, modes);
        if (!err.empty()) return nullptr;
    }
    return std::make_unique<Encoder>(format, m, vad == "1" ? 1 : 2, args.count("dtx") != 0, std::move(modes),
                                     modes_file);
}

std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    Format format = Format::Rfc4867;
    err = parse_amr_format(args, format);
    if (!err.empty()) return nullptr;
    if (format == Format::Rfc4867) return std::make_unique<StorageDecoder>();
    return std::make_unique<Decoder>();
}

const Registrar kRegister(Codec{
    "amrnb",
    "3GPP GSM-AMR narrow band, 4.75 to 12.2 kbit/s, with VAD options 1 and 2 and DTX",
    "    --format F    rfc4867 (default): the RFC 4867 storage format; 3gpp: the 3GPP\n"
    "                  serial format of the test sequences (250 little-endian 16-bit\n"
    "                  words per frame)\n"
    "    --mode M      4750, 5150, 5900, 6700, 7400, 7950, 10200 or 12200 (default)\n"
    "    --modes FILE  a mode per frame, one name a line (MR475 ... MR122); encoding\n"
    "                  stops at the file's end\n"
    "    --dtx         discontinuous transmission: silence descriptors in pauses\n"
    "    --vad 1|2     voice-activity detector option for --dtx (default 1)\n",
    {"format", "mode", "modes", "dtx", "vad"},
    8000,
    make_encoder,
    make_decoder,
    Args{{"format", "rfc4867"}, {"mode", "12200"}},
    12200.0,
});

}  // namespace
}  // namespace vokscodec
