#!/usr/bin/env bash
# Configures and builds the project with CMake and Ninja.
# Usage: scripts/build.sh [BUILD_DIR] [extra CMake options...]
#   BUILD_DIR defaults to build-release (relative to the repository root).
#   TIR_BUILD_TYPE (default Release) and TIR_JOBS (default 2) can be set in the environment.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build-release}"
[[ $# -gt 0 ]] && shift
[[ "${build}" = /* ]] || build="${root}/${build}"

cmake -S "${root}" -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE="${TIR_BUILD_TYPE:-Release}" "$@"
cmake --build "${build}" -j "${TIR_JOBS:-2}"
