// G.726 example coder: arbitrary code streams at every rate, law and packing, fed in pieces of
// arbitrary sizes (the packed form carries bits across calls), and the encoder on arbitrary
// samples and G.711 codes.
#include <vector>

#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "g726/g726_codec.h"

namespace voksfuzz {

int decoder_g726(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 7);
    static const int kRates[4] = {16000, 24000, 32000, 40000};
    const int rate = kRates[head & 3];
    const auto law = static_cast<g726ex::Law>((head >> 2) % 3);
    const auto format = (head & 0x10) ? g726ex::Format::Packed : g726ex::Format::Bytes;
    const bool encode = (head & 0x20) != 0;

    if (!encode) {
        g726ex::Decoder dec;
        if (!dec.init(rate, law, format)) return 0;
        std::vector<int16_t> pcm;
        std::vector<uint8_t> g711;
        while (!in.empty()) {
            const auto piece = in.bytes(in.u8() % 97);
            if (law == g726ex::Law::Linear) dec.decode(piece.data(), piece.size(), pcm);
            else dec.decode(piece.data(), piece.size(), g711);
        }
        return 0;
    }
    g726ex::Encoder enc;
    if (!enc.init(rate, law, format)) return 0;
    std::vector<uint8_t> out;
    while (!in.empty()) {
        const size_t n = in.u8() % 97;
        if (law == g726ex::Law::Linear) {
            const auto pcm = in.vec<int16_t>(n);
            enc.encode(pcm.data(), pcm.size(), out);
        } else {
            const auto codes = in.bytes(n);
            enc.encode(codes.data(), codes.size(), out);
        }
    }
    enc.finish(out);
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(decoder_g726)
