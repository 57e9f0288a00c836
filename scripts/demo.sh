#!/usr/bin/env bash
# The demo: installs the packages, builds a Release tirdex, creates the sample base demo.sqlite
# in the repository root and runs the main jobs on it. On a fresh Debian 12 machine as root:
#   bash scripts/demo.sh
# As another user the same command asks sudo for apt-get when a package is missing.
# Environment: TIR_DEMO_GOODS (default 20000 goods; documents as many), TIR_DEMO_SEED (default 1).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${root}"

bash scripts/install-deps.sh
bash scripts/build.sh build-release -DTIR_BUILD_TESTS=OFF -DTIR_BUILD_BENCH=OFF -DTIR_BUILD_GUI=OFF

tirdex="${root}/build-release/host/tirdex/tirdex"
base="${root}/demo.sqlite"

# Each step prints its command line before running it.
step() {
  echo
  echo "== $*"
  "$@"
}

step "${tirdex}" demo-base "${base}" --force \
  --goods "${TIR_DEMO_GOODS:-20000}" --seed "${TIR_DEMO_SEED:-1}"

# Main jobs on the sample base (each later command of tirdex appends its step here).
# The goods group tree is sound; every document of the year is posted into the registers; a
# contract's settlement balance is read; the module, loaded as the host loads it, shows its menu;
# one sale is exported through the module's message 888034 and the whole of December as a
# universal JSON file; the whole year is re-posted in bulk; the main export (goods, partners with
# contracts, all catalogs, December's documents) is analysed and then loaded into a new empty base,
# and the universal file is read back into another one; one page of the loyalty goods feed; a
# consistent copy of the sample base.
step "${tirdex}" tree check "${base}" tirGoodsGroups
step "${tirdex}" post "${base}" --all --rebuild
step "${tirdex}" balance "${base}" --contract 1
step "${tirdex}" plugin menus "${base}" --user 1 --lang 2
sale="$(sqlite3 "${base}" "SELECT MIN(fId) FROM tirDocuments WHERE fDocType = 2;")"
step "${tirdex}" export-doc "${base}" "${sale}" "${root}/demo-doc.json"
step "${tirdex}" export-period "${base}" 2024-12-01 2024-12-31 "${root}/demo-export.json"
step "${tirdex}" repost "${base}" --full
step "${tirdex}" export "${base}" "${root}/demo-main.json" --goods full --contracts --catalogs \
  --docs-period "2024-12-01" "2024-12-31"
copy="${root}/demo-copy.sqlite"
step "${tirdex}" schema "${copy}" --force
step "${tirdex}" import "${copy}" "${root}/demo-main.json" --dry-run
step "${tirdex}" import "${copy}" "${root}/demo-main.json"
universal="${root}/demo-universal.sqlite"
step "${tirdex}" schema "${universal}" --force
step "${tirdex}" load-universal "${universal}" "${root}/demo-export.json"
step "${tirdex}" loyalty products "${base}" --pos 0 --count 5
step "${tirdex}" backup "${base}" "${root}/demo-backup.sqlite" --force
echo

echo
echo "demo: sample base ${base} is ready; exports in demo-doc.json, demo-export.json and"
echo "demo-main.json; demo-copy.sqlite holds the main export loaded, demo-universal.sqlite the"
echo "universal file's goods, demo-backup.sqlite a backup of the sample base"
