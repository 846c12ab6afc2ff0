// voks-codec adapter for AMR-WB (16 kHz PCM, 6.60 to 23.85 kbit/s).
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "amrwb/amrwb_bits.h"
#include "amrwb/amrwb_dec.h"
#include "amrwb/amrwb_enc.h"
#include "codec.h"

namespace vokscodec {
namespace {

using Format = AmrFormat;

constexpr size_t kBlockFrames = 250;  // 5 s per step

// Both stream formats: frames of varying size read one at a time.
class Decoder : public Coder {
public:
    explicit Decoder(Format format) : format_(format) {}

    bool step(Input& in, Output& out, std::string& err) override {
        if (format_ == Format::Rfc4867 && !header_) {
            if (!read_amr_magic(in, amrwbex::kStorageMagic, err)) return false;
            header_ = true;
        }
        size_t frames = 0;
        bool more = true;
        while (frames < kBlockFrames) {
            amrwbex::Frame fr;
            const int got = format_ == Format::Rfc4867 ? read_storage(in, fr, err) : read_serial(in, fr, err);
            if (got <= 0) {
                more = false;
                if (got < 0) return false;
                break;
            }
            dec_.decode_frame(fr, pcm_ + frames * amrwbex::kFrameSamples);
            ++frames, ++frame_;
        }
        if (!in.error().empty()) return false;
        err = out.write_samples(pcm_, frames * amrwbex::kFrameSamples);
        return err.empty() && more;
    }

private:
    // Each returns 1 for a frame, 0 at the end of the stream, -1 with err set.
    int read_storage(Input& in, amrwbex::Frame& fr, std::string& err) {
        uint8_t frame[amrwbex::kMaxStorageBytes];
        if (in.read(frame, 1) != 1) return in.error().empty() ? 0 : -1;
        const int bytes = amrwbex::storage_frame_bytes(frame[0]);
        if (in.read(frame + 1, bytes - 1) != static_cast<size_t>(bytes - 1)) {
            if (in.error().empty()) err = "stream ends inside frame " + std::to_string(frame_);
            return -1;
        }
        amrwbex::read_storage(frame, fr, &prev_mode_);
        return 1;
    }
    int read_serial(Input& in, amrwbex::Frame& fr, std::string& err) {
        uint8_t head[6];
        const size_t n = in.read(head, sizeof head);
        if (n == 0) return in.error().empty() ? 0 : -1;
        int16_t words[amrwbex::kMaxSerialWords];
        for (int i = 0; i < 3 && 2 * i + 1 < static_cast<int>(n); ++i)
            words[i] = static_cast<int16_t>(head[2 * i] | (head[2 * i + 1] << 8));
        int size = n == sizeof head ? amrwbex::read_serial(words, 3, fr) : 0;
        if (size == 0 && n == sizeof head) {
            // The header is good: read the frame's bits.
            const bool sid = words[1] != 0 && !(words[0] == amrwbex::kSerialRx && words[1] <= 3);
            const int bits = sid ? amrwbex::kSidBits : amrwbex::frame_bits(words[2]);
            uint8_t body[2 * amrwbex::kMaxBits];
            const size_t m = in.read(body, 2 * static_cast<size_t>(bits));
            if (!in.error().empty()) return -1;
            for (size_t i = 0; i < m / 2; ++i)
                words[3 + i] = static_cast<int16_t>(body[2 * i] | (body[2 * i + 1] << 8));
            size = amrwbex::read_serial(words, 3 + m / 2, fr);
        }
        if (size > 0) return 1;
        if (size < 0 && n == sizeof head)
            err = "frame " + std::to_string(frame_) + ": header " + std::to_string(words[0] & 0xFFFF) +
                  ", frame type " + std::to_string(words[1]) + " or mode " + std::to_string(words[2]) +
                  " is not one of the serial format";
        else if (in.error().empty())
            err = "stream ends inside frame " + std::to_string(frame_);
        return -1;
    }

    Format format_;
    amrwbex::Decoder dec_;
    bool header_ = false;
    int prev_mode_ = 0;
    uint64_t frame_ = 0;
    int16_t pcm_[kBlockFrames * amrwbex::kFrameSamples];
};

std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    Format format = Format::Rfc4867;
    err = parse_amr_format(args, format);
    if (!err.empty()) return nullptr;
    return std::make_unique<Decoder>(format);
}

// 320 samples a frame; the last frame is completed with silence.
class Encoder : public Coder {
public:
    Encoder(Format format, int mode, bool dtx, std::vector<int8_t> modes)
        : format_(format), mode_(mode), modes_(std::move(modes)) {
        enc_.init(dtx);
    }

