/* voksc: echo-canceller adaptive filters, sub-band filter bank and step-size controllers.
 * Included by voksc.h.
 *
 * Signals: far end (reference) x, near end (microphone) d, echo estimate y, error e = d - y.
 * Full-band far-end pointers point at x[0] of the block with L samples of history before it
 * (x[-L] .. x[-1]). Sub-band spectra hold K = N/2 + 1 bins of an N-point real FFT; a sub-band
 * filter of T taps is a table of T coefficient spectra and a table of T past far-end spectra,
 * newest first, both owned by the caller.
 *
 * Every state block here is laid out from the first 16-byte boundary of the caller's block
 * (the sizes include the slack) and holds no addresses: a memcpy of the whole block continues
 * the stream when the destination has the same address modulo 16. */
#ifndef VOKSC_EC_H
#define VOKSC_EC_H

#include "voksc/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A fixed-point sub-band step: mantissa m >= 0 and exponent p, standing for m * 2^-p. */
typedef struct {
    Vok32s mant;
    Vok32s exp;
} VokEcStep32s;

typedef struct VokSubbandProcessState_32f VokSubbandProcessState_32f;
typedef struct VokSubbandProcessState_16s VokSubbandProcessState_16s;
typedef struct VokFullbandControllerState_32f VokFullbandControllerState_32f;
typedef struct VokFullbandControllerState_16s VokFullbandControllerState_16s;
typedef struct VokSubbandControllerState_32f VokSubbandControllerState_32f;
typedef struct VokSubbandControllerState_16s VokSubbandControllerState_16s;
typedef struct VokSubbandControllerDTState_16s VokSubbandControllerDTState_16s;

/* ---- Full-band filters: n >= 1 samples, L >= 1 taps. ---- */

/* e[j] = d[j] - sum_k x[j-k]*h[k], accumulated in float, k ascending. */
VOKSC_API VokStatus voksFIR_EC_32f(const Vok32f* pSrcRef, const Vok32f* pSrcNear, Vok32f* pDstErr, int len,
                                   const Vok32f* pTaps, int tapLen);
/* As above in Q15: terms rounded (x*h + 2^14) >> 15, 32-bit saturating sums, e saturated. */
VOKSC_API VokStatus voksFIR_EC_16s(const Vok16s* pSrcRef, const Vok16s* pSrcNear, Vok16s* pDstErr, int len,
                                   const Vok16s* pTaps, int tapLen);
/* Per sample: taps adapted with the carried scaled error (fused), then filtered; the new carried
 * error is e[j]*step[j]. Reads x[-L] .. x[len-1]; *pErr in/out. */
VOKSC_API VokStatus voksNLMS_EC_32f(const Vok32f* pSrcRef, const Vok32f* pSrcNear, const Vok32f* pStep,
                                    Vok32f* pDstErr, int len, Vok32f* pTaps, int tapLen, Vok32f* pErr);
/* As above in fixed point: Q15 taps, carried error (e*step + 1024) >> 11, stored saturated. */
VOKSC_API VokStatus voksNLMS_EC_16s(const Vok16s* pSrcRef, const Vok16s* pSrcNear, const Vok32s* pStep,
                                    Vok16s* pDstErr, int len, Vok16s* pTaps, int tapLen, Vok16s* pErr);

/* ---- Sub-band filters: T taps (1..255), K bins (1..4097). ---- */

/* Y[i] = sum_k X_k[i]*W_k[i]; each product formed in double, rounded to float, summed in float. */
VOKSC_API VokStatus voksFIRSubband_EC_32fc(const Vok32fc** ppSrc, const Vok32fc** ppCoef, Vok32fc* pDst,
                                           int numTaps, int len);
/* Saturating 64-bit complex sums, then scaled by 2^-scale (-31..31; truncation toward zero, or
 * saturating left shift) and saturated to 32 bits. */
VOKSC_API VokStatus voksFIRSubband_EC_32sc_Sfs(const Vok32sc** ppSrc, const Vok32sc** ppCoef, Vok32sc* pDst,
                                               int numTaps, int len, int scale);
/* Bins startBin..len-1 only, wrapping 64-bit sums, arithmetic shift by scale (0..31), low 32
 * bits stored; startBin == len does nothing. */
