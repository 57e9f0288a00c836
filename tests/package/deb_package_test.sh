#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from this build tree, unpacked into an empty
# root with dpkg -x, its dependencies read from its control file; then the packaged tirdex runs
# from that root (--version, a sample base, the packaged module loaded with no environment
# variable), its manual page formats and its bash completion loads and completes. Last, the same
# tree installed by cmake --install under another prefix loads its module too.
# Usage: deb_package_test.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/tir-deb.XXXXXX")"
trap 'rm -rf "${work}"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "${work}" && cpack --config "${build}/CPackConfig.cmake" -B "${work}/out" >"${work}/cpack.log" 2>&1) ||
  { cat "${work}/cpack.log" >&2; fail "cpack could not build the package"; }
deb="$(ls "${work}"/out/*.deb)"
echo "package: $(basename "${deb}")"

# The control file: dependencies found by dpkg-shlibdeps, none on the build tree's libraries.
depends="$(dpkg-deb -f "${deb}" Depends)"
echo "Depends: ${depends}"
for needed in libc6 libsqlite3-0 libstdc++6 libcurl; do
  [[ "${depends}" == *"${needed}"* ]] || fail "Depends lacks ${needed}"
done
[[ "${depends}" != *tir* ]] || fail "Depends names a library of this project"
contents="$(dpkg-deb -c "${deb}")"
has_tirhost=0
if grep '/usr/bin/tirhost$' <<<"${contents}" >/dev/null; then
  has_tirhost=1
  [[ "${depends}" == *libqt6widgets6* ]] || fail "tirhost is packaged but Depends lacks Qt"
fi
# (No grep -q after a pipe: with pipefail, the writer it leaves behind may fail on SIGPIPE.)
# Every dependency is a package this system's apt knows (when its lists are there).
if [[ -n "$(ls /var/lib/apt/lists/ 2>/dev/null | grep -v lock)" ]]; then
  for package in $(tr ',' '\n' <<<"${depends}" | sed 's/(.*//; s/|.*//' | tr -d ' '); do
    apt-cache show "${package}" >/dev/null 2>&1 || fail "apt does not know the dependency ${package}"
  done
fi

root="${work}/root"
dpkg -x "${deb}" "${root}"
tirdex="${root}/usr/bin/tirdex"
[[ -x "${tirdex}" ]] || fail "no usr/bin/tirdex in the package"

# No environment variable points anywhere: the packaged tirdex finds the packaged libraries.
unset TIRDEX_MODULE TIR_SERVICE_LIBRARY LD_LIBRARY_PATH
version="$("${tirdex}" --version)"
echo "${version}"
[[ "${version}" == "tirdex "*"commit: "*"SQLite: "*"Qt: "* ]] || fail "--version lacks a part"
if ((has_tirhost)); then
  [[ "$("${root}/usr/bin/tirhost" --version)" == "tirhost "*"Qt: 6."* ]] || fail "tirhost --version"
  [[ -f "${root}/usr/share/man/man1/tirhost.1.gz" ]] || fail "no tirhost(1)"
fi
base="${work}/b.sqlite"
"${tirdex}" demo-base "${base}" --goods 20 --docs 20 >/dev/null
menus="$(cd "${work}" && "${tirdex}" plugin menus "${base}" --user 1 2>&1)" ||
  fail "the packaged tirdex cannot load the packaged module: ${menus}"
[[ "${menus}" == *"Обмен данными"* ]] || fail "the module's menu is missing: ${menus}"
ldd "${tirdex}" | grep "libtirhostkit.so => ${root}/usr/" >/dev/null ||
  fail "tirdex does not take the host kit from the package"

# The manual page formats; the completion registers and completes a command and an option.
page="$(ls "${root}"/usr/share/man/man1/tirdex.1.gz)"
MANWIDTH=80 man -l "${page}" 2>/dev/null | grep "tirdex backup" >/dev/null || fail "man -l ${page}"
completion="${root}/usr/share/bash-completion/completions/tirdex"
bash -c "source '${completion}' && complete -p tirdex" | grep -- "-F _tirdex tirdex" >/dev/null ||
  fail "the completion does not register"
offered="$(bash -c "source '${completion}'; COMP_WORDS=(tirdex bac); COMP_CWORD=1; _tirdex;
                    echo \"\${COMPREPLY[*]}\"; COMP_WORDS=(tirdex backup --f); COMP_CWORD=2;
                    _tirdex; echo \"\${COMPREPLY[*]}\"")"
[[ "${offered}" == $'backup\n--force' ]] || fail "completion offered: ${offered}"
# The same tree installed under another prefix works from there as well.
prefix="${work}/prefix"
cmake --install "${build}" --prefix "${prefix}" >/dev/null
for file in bin/tirdex share/man/man1/tirdex.1.gz share/bash-completion/completions/tirdex \
            lib/tirdex/libTirDataExchange.so lib/tirdex/libtirvalosm.so; do
  [[ -f "${prefix}/${file}" ]] || fail "cmake --install put no ${file} under the prefix"
done
menus="$(cd "${work}" && "${prefix}/bin/tirdex" plugin menus "${base}" --user 1 2>&1)" ||
  fail "tirdex under ${prefix} cannot load its module: ${menus}"

for file in README.md BACKUP.md; do
  [[ -f "${root}/usr/share/doc/tirdataexchange/${file}" ]] || fail "no ${file} in the package"
done
echo "package checks passed"
