// Runs one of voks-codec's coders in memory, as the command would on a file.
#ifndef VOKSC_TESTS_VOKS_CODEC_CODEC_RUN_H
#define VOKSC_TESTS_VOKS_CODEC_CODEC_RUN_H

#include <cstdint>
#include <string>
#include <vector>

#include "codec.h"

// The encoder or decoder of `codec` on `in`; "" or the error (the factory's or the run's).
inline std::string run_codec(const char* codec, bool encode, const vokscodec::Args& args,
                             const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    std::string err;
    const vokscodec::Codec* c = vokscodec::find_codec(codec);
    if (!c) return "no codec " + std::string(codec);
    auto coder = encode ? c->encoder(args, err) : c->decoder(args, err);
    if (!coder) return err;
    vokscodec::MemoryInput input(in.data(), in.size());
    vokscodec::MemoryOutput output;
    err = vokscodec::run(*coder, input, output);
    out = output.bytes;
    return err;
}

#endif  // VOKSC_TESTS_VOKS_CODEC_CODEC_RUN_H