VOKSC_API VokStatus voksFIRSubbandLow_EC_32sc_Sfs(const Vok32sc** ppSrc, const Vok32sc** ppCoef, int numTaps,
                                                  Vok32sc* pDst, int startBin, int len, int scale);
/* W_k[i] += step[i]*E[i]*conj(X_k[i]) (double, fused, rounded to float); steps >= 0. */
VOKSC_API VokStatus voksFIRSubbandCoeffUpdate_EC_32fc_I(const Vok64f* pStep, const Vok32fc** ppSrc,
                                                        const Vok32fc* pErr, Vok32fc** ppCoef, int numTaps,
                                                        int len);
/* Fixed-point update with the effective step mant * 2^(scale - exp), saturating; scale 0..31,
 * mantissas >= 0. */
VOKSC_API VokStatus voksFIRSubbandCoeffUpdate_EC_32sc_I(const VokEcStep32s* pStep, const Vok32sc** ppSrc,
                                                        const Vok32sc* pErr, Vok32sc** ppCoef, int numTaps,
                                                        int len, int scale);
/* As above over bins startBin..len-1, wrapping where the step shifts right; the scaled error
 * (err * mant + 2^30) >> 31 of each bin is written to pDstScaledErr. */
VOKSC_API VokStatus voksFIRSubbandLowCoeffUpdate_EC_32sc_I(const Vok32sc** ppSrc, const Vok32sc* pErr,
                                                           Vok32sc** ppCoef, int numTaps,
                                                           Vok32sc* pDstScaledErr, const VokEcStep32s* pStep,
                                                           int startBin, int len, int scale);
/* Affine projection of order P >= 1: W_k[i] += sum_j step_j[i]*E_j[i]*conj(X_(k+j)[i]); the
 * input table holds T + P - 1 spectra. */
VOKSC_API VokStatus voksFIRSubbandAPCoeffUpdate_EC_32fc_I(const Vok64f** ppStep, const Vok32fc** ppSrc,
                                                          const Vok32fc** ppErr, Vok32fc** ppCoef,
                                                          int numTaps, int len, int order);

/* ---- Analysis/synthesis filter bank: FFT length N = 2^order, frame shift S <= N, window
 * length W (a multiple of N). Built-in windows (null window at Init): order 5, S 24, W 128
 * (8 kHz) and order 6, S 44, W 256 (16 kHz). The init buffer is not read (size 0; may be null);
 * the work buffer is required. ---- */

/* Writes the state, init-buffer and work-buffer sizes in bytes. */
VOKSC_API VokStatus voksSubbandProcessGetSize_32f(int order, int windowLen, int* pStateSize, int* pInitSize,
                                                  int* pWorkSize);
VOKSC_API VokStatus voksSubbandProcessGetSize_16s(int order, int windowLen, int* pStateSize, int* pInitSize,
                                                  int* pWorkSize);
/* Copies the window (or the built-in one), zeroes the overlap buffer, builds the FFT. */
VOKSC_API VokStatus voksSubbandProcessInit_32f(VokSubbandProcessState_32f* pState, int order, int frameSize,
                                               int windowLen, const Vok32f* pWindow, Vok8u* pInitBuf);
/* As above with a Q13 window. */
VOKSC_API VokStatus voksSubbandProcessInit_16s(VokSubbandProcessState_16s* pState, int order, int frameSize,
                                               int windowLen, const Vok16s* pWindow, Vok8u* pInitBuf);
/* S new samples in, one spectrum of N/2 + 1 bins out (unnormalised forward FFT). */
VOKSC_API VokStatus voksSubbandAnalysis_32f32fc(const Vok32f* pSrc, Vok32fc* pDst,
                                                VokSubbandProcessState_32f* pState, Vok8u* pWorkBuf);
/* As above from 16-bit samples; the spectrum is scaled by 2^-scale (rounded, saturated). */
VOKSC_API VokStatus voksSubbandAnalysis_16s32sc_Sfs(const Vok16s* pSrc, Vok32sc* pDst,
                                                    VokSubbandProcessState_16s* pState, int scale,
                                                    Vok8u* pWorkBuf);
/* One spectrum in (inverse FFT divided by N), S output samples out. */
VOKSC_API VokStatus voksSubbandSynthesis_32fc32f(const Vok32fc* pSrc, Vok32f* pDst,
                                                 VokSubbandProcessState_32f* pState, Vok8u* pWorkBuf);
