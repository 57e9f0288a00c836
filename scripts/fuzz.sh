#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each for 20 seconds
# through CTest (label "fuzz"). Usage: scripts/fuzz.sh [ctest -R regex]
# Everything in the fuzz build is compiled with coverage instrumentation and the address and
# undefined-behaviour sanitizers, so the libraries under test are fuzzed, not just the drivers.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${root}/build-fuzz"
jobs="${TIR_FUZZ_JOBS:-2}"

CC=clang CXX=clang++ cmake -S "${root}" -B "${build}" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTIR_BUILD_FUZZ=ON -DTIR_BUILD_TESTS=OFF -DTIR_BUILD_BENCH=OFF -DTIR_BUILD_GUI=OFF \
  -DTIR_SANITIZE=ON \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"

# Fuzz targets are named fuzz_<area>_<what>.
mapfile -t targets < <(cmake --build "${build}" --target help | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\):.*/\1/p')
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "fuzz.sh: no fuzz targets found" >&2
  exit 1
fi
cmake --build "${build}" --target "${targets[@]}" -j "${jobs}"

# Each fuzz/<area> folder enables testing for itself (the top level does so only for the unit
# tests), so CTest runs once per area folder of the build.
status=0
for dir in "${build}"/fuzz/*/; do
  [[ -f "${dir}CTestTestfile.cmake" ]] || continue
  ctest_args=(--test-dir "${dir}" -L fuzz --output-on-failure)
  if [[ $# -gt 0 ]]; then ctest_args+=(-R "$1"); fi
  ctest "${ctest_args[@]}" || status=1
done
exit "${status}"