    bool step(Input& in, Output& out, std::string& err) override {
        size_t used = 0;
        if (format_ == Format::Rfc4867 && !header_) {
            std::memcpy(bytes_, amrwbex::kStorageMagic, amrwbex::kStorageMagicBytes);
            used = amrwbex::kStorageMagicBytes;
            header_ = true;
        }
        const size_t n = in.read_samples(pcm_, kBlockFrames * amrwbex::kFrameSamples);
        if (!in.error().empty()) return false;
        const size_t frames = (n + amrwbex::kFrameSamples - 1) / amrwbex::kFrameSamples;
        std::fill(pcm_ + n, pcm_ + frames * amrwbex::kFrameSamples, int16_t{0});
        padded_ += frames * amrwbex::kFrameSamples - n;
        for (size_t f = 0; f < frames; ++f, ++frame_) {
            // The mode file's modes, then the last one it named (or --mode when given).
            const int mode = frame_ < modes_.size() ? modes_[frame_] : mode_;
            amrwbex::EncodedFrame fr;
            enc_.encode(pcm_ + f * amrwbex::kFrameSamples, mode, fr);
            int16_t bits[amrwbex::kMaxBits] = {};
            const int layout = fr.tx_type == amrwbex::kTxSpeech ? fr.mode : amrwbex::kSid;
            amrwbex::params_to_bits(layout, fr.params, bits);
            if (format_ == Format::Serial) {
                int16_t words[amrwbex::kMaxSerialWords];
                const int w = amrwbex::write_serial(fr.tx_type, fr.requested, bits, words);
                for (int i = 0; i < w; ++i) {
                    bytes_[used++] = static_cast<uint8_t>(words[i]);
                    bytes_[used++] = static_cast<uint8_t>(static_cast<uint16_t>(words[i]) >> 8);
                }
            } else {
                used += static_cast<size_t>(
                    amrwbex::write_storage(fr.tx_type, fr.requested, bits, bytes_ + used));
            }
        }
        err = out.write(bytes_, used);
        return err.empty() && n == kBlockFrames * amrwbex::kFrameSamples;
    }

private:
    Format format_;
    int mode_;
    std::vector<int8_t> modes_;
    amrwbex::Encoder enc_;
    bool header_ = false;
    size_t frame_ = 0;
    int16_t pcm_[kBlockFrames * amrwbex::kFrameSamples];
    uint8_t bytes_[amrwbex::kStorageMagicBytes + kBlockFrames * 2 * amrwbex::kMaxSerialWords];
};

constexpr const char* kModeNames[amrwbex::kModes] = {"6600",  "8850",  "12650", "14250", "15850",
                                                     "18250", "19850", "23050", "23850"};

// A mode file: mode numbers 0 to 8 separated by white space, one per frame.
std::string read_modes(const std::string& path, std::vector<int8_t>& modes) {
    std::vector<uint8_t> data;
    std::string err = read_file(path, data);
    if (!err.empty()) return err;
    size_t line = 1;
    for (size_t at = 0; at < data.size();) {
        if (std::isspace(data[at])) {
            line += data[at++] == '\n';
            continue;
        }
        size_t end = at;
        while (end < data.size() && !std::isspace(data[end])) ++end;
        const std::string word(data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(end));
        at = end;
        if (word.size() != 1 || word[0] < '0' || word[0] > '8')
            return path + " line " + std::to_string(line) + ": '" + word + "' is not a mode (0 to 8)";
        modes.push_back(static_cast<int8_t>(word[0] - '0'));
    }
    if (modes.empty()) return path + " names no mode";
    return "";
}

std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    Format format = Format::Rfc4867;
    err = parse_amr_format(args, format);
    if (!err.empty()) return nullptr;
    const std::string name = arg(args, "mode", "12650");
    int mode = -1;
    for (int i = 0; i < amrwbex::kModes; ++i)
        if (name == kModeNames[i]) mode = i;
    if (mode < 0) {
        err = "--mode must be 6600, 8850, 12650, 14250, 15850, 18250, 19850, 23050 or 23850 (got '" + name +
              "')";
        return nullptr;
    }
    std::vector<int8_t> modes;
    if (args.count("modes")) {
        err = read_modes(arg(args, "modes", ""), modes);
        if (!err.empty()) return nullptr;
        if (!args.count("mode")) mode = modes.back();
    }
    return std::make_unique<Encoder>(format, mode, args.count("dtx") != 0, std::move(modes));
}

const Registrar kRegister(Codec{
    "amrwb",
    "3GPP AMR-WB (G.722.2) wide band, 6.60 to 23.85 kbit/s, with DTX",
    "    --format F    rfc4867 (default): the RFC 4867 storage format; 3gpp: the 3GPP\n"
    "                  serial format of the test sequences (16-bit words)\n"
    "    --mode M      6600, 8850, 12650 (default), 14250, 15850, 18250, 19850, 23050\n"
    "                  or 23850\n"
    "    --modes FILE  a mode per frame, numbers 0 (6600) to 8 (23850); after the file's\n"
    "                  end the last one it names, or --mode when given\n"
    "    --dtx         discontinuous transmission: silence descriptors in pauses\n",
    {"format", "mode", "modes", "dtx"},
    16000,
    make_encoder,
    make_decoder,
    Args{{"format", "rfc4867"}, {"mode", "12650"}},
    12650.0,
});

}  // namespace
}  // namespace vokscodec
