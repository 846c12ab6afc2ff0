// Constant tables of the front end: QMF prototypes and the high-pass coefficient sets.
#ifndef VOKS_RTA_RTA_TABLES_H
#define VOKS_RTA_RTA_TABLES_H

namespace voks::rta {

// First halves of the symmetric QMF prototypes (h[j] = h[taps-1-j]).
extern const float kQmfHalf24[12];
extern const float kQmfHalf48[24];

// Order-4 DC removal (third-order IIR), per rate 16000, 22050, 32000: b0..b3, then a1..a3.
extern const float kDcRemoval[3][7];
// Order-5 lattice-ladder, per rate 8000, 16000, 22050, 32000: K0..K3, then V0..V4.
extern const float kHpLattice[4][9];

}  // namespace voks::rta

#endif  // VOKS_RTA_RTA_TABLES_H
