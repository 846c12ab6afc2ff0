// Tone detector and level control: states holding arbitrary bytes or set up by Init, arbitrary
// lengths, rates, levels and gains; failed checks write nothing.
#include "ops.h"

namespace voksfuzz {

int ops_ec_tone(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head);
    const int fs = (head & 0x40) ? 16000 : 8000;
    std::vector<uint8_t> tone, alc;
    auto* t32 = state_block<VokToneDetectState_32f>(
        in, tone, 80, (head >> 1) & 15, head & 0x20,
        [&](VokToneDetectState_32f* s) { voksToneDetectInit_EC_32f(s, fs); });
    auto* t16 = reinterpret_cast<VokToneDetectState_16s*>(t32);
    auto* a = state_block<VokALCState_G169>(in, alc, 124, head & 7, head & 0x80, voksALCInit_G169_16s);
    run_steps(in, 6, [&](uint8_t op) {
        Guard g;
        g.watch(tone);
        g.watch(alc);
        const int len = in.length(1, 480);
        const size_t n = count(len);
        auto x = in.v16(n);
        auto xf = in.vf(n);
        auto& y = g(std::vector<int16_t>(n));
        int flag = 0;
        const Call calls[] = {
            [&] { return voksToneDetect_EC_32f(xf.data(), len, &flag, t32); },
            [&] { return voksToneDetect_EC_16s(x.data(), len, &flag, t16); },
            [&] { return voksToneDetectInit_EC_16s(t16, (op & 0x80) ? in.i32() : fs); },
            [&] { return voksALC_G169_16s(x.data(), (op & 0x80) ? x.data() : y.data(), len, a); },
            [&] { return voksALCSetLevel_G169_16s(a, in.f32(), in.f32()); },
            [&] { return voksALCSetGain_G169_16s(a, in.f32()); },
        };
        g.run(calls, op);
    });
    return 0;
}

}  // namespace voksfuzz
