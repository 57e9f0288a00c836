#!/usr/bin/env bash
# Builds the Debian package tirdataexchange_VERSION_ARCH.deb with CPack: a Release build (with the
# desktop host when Qt is installed) in build-package, then the package in the repository root.
# Usage: scripts/package.sh [extra CMake options...]   (e.g. -DTIR_BUILD_GUI=OFF)
# Install it with:  apt install ./tirdataexchange_*.deb   (as root, or with sudo)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${root}/build-package"

bash "${root}/scripts/install-deps.sh"
bash "${root}/scripts/build.sh" "${build}" -DTIR_BUILD_TESTS=OFF -DTIR_BUILD_BENCH=OFF "$@"
(cd "${build}" && cpack --config CPackConfig.cmake -B "${build}/package")
deb="$(ls -t "${build}"/package/*.deb | head -n 1)"
cp "${deb}" "${root}/"
echo "package: ${root}/$(basename "${deb}")"
dpkg-deb -f "${root}/$(basename "${deb}")" Package Version Depends
