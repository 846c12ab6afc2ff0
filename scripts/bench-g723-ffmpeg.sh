#!/usr/bin/env bash
# Whole-process speed of voks-codec's G.723.1 coder against ffmpeg's, and their interoperation.
#
#   scripts/bench-g723-ffmpeg.sh [VOKS_CODEC] [MINUTES]   (default build/release/voks-codec, 10)
#
# The speech is the Asterisk prompts (/usr/share/asterisk/sounds/en/*.wav) joined with sox and cut
# to MINUTES of raw 8 kHz 16-bit samples (whole 240-sample frames). Speed: the CPU time (user +
# sys) of each whole process, best of three: `voks-codec encode` at 6.3 kbit/s against `ffmpeg
# -c:a g723_1` (6.3 kbit/s, the only rate it codes), and `voks-codec decode` against ffmpeg's
# decoder on our 6.3 kbit/s stream. Interoperation: ffmpeg's decoder on our 6.3 and 5.3 kbit/s
# streams against ours (post-filter on: ffmpeg's is always on), and our decoder on ffmpeg's
# stream against ffmpeg's own decoding of it, as differing samples and segmental SNR (20 ms
# segments, clamped to -10..60 dB) against the input.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
codec=$(realpath "${1:-$here/build/release/voks-codec}")
minutes=${2:-10}
[[ -x $codec ]] || { echo "no voks-codec at $codec" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox /usr/share/asterisk/sounds/en/*.wav -t raw -e signed -b 16 -c 1 -r 8000 "$work/all.raw"
head -c $((minutes * 60 * 16000 / 480 * 480)) "$work/all.raw" > "$work/s.raw"

cpu() {  # CPU seconds of a whole command, best of three
    local best="" t
    for _ in 1 2 3; do
        /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null 2>&1
        t=$(awk '{ print $1 + $2 }' "$work/time")
        best=$(awk -v a="$t" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
    done
    echo "$best"
}
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

oe=$(cpu "$codec" encode --codec g723 --rate 6300 "$work/s.raw" "$work/o63.bit")
fe=$(cpu ffmpeg -hide_banner -loglevel error -y -f s16le -ar 8000 -ac 1 -i "$work/s.raw" -c:a g723_1 -b:a 6300 -f g723_1 "$work/f63.bit")
od=$(cpu "$codec" decode --codec g723 "$work/o63.bit" "$work/od.raw")
fd=$(cpu ffmpeg -hide_banner -loglevel error -y -f g723_1 -i "$work/o63.bit" -f s16le "$work/fd.raw")
echo "speech: $minutes minutes; machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
printf 'encoder: voks-codec %.2f s, ffmpeg %.2f s: %.2fx\n' "$oe" "$fe" "$(awk -v a="$fe" -v b="$oe" 'BEGIN { print a / b }')"
printf 'decoder: voks-codec %.2f s, ffmpeg %.2f s: %.2fx\n' "$od" "$fd" "$(awk -v a="$fd" -v b="$od" 'BEGIN { print a / b }')"

"$codec" encode --codec g723 --rate 5300 "$work/s.raw" "$work/o53.bit"
"$codec" decode --codec g723 "$work/o53.bit" "$work/od53.raw"
ff -f g723_1 -i "$work/o53.bit" -f s16le "$work/fd53.raw"
"$codec" decode --codec g723 "$work/f63.bit" "$work/of.raw"
ff -f g723_1 -i "$work/f63.bit" -f s16le "$work/ff.raw"
python3 - "$work" <<'PY'
import math, struct, sys
w = sys.argv[1]
def pcm(n): d = open(f"{w}/{n}", "rb").read(); return struct.unpack(f"<{len(d) // 2}h", d)
def differ(a, b): return sum(x != y for x, y in zip(a, b)) + abs(len(a) - len(b))
def segsnr(ref, out, delay=60):  # the coder delays its output by 60 samples
    vals = []
    for s in range(0, min(len(ref), len(out) - delay) - 160, 160):
        e = sum(ref[s + i] ** 2 for i in range(160))
        n = sum((ref[s + i] - out[s + delay + i]) ** 2 for i in range(160))
        if e == 0: continue
        vals.append(max(-10.0, min(60.0, 10 * math.log10(e / n) if n else 60.0)))
    return sum(vals) / len(vals)
s = pcm("s.raw")
for ours, theirs, what in (("od.raw", "fd.raw", "our 6.3 kbit/s stream"), ("od53.raw", "fd53.raw", "our 5.3 kbit/s stream")):
    a, b = pcm(ours), pcm(theirs)
    print(f"{what}: {len(a)} samples, {differ(a, b)} differ between our decoder and ffmpeg's")
a, b = pcm("of.raw"), pcm("ff.raw")
print(f"ffmpeg's 6.3 kbit/s stream: {differ(a, b)} of {len(a)} samples differ; segmental SNR ours {segsnr(s, a):.2f} dB, ffmpeg {segsnr(s, b):.2f} dB")
PY
