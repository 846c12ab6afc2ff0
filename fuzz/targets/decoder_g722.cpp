// G.722 example coder: arbitrary octet streams at every rate, cut into frames of arbitrary
// sizes, with concealed losses and resets in between; the encoder on arbitrary PCM; the 6- and
// 7-bit packing of arbitrary bytes.
#include <cstdlib>
#include <vector>

#include "g722/g722_codec.h"
#include "ops.h"

namespace voksfuzz {

int decoder_g722(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 7);
    static const int kRates[4] = {64000, 56000, 48000, 32000};  // the last one is rejected
    const int rate = kRates[head & 3];
    g722ex::Decoder dec(rate);
    g722ex::Encoder enc(rate);
    std::vector<int16_t> pcm;
    run_steps(in, 24, [&](uint8_t op) {
        const int count = in.u16() % 400;
        pcm.assign(2 * static_cast<size_t>(count) + 1, 0);
        switch (op & 7) {
            case 0:
            case 1:
            case 2: {
                auto octets = in.bytes(static_cast<size_t>(count));
                octets.resize(static_cast<size_t>(count) + 1);  // never a null pointer
                const int r = dec.decode(octets.data(), count, pcm.data());
                if (r != (dec.ok() ? 2 * count : -1)) std::abort();
                break;
            }
            case 3:
            case 4: {
                const int r = dec.conceal(count, pcm.data());
                if (r != (dec.ok() ? 2 * count : -1)) std::abort();
                break;
            }
            case 5:
                dec.reset();
                break;
            case 6: {
                const auto speech = in.vec<int16_t>(2 * static_cast<size_t>(count) + 1);
                std::vector<uint8_t> octets(static_cast<size_t>(count) + 1);
                const int r = enc.encode(speech.data(), 2 * count, octets.data());
                if (r != (enc.ok() ? count : -1)) std::abort();
                break;
            }
            default: {
                const int bits = (op & 8) ? 7 : 6;
                auto octets = in.bytes(static_cast<size_t>(count));
                const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - bits));
                for (uint8_t& o : octets) o &= mask;
                const auto packed = g722ex::pack(octets.data(), octets.size(), bits);
                if (packed.size() != (octets.size() * bits + 7) / 8) std::abort();
                const auto back = g722ex::unpack(packed.data(), packed.size(), bits);
                if (back.size() < octets.size()) std::abort();
                for (size_t i = 0; i < octets.size(); ++i)
                    if (back[i] != octets[i]) std::abort();
                break;
            }
        }
    });
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(decoder_g722)
