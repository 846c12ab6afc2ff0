#!/bin/sh
# The echo-canceller benchmark's command contract (FS TAIL_MS FAR MIC OUT [options]) over
# `voks-dsp aec`; options pass through (--structure, --form). VOKS_DSP names the program
# (default: voks-dsp on PATH).
fs=$1 tail=$2 far=$3 mic=$4 out=$5
shift 5
exec "${VOKS_DSP:-voks-dsp}" aec "$far" "$mic" "$out" --rate "$fs" --tail "$tail" "$@"
