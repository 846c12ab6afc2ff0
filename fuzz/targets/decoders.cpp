// The example coders on arbitrary input. G.729 and Annex A: raw parameter words, RFC 3551 packed
// frames and ITU serial frames (any sync and bit words), as speech, Annex B SID or untransmitted
// frames, with erasures, and the encoder (with or without Annex B DTX) on arbitrary PCM; the coders report no
// library error for any of it. G.726: code streams at every rate, law and packing, fed in pieces of arbitrary
// sizes (the packed form carries bits across calls), and the encoder on arbitrary samples and G.711 codes.
// G.722: octet streams at every rate, cut into frames of arbitrary sizes, with concealed losses and resets in
// between; the encoder; the 6- and 7-bit packing of arbitrary bytes. GSM full rate: parameter words, RFC 3551
// frames (any signature), homing frames and the encoder on arbitrary PCM.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "g722/g722_codec.h"
#include "g7221/g7221_codec.h"
#include "g723/g723_codec.h"
#include "g726/g726_codec.h"
#include "g728/g728_codec.h"
#include "g729/g729_cng.h"
#include "g729/g729_codec.h"
#include "g729/g729_dtx.h"
#include "g729/g729_frame_e.h"
#include "gsm/gsmfr_codec.h"
#include "ops.h"

namespace voksfuzz {

int decoder_g729(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 1);
    const g729::Variant variant = (head & 1) ? g729::Variant::AnnexA : g729::Variant::Main;
    g729::DtxDecoder dec;
    g729::dtx_decoder_init(&dec, variant);
    g729::DtxEncoder enc;
    bool enc_ready = false;
    int16_t params[g729::kFrameParamsHigh];
    int16_t pcm[g729::kFrameSamples];
    run_steps(in, 12, [&](uint8_t kind) {
        bool erased = (kind & 0x80) != 0;
        // Annex B frame types: untransmitted, speech, SID.
        auto type = static_cast<g729::FrameType>((kind >> 2) % 3);
        // 6.4 and 11.8 kbit/s speech frames (main body only).
        g729::Rate rate = g729::Rate::Full;
        if ((kind & 0x40) && variant == g729::Variant::Main)
            rate = (kind & 0x20) ? g729::Rate::High : g729::Rate::Low;
        const bool high = rate == g729::Rate::High;
        switch (kind & 3) {
            case 0:
                for (int16_t& p : params) p = in.i16();
                break;
            case 1: {
                const auto bytes = in.bytes(high ? g729::kPackedBytesHigh : g729::kPackedBytes);
                if (high) {
                    g729::unpack_high(bytes.data(), params);
                } else {
                    g729::unpack(bytes.data(), params, rate);
                }
                break;
            }
            case 2: {
                auto words = in.v16(g729::kSerialWordsHigh);
                constexpr int16_t kLength[3] = {0, g729::kFrameBits, g729::kSidSerialBits};
                words[1] = kLength[type];
                if (high && type == g729::kSpeech) {
                    erased = g729::serial_to_params_high(words.data(), params) || erased;
                } else if (rate == g729::Rate::Low && type == g729::kSpeech) {
                    erased = g729::serial_to_params(words.data(), params, rate) || erased;
                } else {
                    erased = g729::serial_to_frame(words.data(), &type, params) || erased;
                }
                break;
            }
            default: {
                // One frame of arbitrary PCM through the encoder (with Annex B DTX when the
                // first such step asks for it), then its frame decoded.
                if (!enc_ready) {
                    g729::dtx_encoder_init(&enc, (kind & 4) ? g729::Variant::AnnexA : g729::Variant::Main,
                                           (kind & 8) != 0);
                    enc_ready = true;
                }
                if (enc.enc.variant != g729::Variant::Main) rate = g729::Rate::Full;
                const auto speech = in.v16(g729::kFrameSamples);
                bool ok = true;
                type = g729::encode_dtx(&enc, speech.data(), params, &ok, rate);
                if (!ok) std::abort();
                constexpr int kSidBits[g729::kSidParams] = {1, 5, 4, 5};
                const bool high_speech = type == g729::kSpeech && rate == g729::Rate::High;
                const int n = high_speech ? g729::params_high(params[0])
                              : type == g729::kSpeech
                                  ? (rate == g729::Rate::Low ? g729::kFrameParamsLow : g729::kFrameParams)
                              : type == g729::kSid ? g729::kSidParams
                                                   : 0;
                for (int i = 0; i < n; ++i) {
                    const int bits = high_speech             ? g729::param_bits_high(params[0], i)
                                     : type == g729::kSpeech ? g729::param_bits(i, rate)
                                                             : kSidBits[i];
                    if (params[i] < 0 || params[i] >= (1 << bits)) std::abort();
                }
                break;
            }
        }
        if (!g729::decode_dtx(&dec, type, params, erased, pcm, rate)) std::abort();
    });
    return 0;
}

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
            if (law == g726ex::Law::Linear)
                dec.decode(piece.data(), piece.size(), pcm);
            else
                dec.decode(piece.data(), piece.size(), g711);
        }
        return 0;
    }
    g726ex::Encoder enc;
    if (!enc.init(rate, law, format)) return 0;
    std::vector<uint8_t> out;
    while (!in.empty()) {
        const size_t n = in.u8() % 97;
        if (law == g726ex::Law::Linear) {
            const auto pcm = in.v16(n);
            enc.encode(pcm.data(), pcm.size(), out);
        } else {
            const auto codes = in.bytes(n);
            enc.encode(codes.data(), codes.size(), out);
        }
    }
    enc.finish(out);
    return 0;
}

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
        const int kind = op & 7;
        const size_t n = static_cast<size_t>(count);
        if (kind < 5) {  // decode (0..2) or conceal
            auto octets = kind < 3 ? in.bytes(n) : std::vector<uint8_t>();
            octets.resize(n + 1);  // never a null pointer
            const int r =
                kind < 3 ? dec.decode(octets.data(), count, pcm.data()) : dec.conceal(count, pcm.data());
            if (r != (dec.ok() ? 2 * count : -1)) std::abort();
        } else if (kind == 5) {
            dec.reset();
        } else if (kind == 6) {
            const auto speech = in.v16(2 * n + 1);
            std::vector<uint8_t> octets(n + 1);
            if (enc.encode(speech.data(), 2 * count, octets.data()) != (enc.ok() ? count : -1)) std::abort();
        } else {
            const int bits = (op & 8) ? 7 : 6;
            auto octets = in.bytes(n);
            for (uint8_t& o : octets) o &= static_cast<uint8_t>(0xFF << (8 - bits));
            const auto packed = g722ex::pack(octets.data(), octets.size(), bits);
            if (packed.size() != (octets.size() * bits + 7) / 8) std::abort();
            const auto back = g722ex::unpack(packed.data(), packed.size(), bits);
            if (back.size() < octets.size() || !std::equal(octets.begin(), octets.end(), back.begin()))
                std::abort();
        }
    });
    return 0;
}

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
                if (!gsmfr::unpack(bytes.data(), params)) {  // a rejected frame writes nothing
                    if (std::memcmp(params, canary, sizeof params) != 0) std::abort();
                    return;
                }
                for (int i = 0; i < gsmfr::kFrameParams; ++i)
                    if (params[i] < 0 || params[i] >= (1 << gsmfr::param_bits(i))) std::abort();
                break;
            }
            case 2: {
                const auto speech = in.v16(gsmfr::kFrameSamples);
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

// G.722.1: frames of arbitrary bits (any envelope, categorisation control and region codes,
// overrunning the frame or not) and erasures at every rate and bandwidth, and the encoder on
// arbitrary samples.
int decoder_g7221(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 7);
    static const int kModes[5][2] = {
        {24000, 7000}, {32000, 7000}, {24000, 14000}, {32000, 14000}, {48000, 14000}};
    const int* mode = kModes[(head & 7) % 5];
    const int words = g7221ex::frame_bits(mode[0], mode[1]) / 16;
    const int samples = g7221ex::frame_samples(mode[1]);
    if (head & 8) {
        g7221ex::Encoder enc;
        if (!enc.init(mode[0], mode[1])) std::abort();
        uint16_t out[g7221ex::kMaxFrameWords];
        while (!in.empty()) enc.encode(in.v16(size_t(samples)).data(), out);
        return 0;
    }
    g7221ex::Decoder dec;
    if (!dec.init(mode[0], mode[1])) std::abort();
    int16_t pcm[g7221ex::kMaxFrameSamples];
    while (!in.empty()) {
        const bool erased = (in.u8() & 0x1F) == 0;
        std::vector<uint16_t> frame(static_cast<size_t>(words));
        for (auto& w : frame) w = in.u16();
        dec.decode(erased ? nullptr : frame.data(), pcm);
    }
    return 0;
}

