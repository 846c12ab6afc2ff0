// voks-codec adapter for G.726 (8 kHz PCM at 16, 24, 32 or 40 kbit/s).
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
    if (l == "linear") s.law = g726ex::Law::Linear;
    else if (l == "alaw") s.law = g726ex::Law::ALaw;
    else if (l == "ulaw") s.law = g726ex::Law::MuLaw;
    else return "--law must be linear, alaw or ulaw (got '" + l + "')";
    const std::string f = arg(args, "format", "bytes");
    if (f == "bytes") s.format = g726ex::Format::Bytes;
    else if (f == "packed") s.format = g726ex::Format::Packed;
    else return "--format must be bytes or packed (got '" + f + "')";
    return "";
}

std::string encode(const Args& args, const Pcm& in, std::vector<uint8_t>& stream) {
    Settings s;
    std::string err = parse(args, s);
    if (!err.empty()) return err;
    g726ex::Encoder enc;
    if (!enc.init(s.rate, s.law, s.format)) return "encoder set-up failed";
    // Packed streams hold whole groups of eight codes (a whole number of octets at every
    // rate), so padding bits never decode as extra samples; the padding is silence.
    const bool packed = s.format == g726ex::Format::Packed;
    stream.clear();
    if (s.law == g726ex::Law::Linear) {
        std::vector<int16_t> pcm = in.samples;
        if (packed) pcm.resize((pcm.size() + 7) / 8 * 8, 0);
        enc.encode(pcm.data(), pcm.size(), stream);
    } else {
        if (in.bytes.empty() && !in.samples.empty())
            return "with --law alaw or ulaw the PCM file must be raw G.711 codes, one per byte";
        std::vector<uint8_t> g711 = in.bytes;
        if (packed) g711.resize((g711.size() + 7) / 8 * 8, s.law == g726ex::Law::ALaw ? 0xD5 : 0xFF);
        enc.encode(g711.data(), g711.size(), stream);
    }
    enc.finish(stream);
    return "";
}

std::string decode(const Args& args, const std::vector<uint8_t>& stream, Pcm& out) {
    Settings s;
    std::string err = parse(args, s);
    if (!err.empty()) return err;
    g726ex::Decoder dec;
    if (!dec.init(s.rate, s.law, s.format)) return "decoder set-up failed";
    if (s.law == g726ex::Law::Linear) {
        out.samples.clear();
        dec.decode(stream.data(), stream.size(), out.samples);
    } else {
        out.bytes.clear();
        dec.decode(stream.data(), stream.size(), out.bytes);
        out.use_bytes = true;
    }
    return "";
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
    encode,
    decode,
    Args{{"rate", "32000"}, {"format", "packed"}},
    32000.0,
});

}  // namespace
}  // namespace vokscodec
