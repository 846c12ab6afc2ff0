/* voksc: G.722 sub-band ADPCM and QMF. Included by voksc.h. */
#ifndef VOKSC_G722_H
#define VOKSC_G722_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G722_H */
