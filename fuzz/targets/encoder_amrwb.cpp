// AMR-WB example encoder on arbitrary 16 kHz input: frames of full-scale, constant, silent and
// random samples and encoder homing frames, any mode per frame, with and without DTX. Every frame
// must be well formed: its type agrees with its mode and each parameter fits its field.
#include <cstdlib>

#include "amrwb/amrwb_enc.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "ops.h"

namespace voksfuzz {

int encoder_amrwb(const uint8_t* data, size_t size) {
    Input in(data, size);
    select_level(in.u8());
    amrwbex::Encoder enc;
    enc.init(in.u8() & 1);
    int16_t pcm[320];
    run_steps(in, 12, [&](uint8_t kind) {
        const int16_t fill = (kind & 0x40) ? 0x0008 : in.i16();  // a homing frame or a constant
        for (int16_t& s : pcm) s = (kind & 0x80) ? in.sample() : fill;
        amrwbex::EncodedFrame fr;
        const int mode = kind % 16 < 9 ? kind % 16 : in.u8() % 11 - 1;
        if (enc.encode(pcm, mode, fr) != (mode >= 0 && mode <= 8)) std::abort();
        if (mode < 0 || mode > 8) return;
        if ((fr.tx_type == amrwbex::kTxSpeech) != (fr.mode == mode) ||
            (fr.mode != mode && fr.mode != amrwbex::kSid) || fr.count != amrwbex::param_count(fr.mode) ||
            fr.requested != mode)
            std::abort();
        for (int i = 0; i < fr.count; ++i)
            if (fr.params[i] < 0 || fr.params[i] >> amrwbex::param_width(fr.mode, i)) std::abort();
    });
    return 0;
}

}  // namespace voksfuzz
