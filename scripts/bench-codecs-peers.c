/* The open peers' coding loops for scripts/bench-codecs.sh: reads a whole file of raw 16-bit
 * samples, codes it in 20 ms frames with one peer (the decoders first encode the file with the
 * same peer, untimed), and prints the CPU time of the coding loop alone in seconds.
 *
 *   bench-codecs-peers {libgsm|spandsp-gsm|spandsp-g722|spandsp-g726|bcg729|bcg729-dtx|
 *                       opencore-amrnb-122|opencore-amrnb-475|
 *                       amrwb-12650|amrwb-23850} {enc|dec} FILE
 *
 * AMR-WB: vo-amrwbenc encodes (RFC 4867 frames, one 61-octet slot per frame) and opencore-amrwb
 * decodes the vo-amrwbenc stream.
 *
 * With "run", it runs a command instead (standard output discarded) and prints the CPU time
 * (user + sys) and the peak resident memory in KiB of that process alone, from wait4.
 *
 *   bench-codecs-peers run COMMAND [ARG...]
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
#include <gsm.h>
#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>
#include <opencore-amrwb/dec_if.h>
#include <vo-amrwbenc/enc_if.h>
#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
#include <spandsp/g722.h>
#include <spandsp/g726.h>
#include <spandsp/gsm0610.h>

static double cpu_seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + t.tv_nsec * 1e-9;
}

/* Codes `frames` frames: from pcm to code when enc, else from code to pcm. */
typedef void (*Loop)(int enc, int16_t* pcm, uint8_t* code, size_t frames);

static void libgsm(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    gsm g = gsm_create();
    for (size_t f = 0; f < frames; ++f) {
        if (enc)
            gsm_encode(g, pcm + 160 * f, code + 33 * f);
        else
            gsm_decode(g, code + 33 * f, pcm + 160 * f);
    }
    gsm_destroy(g);
}

static void spandsp_gsm(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    gsm0610_state_t* s = gsm0610_init(NULL, GSM0610_PACKING_VOIP);
    for (size_t f = 0; f < frames; ++f) {
        if (enc)
            gsm0610_encode(s, code + 33 * f, pcm + 160 * f, 160);
        else
            gsm0610_decode(s, pcm + 160 * f, code + 33 * f, 33);
    }
    gsm0610_free(s);
}

/* G.722 at 64 kbit/s on 16 kHz samples: 320 samples, 160 octets per frame. */
static void spandsp_g722(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    if (enc) {
        g722_encode_state_t* s = g722_encode_init(NULL, 64000, 0);
        for (size_t f = 0; f < frames; ++f) g722_encode(s, code + 160 * f, pcm + 320 * f, 320);
        g722_encode_free(s);
    } else {
        g722_decode_state_t* s = g722_decode_init(NULL, 64000, 0);
        for (size_t f = 0; f < frames; ++f) g722_decode(s, pcm + 320 * f, code + 160 * f, 160);
        g722_decode_free(s);
    }
}

/* G.726 at 32 kbit/s, 16-bit linear samples, one code per byte. */
static void spandsp_g726(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    g726_state_t* s = g726_init(NULL, 32000, G726_ENCODING_LINEAR, G726_PACKING_NONE);
    for (size_t f = 0; f < frames; ++f) {
        if (enc)
            g726_encode(s, code + 160 * f, pcm + 160 * f, 160);
        else
            g726_decode(s, pcm + 160 * f, code + 160 * f, 160);
    }
    g726_free(s);
}

/* G.729 Annex A: 10 ms frames of 80 samples, 10 octets. */
static void bcg729(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    if (enc) {
        bcg729EncoderChannelContextStruct* s = initBcg729EncoderChannel(0);
        uint8_t len;
        for (size_t f = 0; f < 2 * frames; ++f) bcg729Encoder(s, pcm + 80 * f, code + 10 * f, &len);
        closeBcg729EncoderChannel(s);
    } else {
        bcg729DecoderChannelContextStruct* s = initBcg729DecoderChannel();
        for (size_t f = 0; f < 2 * frames; ++f) bcg729Decoder(s, code + 10 * f, 10, 0, 0, 0, pcm + 80 * f);
        closeBcg729DecoderChannel(s);
    }
}

/* G.729 Annex A with Annex B (VAD, DTX, comfort noise): per 10 ms frame one length octet (10
 * speech, 2 SID, 0 untransmitted) and room for 10 octets. */
static void bcg729_dtx(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    if (enc) {
        bcg729EncoderChannelContextStruct* s = initBcg729EncoderChannel(1);
        for (size_t f = 0; f < 2 * frames; ++f) bcg729Encoder(s, pcm + 80 * f, code + 11 * f + 1, code + 11 * f);
        closeBcg729EncoderChannel(s);
    } else {
        bcg729DecoderChannelContextStruct* s = initBcg729DecoderChannel();
        for (size_t f = 0; f < 2 * frames; ++f) {
            const uint8_t len = code[11 * f];
            bcg729Decoder(s, len ? code + 11 * f + 1 : NULL, len, len == 0, len == 2, 0, pcm + 80 * f);
        }
        closeBcg729DecoderChannel(s);
    }
}

