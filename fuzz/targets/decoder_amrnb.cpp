// GSM-AMR example decoder on arbitrary frames: serial frames with any TX type, mode word and bit
// words (speech, SID, bad and lost frames, homing frames between them), and storage-format frames
// of any TOC octet, truncated ones read as zeros.
#include <cstdlib>

#include "amrnb/amrnb_dec.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "ops.h"

namespace voksfuzz {

int decoder_amrnb(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    amrnb::DecoderState dec;
    amrnb::decoder_init(&dec);
    int16_t pcm[amrnb::kFrameSamples];
    run_steps(in, 24, [&](uint8_t kind) {
        amrnb::SerialFrame fr;
        if (kind & 0x80) {
            uint8_t frame[32] = {in.u8()};
            const int n = amrnb::storage_frame_bytes(frame[0]);
            const auto body = in.bytes(static_cast<size_t>(n - 1));
            for (size_t i = 0; i < body.size(); ++i) frame[1 + i] = body[i];
            amrnb::storage_to_serial(frame, fr);
            if (!amrnb::decode_serial(&dec, fr, pcm)) std::abort();  // storage frames are always valid
            return;
        }
        // Serial frame: mostly valid types and modes, bits mostly 0 or 1.
        fr.tx_type = static_cast<int16_t>((kind & 0x40) ? in.i16() : kind % 8);
        fr.mode = static_cast<int16_t>((kind & 0x20) ? in.i16() : in.u8() % 9 - 1);
        for (int16_t& b : fr.bits) b = (kind & 0x10) ? in.i16() : static_cast<int16_t>(in.u8() & 1);
        amrnb::decode_serial(&dec, fr, pcm);
    });
    return 0;
}

}  // namespace voksfuzz
