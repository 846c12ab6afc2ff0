// G.726 codec on top of the public voksc API.
#include "g726/g726_codec.h"

#include <voksc.h>

namespace g726ex {
namespace {

constexpr size_t kChunk = 256;

bool rate_code(int bit_rate, VokSpeechRate& code) {
    switch (bit_rate) {
        case 16000: code = vokRate16000; return true;
        case 24000: code = vokRate24000; return true;
        case 32000: code = vokRate32000; return true;
        case 40000: code = vokRate40000; return true;
        default: return false;
    }
}

int decoder_law(Law law) {
    switch (law) {
        case Law::ALaw: return vokG726LawA;
        case Law::MuLaw: return vokG726LawMu;
        default: return vokG726LawLinear;
    }
}

}  // namespace

int code_bits(int bit_rate) {
    VokSpeechRate code;
    return rate_code(bit_rate, code) ? bit_rate / 8000 : 0;
}

int16_t alaw_to_uniform14(uint8_t code) {
    const int c = code ^ 0x55;
    const int seg = (c >> 4) & 7;
    const int mant = c & 15;
    const int mag = seg == 0 ? 2 * mant + 1 : (2 * mant + 33) << (seg - 1);
    return static_cast<int16_t>((c & 0x80) ? 2 * mag : -2 * mag);
}

int16_t ulaw_to_uniform14(uint8_t code) {
    const int c = ~code & 0xFF;
    const int seg = (c >> 4) & 7;
    const int mant = c & 15;
    const int mag = ((2 * mant + 33) << seg) - 33;
    return static_cast<int16_t>((c & 0x80) ? -mag : mag);
}

bool Encoder::init(int bit_rate, Law law, Format format) {
    VokSpeechRate code;
    if (!rate_code(bit_rate, code)) return false;
    int size = 0;
    if (voksEncodeGetStateSize_G726_16s8u(&size) != vokStatusOk) return false;
    state_.assign(static_cast<size_t>(size), 0);
    auto* st = reinterpret_cast<VokG726EncodeState*>(state_.data());
    if (voksEncodeInit_G726_16s8u(st, code) != vokStatusOk) return false;
    law_ = law;
    format_ = format;
    bits_ = bit_rate / 8000;
    acc_ = 0;
    acc_bits_ = 0;
    return true;
}

void Encoder::emit(const uint8_t* codes, size_t n, std::vector<uint8_t>& out) {
    if (format_ == Format::Bytes) {
        out.insert(out.end(), codes, codes + n);
        return;
    }
    for (size_t k = 0; k < n; ++k) {
        acc_ |= static_cast<uint32_t>(codes[k]) << acc_bits_;
        acc_bits_ += bits_;
        if (acc_bits_ >= 8) {
            out.push_back(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            acc_bits_ -= 8;
        }
    }
}

void Encoder::encode(const int16_t* pcm, size_t n, std::vector<uint8_t>& out) {
    auto* st = reinterpret_cast<VokG726EncodeState*>(state_.data());
    int16_t x[kChunk];
    uint8_t codes[kChunk];
    for (size_t done = 0; done < n;) {
        const size_t m = n - done < kChunk ? n - done : kChunk;
        for (size_t k = 0; k < m; ++k) x[k] = static_cast<int16_t>(pcm[done + k] >> 2);
        voksEncode_G726_16s8u(st, x, codes, static_cast<int>(m));
        emit(codes, m, out);
        done += m;
    }
}

void Encoder::encode(const uint8_t* g711, size_t n, std::vector<uint8_t>& out) {
    auto* st = reinterpret_cast<VokG726EncodeState*>(state_.data());
    int16_t x[kChunk];
    uint8_t codes[kChunk];
    for (size_t done = 0; done < n;) {
        const size_t m = n - done < kChunk ? n - done : kChunk;
        for (size_t k = 0; k < m; ++k)
            x[k] = law_ == Law::ALaw ? alaw_to_uniform14(g711[done + k])
                                     : ulaw_to_uniform14(g711[done + k]);
        voksEncode_G726_16s8u(st, x, codes, static_cast<int>(m));
        emit(codes, m, out);
        done += m;
    }
}

void Encoder::finish(std::vector<uint8_t>& out) {
    if (format_ == Format::Packed && acc_bits_ > 0) out.push_back(static_cast<uint8_t>(acc_));
    acc_ = 0;
    acc_bits_ = 0;
}

bool Decoder::init(int bit_rate, Law law, Format format) {
    VokSpeechRate code;
    if (!rate_code(bit_rate, code)) return false;
    int size = 0;
    if (voksDecodeGetStateSize_G726_8u16s(&size) != vokStatusOk) return false;
    state_.assign(static_cast<size_t>(size), 0);
    auto* st = reinterpret_cast<VokG726DecodeState*>(state_.data());
    if (voksDecodeInit_G726_8u16s(st, code, decoder_law(law)) != vokStatusOk) return false;
    law_ = law;
    format_ = format;
    bits_ = bit_rate / 8000;
    acc_ = 0;
    acc_bits_ = 0;
    return true;
}

void Decoder::codes_of(const uint8_t* stream, size_t n, std::vector<uint8_t>& codes) {
    codes.clear();
    if (format_ == Format::Bytes) {
        codes.assign(stream, stream + n);
        return;
    }
    const uint32_t mask = (1u << bits_) - 1;
    for (size_t k = 0; k < n; ++k) {
        acc_ |= static_cast<uint32_t>(stream[k]) << acc_bits_;
        acc_bits_ += 8;
        while (acc_bits_ >= bits_) {
            codes.push_back(static_cast<uint8_t>(acc_ & mask));
            acc_ >>= bits_;
            acc_bits_ -= bits_;
        }
    }
}

void Decoder::decode(const uint8_t* stream, size_t n, std::vector<int16_t>& out) {
    auto* st = reinterpret_cast<VokG726DecodeState*>(state_.data());
    codes_of(stream, n, codes_);
    const size_t first = out.size();
    out.resize(first + codes_.size());
    int16_t* y = out.data() + first;
    for (size_t done = 0; done < codes_.size();) {
        const size_t m = codes_.size() - done < kChunk ? codes_.size() - done : kChunk;
        voksDecode_G726_8u16s(st, codes_.data() + done, y + done, static_cast<int>(m));
        for (size_t k = done; k < done + m; ++k) y[k] = static_cast<int16_t>(y[k] * 4);
        done += m;
    }
}

void Decoder::decode(const uint8_t* stream, size_t n, std::vector<uint8_t>& out) {
    auto* st = reinterpret_cast<VokG726DecodeState*>(state_.data());
    codes_of(stream, n, codes_);
    int16_t y[kChunk];
    const size_t first = out.size();
    out.resize(first + codes_.size());
    for (size_t done = 0; done < codes_.size();) {
        const size_t m = codes_.size() - done < kChunk ? codes_.size() - done : kChunk;
        voksDecode_G726_8u16s(st, codes_.data() + done, y, static_cast<int>(m));
        for (size_t k = 0; k < m; ++k) out[first + done + k] = static_cast<uint8_t>(y[k]);
        done += m;
    }
}

}  // namespace g726ex
