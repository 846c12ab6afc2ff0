// voks-codec adapters for G.729 and G.729 Annex A (8 kHz PCM, 8 kbit/s).
#include <string>
#include <vector>

#include "codec.h"
#include "g729/g729_codec.h"

namespace vokscodec {
namespace {

enum class Format { Packed, Itu };

std::string parse(const Args& args, Format& format) {
    const std::string f = arg(args, "format", "packed");
    if (f == "packed")
        format = Format::Packed;
    else if (f == "itu")
        format = Format::Itu;
    else
        return "--format must be packed or itu (got '" + f + "')";
    return "";
}

std::string encode(g729::Variant variant, const Args& args, const Pcm& in, std::vector<uint8_t>& stream) {
    Format format = Format::Packed;
    std::string err = parse(args, format);
    if (!err.empty()) return err;
    // The last frame is completed with silence.
    std::vector<int16_t> pcm = in.samples;
    pcm.resize((pcm.size() + g729::kFrameSamples - 1) / g729::kFrameSamples * g729::kFrameSamples, 0);
    g729::Encoder enc;
    g729::encoder_init(&enc, variant);
    stream.clear();
    int16_t params[g729::kFrameParams];
    for (size_t pos = 0; pos < pcm.size(); pos += g729::kFrameSamples) {
        g729::encode(&enc, &pcm[pos], params);
        if (format == Format::Packed) {
            uint8_t frame[g729::kPackedBytes];
            g729::pack(params, frame);
            stream.insert(stream.end(), frame, frame + g729::kPackedBytes);
        } else {
            int16_t serial[g729::kSerialWords];
            g729::params_to_serial(params, serial);
            const std::vector<uint8_t> bytes =
                bytes_from_words(std::vector<int16_t>(serial, serial + g729::kSerialWords));
            stream.insert(stream.end(), bytes.begin(), bytes.end());
        }
    }
    return "";
}

std::string decode(g729::Variant variant, const Args& args, const std::vector<uint8_t>& stream, Pcm& out) {
    Format format = Format::Packed;
    std::string err = parse(args, format);
    if (!err.empty()) return err;
    const size_t frame_bytes = format == Format::Packed ? g729::kPackedBytes : 2 * g729::kSerialWords;
    if (stream.size() % frame_bytes != 0) {
        return "stream length " + std::to_string(stream.size()) + " is not a multiple of the " +
               std::to_string(frame_bytes) + "-byte frame";
    }
    const size_t frames = stream.size() / frame_bytes;
    g729::Decoder dec;
    g729::decoder_init(&dec, variant);
    out.samples.assign(frames * g729::kFrameSamples, 0);
    int16_t params[g729::kFrameParams];
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* frame = &stream[f * frame_bytes];
        bool erased = false;
        if (format == Format::Packed) {
            g729::unpack(frame, params);
        } else {
            int16_t serial[g729::kSerialWords];
            for (int i = 0; i < g729::kSerialWords; ++i) {
                serial[i] = static_cast<int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
            }
            if ((serial[0] != g729::kSyncWord && serial[0] != g729::kSyncErased) ||
                serial[1] != g729::kFrameBits) {
                return "frame " + std::to_string(f) +
                       " is not an ITU serial frame (sync 0x6B21 or 0x6B20, length 80)";
            }
            erased = g729::serial_to_params(serial, params);
        }
        g729::decode(&dec, params, erased, &out.samples[f * g729::kFrameSamples]);
    }
    return "";
}

std::string encode_main(const Args& a, const Pcm& in, std::vector<uint8_t>& s) {
    return encode(g729::Variant::Main, a, in, s);
}
std::string decode_main(const Args& a, const std::vector<uint8_t>& s, Pcm& out) {
    return decode(g729::Variant::Main, a, s, out);
}
std::string encode_a(const Args& a, const Pcm& in, std::vector<uint8_t>& s) {
    return encode(g729::Variant::AnnexA, a, in, s);
}
std::string decode_a(const Args& a, const std::vector<uint8_t>& s, Pcm& out) {
    return decode(g729::Variant::AnnexA, a, s, out);
}

constexpr const char* kFormatHelp =
    "    --format F    packed (default): 10-byte RFC 3551 frames; itu: ITU serial frames of\n"
    "                  82 little-endian words (sync 0x6B21, or 0x6B20 for an erased frame,\n"
    "                  length 80, one word per bit: 0x007F = 0, 0x0081 = 1; a bit word of 0\n"
    "                  also marks the frame erased)\n";

const Registrar kRegisterMain(Codec{
    "g729",
    "ITU-T G.729 CS-ACELP, 8 kbit/s",
    kFormatHelp,
    {"format"},
    8000,
    encode_main,
    decode_main,
    Args{{"format", "packed"}},
    8000.0,
});

const Registrar kRegisterA(Codec{
    "g729a",
    "ITU-T G.729 Annex A (reduced complexity), 8 kbit/s",
    kFormatHelp,
    {"format"},
    8000,
    encode_a,
    decode_a,
    Args{{"format", "packed"}},
    8000.0,
});

}  // namespace
}  // namespace vokscodec
