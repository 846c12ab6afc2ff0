/* voksc: G.729 gain quantisation, post-processing and boundary filters. Included by voksc.h. */
#ifndef VOKSC_G729_GAIN_H
#define VOKSC_G729_GAIN_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_GAIN_H */
