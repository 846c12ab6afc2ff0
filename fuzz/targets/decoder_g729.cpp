// G.729 and G.729 Annex A example coders on arbitrary frames: raw parameter words, RFC 3551
// packed frames and ITU serial frames (any sync, length and bit words), with erasures, and the
// encoder on arbitrary PCM. The coders report no library error for any of it.
#include <cstdlib>

#include "g729/g729_codec.h"
#include "ops.h"

namespace voksfuzz {

int decoder_g729(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 1);
    const g729::Variant variant = (head & 1) ? g729::Variant::AnnexA : g729::Variant::Main;
    g729::Decoder dec;
    g729::decoder_init(&dec, variant);
    g729::Encoder enc;
    bool enc_ready = false;
    int16_t params[g729::kFrameParams];
    int16_t pcm[g729::kFrameSamples];
    run_steps(in, 12, [&](uint8_t kind) {
        bool erased = (kind & 0x80) != 0;
        switch (kind & 3) {
            case 0:
                for (int16_t& p : params) p = in.i16();
                break;
            case 1: {
                const auto bytes = in.bytes(g729::kPackedBytes);
                g729::unpack(bytes.data(), params);
                break;
            }
            case 2: {
                const auto words = in.vec<int16_t>(g729::kSerialWords);
                erased = g729::serial_to_params(words.data(), params) || erased;
                break;
            }
            default: {
                // One frame of arbitrary PCM through the encoder, then its parameters decoded.
                if (!enc_ready) {
                    g729::encoder_init(&enc, (kind & 4) ? g729::Variant::AnnexA : g729::Variant::Main);
                    enc_ready = true;
                }
                const auto speech = in.vec<int16_t>(g729::kFrameSamples);
                if (!g729::encode(&enc, speech.data(), params)) std::abort();
                for (int i = 0; i < g729::kFrameParams; ++i)
                    if (params[i] < 0 || params[i] >= (1 << g729::param_bits(i))) std::abort();
                break;
            }
        }
        if (!g729::decode(&dec, params, erased, pcm)) std::abort();
    });
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(decoder_g729)
