#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs them.
#   scripts/fuzz.sh [REGEX]                  each target (matching the ctest -R REGEX) for 20 s
#                                            through CTest (label "fuzz"), from its seeds and its
#                                            kept corpus: what CI runs
#   scripts/fuzz.sh --long MINUTES [REGEX]   each target (matching REGEX) for MINUTES, niced,
#                                            TIR_FUZZ_JOBS at a time (default 2); afterwards each
#                                            target's grown corpus is minimised (-merge=1) into
#                                            fuzz/corpus/<target>, leaving out the seeds. Logs and
#                                            crash inputs stay in build-fuzz/long/.
# Everything in the fuzz build is compiled with coverage instrumentation and the address and
# undefined-behaviour sanitizers, so the libraries under test are fuzzed, not just the drivers.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${root}/build-fuzz"
jobs="${TIR_FUZZ_JOBS:-2}"

minutes=""
if [[ "${1:-}" == "--long" ]]; then
  minutes="${2:-}"
  if [[ ! "${minutes}" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh --long MINUTES [REGEX]" >&2
    exit 2
  fi
  shift 2
fi
filter="${1:-}"

CC=clang CXX=clang++ cmake -S "${root}" -B "${build}" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTIR_BUILD_FUZZ=ON -DTIR_BUILD_TESTS=OFF -DTIR_BUILD_BENCH=OFF -DTIR_BUILD_GUI=OFF \
  -DTIR_SANITIZE=ON \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"

# Fuzz targets are named fuzz_<area>_<what>.
mapfile -t targets < <(cmake --build "${build}" --target help | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\):.*/\1/p')
if [[ -n "${filter}" ]]; then
  mapfile -t targets < <(printf '%s\n' "${targets[@]}" | grep -E -- "${filter}" || true)
fi
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "fuzz.sh: no fuzz targets found" >&2
  exit 1
fi
cmake --build "${build}" --target "${targets[@]}" -j "${jobs}"

if [[ -z "${minutes}" ]]; then
  # Each fuzz/<area> folder enables testing for itself (the top level does so only for the unit
  # tests), so CTest runs once per area folder of the build.
  status=0
  for dir in "${build}"/fuzz/*/; do
    [[ -f "${dir}CTestTestfile.cmake" ]] || continue
    ctest_args=(--test-dir "${dir}" -L fuzz --output-on-failure)
    if [[ -n "${filter}" ]]; then ctest_args+=(-R "${filter}"); fi
    ctest "${ctest_args[@]}" || status=1
  done
  exit "${status}"
fi

long="${build}/long"
mkdir -p "${long}"

# One target for the given minutes, then its corpus minimised into the kept corpus.
run_long() {
  local target="$1" exe max_len seeds kept
  # shellcheck disable=SC1090
  source "${build}/fuzz-targets/${target}.sh"
  local work="${long}/${target}/corpus" crashes="${long}/${target}/crashes/" log="${long}/${target}.log"
  mkdir -p "${work}" "${crashes}" "${kept}"
  local inputs=("${kept}")
  [[ -d "${seeds}" ]] && inputs+=("${seeds}")
  local started rc=0
  started=$(date +%s)
  nice -n 19 "${exe}" -max_total_time=$((minutes * 60)) -rss_limit_mb=2048 -max_len="${max_len}" \
    -artifact_prefix="${crashes}" -print_final_stats=1 "${work}" "${inputs[@]}" >"${log}" 2>&1 || rc=$?
  local ran=$(( $(date +%s) - started ))
  # Minimise: everything that adds coverage, from the kept corpus first, without the seeds.
  local merged
  merged="$(mktemp -d)"
  nice -n 19 "${exe}" -merge=1 -rss_limit_mb=2048 -max_len="${max_len}" "${merged}" "${kept}" \
    "${work}" >>"${log}" 2>&1 || true
  if [[ -d "${seeds}" ]]; then
    for seed in "${seeds}"/*; do
      rm -f "${merged}/$(sha1sum "${seed}" | cut -d' ' -f1)"
    done
  fi
  if [[ -n "$(ls -A "${merged}")" ]]; then
    rm -f "${kept}"/*
    cp "${merged}"/* "${kept}/"
  fi
  rm -rf "${merged}"
  local found="nothing found"
  if [[ ${rc} -ne 0 || -n "$(ls -A "${crashes}")" ]]; then
    found="FOUND (exit ${rc}): $(ls "${crashes}" | tr '\n' ' ')"
  fi
  echo "${target}: ran ${ran} s, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "${log}" |
    grep -o '[0-9]*$' || echo '?') runs, kept $(ls "${kept}" | wc -l) inputs; ${found}"
  echo "${rc}" >"${long}/${target}.rc"
}

for target in "${targets[@]}"; do
  rm -f "${long}/${target}.rc"
  while [[ $(jobs -rp | wc -l) -ge ${jobs} ]]; do wait -n || true; done
  run_long "${target}" &
done
wait
status=0
for target in "${targets[@]}"; do
  [[ "$(cat "${long}/${target}.rc" 2>/dev/null)" == "0" ]] || status=1
done
echo "kept corpora: $(du -sh --apparent-size "${root}/fuzz/corpus" | cut -f1) in fuzz/corpus/"
exit "${status}"