/* As above to 16-bit samples, the inverse transform scaled by 2^-scale (rounded, saturated). */
VOKSC_API VokStatus voksSubbandSynthesis_32sc16s_Sfs(const Vok32sc* pSrc, Vok16s* pDst,
                                                     VokSubbandProcessState_16s* pState, int scale,
                                                     Vok8u* pWorkBuf);

/* ---- Full-band step-size controller: frame n, L taps, fs 8000 or 16000 Hz. ---- */

/* Writes the state size (72 and 96 bytes). */
VOKSC_API VokStatus voksFullbandControllerGetSize_EC_32f(int frameSize, int tapLen, int sampleFreq,
                                                         int* pSize);
VOKSC_API VokStatus voksFullbandControllerGetSize_EC_16s(int frameSize, int tapLen, int sampleFreq,
                                                         int* pSize);
VOKSC_API VokStatus voksFullbandControllerInit_EC_32f(VokFullbandControllerState_32f* pState, int frameSize,
                                                      int tapLen, int sampleFreq);
VOKSC_API VokStatus voksFullbandControllerInit_EC_16s(VokFullbandControllerState_16s* pState, int frameSize,
                                                      int tapLen, int sampleFreq);
/* Clears the smoothed error, near-end and coefficient energies only. */
VOKSC_API VokStatus voksFullbandControllerReset_EC_32f(VokFullbandControllerState_32f* pState);
VOKSC_API VokStatus voksFullbandControllerReset_EC_16s(VokFullbandControllerState_16s* pState);
/* Per-sample NLMS steps from the far end x (L history samples before x[0]); s is the frame's
 * near-end (microphone) signal, whose smoothed energy the controller compares with. */
VOKSC_API VokStatus voksFullbandControllerUpdate_EC_32f(const Vok32f* pSrcRef, const Vok32f* pSrcNear,
                                                        Vok32f* pDstStep,
                                                        VokFullbandControllerState_32f* pState);
VOKSC_API VokStatus voksFullbandControllerUpdate_EC_16s(const Vok16s* pSrcRef, const Vok16s* pSrcNear,
                                                        Vok32s* pDstStep,
                                                        VokFullbandControllerState_16s* pState);
/* After the frame: keeps a backup of a good filter, restores it on divergence, and writes the
 * smoothed multiplier g (0..1): 1 while the filter is unconverged, toward 0 once it is. */
VOKSC_API VokStatus voksFullbandController_EC_32f(const Vok32f* pSrcErr, const Vok32f* pSrcNear,
                                                  Vok32f* pTaps, Vok32f* pBackupTaps, Vok32f* pDstGain,
                                                  VokFullbandControllerState_32f* pState);
/* As above, g in Q15 (0..32767). */
VOKSC_API VokStatus voksFullbandController_EC_16s(const Vok16s* pSrcErr, const Vok16s* pSrcNear,
                                                  Vok16s* pTaps, Vok16s* pBackupTaps, Vok16s* pDstGain,
                                                  VokFullbandControllerState_16s* pState);

/* ---- Sub-band step-size controllers: K bins, frame shift S, T taps, fs 8000 or 16000. ---- */

/* Writes the state size (16K + 112 and 5*ceil(4K/16)*16 + 128 bytes). */
VOKSC_API VokStatus voksSubbandControllerGetSize_EC_32f(int len, int frameSize, int numTaps, int sampleFreq,
                                                        int* pSize);
VOKSC_API VokStatus voksSubbandControllerGetSize_EC_16s(int len, int frameSize, int numTaps, int sampleFreq,
                                                        int* pSize);
VOKSC_API VokStatus voksSubbandControllerInit_EC_32f(VokSubbandControllerState_32f* pState, int len,
                                                     int frameSize, int numTaps, int sampleFreq);
VOKSC_API VokStatus voksSubbandControllerInit_EC_16s(VokSubbandControllerState_16s* pState, int len,
                                                     int frameSize, int numTaps, int sampleFreq);
/* Clears the per-bin smoothed error, near-end and coefficient energies. */
VOKSC_API VokStatus voksSubbandControllerReset_EC_32f(VokSubbandControllerState_32f* pState);
VOKSC_API VokStatus voksSubbandControllerReset_EC_16s(VokSubbandControllerState_16s* pState);
/* Per-bin steps 0.5/P from the far-end spectra table (T, newest first); pNear, the optional
 * near-end spectrum (may be null), feeds the smoothed near-end energy. pUnused1 and pUnused2
 * are only tested for null. */
