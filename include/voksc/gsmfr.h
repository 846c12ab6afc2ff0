/* voksc: GSM full rate (06.10). Included by voksc.h. */
#ifndef VOKSC_GSMFR_H
#define VOKSC_GSMFR_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_GSMFR_H */
