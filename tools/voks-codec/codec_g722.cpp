// voks-codec adapter for G.722 (16 kHz PCM at 64, 56 or 48 kbit/s).
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

std::string encode(const Args& args, const Pcm& in, std::vector<uint8_t>& stream) {
    int rate, bits;
    bool packed;
    std::string err = parse(args, rate, bits, packed);
    if (!err.empty()) return err;
    std::vector<int16_t> pcm = in.samples;
    // Whole octets: an odd trailing sample is padded; packed streams hold whole groups of eight
    // codes so that the padding bits never read as one more code.
    const size_t unit = packed ? 16 : 2;
    pcm.resize((pcm.size() + unit - 1) / unit * unit, 0);
    g722ex::Encoder enc(rate);
    std::vector<uint8_t> octets(pcm.size() / 2);
    if (!pcm.empty() && enc.encode(pcm.data(), static_cast<int>(pcm.size()), octets.data()) < 0)
        return "encoder failed";
    stream = packed ? g722ex::pack(octets.data(), octets.size(), bits) : octets;
    return "";
}

std::string decode(const Args& args, const std::vector<uint8_t>& stream, Pcm& out) {
    int rate, bits;
    bool packed;
    std::string err = parse(args, rate, bits, packed);
    if (!err.empty()) return err;
    std::vector<bool> lost;
    const std::string loss_path = arg(args, "loss", "");
    if (!loss_path.empty()) {
        err = read_losses(loss_path, lost);
        if (!err.empty()) return err;
    }
    const std::vector<uint8_t> octets = packed ? g722ex::unpack(stream.data(), stream.size(), bits) : stream;
    g722ex::Decoder dec(rate);
    out.samples.assign(2 * octets.size(), 0);
    for (size_t pos = 0, frame = 0; pos < octets.size(); pos += kFrameOctets, ++frame) {
        const int count = static_cast<int>(std::min<size_t>(kFrameOctets, octets.size() - pos));
        int16_t* pcm = out.samples.data() + 2 * pos;
        const int r = frame < lost.size() && lost[frame] ? dec.conceal(count, pcm)
                                                         : dec.decode(octets.data() + pos, count, pcm);
        if (r < 0) return "decoder failed";
    }
    return "";
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
    encode,
    decode,
    Args{{"rate", "64000"}},
    64000.0,
});

}  // namespace
}  // namespace vokscodec
