/* voksc: G.729 family. Included by voksc.h. */
#ifndef VOKSC_G729_H
#define VOKSC_G729_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_H */
