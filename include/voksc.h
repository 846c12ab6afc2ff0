/* voksc: bit-exact building blocks for speech codecs, echo cancellers and level control.
 *
 * The caller owns every buffer and state block; the library keeps no mutable global state,
 * starts no threads, does no input or output and reports every outcome through a status. */
#ifndef VOKSC_H
#define VOKSC_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The library's constant version record; the same pointer on every call, never null. */
VOKSC_API const VokLibraryVersion* vokscGetLibVersion(void);

#ifdef __cplusplus
}
#endif

#include "voksc/scaling.h"
#include "voksc/correlation.h"
#include "voksc/g729.h"
#include "voksc/g722.h"
#include "voksc/g726.h"
#include "voksc/gsmfr.h"
#include "voksc/ec_tone.h"
#include "voksc/ec_alc.h"
#include "voksc/rta.h"
#include "voksc/g7221.h"
#include "voksc/ec.h"
#include "voksc/g723.h"
#include "voksc/g728.h"
#include "voksc/amrnb.h"
#include "voksc/amrwb.h"

#endif /* VOKSC_H */