// G.723.1: packed frames of any bytes (so any type bits, rate bits, reserved bits, lags, gain
// and position codes), with erasures, switching the post-filter; the encoder on arbitrary PCM
// at per-frame rates, with and without the high-pass filter and silence compression.
int decoder_g723(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 3);
    g723::Decoder dec;
    g723::decoder_init(&dec, head & 1);
    g723::Encoder enc;
    g723::encoder_init(&enc, head & 2, head & 4);
    int16_t pcm[g723::kFrame];
    run_steps(in, 12, [&](uint8_t kind) {
        if (kind & 0x40) {
            for (int16_t& v : pcm) v = in.sample();
            uint8_t frame[g723::kMaxFrameBytes];
            const int n = g723::encode(&enc, pcm, (kind & 1) ? g723::Rate::R53 : g723::Rate::R63, frame);
            if (n != g723::frame_bytes(frame[0])) std::abort();
            if (kind & 0x20) g723::decode(&dec, frame, false, pcm);
            return;
        }
        // A whole frame of the size its first byte names, truncated input read as zeros.
        const auto first = in.bytes(1);
        auto frame = in.bytes(static_cast<size_t>(g723::frame_bytes(first[0])) - 1);
        frame.insert(frame.begin(), first[0]);
        g723::decode(&dec, frame.data(), (kind & 0x80) != 0, pcm);
    });
    return 0;
}

// G.728: arbitrary code words (bits above the tenth ignored) with and without the post-filter,
// concealed units between them, and the encoder on arbitrary PCM.
int decoder_g728(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t head = in.u8();
    select_level(head >> 1);
    g728ex::Decoder dec((head & 1) != 0);
    g728ex::Encoder enc;
    int16_t pcm[g728ex::kErasureUnit * g728ex::kVector];
    run_steps(in, 24, [&](uint8_t kind) {
        const size_t n = 1 + kind % g728ex::kErasureUnit;
        if ((kind & 0x80) && (head & 1)) {
            dec.conceal(pcm);
        } else if (kind & 0x40) {
            const auto x = in.v16(n * g728ex::kVector);
            uint16_t words[g728ex::kErasureUnit];
            enc.encode(x.data(), words, n);
            dec.decode(words, pcm, n);
        } else {
            uint16_t words[g728ex::kErasureUnit];
            for (size_t i = 0; i < n; ++i) words[i] = in.u16();
            dec.decode(words, pcm, n);
        }
    });
    return 0;
}

}  // namespace voksfuzz
