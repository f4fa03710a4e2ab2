#!/usr/bin/env bash
# Installs the Debian packages that the named build flavours need:
#   install-deps.sh demo|x64|x86|asan|tsan|fuzz|xvfb|all ...
# Idempotent: when everything is present it only asks dpkg-query and returns
# at once, silently. A failing `apt-get update` does not stop it while the
# package lists at hand can still install what is missing.
# INSTALL_DEPS_RETRY_PAUSE sets the seconds between tries of `apt-get update`.
# shellcheck disable=SC2034 # the flavour lists are read by name, as pkgs_<flavour>
set -euo pipefail

# What each flavour's sources and tests use, one list per flavour. A package
# named pkg:i386 brings in the i386 architecture; nothing else does.
# libgtest-dev is not here: the build compiles /usr/src/googletest (googletest).
# demo: the plug-in and the renderer only (`make demo`, `make install`).
pkgs_demo=(cmake ninja-build make g++)
# The tests add GoogleTest and nm (the exports check); the benchmark built with
# them reads <valgrind/callgrind.h> when it compiles, so valgrind comes first.
pkgs_x64=("${pkgs_demo[@]}" binutils googletest valgrind)
# 32-bit tests run under qemu-i386 where the kernel cannot run them.
pkgs_x86=("${pkgs_x64[@]}" g++-multilib qemu-user)
# g++ pulls libasan8, libubsan1 and libtsan2 in through libgcc-12-dev.
pkgs_asan=("${pkgs_x64[@]}")
pkgs_tsan=("${pkgs_x64[@]}")
# clang's -fsanitize=fuzzer links libclang_rt.fuzzer from libclang-rt-14-dev.
pkgs_fuzz=(cmake ninja-build make clang libclang-rt-14-dev)
# The dialog test shows a real zenity box on an Xvfb display.
pkgs_xvfb=(xvfb zenity)
flavours=(demo x64 x86 asan tsan fuzz xvfb)
# The editor's window and kelvanti-editor: xcb and its XTEST extension; the
# window tests read the tool's photographs with libpng. The 32-bit build
# compiles against the x86-64 headers (one set for all architectures) and
# links the i386 runtime libraries; xvfb-run needs xauth.
pkgs_window=(libxcb1-dev libxcb-xtest0-dev libpng-dev)
pkgs_x64+=("${pkgs_window[@]}")
pkgs_asan+=("${pkgs_window[@]}")
pkgs_tsan+=("${pkgs_window[@]}")
pkgs_x86+=("${pkgs_window[@]}" libxcb1:i386 libxcb-xtest0:i386)
pkgs_xvfb+=(xauth)

update_tries=3
retry_pause=${INSTALL_DEPS_RETRY_PAUSE:-5}

say() { echo "install-deps: $*"; }
# fail MESSAGE [EXIT CODE]
fail() { echo "install-deps: $1" >&2; exit "${2:-1}"; }

[ $# -gt 0 ] || fail "usage: install-deps.sh ${flavours[*]}|all ..." 2
wanted=()
for arg in "$@"; do
  if [ "$arg" = all ]; then
    wanted+=("${flavours[@]}")
  elif [[ " ${flavours[*]} " == *" $arg "* ]]; then
    wanted+=("$arg")
  else
    fail "unknown flavour '$arg' (known: ${flavours[*]} all)" 2
  fi
done

declare -A seen=()
missing=()
add_missing() {
  local -n list="pkgs_$1"
  local p
  for p in "${list[@]}"; do
    [ -z "${seen[$p]:-}" ] || continue
    seen[$p]=1
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
}
for flavour in "${wanted[@]}"; do add_missing "$flavour"; done
[ ${#missing[@]} -gt 0 ] || exit 0

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
# Through env so the variable survives sudo and apt-get is found on PATH.
apt_get() { as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

# apt's first error line, without its "E: " and on one line.
first_error() {
  local line
  line=$(grep -m1 '^E: ' <<<"$1" | sed 's/^E: //; s/[[:space:]]\+/ /g' || true)
  echo "${line:-apt gave no reason}"
}

candidate() { apt-cache policy "$1" 2>/dev/null | awk '$1 == "Candidate:" { print $2; exit }'; }

if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi

update_note=""
for ((try = 1; ; try++)); do
  if out=$(apt_get update -qq 2>&1); then
    break
  fi
  if [ "$try" -ge "$update_tries" ]; then
    update_note="apt-get update failed $update_tries times ($(first_error "$out"))"
    break
  fi
  sleep "$retry_pause"
done

# Asked before installing, so that what cannot be installed is named with its
# reason rather than buried in apt's output.
if ! sim=$(apt_get install --simulate --no-install-recommends "${missing[@]}" 2>&1); then
  failing=()
  reason=""
  for p in "${missing[@]}"; do
    esc=${p//./\\.}
    esc=${esc//+/\\+}
    unmet=$(grep -m1 -E "^ ${esc} : " <<<"$sim" || true)
    if [ -n "$unmet" ]; then
      failing+=("$p")
      [ -n "$reason" ] || reason=$(sed -E "s/^ ${esc} : //; s/[[:space:]]+/ /g" <<<"$unmet")
    elif grep -qE "^E: (Unable to locate package ${esc}\$|Package '${esc}' has no installation candidate)" <<<"$sim"; then
      failing+=("$p")
    fi
  done
  [ ${#failing[@]} -gt 0 ] || failing=("${missing[@]}")
  [ -n "$reason" ] || reason=$(first_error "$sim")

  # Multi-arch libraries must have one version on every architecture: an i386
  # index older than the x86-64 one leaves its packages uninstallable.
  skew=""
  i386_names=$( { printf '%s\n' "${failing[@]}"; grep -oE '[A-Za-z0-9.+-]+:i386' <<<"$sim" || true; } |
                grep ':i386$' | sort -u || true)
  for name in $i386_names; do
    base=${name%:i386}
    theirs=$(candidate "$name" || true)
    ours=$(candidate "$base:amd64" || true)
    if [ -n "$theirs" ] && [ -n "$ours" ] && [ "$theirs" != "(none)" ] && [ "$ours" != "(none)" ] &&
       [ "$theirs" != "$ours" ]; then
      skew="the mirror's i386 index is out of step with the x86-64 one ($name $theirs, x86-64 $ours); retry later"
      break
    fi
  done
  [ -z "$update_note" ] || update_note=" after $update_note"
  fail "cannot install ${failing[*]}${update_note}: ${skew:-$reason}"
fi

if [ -n "$update_note" ]; then
  say "$update_note; the package lists at hand have them all, going on: installing ${missing[*]}"
else
  say "installing ${missing[*]}"
fi
if ! out=$(apt_get install -y -qq --no-install-recommends "${missing[@]}" 2>&1); then
  fail "installing ${missing[*]} failed: $(first_error "$out")"
fi
