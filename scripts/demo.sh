#!/usr/bin/env bash
# Builds the library and runs the demonstration: the C example, then voks-codec without
# arguments (every codec on the bundled speech sample).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"${JOBS:-2}" --target voksc_demo voks-codec >/dev/null
./build/release/voksc_demo
echo
./build/release/voks-codec
