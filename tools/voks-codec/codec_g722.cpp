// voks-codec adapter for G.722 (16 kHz PCM at 64, 56 or 48 kbit/s).
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec.h"
#include "g722/g722_codec.h"

namespace vokscodec {
namespace {

constexpr int kFrameOctets = 160;  // 20 ms: the unit of the loss pattern

std::string parse(const Args& args, int& rate, int& bits, bool& packed) {
    const std::string r = arg(args, "rate", "64000");
    rate = 0;
    try {
        rate = std::stoi(r);
    } catch (...) {
    }
    bits = g722ex::bits_for_rate(rate);
    if (bits == 0) return "--rate must be 64000, 56000 or 48000 (got '" + r + "')";
    const std::string f = arg(args, "format", "bytes");
    if (f != "bytes" && f != "packed") return "--format must be bytes or packed (got '" + f + "')";
    packed = f == "packed" && bits != 8;
    return "";
}

// Loss pattern: one character per 20 ms frame, '1', 'x' or 'X' lost, '0', '.' or '-' received;
// white space is ignored, frames past the end of the pattern are received.
std::string read_losses(const std::string& path, std::vector<bool>& lost) {
    std::vector<uint8_t> text;
    std::string err = read_file(path, text);
    if (!err.empty()) return err;
    for (uint8_t c : text) {
        if (c == '1' || c == 'x' || c == 'X')
            lost.push_back(true);
        else if (c == '0' || c == '.' || c == '-')
            lost.push_back(false);
        else if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            return "loss pattern " + path + ": unexpected character '" + std::string(1, char(c)) + "'";
    }
    return "";
}

constexpr size_t kBlockFrames = 25;  // 0.5 s per step
constexpr size_t kBlockOctets = kBlockFrames * kFrameOctets;

class Encoder : public Coder {
public:
    Encoder(int rate, int bits, bool packed) : enc_(rate), bits_(bits), packed_(packed) {}

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t n = in.read_samples(pcm_, 2 * kBlockOctets);
        if (!in.error().empty()) return false;
        // Whole octets: an odd trailing sample is padded; packed streams hold whole groups of
        // eight codes so that the padding bits never read as one more code.
        const size_t unit = packed_ ? 16 : 2;
        const size_t padded = (n + unit - 1) / unit * unit;
        std::fill(pcm_ + n, pcm_ + padded, int16_t{0});
        padded_ += padded - n;
        if (padded > 0 && enc_.encode(pcm_, static_cast<int>(padded), octets_) < 0) {
            err = "encoder failed";
            return false;
        }
        const size_t bytes = packed_ ? g722ex::pack(octets_, padded / 2, bits_, packed_bytes_) : padded / 2;
        err = out.write(packed_ ? packed_bytes_ : octets_, bytes);
        return err.empty() && n == 2 * kBlockOctets;
    }

private:
    g722ex::Encoder enc_;
    int bits_;
    bool packed_;
    int16_t pcm_[2 * kBlockOctets];
    uint8_t octets_[kBlockOctets];
    uint8_t packed_bytes_[kBlockOctets];
};

// Decodes in 20 ms frames of 160 octets counted from the start of the stream (the loss
// pattern's unit); the last frame may be shorter.
class Decoder : public Coder {
public:
    Decoder(int rate, int bits, bool packed, std::vector<bool> lost)
        : dec_(rate), bits_(bits), packed_(packed), lost_(std::move(lost)) {}

    bool step(Input& in, Output& out, std::string& err) override {
        // Packed: a multiple of `bits` bytes holds whole codes only.
        const size_t want = packed_ ? kBlockOctets / 8 * bits_ : kBlockOctets;
        const size_t n = in.read(packed_ ? raw_ : octets_ + held_, want);
        if (!in.error().empty()) return false;
        const size_t count = held_ + (packed_ ? g722ex::unpack(raw_, n, bits_, octets_ + held_) : n);
        const bool end = n < want;
        size_t pos = 0;
        int16_t* pcm = pcm_;
        while (count - pos >= kFrameOctets || (end && pos < count)) {
            const int m = static_cast<int>(std::min<size_t>(kFrameOctets, count - pos));
            const int r = frame_ < lost_.size() && lost_[frame_] ? dec_.conceal(m, pcm)
                                                                 : dec_.decode(octets_ + pos, m, pcm);
            if (r < 0) {
                err = "decoder failed";
                return false;
            }
            pos += static_cast<size_t>(m);
            pcm += r;
            ++frame_;
        }
        held_ = count - pos;
        std::memmove(octets_, octets_ + pos, held_);
        err = out.write_samples(pcm_, static_cast<size_t>(pcm - pcm_));
        return err.empty() && !end;
    }

private:
    g722ex::Decoder dec_;
    int bits_;
    bool packed_;
    std::vector<bool> lost_;
    size_t frame_ = 0;
    size_t held_ = 0;  // octets of an incomplete frame kept for the next step
    uint8_t raw_[kBlockOctets];
    uint8_t octets_[kBlockOctets + kFrameOctets];
    int16_t pcm_[2 * (kBlockOctets + kFrameOctets)];
};

std::unique_ptr<Coder> make_encoder(const Args& args, std::string& err) {
    int rate, bits;
    bool packed;
    err = parse(args, rate, bits, packed);
    if (!err.empty()) return nullptr;
    return std::make_unique<Encoder>(rate, bits, packed);
}

std::unique_ptr<Coder> make_decoder(const Args& args, std::string& err) {
    int rate, bits;
    bool packed;
    err = parse(args, rate, bits, packed);
    if (!err.empty()) return nullptr;
    std::vector<bool> lost;
    const std::string loss_path = arg(args, "loss", "");
    if (!loss_path.empty()) {
        err = read_losses(loss_path, lost);
        if (!err.empty()) return nullptr;
    }
    return std::make_unique<Decoder>(rate, bits, packed, std::move(lost));
}

const Registrar kRegister(Codec{
    "g722",
    "ITU-T G.722 sub-band ADPCM, 64/56/48 kbit/s, with packet-loss concealment",
    "    --rate R      64000 (default), 56000 or 48000 bit/s\n"
    "    --format F    bytes (default): one G.722 octet per byte as RTP carries it (at 56000\n"
    "                  and 48000 the unused low bits are zero); packed: 7- or 6-bit codes\n"
    "                  packed least significant bit first (same as bytes at 64000)\n"
    "    --loss FILE   decode and roundtrip: loss pattern, one character per 20 ms frame (160\n"
    "                  codes, counted from the start of the stream): '1', 'x' or 'X' = lost\n"
    "                  (concealed from the past signal), '0', '.' or '-' = received; white\n"
    "                  space is ignored and frames past the pattern's end are received\n",
    {"rate", "format", "loss"},
    16000,
    make_encoder,
    make_decoder,
    Args{{"rate", "64000"}},
    64000.0,
});

}  // namespace
}  // namespace vokscodec
