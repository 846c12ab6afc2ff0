// voks-codec adapter for G.726 (8 kHz PCM at 16, 24, 32 or 40 kbit/s).
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "codec.h"
#include "g726/g726_codec.h"

namespace vokscodec {
namespace {

struct Settings {
    int rate = 0;
    g726ex::Law law = g726ex::Law::Linear;
    g726ex::Format format = g726ex::Format::Bytes;
};

std::string parse(const Args& args, Settings& s) {
    const std::string r = arg(args, "rate", "32000");
    try {
        s.rate = std::stoi(r);
    } catch (...) {
        s.rate = 0;
    }
    if (g726ex::code_bits(s.rate) == 0)
        return "--rate must be 16000, 24000, 32000 or 40000 (got '" + r + "')";
    const std::string l = arg(args, "law", "linear");
    if (l == "linear")
        s.law = g726ex::Law::Linear;
    else if (l == "alaw")
        s.law = g726ex::Law::ALaw;
    else if (l == "ulaw")
        s.law = g726ex::Law::MuLaw;
    else
        return "--law must be linear, alaw or ulaw (got '" + l + "')";
    const std::string f = arg(args, "format", "bytes");
    if (f == "bytes")
        s.format = g726ex::Format::Bytes;
    else if (f == "packed")
        s.format = g726ex::Format::Packed;
    else
        return "--format must be bytes or packed (got '" + f + "')";
    return "";
}

constexpr size_t kBlock = 8000;  // samples per step (1 s): a multiple of 8

class Encoder : public Coder {
public:
    static constexpr const char* kSetUpError = "encoder set-up failed";
    explicit Encoder(const Settings& s) : s_(s) { ok = enc_.init(s.rate, s.law, s.format); }
    bool ok;

    bool step(Input& in, Output& out, std::string& err) override {
        // Packed streams hold whole groups of eight codes (a whole number of octets at every
        // rate), so padding bits never decode as extra samples; the padding is silence.
        const bool packed = s_.format == g726ex::Format::Packed;
        size_t n;
        codes_.clear();
        if (s_.law == g726ex::Law::Linear) {
            n = in.read_samples(pcm_, kBlock);
            if (!in.error().empty()) return false;
            const size_t padded = packed ? (n + 7) / 8 * 8 : n;
            std::fill(pcm_ + n, pcm_ + padded, int16_t{0});
            padded_ += padded - n;
            enc_.encode(pcm_, padded, codes_);
        } else {
            if (in.wav()) {
                // A WAV file holds samples, not G.711 codes: only an empty one passes.
                if (in.read_samples(pcm_, 1) > 0 && in.error().empty())
                    err = "with --law alaw or ulaw the PCM file must be raw G.711 codes, one per byte";
                return false;
            }
            n = in.read(g711_, kBlock);
            if (!in.error().empty()) return false;
            const size_t padded = packed ? (n + 7) / 8 * 8 : n;
            std::fill(g711_ + n, g711_ + padded,
                      static_cast<uint8_t>(s_.law == g726ex::Law::ALaw ? 0xD5 : 0xFF));
            padded_ += padded - n;
            enc_.encode(g711_, padded, codes_);
        }
        const bool more = n == kBlock;
        if (!more) enc_.finish(codes_);
        err = out.write(codes_.data(), codes_.size());
        return err.empty() && more;
    }

private:
    Settings s_;
    g726ex::Encoder enc_;
    int16_t pcm_[kBlock];
    uint8_t g711_[kBlock];
    std::vector<uint8_t> codes_;
};

class Decoder : public Coder {
public:
    static constexpr const char* kSetUpError = "decoder set-up failed";
    explicit Decoder(const Settings& s) : s_(s) { ok = dec_.init(s.rate, s.law, s.format); }
    bool ok;

    bool step(Input& in, Output& out, std::string& err) override {
        const size_t n = in.read(stream_, kBlock);
        if (!in.error().empty()) return false;
        if (s_.law != g726ex::Law::Linear && out.wav()) {
            err = out.name() + ": these options produce raw bytes, not WAV samples";
            return false;
        }
        if (s_.law == g726ex::Law::Linear) {
            pcm_.clear();
            dec_.decode(stream_, n, pcm_);
            err = out.write_samples(pcm_.data(), pcm_.size());
        } else {
            g711_.clear();
            dec_.decode(stream_, n, g711_);
            err = out.write(g711_.data(), g711_.size());
        }
        return err.empty() && n == kBlock;
    }

private:
    Settings s_;
    g726ex::Decoder dec_;
    uint8_t stream_[kBlock];
    std::vector<int16_t> pcm_;
    std::vector<uint8_t> g711_;
};

template <class C>
std::unique_ptr<Coder> make(const Args& args, std::string& err) {
    Settings s;
    err = parse(args, s);
    if (!err.empty()) return nullptr;
    auto coder = std::make_unique<C>(s);
    if (!coder->ok) {
        err = C::kSetUpError;
        return nullptr;
    }
    return coder;
}

const Registrar kRegister(Codec{
    "g726",
    "ITU-T G.726 ADPCM, 16/24/32/40 kbit/s",
    "    --rate R      16000, 24000, 32000 (default) or 40000 bit/s\n"
    "    --law L       linear (default): 16-bit PCM, coded as x >> 2 and decoded times 4;\n"
    "                  alaw, ulaw: the PCM file holds one G.711 code per byte, and the\n"
    "                  decoder writes G.711 codes with synchronous coding adjustment\n"
    "    --format F    bytes (default): one code per byte; packed: codes packed least\n"
    "                  significant bit first as RFC 3551 (input padded with silence to a\n"
    "                  multiple of 8 samples)\n",
    {"rate", "law", "format"},
    8000,
    make<Encoder>,
    make<Decoder>,
    Args{{"rate", "32000"}, {"format", "packed"}},
    32000.0,
});

}  // namespace
}  // namespace vokscodec
