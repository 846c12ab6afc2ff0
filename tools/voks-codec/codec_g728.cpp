// voks-codec adapter for G.728 (8 kHz PCM at 16 kbit/s, LD-CELP).
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "codec.h"
#include "g728/g728_codec.h"

namespace vokscodec {
namespace {

constexpr size_t kBlockWords = 64 * g728ex::kErasureUnit;  // 0.64 s per step
constexpr size_t kGroupWords = 4;                          // packed: four words in five bytes

struct Settings {
    bool packed = false;
    bool postfilter = true;
    std::vector<bool> lost;
};

// Loss pattern: one character per 10 ms unit of 16 code words, '1', 'x' or 'X' lost, '0', '.'
// or '-' received, white space ignored; the pattern repeats when the stream outlasts it, as the
// reference decoder reads its erasure masks.
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
    if (lost.empty()) return "loss pattern " + path + ": no frames";
    return "";
}

std::string parse(const Args& args, Settings& s, bool decoding) {
    const std::string f = arg(args, "format", "index");
    if (f != "index" && f != "packed") return "--format must be index or packed (got '" + f + "')";
    s.packed = f == "packed";
    const std::string p = arg(args, "postfilter", "on");
    if (p != "on" && p != "off") return "--postfilter must be on or off (got '" + p + "')";
    s.postfilter = p == "on";
    const std::string loss = arg(args, "loss", "");
    if (!loss.empty() && decoding) {
        if (!s.postfilter) return "--loss needs the post-filter (--postfilter on)";
        return read_losses(loss, s.lost);
    }
    return "";
}

class Encoder : public Coder {
public:
    explicit Encoder(const Settings& s) : packed_(s.packed) {}

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t n = in.read_samples(pcm_, kBlockWords * g728ex::kVector);
        if (!in.error().empty()) return false;
        // Whole vectors (whole groups of four when packed), padded with silence.
        const size_t unit = g728ex::kVector * (packed_ ? kGroupWords : 1);
        const size_t padded = (n + unit - 1) / unit * unit;
        std::fill(pcm_ + n, pcm_ + padded, int16_t{0});
        const size_t words = padded / g728ex::kVector;
        enc_.encode(pcm_, words_, words);
        size_t bytes = 0;
        if (packed_) {
            // RFC 3551: four 10-bit words in five octets, most significant bit first.
            for (size_t i = 0; i < words; i += kGroupWords) {
                uint64_t acc = 0;
                for (size_t k = 0; k < kGroupWords; ++k) acc = acc << 10 | (words_[i + k] & 0x3FF);
                for (int k = 4; k >= 0; --k) bytes_[bytes++] = static_cast<uint8_t>(acc >> (8 * k));
            }
        } else {
            for (size_t i = 0; i < words; ++i) {
                bytes_[bytes++] = static_cast<uint8_t>(words_[i]);
                bytes_[bytes++] = static_cast<uint8_t>(words_[i] >> 8);
            }
        }
        err = out.write(bytes_, bytes);
        return err.empty() && n == kBlockWords * g728ex::kVector;
    }

private:
    bool packed_;
    g728ex::Encoder enc_;
    int16_t pcm_[kBlockWords * g728ex::kVector];
    uint16_t words_[kBlockWords];
    uint8_t bytes_[kBlockWords * 2];
};

// Decodes in units of 16 code words counted from the start of the stream (the loss pattern's
// unit); the last unit may be shorter.
class Decoder : public Coder {
public:
    explicit Decoder(const Settings& s) : packed_(s.packed), lost_(s.lost), dec_(s.postfilter) {}

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t want = packed_ ? kBlockWords / kGroupWords * 5 : kBlockWords * 2;
        const size_t n = in.read(raw_, want);
        if (!in.error().empty()) return false;
        const bool end = n < want;
        const size_t unit = packed_ ? 5 : 2;
        if (n % unit != 0) {
            err = "truncated G.728 stream: " + std::to_string(in.consumed() - n % unit) +
                  " bytes of whole code words, then " + std::to_string(n % unit) + " more";
            return false;
        }
        size_t count = held_;
        if (packed_) {
            for (size_t i = 0; i < n; i += 5) {
                uint64_t acc = 0;
                for (size_t k = 0; k < 5; ++k) acc = acc << 8 | raw_[i + k];
                for (int k = 3; k >= 0; --k)
                    words_[count++] = static_cast<uint16_t>((acc >> (10 * k)) & 0x3FF);
            }
        } else {
            for (size_t i = 0; i < n; i += 2) {
                const uint16_t w = static_cast<uint16_t>(raw_[i] | raw_[i + 1] << 8);
                if (w > 1023) {
                    err = "code word " + std::to_string(w) + " above 1023 at byte " +
                          std::to_string(in.consumed() - n + i);
                    return false;
                }
                words_[count++] = w;
            }
        }
        const size_t u = g728ex::kErasureUnit;
        size_t pos = 0;
        int16_t* pcm = pcm_;
        while (count - pos >= u || (end && pos < count)) {
            const size_t m = std::min(u, count - pos);
            if (!lost_.empty() && lost_[unit_ % lost_.size()]) {
                int16_t tmp[u * g728ex::kVector];
                dec_.conceal(tmp);
                std::copy(tmp, tmp + m * g728ex::kVector, pcm);
            } else {
                dec_.decode(words_ + pos, pcm, m);
            }
            pos += m;
            pcm += m * g728ex::kVector;
            ++unit_;
        }
        held_ = count - pos;
        std::memmove(words_, words_ + pos, held_ * sizeof(uint16_t));
        err = out.write_samples(pcm_, static_cast<size_t>(pcm - pcm_));
        return err.empty() && !end;
    }

private:
    bool packed_;
    std::vector<bool> lost_;
    g728ex::Decoder dec_;
    size_t unit_ = 0;
    size_t held_ = 0;  // code words of an incomplete unit kept for the next step
    uint8_t raw_[kBlockWords * 2];
    uint16_t words_[kBlockWords + g728ex::kErasureUnit];
    int16_t pcm_[(kBlockWords + g728ex::kErasureUnit) * g728ex::kVector];
};

template <class C>
std::unique_ptr<Coder> make(const Args& args, std::string& err) {
    Settings s;
    err = parse(args, s, std::is_same<C, Decoder>::value);
    if (!err.empty()) return nullptr;
    return std::make_unique<C>(s);
}

const Registrar kRegister(Codec{
    "g728",
    "ITU-T G.728 LD-CELP, 16 kbit/s (fixed-point coder), with frame-erasure concealment",
    "    --format F     index (default): one 10-bit code word per 16-bit little-endian word;\n"
    "                   packed: four code words in five bytes, most significant bit first\n"
    "                   (RFC 3551; the encoder pads the input with silence to 20 samples)\n"
    "    --postfilter P on (default) or off: the decoder's adaptive post-filter\n"
    "    --loss FILE    decode: loss pattern, one character per 10 ms unit of 16 code words\n"
    "                   ('1' lost, '0' received), repeated as needed; needs the post-filter\n",
    {"format", "postfilter", "loss"},
    8000,
    make<Encoder>,
    make<Decoder>,
    Args{{"format", "packed"}},
    16000.0,
});

}  // namespace
}  // namespace vokscodec