/* GSM-AMR in the RFC 4867 frame form (a TOC octet and the frame's bits, at most 32 octets per
 * 20 ms frame), without DTX. The peer's encoder overwrites its input: each frame is copied first. */
static void opencore_amrnb(int enc, enum Mode mode, int16_t* pcm, uint8_t* code, size_t frames) {
    if (enc) {
        void* s = Encoder_Interface_init(0);
        short in[160];
        for (size_t f = 0; f < frames; ++f) {
            memcpy(in, pcm + 160 * f, sizeof in);
            Encoder_Interface_Encode(s, mode, in, code + 32 * f, 0);
        }
        Encoder_Interface_exit(s);
    } else {
        void* s = Decoder_Interface_init();
        for (size_t f = 0; f < frames; ++f) Decoder_Interface_Decode(s, code + 32 * f, pcm + 160 * f, 0);
        Decoder_Interface_exit(s);
    }
}

static void opencore_amrnb_122(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    opencore_amrnb(enc, MR122, pcm, code, frames);
}

static void opencore_amrnb_475(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    opencore_amrnb(enc, MR475, pcm, code, frames);
}

/* AMR-WB at mode 2 (12.65) or 8 (23.85 kbit/s) without DTX: 320 samples per frame. */
static void amrwb(int mode, int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    if (enc) {
        void* s = E_IF_init();
        for (size_t f = 0; f < frames; ++f) E_IF_encode(s, mode, pcm + 320 * f, code + 61 * f, 0);
        E_IF_exit(s);
    } else {
        void* s = D_IF_init();
        for (size_t f = 0; f < frames; ++f) D_IF_decode(s, code + 61 * f, pcm + 320 * f, 0);
        D_IF_exit(s);
    }
}
static void amrwb_12650(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    amrwb(2, enc, pcm, code, frames);
}
static void amrwb_23850(int enc, int16_t* pcm, uint8_t* code, size_t frames) {
    amrwb(8, enc, pcm, code, frames);
}

static int run(char** argv) {
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDOUT_FILENO);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status;
    struct rusage ru;
    if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "%s failed\n", argv[0]);
        return 1;
    }
    printf("%.4f %ld\n", ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6,
           ru.ru_maxrss);
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 2 && strcmp(argv[1], "run") == 0) return run(argv + 2);
    static const struct {
        const char* name;
        Loop loop;
        size_t samples; /* per 20 ms frame */
        size_t bytes;   /* coded bytes per 20 ms frame */
    } peers[] = {{"libgsm", libgsm, 160, 33},
                 {"spandsp-gsm", spandsp_gsm, 160, 33},
                 {"spandsp-g722", spandsp_g722, 320, 160},
                 {"spandsp-g726", spandsp_g726, 160, 160},
                 {"bcg729", bcg729, 160, 20},
                 {"bcg729-dtx", bcg729_dtx, 160, 22},
                 {"opencore-amrnb-122", opencore_amrnb_122, 160, 32},
                 {"opencore-amrnb-475", opencore_amrnb_475, 160, 32},
                 {"amrwb-12650", amrwb_12650, 320, 61},
                 {"amrwb-23850", amrwb_23850, 320, 61}};
    if (argc != 4 || (strcmp(argv[2], "enc") != 0 && strcmp(argv[2], "dec") != 0)) {
        fprintf(stderr, "usage: %s PEER enc|dec FILE\n", argv[0]);
        return 2;
    }
    size_t p = 0;
    while (p < sizeof peers / sizeof peers[0] && strcmp(peers[p].name, argv[1]) != 0) ++p;
    if (p == sizeof peers / sizeof peers[0]) {
        fprintf(stderr, "unknown peer %s\n", argv[1]);
        return 2;
    }
    FILE* f = fopen(argv[3], "rb");
    if (!f || fseek(f, 0, SEEK_END) != 0) {
        perror(argv[3]);
        return 1;
    }
    const long size = ftell(f);
    rewind(f);
    const size_t frames = (size_t)size / 2 / peers[p].samples;
    int16_t* pcm = calloc(frames * peers[p].samples + 1, sizeof(int16_t));
    uint8_t* code = calloc(frames * peers[p].bytes + 1, 1);
    if (!pcm || !code || fread(pcm, 2, frames * peers[p].samples, f) != frames * peers[p].samples) {
        fprintf(stderr, "cannot read %s\n", argv[3]);
        return 1;
    }
    fclose(f);
    const int enc = strcmp(argv[2], "enc") == 0;
    if (!enc) peers[p].loop(1, pcm, code, frames);
    const double t0 = cpu_seconds();
    peers[p].loop(enc, pcm, code, frames);
    const double t1 = cpu_seconds();
    /* A checksum of the output keeps the loop from being optimised away. */
    unsigned sum = 0;
    for (size_t i = 0; i < frames * peers[p].samples; ++i) sum = sum * 31 + (uint16_t)pcm[i];
    for (size_t i = 0; i < frames * peers[p].bytes; ++i) sum = sum * 31 + code[i];
    printf("%.4f %08x\n", t1 - t0, sum);
    free(pcm);
    free(code);
    return 0;
}
