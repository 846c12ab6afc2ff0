// The example echo cancellers: full-band NLMS and sub-band NLMS, each with the library's
// step-size controllers and a level-based double-talk hold.
#include "ec/ec_canceller.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ec/ec_windows.h"
#include "voksc.h"

namespace ecex {
namespace {

// Adaptation is scaled by floor + (1 - floor) * g: the controllers' multiplier g falls toward 0
// once the filter has converged (the echo reduced by some 7 dB), which would freeze it for good
// and leave it unable to follow a changed path; the floor keeps it tracking. Measured on the
// benchmark, floors of 0.25 and 0.5 cost up to 8 dB after a path change.
constexpr float kStepFloor = 0.75f;
// Geigel fractions: measured on the benchmark rooms, lower fractions hold the adaptation in
// single talk already (room responses reach peak ratios above 0.3 at 10 dB loss).
constexpr float kLineHold = 0.5f, kRoomHold = 0.5f;
// The step scale after a released hold at long tails (SubFloat): 1.5 gains up to 0.3 dB more
// after a path change but costs A8_128 0.4 dB after double talk, 1.8 costs 2.7 dB there.
constexpr double kRefast = 1.4;
// The float sub-band canceller's steps (SubFloat::proportion): each bin's step is 0.7 times the
// numerator over the gain-weighted far-end energy of the taps plus 1e6 per tap (in |X|^2 of the
// bank's spectra of 16-bit samples). The regulariser keeps the steps small while the far end is
// quiet and the error holds mostly noise and the near end; on the benchmark it adds 0.3 to
// 4.5 dB after a path change and up to 1.5 dB after double talk (1e5, 3e6: up to 2 dB less).
constexpr double kNumerator = 0.7, kRegularise = 1e6;

struct Sum2 {  // a complex average in double
    double re = 0.0, im = 0.0;
};

int16_t to16(float v) {
    if (!(v == v)) return 0;
    return static_cast<int16_t>(std::lround(std::clamp(v, -32768.0f, 32767.0f)));
}

// Double talk by level (Geigel): near-end peaks above a fraction of the far-end peak over the
// tail hold the adaptation for a hangover. The fraction bounds the echo path's peak gain: 1/2
// for line echo (hybrids return 6 dB or more below) and, as measured, for rooms of 10 dB loss.
class TalkHold {
public:
    void init(int tail, int hang, float threshold) {
        far_.assign(static_cast<size_t>(tail), 0);
        hang_ = hang;
        threshold_ = threshold;
    }
    // True while adaptation should hold.
    bool update(const int16_t* far, const int16_t* mic, int n) {
        int far_peak = 0, mic_peak = 0;
        for (int j = 0; j < n; ++j) {
            far_[pos_] = static_cast<int16_t>(std::min(32767, std::abs(static_cast<int>(far[j]))));
            pos_ = (pos_ + 1) % far_.size();
            mic_peak = std::max(mic_peak, std::abs(static_cast<int>(mic[j])));
        }
        for (int16_t v : far_) far_peak = std::max<int>(far_peak, v);
        if (mic_peak > threshold_ * far_peak && mic_peak > 64)
            count_ = hang_;
        else if (count_ > 0)
            count_ -= n;
        return count_ > 0;
    }

private:
    std::vector<int16_t> far_;
    size_t pos_ = 0;
    int hang_ = 0, count_ = 0;
    float threshold_ = 0.5f;
};

class FullFloat final : public Canceller {
public:
    FullFloat(int fs, int tail)
        : n_(fs / 200),
          L_(tail),
          x_(static_cast<size_t>(tail + n_)),
          h_(tail),
          hb_(tail),
          mu_(n_),
          d_(n_),
          e_(n_),
          st_(72) {
        voksFullbandControllerInit_EC_32f(state(), n_, L_, fs);
        hold_.init(L_, fs / 4, kLineHold);
    }
    int frame() const override { return n_; }
    int delay() const override { return 0; }
    void process(const int16_t* far, const int16_t* mic, int16_t* out) override {
        std::memmove(x_.data(), x_.data() + n_, sizeof(float) * L_);
        for (int j = 0; j < n_; ++j) x_[L_ + j] = far[j], d_[j] = mic[j];
        const float* x = x_.data() + L_;
        const bool hold = hold_.update(far, mic, n_);
        voksFullbandControllerUpdate_EC_32f(x, d_.data(), mu_.data(), state());
        const float m = hold ? 0.0f : kStepFloor + (1.0f - kStepFloor) * g_;
        for (float& v : mu_) v *= m;
        voksNLMS_EC_32f(x, d_.data(), mu_.data(), e_.data(), n_, h_.data(), L_, &err_);
        voksFullbandController_EC_32f(e_.data(), d_.data(), h_.data(), hb_.data(), &g_, state());
        bool bad = false;
        for (int j = 0; j < n_; ++j) bad = bad || !std::isfinite(e_[j]);
        if (bad || !std::isfinite(err_)) reset();
        for (int j = 0; j < n_; ++j) out[j] = bad ? mic[j] : to16(e_[j]);
    }

private:
    VokFullbandControllerState_32f* state() {
        return reinterpret_cast<VokFullbandControllerState_32f*>(st_.data());
    }
    void reset() {
        std::fill(h_.begin(), h_.end(), 0.0f);
        std::fill(hb_.begin(), hb_.end(), 0.0f);
        err_ = 0.0f;
    }
    int n_, L_;
    std::vector<float> x_, h_, hb_, mu_, d_, e_;
    std::vector<unsigned char> st_;
    float err_ = 0.0f, g_ = 1.0f;
    TalkHold hold_;
};

class FullFixed final : public Canceller {
public:
    FullFixed(int fs, int tail)
        : n_(fs / 200), L_(tail), x_(static_cast<size_t>(tail + n_)), h_(tail), hb_(tail), mu_(n_), st_(96) {
        voksFullbandControllerInit_EC_16s(state(), n_, L_, fs);
        hold_.init(L_, fs / 4, kLineHold);
    }
    int frame() const override { return n_; }
    int delay() const override { return 0; }
    void process(const int16_t* far, const int16_t* mic, int16_t* out) override {
        std::memmove(x_.data(), x_.data() + n_, sizeof(int16_t) * L_);
        std::memcpy(x_.data() + L_, far, sizeof(int16_t) * n_);
        const int16_t* x = x_.data() + L_;
        const bool hold = hold_.update(far, mic, n_);
        voksFullbandControllerUpdate_EC_16s(x, mic, mu_.data(), state());
        const int64_t m = hold ? 0
                               : static_cast<int64_t>(kStepFloor * 32768) +
                                     ((32768 - static_cast<int64_t>(kStepFloor * 32768)) * g_ >> 15);
        for (int32_t& v : mu_) v = static_cast<int32_t>((v * m) >> 15);
        voksNLMS_EC_16s(x, mic, mu_.data(), out, n_, h_.data(), L_, &err_);
        voksFullbandController_EC_16s(out, mic, h_.data(), hb_.data(), &g_, state());
    }

private:
    VokFullbandControllerState_16s* state() {
        return reinterpret_cast<VokFullbandControllerState_16s*>(st_.data());
    }
    int n_, L_;
    std::vector<int16_t> x_, h_, hb_;
    std::vector<int32_t> mu_;
    std::vector<unsigned char> st_;
    int16_t err_ = 0, g_ = 32767;
    TalkHold hold_;
};

// Bank settings per sampling rate: order 5 at 8 kHz, order 6 at 16 kHz, each shifting half its
// FFT length with the example's own windows (see ec_windows.cpp).
struct Bank {
    int order, shift, window;
    const float* half;
};
Bank bank_for(int fs) {
    return fs == 8000 ? Bank{5, 16, 128, kHalfShiftWindow128} : Bank{6, 32, 256, kHalfShiftWindow256};
}

class SubFloat final : public Canceller {
public:
    SubFloat(int fs, int tail) {
        const Bank b = bank_for(fs);
        S_ = b.shift;
        W_ = b.window;
        K_ = (1 << b.order) / 2 + 1;
        // The filter spans the tail plus the analysis window's spread.
        // The microphone is delayed by two frames: the sub-band image of the echo path spreads
        // before its first tap by up to half the analysis window, which a filter over causal
        // lags can then model (on the benchmark rooms 1 to 2 dB more after a path change).
        lag_ = 2 * S_;
        line_.assign(static_cast<size_t>(lag_ + S_), 0);
        // The filter spans the tail, the analysis window's spread and the microphone delay.
        T_ = std::min(255, (tail + S_ - 1) / S_ + W_ / S_ + 2);
        std::vector<float> window(static_cast<size_t>(W_));
        for (int i = 0; i < W_ / 2; ++i) window[i] = window[W_ - 1 - i] = b.half[i];
        int st = 0, in = 0, wk = 0;
        voksSubbandProcessGetSize_32f(b.order, W_, &st, &in, &wk);
        for (auto* v : {&far_, &mic_, &syn_}) {
            v->assign(static_cast<size_t>(st), 0);
            voksSubbandProcessInit_32f(bank(*v), b.order, S_, W_, window.data(), nullptr);
        }
        work_.assign(static_cast<size_t>(wk), 0);
        int cs = 0;
        voksSubbandControllerGetSize_EC_32f(K_, S_, T_, fs, &cs);
        ctrl_.assign(static_cast<size_t>(cs), 0);
        voksSubbandControllerInit_EC_32f(control(), K_, S_, T_, fs);
        const size_t taps = static_cast<size_t>(T_) * K_;
        X_.assign(taps, {0.0f, 0.0f});
        Wc_.assign(taps, {0.0f, 0.0f});
        Wb_ = Wc_;
        Wp_ = Wc_;
        Wf_ = Wc_;
        for (int k = 0; k < T_; ++k) {
            tX_.push_back(&X_[static_cast<size_t>(k) * K_]);
            tW_.push_back(&Wc_[static_cast<size_t>(k) * K_]);
            cW_.push_back(tW_.back());
            tWb_.push_back(&Wb_[static_cast<size_t>(k) * K_]);
            cWf_.push_back(&Wf_[static_cast<size_t>(k) * K_]);
        }
        D_.resize(K_);
        Y_.resize(K_);
        E_.resize(K_);
        Ef_.resize(K_);
        mu_.resize(K_);
        in_.resize(S_);
        out_.resize(S_);
        hold_.init(tail, fs / 4, kRoomHold);
        // The step numerator: 0.8 at 8 kHz re-converges 0.5 to 5 dB better after a path change
        // on the benchmark; at 16 kHz it costs 4 dB after double talk, so 0.5 (the default).
        mu0_ = fs == 8000 ? 0.8f : 0.5f;
        // A fast start: larger numerators (1 and 0.8) until the output filter first reduces the
        // echo by 30 dB, for 5 s at most; 20 dB is then held 0.1 to 0.3 s sooner at 128 ms
        // tails, and double talk and path changes later see the steady steps.
        fast_ = fs == 8000 ? 1.0f : 0.8f;
        start_ = 5 * fs / S_;
        // Larger steps after a released hold only at tails of 100 ms and more: the reverberant
        // tail is what converges slowly after a path change (on the benchmark FE3 up by 0.7 dB
        // at A8_128 and 1.0 dB at A16_128); at 64 ms tails they gain nothing and cost the hybrid
        // path 0.6 dB after double talk.
        refast_len_ = tail * 10 >= fs ? 2 * fs / S_ : 0;
        gain_.resize(T_);
        Xg_.assign(taps, {0.0f, 0.0f});
        for (int k = 0; k < T_; ++k) cXg_.push_back(&Xg_[static_cast<size_t>(k) * K_]);
        pg_.resize(K_);
        Ryy_.assign(K_, 0.0);
        Rdd_.assign(K_, 0.0);
        Ryd_.assign(K_, Sum2{});
    }
    int frame() const override { return S_; }
    int delay() const override { return W_ - S_ + lag_; }
    void process(const int16_t* far, const int16_t* mic, int16_t* out) override {
        bool hold = hold_.update(far, mic, S_);
        std::memcpy(&line_[lag_], mic, sizeof(int16_t) * S_);
        std::rotate(tX_.begin(), tX_.end() - 1, tX_.end());  // the oldest spectrum becomes the newest
        for (int j = 0; j < S_; ++j) in_[j] = far[j];
        voksSubbandAnalysis_32f32fc(in_.data(), const_cast<Vok32fc*>(tX_[0]), bank(far_), work_.data());
        for (int j = 0; j < S_; ++j) in_[j] = line_[j];
        std::memmove(line_.data(), line_.data() + S_, sizeof(int16_t) * lag_);
        voksSubbandAnalysis_32f32fc(in_.data(), D_.data(), bank(mic_), work_.data());
        const Vok32fc** tX = tX_.data();
        voksFIRSubband_EC_32fc(tX, cW_.data(), Y_.data(), T_, K_);
        for (int i = 0; i < K_; ++i) E_[i] = {D_[i].re - Y_[i].re, D_[i].im - Y_[i].im};
        voksFIRSubband_EC_32fc(tX, cWf_.data(), Y_.data(), T_, K_);
        for (int i = 0; i < K_; ++i) Ef_[i] = {D_[i].re - Y_[i].re, D_[i].im - Y_[i].im};
        hold = !explained() && hold;  // explained() keeps its averages: called every frame
        hold = incoherent() || hold;
        choose_filter();
        if (sf_ * 1000.0 < sd_ || ++started_ >= start_) started_ = start_;
        // A released hold (a changed path, or a long burst of double talk) re-arms larger
        // steps at long tails, 1.4 times the steady ones for up to 2 s or until the echo is
        // reduced by 30 dB again.
        if (changed_) refast_ = refast_len_;
        changed_ = false;
        double boost = 1.0;
        if (refast_ > 0) {
            --refast_;
            boost = sf_ * 1000.0 < sd_ ? 1.0 : kRefast;
            if (boost == 1.0) refast_ = 0;
        }
        voksSubbandAPControllerUpdate_EC_32f(tX, D_.data(), mu_.data(), control(),
                                             started_ < start_ ? fast_ : mu0_);
        const double m = boost * (hold ? 0.0 : kStepFloor + (1.0f - kStepFloor) * g_);
        num_ = m * (started_ < start_ ? fast_ : mu0_);  // the controller's numerator, scaled
        for (double& v : mu_) v *= m;
        proportion();
        voksFIRSubbandCoeffUpdate_EC_32fc_I(mu_.data(), cXg_.data(), E_.data(), tW_.data(), T_, K_);
        Wp_ = Wc_;
        voksSubbandController_EC_32f(E_.data(), D_.data(), tW_.data(), tWb_.data(), &g_, control());
        guard_restores(hold);
        voksSubbandSynthesis_32fc32f(Ef_.data(), out_.data(), bank(syn_), work_.data());
        bool bad = false;
        for (int j = 0; j < S_; ++j) bad = bad || !std::isfinite(out_[j]);
        for (int j = 0; j < S_; ++j) out[j] = bad ? 0 : to16(out_[j]);
        if (bad) reset();
    }

private:
    static VokSubbandProcessState_32f* bank(std::vector<unsigned char>& v) {
        return reinterpret_cast<VokSubbandProcessState_32f*>(v.data());
    }
    VokSubbandControllerState_32f* control() {
        return reinterpret_cast<VokSubbandControllerState_32f*>(ctrl_.data());
    }
    // The controller restores a bin's backup whenever its error exceeds its near-end energy. That
    // undoes the divergence of double talk, but outside double talk a rising error means the echo
    // path has changed and the filter must re-adapt: there the restores are undone (the
    // controller's backups and its multiplier stand).
    void guard_restores(bool hold) {
        if (hold) return;
        for (int i = 0; i < K_; ++i) {
            if (std::memcmp(&Wp_[i], &Wc_[i], sizeof(Vok32fc)) == 0) continue;
            for (int k = 0; k < T_; ++k)
                Wc_[static_cast<size_t>(k) * K_ + i] = Wp_[static_cast<size_t>(k) * K_ + i];
        }
    }
    // Two filters: the adapting one and the output's one, which only takes copies of it. The
    // adapting filter's error energy, smoothed over some 40 ms, decides: the output filter
    // takes a copy when that error is 5 dB below its own (the adapting filter has converged
    // further, or followed a changed path), or below it at all once the echo is reduced by
    // 15 dB; when that error exceeds its own by 1 dB (the adapting filter diverges, as it does
    // in the double talk that the level hold misses), the adapting filter restarts from the
    // output filter. A near talker as loud as the echo thus reaches the output through a
    // filter that did not adapt to it.
    void choose_filter() {
        double eb = 0.0, ef = 0.0, ed = 0.0;
        for (int i = 0; i < K_; ++i) {
            ed += double{D_[i].re} * D_[i].re + double{D_[i].im} * D_[i].im;
            eb += double{E_[i].re} * E_[i].re + double{E_[i].im} * E_[i].im;
            ef += double{Ef_[i].re} * Ef_[i].re + double{Ef_[i].im} * Ef_[i].im;
        }
        constexpr double kAvg = 0.95, kCopy = 3.0, kConverged = 30.0, kRestart = 1.25;
        sb_ = kAvg * sb_ + eb;
        sf_ = kAvg * sf_ + ef;
        sd_ = kAvg * sd_ + ed;
        if (sf_ > kCopy * sb_ || (sf_ > sb_ && sb_ * kConverged < sd_)) {
            Wf_ = Wc_;
            Ef_ = E_;
            sf_ = sb_;
        } else if (!(sb_ <= kRestart * sf_)) {  // also when the adapting filter overflowed
            Wc_ = Wf_;
            E_ = Ef_;
            sb_ = sf_;
        }
    }
    // The microphone is explained by the echo when the output filter has reduced the echo by
    // 10 dB (over some 40 ms) and the microphone's energy stays within 1 dB of the echo
    // estimate's over the last 10 ms or so. A near talker adds energy the estimate lacks; loud
    // echo (a hybrid's 6 dB return loss) does not, yet trips the level hold, which this
    // overrides. Before convergence the level hold alone decides.
    bool explained() {
        double ed = 0.0, ey = 0.0;
        for (int i = 0; i < K_; ++i) {
            ed += double{D_[i].re} * D_[i].re + double{D_[i].im} * D_[i].im;
            ey += double{Y_[i].re} * Y_[i].re + double{Y_[i].im} * Y_[i].im;
        }
        constexpr double kShort = 0.75, kRatio = 1.25, kReduced = 10.0;
        qd_ = kShort * qd_ + ed;
        qy_ = kShort * qy_ + ey;
        return sf_ * kReduced < sd_ && qd_ < kRatio * qy_;
    }
    // Double talk by coherence: the share of the microphone's energy that the output filter's
    // echo estimate predicts linearly, per bin over some 20 ms (sum |<Y D*>|^2 / <|Y|^2> over
    // sum <|D|^2>), stays near 1 while the microphone holds echo and noise, and falls toward 1/2
    // when a near talker as loud as the echo joins, whatever its peaks (the level hold misses
    // near talkers below half the far-end peak). Armed once the fast start has ended with the
    // echo reduced by 15 dB. A changed echo path lowers the share too: a hold of more than
    // 0.2 s (longer than most missed bursts) is taken for one and released, and the check then
    // rests for 1 s while the filter re-adapts.
    bool incoherent() {
        constexpr double kAvg = 0.9, kShare = 0.8;
        constexpr int kHang = 10, kLongest = 100, kRest = 500;  // frames of 2 ms
        double num = 0.0, den = 0.0, yy = 0.0;
        for (int i = 0; i < K_; ++i) {
            const double yr = Y_[i].re, yi = Y_[i].im, dr = D_[i].re, di = D_[i].im;
            Ryd_[i].re = kAvg * Ryd_[i].re + (1 - kAvg) * (yr * dr + yi * di);
            Ryd_[i].im = kAvg * Ryd_[i].im + (1 - kAvg) * (yi * dr - yr * di);
            Ryy_[i] = kAvg * Ryy_[i] + (1 - kAvg) * (yr * yr + yi * yi);
            Rdd_[i] = kAvg * Rdd_[i] + (1 - kAvg) * (dr * dr + di * di);
            if (Ryy_[i] > 0.0) num += (Ryd_[i].re * Ryd_[i].re + Ryd_[i].im * Ryd_[i].im) / Ryy_[i];
            den += Rdd_[i];
            yy += Ryy_[i];
        }
        if (sf_ * 30.0 < sd_ && started_ >= start_) armed_ = true;
        if (armed_ && yy > 1e-3 * den && num < kShare * den)
            talk_ = kHang;
        else if (talk_ > 0)
            --talk_;
        if (rest_ > 0) {
            --rest_;
            talk_ = 0;
        }
        held_ = talk_ > 0 ? held_ + 1 : 0;
        if (held_ >= kLongest) {
            rest_ = kRest;
            changed_ = true;
            talk_ = held_ = 0;
        }
        return talk_ > 0;
    }
    // Proportionate steps: tap k of every bin adapts with the gain 1/2 + T a_k / (2 sum a), a_k
    // the magnitudes of the adapting filter's tap k summed over the bins, so the taps that carry
    // the echo path converge first (on the benchmark 2 to 4 dB more echo reduction, 20 dB
    // reached 0.4 to 0.7 s sooner). The update takes the far-end spectra scaled by the gains,
    // and each bin's step divides the frame's numerator by the gain-weighted far-end energy plus
    // a regulariser (kRegularise); the controller's own step only tells whether to adapt.
    void proportion() {
        if (frames_++ % 4 == 0) {  // the gains move slowly: every fourth frame
            float total = 0.0f;
            for (int k = 0; k < T_; ++k) {
                const Vok32fc* w = &Wc_[static_cast<size_t>(k) * K_];
                float a = 0.0f;
                for (int i = 0; i < K_; ++i) a += std::fabs(w[i].re) + std::fabs(w[i].im);
                gain_[k] = a;
                total += a;
            }
            const float scale = total > 0.0f ? 0.5f * static_cast<float>(T_) / total : 0.0f;
            for (float& a : gain_) a = total > 0.0f ? 0.5f + scale * a : 1.0f;
        }
        std::fill(pg_.begin(), pg_.end(), 0.0f);
        float* pg = pg_.data();
        for (int k = 0; k < T_; ++k) {
            const float gk = gain_[k];
            const Vok32fc* x = tX_[k];
            Vok32fc* xg = &Xg_[static_cast<size_t>(k) * K_];
            for (int i = 0; i < K_; ++i) {
                const float e = x[i].re * x[i].re + x[i].im * x[i].im;
                pg[i] += gk * e;
                xg[i] = {gk * x[i].re, gk * x[i].im};
            }
        }
        const double reg = kRegularise * T_;
        for (int i = 0; i < K_; ++i) mu_[i] = mu_[i] > 0.0 ? kNumerator * num_ / (pg[i] + reg) : 0.0;
    }
    void reset() {
        started_ = 0;
        armed_ = false;
        talk_ = held_ = rest_ = refast_ = 0;
        changed_ = false;
        std::fill(Ryy_.begin(), Ryy_.end(), 0.0);
        std::fill(Rdd_.begin(), Rdd_.end(), 0.0);
        std::fill(Ryd_.begin(), Ryd_.end(), Sum2{});
        qd_ = qy_ = 0.0;
        sb_ = sf_ = sd_ = 0.0;
        for (auto* v : {&Wc_, &Wb_, &Wf_, &X_}) std::fill(v->begin(), v->end(), Vok32fc{0.0f, 0.0f});
        voksSubbandControllerReset_EC_32f(control());
    }
    int S_ = 0, W_ = 0, K_ = 0, T_ = 0, lag_ = 0;
    std::vector<unsigned char> far_, mic_, syn_, work_, ctrl_;
    std::vector<Vok32fc> X_, Xg_, Wc_, Wb_, Wp_, Wf_, D_, Y_, E_, Ef_;
    std::vector<const Vok32fc*> tX_, cXg_, cW_, cWf_;
    double sb_ = 0.0, sf_ = 0.0, sd_ = 0.0, qd_ = 0.0, qy_ = 0.0;
    std::vector<int16_t> line_;  // the microphone's delay line
    std::vector<Vok32fc*> tW_, tWb_;
    std::vector<double> mu_;
    std::vector<float> gain_, pg_;
    unsigned frames_ = 0;
    int started_ = 0, start_ = 0;    // frames adapted in the fast start, its length
    std::vector<double> Ryy_, Rdd_;  // the coherence check's averages
    std::vector<Sum2> Ryd_;
    bool armed_ = false;
    int talk_ = 0, held_ = 0, rest_ = 0;  // hangover, frames held, frames resting
    double num_ = 0.0;                    // the step numerator of the frame
    bool changed_ = false;                // a hold was released as too long
    int refast_ = 0, refast_len_ = 0;     // frames left with larger steps, their number
    std::vector<float> in_, out_;
    float g_ = 1.0f, mu0_ = 0.5f, fast_ = 0.5f;
    TalkHold hold_;
};

// The fixed-point sub-band canceller: the 16-bit bank, coefficients in Q20 (the filter output
// scaled by 2^-20), the double-talk Update's steps and flag, the sub-band controller's backup
// and restore decisions (restores under the flag only) and its multiplier.
class SubFixed final : public Canceller {
public:
    SubFixed(int fs, int tail) {
        const Bank b = bank_for(fs);
        S_ = b.shift;
        W_ = b.window;
        K_ = (1 << b.order) / 2 + 1;
        T_ = std::min(255, (tail + S_ - 1) / S_ + W_ / S_);
        std::vector<int16_t> window(static_cast<size_t>(W_));
        for (int i = 0; i < W_ / 2; ++i)
            window[i] = window[W_ - 1 - i] = static_cast<int16_t>(b.half[i] * 8192.0f);
        int st = 0, in = 0, wk = 0;
        voksSubbandProcessGetSize_16s(b.order, W_, &st, &in, &wk);
        for (auto* v : {&far_, &mic_, &syn_}) {
            v->assign(static_cast<size_t>(st), 0);
            voksSubbandProcessInit_16s(bank(*v), b.order, S_, W_, window.data(), nullptr);
        }
        work_.assign(static_cast<size_t>(wk), 0);
        int cs = 0;
        voksSubbandControllerDTGetSize_EC_16s(K_, S_, T_, fs, &cs);
        ctrl_.assign(static_cast<size_t>(cs), 0);
        voksSubbandControllerDTInit_EC_16s(control(), K_, S_, T_, fs);
        voksSubbandControllerGetSize_EC_16s(K_, S_, T_, fs, &cs);
        sub_.assign(static_cast<size_t>(cs), 0);
        voksSubbandControllerInit_EC_16s(sub(), K_, S_, T_, fs);
        const size_t taps = static_cast<size_t>(T_) * K_;
        X_.assign(taps, {0, 0});
        Wc_.assign(taps, {0, 0});
        Wb_ = Wc_;
        Wf_ = Wc_;
        for (int k = 0; k < T_; ++k) {
            tX_.push_back(&X_[static_cast<size_t>(k) * K_]);
            tW_.push_back(&Wc_[static_cast<size_t>(k) * K_]);
            cW_.push_back(tW_.back());
            tWb_.push_back(&Wb_[static_cast<size_t>(k) * K_]);
            cWf_.push_back(&Wf_[static_cast<size_t>(k) * K_]);
        }
        D_.resize(K_);
        Y_.resize(K_);
        E_.resize(K_);
        Ef_.resize(K_);
        mu_.resize(K_);
        // Steps mu0 / (sum of |X|^2 over the taps) in Q20 coefficients, mu0 = 1/2: the steps of
        // the double-talk Update stand for 2^-15 / P with P the mean |X|^2 >> 14 per frame. One
        // bit more (measured on the benchmark: the Update's regulariser 80530 / T and its smaller
        // steps after long single talk leave the filter short of converging; two bits more
        // diverge on the hybrid path).
        hold_.init(tail, fs / 4, kRoomHold);
        scale_ =
            std::clamp(static_cast<int>(std::lround(20.0 - std::log2(static_cast<double>(T_)))) + 1, 0, 31);
    }
    int frame() const override { return S_; }
    int delay() const override { return W_ - S_; }
    void process(const int16_t* far, const int16_t* mic, int16_t* out) override {
        std::rotate(tX_.begin(), tX_.end() - 1, tX_.end());
        voksSubbandAnalysis_16s32sc_Sfs(far, const_cast<Vok32sc*>(tX_[0]), bank(far_), 0, work_.data());
        voksSubbandAnalysis_16s32sc_Sfs(mic, D_.data(), bank(mic_), 0, work_.data());
        const Vok32sc** tX = tX_.data();
        voksFIRSubband_EC_32sc_Sfs(tX, cW_.data(), Y_.data(), T_, K_, 20);
        for (int i = 0; i < K_; ++i)
            E_[i] = {sat(int64_t{D_[i].re} - Y_[i].re), sat(int64_t{D_[i].im} - Y_[i].im)};
        voksFIRSubband_EC_32sc_Sfs(tX, cWf_.data(), Y_.data(), T_, K_, 20);
        for (int i = 0; i < K_; ++i)
            Ef_[i] = {sat(int64_t{D_[i].re} - Y_[i].re), sat(int64_t{D_[i].im} - Y_[i].im)};
        choose_filter();
        voksSubbandControllerDTUpdate_EC_16s(tX, D_.data(), E_.data(), mu_.data(), &dt_, &low_, 0, control());
        // The multiplier's floor as in the float canceller, in the mantissa (Q15).
        const bool hold = hold_.update(far, mic, S_);
        const int64_t m = hold ? 0
                               : static_cast<int64_t>(kStepFloor * 32768) +
                                     (static_cast<int64_t>((1 - kStepFloor) * 32768) * g_ >> 15);
        for (auto& st : mu_) st.mant = static_cast<int32_t>((st.mant * m) >> 15);
        voksFIRSubbandCoeffUpdate_EC_32sc_I(mu_.data(), tX, E_.data(), tW_.data(), T_, K_, scale_);
        Wp_ = Wc_;
        int16_t g = 0;
        voksSubbandController_EC_16s(E_.data(), D_.data(), tW_.data(), tWb_.data(), &g, sub());
        // Restores stand only under double talk (see SubFloat::guard_restores), detected by level
        // as in the float canceller.
        if (!hold) Wc_ = Wp_;
        g_ = g;
        voksSubbandSynthesis_32sc16s_Sfs(Ef_.data(), out, bank(syn_), 0, work_.data());
    }

private:
    // The float canceller's two filters (SubFloat::choose_filter), in integers: energies of the
    // components taken to 24 bits, smoothed by 1 - 1/20 per frame.
    void choose_filter() {
        auto energy = [this](const std::vector<Vok32sc>& v) {
            int64_t e = 0;
            for (int i = 0; i < K_; ++i) {
                const int64_t re = v[i].re >> 8, im = v[i].im >> 8;
                e += re * re + im * im;
            }
            return e;
        };
        sb_ += energy(E_) - sb_ / 20;
        sf_ += energy(Ef_) - sf_ / 20;
        sd_ += energy(D_) - sd_ / 20;
        if (sf_ > 3 * sb_ || (sf_ > sb_ && sb_ < sd_ / 30)) {
            Wf_ = Wc_;
            Ef_ = E_;
            sf_ = sb_;
        } else if (4 * sb_ > 5 * sf_) {
            Wc_ = Wf_;
            E_ = Ef_;
            sb_ = sf_;
        }
    }
    static int32_t sat(int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }
    static VokSubbandProcessState_16s* bank(std::vector<unsigned char>& v) {
        return reinterpret_cast<VokSubbandProcessState_16s*>(v.data());
    }
    VokSubbandControllerState_16s* sub() {
        return reinterpret_cast<VokSubbandControllerState_16s*>(sub_.data());
    }
    VokSubbandControllerDTState_16s* control() {
        return reinterpret_cast<VokSubbandControllerDTState_16s*>(ctrl_.data());
    }
    int S_ = 0, W_ = 0, K_ = 0, T_ = 0, scale_ = 0;
    Vok32s dt_ = 0, low_ = 0;
    int16_t g_ = 32767;
    TalkHold hold_;
    std::vector<unsigned char> far_, mic_, syn_, work_, ctrl_, sub_;
    std::vector<Vok32sc> X_, Wc_, Wb_, Wp_, Wf_, D_, Y_, E_, Ef_;
    std::vector<const Vok32sc*> tX_, cW_, cWf_;
    int64_t sb_ = 0, sf_ = 0, sd_ = 0;  // smoothed error energies and near-end energy
    std::vector<Vok32sc*> tW_, tWb_;
    std::vector<VokEcStep32s> mu_;
};

}  // namespace

std::unique_ptr<Canceller> make_canceller(Structure structure, Form form, int fs, int tail_ms) {
    if ((fs != 8000 && fs != 16000) || tail_ms < 1 || tail_ms > 256) return nullptr;
    const int tail = tail_ms * fs / 1000;
    if (structure == Structure::Fullband) {
        if (form == Form::Float) return std::make_unique<FullFloat>(fs, tail);
        return std::make_unique<FullFixed>(fs, tail);
    }
    if (form == Form::Float) return std::make_unique<SubFloat>(fs, tail);
    return std::make_unique<SubFixed>(fs, tail);
}

}  // namespace ecex
