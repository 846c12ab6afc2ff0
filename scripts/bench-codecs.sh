#!/usr/bin/env bash
# Whole-process speed of voks-codec against the open peers' coding loops, and its peak memory.
#
#   scripts/bench-codecs.sh [VOKS_CODEC]     (default build/release/voks-codec)
#
# The speech is every Asterisk prompt (/usr/share/asterisk/sounds/en/*.wav) joined into raw 8 kHz
# 16-bit samples with sox (resampled to 16 kHz for G.722). For each codec the script takes the
# CPU time (user + sys, from wait4) of the whole `voks-codec encode` and `voks-codec decode` process, and the
# CPU time of the peer's coding loop alone (scripts/bench-codecs-peers.c, built here against the
# Debian libgsm, spandsp, bcg729, opencore-amrnb, vo-amrwbenc and opencore-amrwb development packages: the file is read first, only the loop
# is timed), each the best of three, and prints peer / ours (above 1: voks-codec is faster).
# GSM full rate is compared with the faster of libgsm and spandsp; G.729 main body with bcg729,
# which codes Annex A only; G.729 Annex A with DTX (ITU frames, SID and untransmitted frames
# included) with bcg729's Annex A + B, on the prompts with pauses and noise (speech: 2 s longer
# per prompt); GSM-AMR at 12.2 and 4.75 kbit/s (RFC 4867 storage format, no DTX) with
# opencore-amrnb. AMR-WB (12.65 and 23.85 kbit/s) is compared with the vo-amrwbenc encoder and the
# opencore-amrwb decoder (decoding vo-amrwbenc's stream). Last, the peak resident memory
# of voks-codec on a 10-second and a 1-hour input.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
codec=$(realpath "${1:-$here/build/release/voks-codec}")
[[ -x $codec ]] || { echo "no voks-codec at $codec (build it, or name it)" >&2; exit 2; }
sounds=/usr/share/asterisk/sounds/en
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cc -O2 -o "$work/peers" "$here/scripts/bench-codecs-peers.c" -lgsm -lspandsp -lbcg729 -lopencore-amrnb \
    -lvo-amrwbenc -lopencore-amrwb
