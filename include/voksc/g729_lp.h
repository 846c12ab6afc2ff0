/* voksc: G.729 linear prediction and LSP processing. Included by voksc.h. */
#ifndef VOKSC_G729_LP_H
#define VOKSC_G729_LP_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_LP_H */
