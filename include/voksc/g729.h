/* voksc: G.729 family (main body and Annexes A, B, D, E, I). Included by voksc.h. */
#ifndef VOKSC_G729_H
#define VOKSC_G729_H

#include "voksc/g729_lp.h"
#include "voksc/g729_excitation.h"
#include "voksc/g729_gain.h"
#include "voksc/g729_sid.h"

#endif /* VOKSC_G729_H */
