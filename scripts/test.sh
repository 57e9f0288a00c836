#!/usr/bin/env bash
# Installs the packages, builds everything (Release, GUI included) in build-ci and runs every
# test: the unit tests, the benchmark smoke runs, the Debian package built and unpacked into an
# empty root and, when present, the fuzz runs.
# On a fresh Debian 12 machine as root:  bash scripts/test.sh
# As another user the same command asks sudo for apt-get when a package is missing.
# Exits non-zero when any step fails.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${root}"
build="${root}/build-ci"

bash scripts/install-deps.sh
cmake -S "${root}" -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIR_BUILD_GUI=ON
cmake --build "${build}" -j 2

# The window tests need a display: a virtual one when none is there.
run_ctest() {
  if [[ -z "${DISPLAY:-}" ]] && command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a ctest --test-dir "${build}" "$@"
  else
    ctest --test-dir "${build}" "$@"
  fi
}

status=0
echo "== unit tests"
run_ctest --output-on-failure -j 2 --timeout 900 -LE "bench|package" || status=1
echo "== benchmark smoke runs"
run_ctest --output-on-failure --timeout 900 -L bench || status=1
echo "== Debian package"
run_ctest --output-on-failure --timeout 900 -L package || status=1
if [[ -f scripts/fuzz.sh ]]; then
  echo "== fuzz runs"
  bash scripts/fuzz.sh || status=1
fi

if [[ ${status} -ne 0 ]]; then
  echo "test.sh: FAILED" >&2
else
  echo "test.sh: all tests passed"
fi
exit "${status}"
