// G.722 encoder and decoder with packet-loss concealment, built on voksc's public operations.
#include "g722/g722_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/fixed_ops.h"

namespace g722ex {
namespace {

constexpr int kHist = 320;   // lower/higher-band history kept for concealment (40 ms)
constexpr int kMinLag = 18;  // pitch range at 8 kHz (the class operation takes up to 143)
constexpr int kMaxLag = 143;
constexpr int kFadeInPairs = 40;  // cross-fade from the concealment into decoded speech (5 ms)
constexpr int kBlockPairs = 80;   // concealment gain steps every 10 ms

int mode_for_bits(int bits) {
    return bits == 8 ? 1 : (bits == 7 ? 2 : 3);
}

using fixed_ops::sat16;

// Normalised cross-correlation of x[end-w..end) with the same stretch `lag` samples earlier.
double norm_corr(const int16_t* x, int end, int w, int lag) {
    double c = 0, e0 = 0, e1 = 0;
    for (int n = end - w; n < end; ++n) {
        c += double(x[n]) * x[n - lag];
        e0 += double(x[n]) * x[n];
        e1 += double(x[n - lag]) * x[n - lag];
    }
    if (e0 <= 0 || e1 <= 0) return 0;
    return c / std::sqrt(e0 * e1);
}

}  // namespace

int bits_for_rate(int rate_bps) {
    switch (rate_bps) {
        case 64000:
            return 8;
        case 56000:
            return 7;
        case 48000:
            return 6;
        default:
            return 0;
    }
}

Encoder::Encoder(int rate_bps) : bits_(bits_for_rate(rate_bps)) {
    int size = 0;
    voksSBADPCMEncodeStateSize_G722_16s(&size);
    state_.resize(static_cast<size_t>(size));
    reset();
}

void Encoder::reset() {
    std::memset(qmf_, 0, sizeof qmf_);
    voksSBADPCMEncodeInit_G722_16s(reinterpret_cast<VokG722EncodeState*>(state_.data()));
}

int Encoder::encode(const int16_t* pcm, int n, uint8_t* octets) {
    if (!ok() || pcm == nullptr || octets == nullptr || n < 0 || (n & 1)) return -1;
    if (n == 0) return 0;
    work_.resize(static_cast<size_t>(n));
    auto* st = reinterpret_cast<VokG722EncodeState*>(state_.data());
    if (voksQMFEncode_G722_16s(pcm, work_.data(), n, qmf_) != vokStatusOk) return -1;
    if (voksSBADPCMEncode_G722_16s(work_.data(), work_.data(), n, st) != vokStatusOk) return -1;
    const int mask = 0xFF << (8 - bits_);
    for (int i = 0; i < n / 2; ++i)
        octets[i] = static_cast<uint8_t>(((work_[2 * i + 1] << 6) | work_[2 * i]) & mask);
    return n / 2;
}

Decoder::Decoder(int rate_bps) : bits_(bits_for_rate(rate_bps)), mode_(mode_for_bits(bits_)) {
    int size = 0;
    voksSBADPCMDecodeStateSize_G722_16s(&size);
    state_.resize(static_cast<size_t>(size));
    reset();
}

void Decoder::reset() {
    std::memset(qmf_, 0, sizeof qmf_);
    voksSBADPCMDecodeInit_G722_16s(reinterpret_cast<VokG722DecodeState*>(state_.data()));
    low_hist_.assign(kHist, 0);
    high_hist_.assign(kHist, 0);
    lost_frames_ = 0;
    fade_in_ = 0;
}

void Decoder::push_history(const int16_t* sub, int pairs) {
    const int keep = std::max(0, kHist - pairs);
    std::memmove(low_hist_.data(), low_hist_.data() + (kHist - keep), sizeof(int16_t) * keep);
    std::memmove(high_hist_.data(), high_hist_.data() + (kHist - keep), sizeof(int16_t) * keep);
    const int first = std::max(0, pairs - kHist);
    for (int i = first; i < pairs; ++i) {
        low_hist_[keep + i - first] = sub[2 * i];
        high_hist_[keep + i - first] = sub[2 * i + 1];
    }
}

int Decoder::decode(const uint8_t* octets, int count, int16_t* pcm) {
    if (!ok() || octets == nullptr || pcm == nullptr || count < 0) return -1;
    if (count == 0) return 0;
    work_.resize(2 * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        work_[2 * i] = static_cast<int16_t>(octets[i] & 0x3F);
        work_[2 * i + 1] = static_cast<int16_t>(octets[i] >> 6);
    }
    auto* st = reinterpret_cast<VokG722DecodeState*>(state_.data());
    if (voksSBADPCMDecode_G722_16s(work_.data(), work_.data(), 2 * count, static_cast<Vok16s>(mode_), st) !=
        vokStatusOk)
        return -1;
    // After a loss, fade from the continued extrapolation into the decoded signal.
    const int fade = std::min(fade_in_, count);
    for (int i = 0; i < fade; ++i) {
        const int w = (kFadeInPairs - fade_in_ + i + 1) * 32768 / (kFadeInPairs + 1);
        const int32_t gl = (int32_t{low_cycle_[phase_]} * gain_q15_) >> 15;
        const int32_t gh = (int32_t{high_cycle_[phase_]} * gain_q15_) >> 16;
        phase_ = (phase_ + 1) % period_;
        work_[2 * i] = sat16((work_[2 * i] * w + gl * (32768 - w)) >> 15);
        work_[2 * i + 1] = sat16((work_[2 * i + 1] * w + gh * (32768 - w)) >> 15);
    }
    fade_in_ -= fade;
    lost_frames_ = 0;
    push_history(work_.data(), count);
    if (voksQMFDecode_G722_16s(work_.data(), pcm, 2 * count, qmf_) != vokStatusOk) return -1;
    return 2 * count;
}

void Decoder::prepare_concealment() {
    // Coarse pitch on the lower band decimated to 2 kHz, refined at 8 kHz.
    int16_t dec[(kHist - 8) / 4];
    const int nd = (kHist - 8) / 4;
    voksDownsampleFilter_G722_16s(low_hist_.data() + 8, kHist - 8, dec);
    int coarse = kMinLag / 4 + 1;
    double best = -2;
    for (int lag = kMinLag / 4 + 1; lag <= kMaxLag / 4; ++lag) {
        const double c = norm_corr(dec, nd, 30, lag);
        if (c > best) best = c, coarse = lag;
    }
    int lag_best = std::min(kMaxLag, std::max(kMinLag, 4 * coarse));
    best = -2;
    for (int lag = std::max(kMinLag, 4 * coarse - 3); lag <= std::min(kMaxLag, 4 * coarse + 3); ++lag) {
        const double c = norm_corr(low_hist_.data(), kHist, 120, lag);
        if (c > best) best = c, lag_best = lag;
    }
    period_ = lag_best;
    class_ = best > 0.6 ? 1 : 0;

    // One period of extrapolation: mostly the last period, smoothed with the one before it.
    // The class operation then limits samples that would rise above the last period's local
    // level and reports a transient (class 2); a stronger higher band gives class 3 or 4.
    const int P = period_;
    std::vector<int16_t> buf(static_cast<size_t>(2 * P + 4));
    const int16_t* h = low_hist_.data();
    for (int i = 0; i < P + 2; ++i) buf[i] = h[kHist - P - 2 + i];
    for (int i = 0; i < P; ++i)
        buf[P + 2 + i] = sat16((3 * int32_t{h[kHist - P + i]} + h[kHist - 2 * P + i]) / 4);
    buf[2 * P + 2] = buf[P + 2];
    buf[2 * P + 3] = buf[P + 3];
    voksClassifyFrame_G722_16s_I(buf.data() + 2, static_cast<Vok16s>(P), &class_,
                                 reinterpret_cast<const VokG722DecodeState*>(state_.data()));
    low_cycle_.assign(buf.begin() + P + 2, buf.begin() + 2 * P + 2);
    high_cycle_.assign(high_hist_.end() - P, high_hist_.end());
    phase_ = 0;
    gain_q15_ = 32767;
    hp_state_[0] = hp_state_[1] = 0;
}

int Decoder::conceal(int count, int16_t* pcm) {
    if (!ok() || pcm == nullptr || count < 0) return -1;
    if (count == 0) return 0;
    if (lost_frames_ == 0) prepare_concealment();
    // Gain per 10 ms: periodic speech fades slowly, other classes faster; silence after 60 ms.
    const int factor = class_ == 1 ? 29491 : (class_ == 2 ? 19661 : 24576);
    work_.resize(2 * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int elapsed = lost_frames_ * count + i;  // pairs since the loss began
        if (elapsed > 0 && elapsed % kBlockPairs == 0) gain_q15_ = (gain_q15_ * factor) >> 15;
        if (elapsed >= 6 * kBlockPairs) gain_q15_ = 0;
        work_[2 * i] = static_cast<int16_t>((int32_t{low_cycle_[phase_]} * gain_q15_) >> 15);
        work_[2 * i + 1] = static_cast<int16_t>((int32_t{high_cycle_[phase_]} * gain_q15_) >> 16);
        phase_ = (phase_ + 1) % period_;
    }
    voksFilterHighband_G722_16s_I(work_.data(), 2 * count, hp_state_);
    push_history(work_.data(), count);
    ++lost_frames_;

    // Re-synchronise the lower-band decoder memory with the concealed signal; after 30 ms of
    // loss the step sizes restart from their initial values.
    const Vok16s last[2] = {low_hist_[kHist - 2], low_hist_[kHist - 1]};
    const Vok16s estimate = static_cast<Vok16s>((int32_t{low_cycle_[phase_]} * gain_q15_) >> 15);
    voksSBADPCMDecodeStateUpdate_G722_16s(last, estimate, lost_frames_ >= 3 ? 1 : 0,
                                          reinterpret_cast<VokG722DecodeState*>(state_.data()));
    fade_in_ = kFadeInPairs;
    if (voksQMFDecode_G722_16s(work_.data(), pcm, 2 * count, qmf_) != vokStatusOk) return -1;
    return 2 * count;
}

size_t pack(const uint8_t* octets, size_t count, int bits, uint8_t* out) {
    uint8_t* const first = out;
    uint32_t acc = 0;
    int have = 0;
    for (size_t i = 0; i < count; ++i) {
        acc |= static_cast<uint32_t>(octets[i] >> (8 - bits)) << have;
        have += bits;
        if (have >= 8) {
            *out++ = static_cast<uint8_t>(acc);
            acc >>= 8;
            have -= 8;
        }
    }
    if (have > 0) *out++ = static_cast<uint8_t>(acc);
    return static_cast<size_t>(out - first);
}

size_t unpack(const uint8_t* packed, size_t bytes, int bits, uint8_t* out) {
    const size_t count = bytes * 8 / static_cast<size_t>(bits);
    const uint32_t mask = (1u << bits) - 1;
    uint32_t acc = 0;
    int have = 0;
    for (size_t i = 0; i < count; ++i) {
        if (have < bits) {
            acc |= static_cast<uint32_t>(*packed++) << have;
            have += 8;
        }
        out[i] = static_cast<uint8_t>((acc & mask) << (8 - bits));
        acc >>= bits;
        have -= bits;
    }
    return count;
}

std::vector<uint8_t> pack(const uint8_t* octets, size_t count, int bits) {
    std::vector<uint8_t> out((count * static_cast<size_t>(bits) + 7) / 8);
    out.resize(pack(octets, count, bits, out.data()));
    return out;
}

std::vector<uint8_t> unpack(const uint8_t* packed, size_t bytes, int bits) {
    std::vector<uint8_t> out(bytes * 8 / static_cast<size_t>(bits));
    out.resize(unpack(packed, bytes, bits, out.data()));
    return out;
}

}  // namespace g722ex
