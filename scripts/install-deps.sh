#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs to build, test and run its demo.
# Idempotent and quiet: apt runs only when a package is missing. As root it runs apt-get itself
# (a fresh Debian machine has no sudo); as another user it asks sudo for apt-get only.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ pkg-config
  libsqlite3-dev sqlite3 rapidjson-dev libcurl4-openssl-dev libcli11-dev libcpp-httplib-dev
  # the exchange server (event loop, TLS through GnuTLS); openssl makes the HTTPS tests' certificate
  libmicrohttpd-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev xvfb xauth
  # Qt's own texts (standard buttons, file dialogs) in Russian and Ukrainian
  qt6-translations-l10n
  clang-format clang-tidy
  # Packaging: manual pages from the programs' help, the .deb's dependencies (dpkg-shlibdeps, file)
  # and what its test uses (man -l, the bash completion)
  help2man dpkg-dev file man-db bash-completion
  # ODBC: unixODBC for the backend, the SQLite ODBC driver its tests run through, FreeTDS for a
  # Microsoft SQL Server base
  unixodbc-dev odbcinst libsqliteodbc tdsodbc
  # the T-SQL parser that checks the Microsoft SQL Server texts (tests/tsql)
  sqlfluff
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "${package}" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("${package}")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

sudo=()
if [[ ${EUID} -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "install-deps: missing ${missing[*]}; run this script as root" >&2
    exit 1
  fi
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