VOKSC_API VokStatus voksSubbandControllerUpdate_EC_32f(const void* pUnused1, const void* pUnused2,
                                                       const Vok32fc** ppSrcRef, const Vok32fc* pNear,
                                                       Vok64f* pDstStep,
                                                       VokSubbandControllerState_32f* pState);
/* As above with the step numerator mu0 (0..1). */
VOKSC_API VokStatus voksSubbandAPControllerUpdate_EC_32f(const Vok32fc** ppSrcRef, const Vok32fc* pNear,
                                                         Vok64f* pDstStep,
                                                         VokSubbandControllerState_32f* pState, Vok32f mu0);
/* Fixed-point steps as (mantissa, exponent) pairs. */
VOKSC_API VokStatus voksSubbandControllerUpdate_EC_16s(const void* pUnused1, const void* pUnused2,
                                                       const Vok32sc** ppSrcRef, const Vok32sc* pNear,
                                                       VokEcStep32s* pDstStep,
                                                       VokSubbandControllerState_16s* pState);
/* Per-bin backup/restore of the coefficient tables and the multiplier g. */
VOKSC_API VokStatus voksSubbandController_EC_32f(const Vok32fc* pSrcErr, const Vok32fc* pSrcNear,
                                                 Vok32fc** ppCoef, Vok32fc** ppBackup, Vok32f* pDstGain,
                                                 VokSubbandControllerState_32f* pState);
VOKSC_API VokStatus voksSubbandController_EC_16s(const Vok32sc* pSrcErr, const Vok32sc* pSrcNear,
                                                 Vok32sc** ppCoef, Vok32sc** ppBackup, Vok16s* pDstGain,
                                                 VokSubbandControllerState_16s* pState);

/* ---- Sub-band double-talk controller (fixed point). ---- */

/* Writes the state size (11*ceil(4K/16)*16 + floor((16K + 30)/32)*32 + 208 bytes). */
VOKSC_API VokStatus voksSubbandControllerDTGetSize_EC_16s(int len, int frameSize, int numTaps, int sampleFreq,
                                                          int* pSize);
VOKSC_API VokStatus voksSubbandControllerDTInit_EC_16s(VokSubbandControllerDTState_16s* pState, int len,
                                                       int frameSize, int numTaps, int sampleFreq);
VOKSC_API VokStatus voksSubbandControllerDTReset_EC_16s(VokSubbandControllerDTState_16s* pState);
/* Steps and double-talk detection over bins startBin..K-1. pNear is the near-end spectrum D and
 * pErr the error spectrum E of this frame (filtered with the current coefficients); *pDTFlag
 * holds the previous call's global flag and receives the new one; *pLowFlag is set when at
 * least 5 bins below 10 show double talk. */
VOKSC_API VokStatus voksSubbandControllerDTUpdate_EC_16s(const Vok32sc** ppSrcRef, const Vok32sc* pNear,
                                                         const Vok32sc* pErr, VokEcStep32s* pDstStep,
                                                         Vok32s* pDTFlag, Vok32s* pLowFlag, int startBin,
                                                         VokSubbandControllerDTState_16s* pState);
/* Backup and restore under double talk. Inputs: *pEnergy, the frame's error energy, and
 * *pLevel, the frame's near-end energy (in/out: restored with the filter); *pEnergyFlag enables
 * the per-bin level tracking, *pOverride forces the controller to run on silent frames.
 * *pEvent receives -1 (saved), +1 (restored) or 0. */
VOKSC_API VokStatus voksSubbandControllerDT_EC_16s(const Vok32sc* pSrcErr, const Vok32sc* pSrcNear,
                                                   Vok32sc** ppCoef, Vok32sc** ppBackup, Vok64s* pLevel,
                                                   Vok32s* pEvent, const Vok64s* pEnergy,
                                                   const Vok32s* pEnergyFlag, const Vok32s* pOverride,
                                                   int startBin, VokSubbandControllerDTState_16s* pState);

#ifdef __cplusplus
}
#endif

#endif /* VOKSC_EC_H */
