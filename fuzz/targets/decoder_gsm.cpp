// GSM full-rate example coder: arbitrary parameter words, arbitrary RFC 3551 frames (any
// signature), homing frames, and the encoder on arbitrary PCM.
#include <cstdlib>

#include "gsm/gsmfr_codec.h"
#include "ops.h"

namespace voksfuzz {

int decoder_gsm(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    gsmfr::Decoder dec;
    gsmfr::decoder_init(&dec);
    gsmfr::Encoder enc;
    gsmfr::encoder_init(&enc);
    int16_t params[gsmfr::kFrameParams];
    int16_t pcm[gsmfr::kFrameSamples];
    run_steps(in, 12, [&](uint8_t kind) {
        switch (kind & 3) {
            case 0:
                for (int16_t& p : params) p = in.i16();
                break;
            case 1: {
                auto bytes = in.bytes(gsmfr::kPackedBytes);
                if (kind & 4) bytes[0] = static_cast<uint8_t>(0xD0 | (bytes[0] & 0x0F));
                int16_t canary[gsmfr::kFrameParams];
                for (int i = 0; i < gsmfr::kFrameParams; ++i)
                    canary[i] = params[i] = static_cast<int16_t>(0x5A5A + i);
                if (!gsmfr::unpack(bytes.data(), params)) {
                    // A rejected frame writes nothing.
                    for (int i = 0; i < gsmfr::kFrameParams; ++i)
                        if (params[i] != canary[i]) std::abort();
                    return;
                }
                for (int i = 0; i < gsmfr::kFrameParams; ++i)
                    if (params[i] < 0 || params[i] >= (1 << gsmfr::param_bits(i))) std::abort();
                break;
            }
            case 2: {
                const auto speech = in.vec<int16_t>(gsmfr::kFrameSamples);
                gsmfr::encode(&enc, speech.data(), params);
                break;
            }
            default: {
                // The encoder homing frame through the encoder: the decoder homing frame results.
                int16_t homing[gsmfr::kFrameSamples];
                for (int16_t& s : homing) s = 0x0008;
                gsmfr::encode(&enc, homing, params);
                break;
            }
        }
        gsmfr::decode(&dec, params, pcm);
        for (int16_t s : pcm)
            if (s & 7) std::abort();  // 13-bit output
    });
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(decoder_gsm)
