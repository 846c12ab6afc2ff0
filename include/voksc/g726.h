/* voksc: G.726 ADPCM. Included by voksc.h. */
#ifndef VOKSC_G726_H
#define VOKSC_G726_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G726_H */
