#!/usr/bin/env bash
# Installs what the build and the tests need, then builds and runs every test three times: an
# optimised GCC build with warnings as errors, the same with Clang, and a debug GCC build under
# AddressSanitizer and UndefinedBehaviorSanitizer. Every build requires the official sequences
# and the peer codecs: a test that misses them fails instead of skipping.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ clang make pkg-config libgtest-dev libbenchmark-dev
          libspandsp-dev libgsm1-dev libbcg729-dev libopencore-amrnb-dev
          libopencore-amrwb-dev libvo-amrwbenc-dev
          asterisk-core-sounds-en-wav asterisk-core-sounds-en-g722)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

jobs=${JOBS:-2}
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVOKSC_WERROR=ON -DVOKSC_REQUIRE_EXTERNAL=ON
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --output-on-failure -j"$jobs"

cmake -S . -B build/clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=Release -DVOKSC_WERROR=ON -DVOKSC_REQUIRE_EXTERNAL=ON -DVOKSC_BUILD_BENCH=OFF
cmake --build build/clang -j"$jobs"
ctest --test-dir build/clang --output-on-failure -j"$jobs"

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVOKSC_WERROR=ON -DVOKSC_SANITIZE=ON \
      -DVOKSC_REQUIRE_EXTERNAL=ON -DVOKSC_BUILD_BENCH=OFF
cmake --build build/sanitize -j"$jobs"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
echo "all tests passed"
