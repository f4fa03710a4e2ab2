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
# libpng, zlib and FreeType: the toolkit's libraries (its CMake configuration
# needs their headers, so every flavour that configures the gui asks for them).
pkgs_demo=(cmake ninja-build make g++ libpng-dev zlib1g-dev libfreetype-dev)
# The tests add GoogleTest and nm (the exports check); the benchmark built with
# them reads <valgrind/callgrind.h> when it compiles, so valgrind comes first.
pkgs_x64=("${pkgs_demo[@]}" binutils googletest valgrind)
# 32-bit tests run under qemu-i386 where the kernel cannot run them. The
# 32-bit toolkit links the i386 runtime libraries and compiles against the
# x86-64 -dev headers (one set for all architectures).
pkgs_x86=("${pkgs_x64[@]}" g++-multilib qemu-user libpng16-16:i386 zlib1g:i386 libfreetype6:i386)
# g++ pulls libasan8, libubsan1 and libtsan2 in through libgcc-12-dev.
pkgs_asan=("${pkgs_x64[@]}")
pkgs_tsan=("${pkgs_x64[@]}")
# clang's -fsanitize=fuzzer links libclang_rt.fuzzer from libclang-rt-14-dev.
pkgs_fuzz=(cmake ninja-build make clang libclang-rt-14-dev libpng-dev zlib1g-dev libfreetype-dev)
# The dialog test shows a real zenity box on an Xvfb display; the text
# field's tests run once more under a window manager, openbox.
pkgs_xvfb=(xvfb zenity openbox)
flavours=(demo x64 x86 asan tsan fuzz xvfb)
# The editor's window and kelvanti-editor: xcb and its XTEST extension. The
# 32-bit build compiles against the x86-64 headers (one set for all
# architectures) and links the i386 runtime libraries; xvfb-run needs xauth.
# libxkbcommon(-x11) and xcb's XKB: what keys type on the user's keyboard
# layout, and the compose tables a text field's dead keys go through.
pkgs_window=(libxcb1-dev libxcb-xtest0-dev libxcb-xkb-dev libxkbcommon-dev libxkbcommon-x11-dev)
# The installed plug-in opens its editor in the host's window: xcb for it too.
pkgs_demo+=(libxcb1-dev libxcb-xkb-dev libxkbcommon-dev libxkbcommon-x11-dev)
pkgs_x64+=("${pkgs_window[@]}")
pkgs_asan+=("${pkgs_window[@]}")
pkgs_tsan+=("${pkgs_window[@]}")
pkgs_x86+=("${pkgs_window[@]}" libxcb1:i386 libxcb-xtest0:i386 libxcb-xkb1:i386 libxkbcommon0:i386
          libxkbcommon-x11-0:i386)
# setxkbmap: the keyboard layouts the text tests type on.
pkgs_xvfb+=(xauth x11-xkb-utils)

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

# ------------------------------------------------------------ version skew
# A Multi-Arch "same" library must have one version on both architectures.
# When the i386 index is behind the x86-64 one, its packages are uninstallable
# at their candidates; both architectures are then pinned to the newest
# version both indexes offer, unless that would downgrade an installed
# package (or remove one).
newer() { dpkg --compare-versions "$1" gt "$2"; }
versions_of() { apt-cache madison "$1" 2>/dev/null | awk -F'|' '{ gsub(/ /, "", $2); if ($2 != "") print $2 }' | sort -u; }
common_version() {
  local best="" v
  while read -r v; do
    [ -n "$v" ] || continue
    if [ -z "$best" ] || newer "$v" "$best"; then best=$v; fi
  done < <(comm -12 <(versions_of "$1:amd64") <(versions_of "$1:i386"))
  echo "$best"
}
installed_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true; }
# The installed x86-64 packages built from the same source as $1 (they pin
# each other's versions: libpng-dev needs libpng16-16 of its own version).
siblings_of() {
  local source
  source=$(dpkg-query -W -f='${source:Package}' "$1:amd64" 2>/dev/null || true)
  [ -n "$source" ] || return 0
  dpkg-query -W -f='${binary:Package} ${source:Package} ${db:Status-Abbrev}\n' 2>/dev/null |
    awk -v s="$source" '$2 == s && $3 ~ /^ii/ && $1 !~ /:i386$/ { sub(/:amd64$/, "", $1); print $1 }'
}

