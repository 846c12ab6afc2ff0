#!/bin/sh
# The echo-canceller benchmark's command contract (FS TAIL_MS FAR MIC OUT [options]) over
# voks-aec; options pass through (--structure, --form). VOKS_AEC names the program (default:
# voks-aec next to this script's build, or on PATH).
fs=$1 tail=$2 far=$3 mic=$4 out=$5
shift 5
exec "${VOKS_AEC:-voks-aec}" "$far" "$mic" "$out" --rate "$fs" --tail "$tail" "$@"
