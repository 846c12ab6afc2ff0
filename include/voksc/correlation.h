/* voksc: correlation, convolution and LP-filter primitives. Included by voksc.h. */
#ifndef VOKSC_CORRELATION_H
#define VOKSC_CORRELATION_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_CORRELATION_H */
