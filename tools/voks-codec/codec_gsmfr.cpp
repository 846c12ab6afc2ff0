// voks-codec adapter for GSM 06.10 full rate (8 kHz PCM, 13 kbit/s).
#include <string>
#include <vector>

#include "codec.h"
#include "gsm/gsmfr_codec.h"

namespace vokscodec {
namespace {

enum class Format { Packed, Params };

std::string parse(const Args& args, Format& format) {
    const std::string f = arg(args, "format", "packed");
    if (f == "packed") format = Format::Packed;
    else if (f == "params") format = Format::Params;
    else return "--format must be packed or params (got '" + f + "')";
    return "";
}

std::string encode(const Args& args, const Pcm& in, std::vector<uint8_t>& stream) {
    Format format = Format::Packed;
    std::string err = parse(args, format);
    if (!err.empty()) return err;
    // The last frame is completed with silence.
    std::vector<int16_t> pcm = in.samples;
    pcm.resize((pcm.size() + gsmfr::kFrameSamples - 1) / gsmfr::kFrameSamples * gsmfr::kFrameSamples, 0);
    gsmfr::Encoder enc;
    gsmfr::encoder_init(&enc);
    stream.clear();
    int16_t params[gsmfr::kFrameParams];
    for (size_t pos = 0; pos < pcm.size(); pos += gsmfr::kFrameSamples) {
        gsmfr::encode(&enc, &pcm[pos], params);
        if (format == Format::Packed) {
            uint8_t frame[gsmfr::kPackedBytes];
            gsmfr::pack(params, frame);
            stream.insert(stream.end(), frame, frame + gsmfr::kPackedBytes);
        } else {
            const std::vector<uint8_t> bytes =
                bytes_from_words(std::vector<int16_t>(params, params + gsmfr::kFrameParams));
            stream.insert(stream.end(), bytes.begin(), bytes.end());
        }
    }
    return "";
}

std::string decode(const Args& args, const std::vector<uint8_t>& stream, Pcm& out) {
    Format format = Format::Packed;
    std::string err = parse(args, format);
    if (!err.empty()) return err;
    const size_t frame_bytes = format == Format::Packed ? gsmfr::kPackedBytes : 2 * gsmfr::kFrameParams;
    if (stream.size() % frame_bytes != 0) {
        return "stream length " + std::to_string(stream.size()) + " is not a multiple of the " +
               std::to_string(frame_bytes) + "-byte frame";
    }
    gsmfr::Decoder dec;
    gsmfr::decoder_init(&dec);
    out.samples.assign(stream.size() / frame_bytes * gsmfr::kFrameSamples, 0);
    int16_t params[gsmfr::kFrameParams];
    for (size_t f = 0; f < stream.size() / frame_bytes; ++f) {
        const uint8_t* frame = &stream[f * frame_bytes];
        if (format == Format::Packed) {
            if (!gsmfr::unpack(frame, params)) {
                return "frame " + std::to_string(f) + " lacks the 0xD signature of an RFC 3551 GSM frame";
            }
        } else {
            for (int i = 0; i < gsmfr::kFrameParams; ++i) {
                params[i] = static_cast<int16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
            }
        }
        gsmfr::decode(&dec, params, &out.samples[f * gsmfr::kFrameSamples]);
    }
    return "";
}

const Registrar kRegister(Codec{
    "gsmfr",
    "ETSI GSM 06.10 full rate (RPE-LTP), 13 kbit/s",
    "    --format F    packed (default): 33-byte RFC 3551 frames; params: 76 little-endian\n"
    "                  16-bit parameter words per frame as in the ETSI test sequences\n"
    "                  (each taken modulo its field width on decoding)\n",
    {"format"},
    8000,
    encode,
    decode,
    Args{{"format", "packed"}},
    13200.0,
});

}  // namespace
}  // namespace vokscodec