sox "$sounds"/*.wav -t raw -e signed -b 16 -c 1 -r 8000 "$work/s8.raw"
sox -t raw -e signed -b 16 -c 1 -r 8000 "$work/s8.raw" -r 16000 "$work/s16.raw"
# For the coders with silence compression: every prompt followed by a 2-second pause, under white
# noise 40 dB below full scale (peak), so that the VAD, SID and comfort-noise paths all run.
for f in "$sounds"/*.wav; do sox "$f" -t raw -e signed -b 16 -c 1 -r 8000 - pad 0 2; done >"$work/s8q.raw"
sox -n -r 8000 -e signed -b 16 -c 1 -t raw "$work/noise.raw" synth $(($(stat -c %s "$work/s8q.raw") / 16000 + 1)) \
    whitenoise vol 0.01
sox -m -v 1 -t raw -r 8000 -e signed -b 16 -c 1 "$work/s8q.raw" -v 1 -t raw -r 8000 -e signed -b 16 -c 1 \
    "$work/noise.raw" -t raw "$work/s8p.raw"
rm "$work/s8q.raw" "$work/noise.raw"
minutes=$(awk -v b="$(stat -c %s "$work/s8.raw")" 'BEGIN { printf "%.1f", b / 16000 / 60 }')

# CPU seconds (user + sys, to the microsecond) and peak resident KiB of a whole command.
rusage() { "$work/peers" run "$@"; }

# CPU seconds of a whole command, best of three.
process_cpu() {
    local best="" t
    for _ in 1 2 3; do
        t=$(rusage "$@" | cut -d' ' -f1)
        best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
    done
    echo "$best"
}

# CPU seconds of a peer's coding loop, best of three.
peer_cpu() {
    local best="" t
    for _ in 1 2 3; do
        t=$("$work/peers" "$@" | cut -d' ' -f1)
        best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
    done
    echo "$best"
}

ratio() { awk -v p="$1" -v o="$2" 'BEGIN { printf "%.2fx", p / o }'; }

echo "voks-codec: $codec"
echo "speech: $minutes minutes ($(ls "$sounds"/*.wav | wc -l) Asterisk prompts)"
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
printf '\n%-7s %-22s %9s %9s %9s %9s %11s %11s\n' codec options "ours enc" "peer enc" "ours dec" \
    "peer dec" "enc p/ours" "dec p/ours"

# codec  pcm  voks-codec options  peers (the fastest counts)
while read -r name pcm opts peers; do
    opts=${opts//,/ }
    # shellcheck disable=SC2086
    "$codec" encode --codec "$name" $opts "$work/$pcm.raw" "$work/$name.bits"
    # shellcheck disable=SC2086
    oe=$(process_cpu "$codec" encode --codec "$name" $opts "$work/$pcm.raw" "$work/$name.bits")
    # shellcheck disable=SC2086
    od=$(process_cpu "$codec" decode --codec "$name" $opts "$work/$name.bits" "$work/$name.raw")
    pe="" pd=""
    for p in ${peers//,/ }; do
        e=$(peer_cpu "$p" enc "$work/$pcm.raw")
        d=$(peer_cpu "$p" dec "$work/$pcm.raw")
        pe=$(awk -v a="$e" -v b="$pe" 'BEGIN { print (b == "" || a < b) ? a : b }')
        pd=$(awk -v a="$d" -v b="$pd" 'BEGIN { print (b == "" || a < b) ? a : b }')
    done
    printf '%-7s %-22s %8.2fs %8.2fs %8.2fs %8.2fs %11s %11s\n' "$name" "$opts" "$oe" "$pe" "$od" "$pd" \
        "$(ratio "$pe" "$oe")" "$(ratio "$pd" "$od")"
done <<'EOF'
g729a   s8  --format,packed  bcg729
g729    s8  --format,packed  bcg729
g729a   s8p --format,itu,--dtx  bcg729-dtx
gsmfr   s8  --format,packed  libgsm,spandsp-gsm
g722    s16 --rate,64000     spandsp-g722
g726    s8  --rate,32000     spandsp-g726
amrnb   s8  --mode,12200     opencore-amrnb-122
amrnb   s8  --mode,4750      opencore-amrnb-475
amrwb   s16 --mode,12650     amrwb-12650
amrwb   s16 --mode,23850     amrwb-23850
EOF

# Peak resident memory of one process, in MiB.
peak_mib() {
    rusage "$@" | awk '{ printf "%.1f", $2 / 1024 }'
}

# 10 seconds and 1 hour of speech (the joined prompts repeated), as WAV files.
for rate in 8000 16000; do
    : >"$work/long.raw"
    while (($(stat -c %s "$work/long.raw") < 3600 * rate * 2)); do
        cat "$work/s$((rate / 1000)).raw" >>"$work/long.raw"
    done
    for secs in 10 3600; do
        head -c $((secs * rate * 2)) "$work/long.raw" >"$work/in.raw"
        sox -t raw -e signed -b 16 -c 1 -r "$rate" "$work/in.raw" "$work/m$rate-$secs.wav"
    done
    rm "$work/long.raw" "$work/in.raw"
done
printf '\npeak resident memory of voks-codec (MiB), WAV in and out\n%-7s %10s %10s %10s %10s\n' codec \
    "enc 10 s" "enc 1 h" "dec 10 s" "dec 1 h"
for name in g729a g729 gsmfr g722 g726 amrwb; do
    rate=8000
    [[ $name == g722 || $name == amrwb ]] && rate=16000
    row=()
    for step in encode decode; do
        for secs in 10 3600; do
            if [[ $step == encode ]]; then
                row+=("$(peak_mib "$codec" encode --codec "$name" "$work/m$rate-$secs.wav" "$work/m.bits")")
            else
                "$codec" encode --codec "$name" "$work/m$rate-$secs.wav" "$work/m.bits"
                row+=("$(peak_mib "$codec" decode --codec "$name" "$work/m.bits" "$work/m.wav")")
            fi
        done
    done
    printf '%-7s %10s %10s %10s %10s\n' "$name" "${row[@]}"
done
