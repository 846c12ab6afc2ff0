// voks-codec codec adapters on arbitrary coded files: every codec and option value (formats,
// rates, laws, G.722 loss patterns read from a file), and encode-then-decode of arbitrary PCM.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codec.h"
#include "codec_files.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"

namespace voksfuzz {

int codec_stream(const uint8_t* data, size_t size) {
    Input in(data, size);
    // By name: registration order follows the link order.
    std::vector<const vokscodec::Codec*> all;
    for (const auto& c : vokscodec::codecs()) all.push_back(&c);
    if (all.empty()) return 0;
    std::sort(all.begin(), all.end(), [](const vokscodec::Codec* a, const vokscodec::Codec* b) {
        return std::strcmp(a->name, b->name) < 0;
    });
    const uint8_t head = in.u8();
    select_level(head >> 7);
    const vokscodec::Codec& codec = *all[(head & 0x7F) % all.size()];

    // Options: each accepted option gets one of a few values, valid or not.
    static const char* const kValues[] = {"packed", "bytes", "itu",   "params", "linear", "alaw",
                                          "ulaw",   "64000", "56000", "48000",  "40000",  "32000",
                                          "24000",  "16000", "8000",  "",       "x"};
    vokscodec::Args args;
    for (const auto& name : codec.options) {
        const uint8_t k = in.u8();
        if (k & 0x80) continue;  // absent: the default
        if (name == "loss") {
            args[name] = scratch_file("loss.txt", in.bytes(in.u8() % 24));
        } else {
            args[name] = kValues[k % (sizeof kValues / sizeof kValues[0])];
        }
    }
    const uint8_t mode = in.u8();
    std::string err;
    auto decoder = codec.decoder(args, err);
    if (!decoder) return 0;
    vokscodec::MemoryOutput out;
    if (mode & 1) {
        auto encoder = codec.encoder(args, err);
        if (!encoder) return 0;
        const auto bytes = in.bytes(in.u16() % 1200);
        vokscodec::MemoryInput pcm(bytes.data(), bytes.size());
        // Encoder and decoder in steps, as roundtrip runs them.
        auto coded = vokscodec::coded_input(*encoder, pcm);
        vokscodec::run(*decoder, *coded, out);
    } else {
        const auto stream = in.rest();
        vokscodec::MemoryInput coded(stream.data(), stream.size());
        vokscodec::run(*decoder, coded, out);
    }
    return 0;
}

}  // namespace voksfuzz

VOKSC_FUZZ_ENTRY(codec_stream)
