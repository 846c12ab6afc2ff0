// AMR-WB example decoder on arbitrary frames: serial frames of any header, frame type and mode
// words and any bit words (speech, SID, bad and lost frames, homing frames between them), and
// storage-format frames of any TOC octet, truncated ones read as zeros.
#include <algorithm>
#include <cstdlib>

#include "amrwb/amrwb_dec.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "ops.h"

namespace voksfuzz {

int decoder_amrwb(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    amrwbex::Decoder dec;
    int16_t pcm[amrwbex::kFrameSamples];
    int prev_mode = 0;
    run_steps(in, 16, [&](uint8_t kind) {
        amrwbex::Frame fr;
        if (kind & 0x80) {
            uint8_t frame[amrwbex::kMaxStorageBytes] = {in.u8()};
            const int n = amrwbex::storage_frame_bytes(frame[0]);
            const auto body = in.bytes(static_cast<size_t>(n - 1));
            std::copy(body.begin(), body.end(), frame + 1);
            amrwbex::read_storage(frame, fr, &prev_mode);
            if (!dec.decode_frame(fr, pcm)) std::abort();  // storage frames are always valid
            return;
        }
        // Serial frame: mostly valid headers, types and modes, bits mostly -127 or 127.
        int16_t words[amrwbex::kMaxSerialWords];
        words[0] = (kind & 0x40) ? in.i16() : (kind & 1) ? amrwbex::kSerialRx : amrwbex::kSerialTx;
        words[1] = static_cast<int16_t>((kind & 0x20) ? in.i16() : in.u8() % 8);
        words[2] = static_cast<int16_t>((kind & 0x10) ? in.i16() : in.u8() % 10);
        for (int i = 3; i < amrwbex::kMaxSerialWords; ++i)
            words[i] = (kind & 0x08) ? in.i16() : (in.u8() & 1) ? amrwbex::kSerialBit1 : amrwbex::kSerialBit0;
        if (amrwbex::read_serial(words, amrwbex::kMaxSerialWords, fr) > 0) {
            if (!dec.decode_frame(fr, pcm)) std::abort();  // frames read are always valid
        }
        // Parameter words of any value, any type, any mode.
        int16_t params[amrwbex::kMaxParams];
        for (int16_t& p : params) p = in.i16();
        dec.decode(in.u8() % 11 - 1, params, in.u8() % 9, pcm);
    });
    return 0;
}

}  // namespace voksfuzz
