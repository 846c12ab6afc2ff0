/* voksc: G.729 excitation search. Included by voksc.h. */
#ifndef VOKSC_G729_EXCITATION_H
#define VOKSC_G729_EXCITATION_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_G729_EXCITATION_H */
