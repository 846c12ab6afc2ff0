// The G.722 kernels: the QMF bank and the sub-band ADPCM coding loops. The scalar kernels define
// the results; the AVX2 twins (x86/) give identical bits and states.
#ifndef VOKS_G722_KERNELS_H
#define VOKS_G722_KERNELS_H

#include <cstdint>

#include "frame/dispatch.h"
#include "g722/g722_internal.h"

namespace voks::g722 {

// QMF kernels. pairs >= 1; delay holds 24 words (words 2..23 history, 0..1 scratch). Source and
// destination may be the same buffer (each chunk is read before it is written).
// 2*pairs 16 kHz samples -> pairs (lower, higher) pairs.
using qmf_tx_fn = void(const int16_t* src, int16_t* dst, int pairs, int16_t* delay);
// pairs (lower, higher) pairs -> 2*pairs 16 kHz samples.
using qmf_rx_fn = void(const int16_t* src, int16_t* dst, int pairs, int16_t* delay);
// Sub-band ADPCM: `pairs` (lower, higher) sample pairs to (ILOW, IHIGH) code pairs and back
// (mode 1 = 64, 2 = 56, other = 48 kbit/s). In place allowed (each pair is read first).
using encode_fn = void(const int16_t* sub, int16_t* codes, int pairs, AdpcmState& s);
using decode_fn = void(const int16_t* codes, int16_t* sub, int pairs, int mode, AdpcmState& s);

#define VOKS_G722_KERNELS(X) X(qmf_tx) X(qmf_rx) X(encode) X(decode)

VOKS_DECLARE_KERNELS(VOKS_G722_KERNELS)

}  // namespace voks::g722

#endif  // VOKS_G722_KERNELS_H