declare -A pin=()
skew_stop=""
# pin_both NAME VERSION: pins NAME (and its installed siblings) on both
# architectures; sets skew_stop when that would be a downgrade.
pin_both() {
  local base=$1 version=$2 sibling have
  for sibling in "$base" $(siblings_of "$base"); do
    [ -z "${pin[$sibling]:-}" ] || continue
    have=$(installed_version "$sibling:amd64")
    if [ -n "$have" ] && newer "$have" "$version"; then
      skew_stop="the mirror's i386 index is behind: $base $version is the newest on both architectures, but $sibling $have is installed; retry later"
      return 1
    fi
    if [ "$sibling" = "$base" ] || [ -n "$(versions_of "$sibling:amd64" | grep -xF -- "$version")" ]; then
      pin[$sibling]=$version
    fi
  done
}

# The install arguments: every missing package at its pinned version if any,
# the pinned x86-64 packages and the pinned i386 ones.
declare -A pin_i386=()
install_args() {
  local p base
  {
    for p in "${missing[@]}"; do
      base=${p%:i386}
      if [ "$p" != "$base" ] && [ -n "${pin_i386[$base]:-}" ]; then echo "$p=${pin_i386[$base]}"
      elif [ "$p" = "$base" ] && [ -n "${pin[$base]:-}" ]; then echo "$p=${pin[$base]}"
      else echo "$p"; fi
    done
    for base in "${!pin[@]}"; do echo "$base=${pin[$base]}"; done
    for base in "${!pin_i386[@]}"; do echo "$base:i386=${pin_i386[$base]}"; done
  } | awk '!seen[$0]++'
}

install_list=("${missing[@]}")
# Asked before installing, so that what cannot be installed is named with its
# reason rather than buried in apt's output.
sim=$(apt_get install --simulate --no-install-recommends "${install_list[@]}" 2>&1) && sim_ok=1 || sim_ok=0
for ((round = 0; sim_ok == 0 && round < 4; round++)); do
  grown=0
  for name in $( { printf '%s\n' "${missing[@]}"; grep -oE '[A-Za-z0-9.+-]+:i386' <<<"$sim" || true; } |
                 grep ':i386$' | sort -u); do
    base=${name%:i386}
    [ -z "${pin_i386[$base]:-}" ] || continue
    version=$(common_version "$base")
    [ -n "$version" ] || continue
    pin_both "$base" "$version" || break 2
    pin_i386[$base]=$version
    grown=1
  done
  [ "$grown" = 1 ] || break
  mapfile -t install_list < <(install_args)
  sim=$(apt_get install --simulate --no-install-recommends "${install_list[@]}" 2>&1) && sim_ok=1 || sim_ok=0
done
if [ "$sim_ok" = 1 ] && [ ${#pin[@]} -gt 0 ] && removed=$(grep -m1 -oE '^Remv [^ ]+' <<<"$sim"); then
  [ -n "$skew_stop" ] || skew_stop="pinning the i386 libraries would remove ${removed#Remv }; retry later"
  sim_ok=0
fi
if [ "$sim_ok" = 0 ] && [ -n "$skew_stop" ]; then
  [ -z "$update_note" ] || update_note=" after $update_note"
  fail "cannot install ${missing[*]}${update_note}: $skew_stop"
fi

if [ "$sim_ok" = 0 ]; then
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

pins_note=""
[ ${#pin[@]} -eq 0 ] || pins_note=" (both architectures pinned: $(for b in "${!pin[@]}"; do echo "$b=${pin[$b]}"; done | LC_ALL=C sort | paste -sd' '))"
if [ -n "$update_note" ]; then
  say "$update_note; the package lists at hand have them all, going on: installing ${missing[*]}$pins_note"
else
  say "installing ${missing[*]}$pins_note"
fi
if ! out=$(apt_get install -y -qq --no-install-recommends "${install_list[@]}" 2>&1); then
  fail "installing ${missing[*]} failed: $(first_error "$out")"
fi
