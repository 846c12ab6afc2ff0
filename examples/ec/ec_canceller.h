// Echo cancellers assembled from the public voksc API.
//
// - LineCanceller: full-band NLMS with the full-band step-size controller, for line echo (8 kHz
//   telephony, 64 to 128 ms tails) and short acoustic paths.
// - SubbandCanceller: the weighted overlap-add filter bank (order 5 at 8 kHz, order 6 at
//   16 kHz), a complex NLMS filter per bin with the sub-band controller, for acoustic echo with
//   tails up to 256 ms.
// Both process 16-bit PCM frame by frame, in the float (32f) or the fixed-point (16s) operations
// of the library, and never emit anything but finite 16-bit samples.
#ifndef VOKSC_EXAMPLE_EC_CANCELLER_H
#define VOKSC_EXAMPLE_EC_CANCELLER_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ecex {

enum class Form { Float, Fixed };
enum class Structure { Fullband, Subband };

class Canceller {
public:
    virtual ~Canceller() = default;
    // Samples per call of process().
    virtual int frame() const = 0;
    // Samples by which the output lags the microphone signal.
    virtual int delay() const = 0;
    // One frame: far-end (loudspeaker) and microphone samples in, echo-cancelled samples out.
    virtual void process(const int16_t* far, const int16_t* mic, int16_t* out) = 0;
};

// A canceller for fs 8000 or 16000 Hz and a tail of 1 to 256 ms; null for other settings.
std::unique_ptr<Canceller> make_canceller(Structure structure, Form form, int fs, int tail_ms);

}  // namespace ecex

#endif  // VOKSC_EXAMPLE_EC_CANCELLER_H
