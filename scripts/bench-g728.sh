#!/usr/bin/env bash
# Whole-process speed of voks-codec's G.728 coder against the G.191 fixed-point reference coder,
# and their bit-exactness on the same speech.
#
#   scripts/bench-g728.sh REFERENCE [VOKS_CODEC] [MINUTES]   (default build/release/voks-codec, all)
#
# REFERENCE is the fixed-point reference program (`g728fp`, from the ITU-T G.191 tool library's
# g728fixed folder), built by the user with -O2; this script neither fetches nor builds it. The
# speech is the Asterisk prompts (/usr/share/asterisk/sounds/en/*.wav) joined with sox, cut to
# MINUTES (default: all of it, 20.9 minutes) of raw 8 kHz 16-bit samples in whole 40-sample
# blocks. Speed: the CPU time (user + sys) of each whole process, best of three, for the encoder
# and for the decoder with the post-filter (the reference's default); both outputs must equal
# the reference's byte for byte.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -ge 1 ]] || { echo "usage: $0 REFERENCE [VOKS_CODEC] [MINUTES]" >&2; exit 2; }
ref=$(realpath "$1")
codec=$(realpath "${2:-$here/build/release/voks-codec}")
minutes=${3:-}
[[ -x $ref ]] || { echo "no reference coder at $ref" >&2; exit 2; }
[[ -x $codec ]] || { echo "no voks-codec at $codec" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox /usr/share/asterisk/sounds/en/*.wav -t raw -e signed -b 16 -c 1 -r 8000 "$work/all.raw"
bytes=$(stat -c %s "$work/all.raw")
[[ -n $minutes ]] && bytes=$((minutes * 60 * 16000 < bytes ? minutes * 60 * 16000 : bytes))
head -c $((bytes / 80 * 80)) "$work/all.raw" > "$work/s.raw"

cpu() {  # CPU seconds of a whole command, best of three
    local best="" t
    for _ in 1 2 3; do
        /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null 2>&1
        t=$(awk '{ print $1 + $2 }' "$work/time")
        best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
    done
    echo "$best"
}

re=$(cpu "$ref" -little enc "$work/s.raw" "$work/r.bit")
oe=$(cpu "$codec" encode --codec g728 "$work/s.raw" "$work/o.bit")
rd=$(cpu "$ref" -little dec "$work/r.bit" "$work/r.raw")
od=$(cpu "$codec" decode --codec g728 "$work/r.bit" "$work/o.raw")
same() { cmp -s "$1" "$2" && echo "byte-identical" || echo "DIFFERENT"; }
echo "speech: $(awk -v b="$(stat -c %s "$work/s.raw")" 'BEGIN { printf "%.1f", b / 16000 / 60 }') minutes;" \
    "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
printf 'encoder: voks-codec %.2f s, reference %.2f s: %.2fx (%s)\n' "$oe" "$re" \
    "$(awk -v a="$re" -v b="$oe" 'BEGIN { print a / b }')" "$(same "$work/o.bit" "$work/r.bit")"
printf 'decoder (post-filter on): voks-codec %.2f s, reference %.2f s: %.2fx (%s)\n' "$od" "$rd" \
    "$(awk -v a="$rd" -v b="$od" 'BEGIN { print a / b }')" "$(same "$work/o.raw" "$work/r.raw")"
