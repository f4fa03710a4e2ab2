#!/usr/bin/env bash
# install-deps.sh against stand-ins for apt-get, apt-cache, dpkg, dpkg-query,
# sudo and id, placed first on PATH: the real package tools are never run.
# The stand-ins log each call; each case checks the exit code, the message
# line and the log.
#   install_deps_test.sh <path to install-deps.sh>
set -uo pipefail

[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 <install-deps.sh>" >&2; exit 2; }
script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
state=$work/state
mkdir -p "$bin"

# ------------------------------------------------------------ the stand-ins
# State files: all_missing (nothing is installed), not_installed (names),
# foreign_archs, update_fails, uninstallable ("name unmet|unknown [detail]"),
# candidates ("name version"), install_fails.
cat >"$bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
echo "dpkg-query $*" >>"$FAKE_STATE/log"
# installed: "name:arch source version" lines, asked for by version, source or listing.
case "$2" in
  -f=*Version*|-f=*source:Package*)
    if [ $# -eq 2 ]; then
      awk '{ print $1, $2, "ii " }' "$FAKE_STATE/installed"
      exit 0
    fi
    line=$(awk -v n="$3" '$1 == n' "$FAKE_STATE/installed")
    [ -n "$line" ] || exit 1
    read -r _ source version <<<"$line"
    case "$2" in *Version*) printf '%s' "$version" ;; *) printf '%s' "$source" ;; esac
    exit 0 ;;
esac
pkg=${!#}
if [ ! -e "$FAKE_STATE/all_missing" ] && ! grep -qxF -- "$pkg" "$FAKE_STATE/not_installed"; then
  printf 'install ok installed'
  exit 0
fi
echo "dpkg-query: no packages found matching $pkg" >&2
exit 1
EOF
cat >"$bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE_STATE/log"
case "$1" in
  --print-foreign-architectures) cat "$FAKE_STATE/foreign_archs" ;;
  --add-architecture) echo "$2" >>"$FAKE_STATE/foreign_archs" ;;
  --compare-versions)
    [ "$3" = gt ] || exit 2
    [ "$2" != "$4" ] && [ "$(printf '%s\n%s\n' "$2" "$4" | sort -V | tail -n 1)" = "$2" ] ;;
  *) exit 2 ;;
esac
EOF
cat >"$bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $* [DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-}]" >>"$FAKE_STATE/log"
case "$1" in
  update)
    if [ -e "$FAKE_STATE/update_fails" ]; then
      echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1000 != 2000). Mirror sync in progress?" >&2
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100
    fi
    exit 0 ;;
  install)
    pkgs=() simulate=0
    for a in "${@:2}"; do
      case "$a" in -s | --simulate) simulate=1 ;; -*) ;; *) pkgs+=("$a") ;; esac
    done
    # cure: pins that, all given, make the uninstallable installable;
    # removes: "pin package": that pin without a pin of package removes it.
    if [ -s "$FAKE_STATE/cure" ] && ! grep -vxF -f <(printf '%s\n' "${pkgs[@]}") "$FAKE_STATE/cure" | grep -q .; then
      : >"$FAKE_STATE/uninstallable"
    fi
    while read -r given package; do
      [ -n "$given" ] || continue
      if printf '%s\n' "${pkgs[@]}" | grep -qxF -- "$given" && ! printf '%s\n' "${pkgs[@]}" | grep -q "^$package="; then
        echo "Remv $package [old]"
      fi
    done <"$FAKE_STATE/removes"
    unmet=() unknown=()
    for p in "${pkgs[@]}"; do
      p=${p%%=*}
      line=$(grep -m1 -F -- "$p " "$FAKE_STATE/uninstallable" | grep "^$p " || true)
      read -r _ kind detail <<<"$line"
      case "${kind:-}" in
        unmet) unmet+=(" $p : $detail") ;;
        unknown) unknown+=("E: Unable to locate package $p") ;;
      esac
    done
    if [ ${#unmet[@]} -gt 0 ] || [ ${#unknown[@]} -gt 0 ]; then
      if [ ${#unmet[@]} -gt 0 ]; then
        echo "The following packages have unmet dependencies:"
        printf '%s\n' "${unmet[@]}"
      fi
      [ ${#unknown[@]} -eq 0 ] || printf '%s\n' "${unknown[@]}" >&2
      [ ${#unmet[@]} -eq 0 ] || echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100
    fi
    if [ "$simulate" = 0 ] && [ -e "$FAKE_STATE/install_fails" ]; then
      echo "E: Could not fetch some archives" >&2
      exit 100
    fi
    printf 'Inst %s\n' "${pkgs[@]}"
    exit 0 ;;
esac
exit 2
EOF
cat >"$bin/apt-cache" <<'EOF'
#!/usr/bin/env bash
echo "apt-cache $*" >>"$FAKE_STATE/log"
# versions: "name:arch version" lines, one per version in the indexes.
if [ "$1" = madison ]; then
  awk -v n="$2" '$1 == n { printf " %s | %s | http://mirror.invalid/debian bookworm/main Packages\n", n, $2 }' "$FAKE_STATE/versions"
  exit 0
fi
[ "$1" = policy ] || exit 2
for name in "${@:2}"; do
  version=$(awk -v n="$name" '$1 == n { print $2 }' "$FAKE_STATE/candidates")
  [ -n "$version" ] || continue
  printf '%s:\n  Installed: (none)\n  Candidate: %s\n  Version table:\n' "$name" "$version"
done
EOF
cat >"$bin/sudo" <<'EOF'
#!/usr/bin/env bash
echo "sudo $*" >>"$FAKE_STATE/log"
exec "$@"
EOF
cat >"$bin/id" <<'EOF'
#!/usr/bin/env bash
[ "$1" = -u ] && echo "${FAKE_UID:-0}"
EOF
chmod +x "$bin"/*

# ------------------------------------------------------------ running a case
passed=0 failed=0 case_name="" case_errors=()

reset_state() {
  rm -rf "$state"
  mkdir -p "$state"
  touch "$state"/{log,not_installed,foreign_archs,uninstallable,candidates,installed,versions,cure,removes}
}

# run [script] flavour... : sets $code, $out (stdout and stderr) and $log.
run_script() {
  local target=$script
  if [ -f "${1:-}" ]; then target=$1; shift; fi
  out=$(PATH="$bin:$PATH" FAKE_STATE="$state" FAKE_UID="${FAKE_UID:-0}" INSTALL_DEPS_RETRY_PAUSE=0 \
        bash "$target" "$@" 2>&1 </dev/null)
  code=$?
  log=$(cat "$state/log")
}

begin() { case_name=$1; case_errors=(); reset_state; }
check() { # description, then a command that must succeed
  local what=$1; shift
  "$@" || case_errors+=("$what")
}
end() {
  if [ ${#case_errors[@]} -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $case_name"
  else
    failed=$((failed + 1))
    echo "FAIL $case_name"
    printf '       - %s\n' "${case_errors[@]}"
    echo "       exit $code; output:"; sed 's/^/         | /' <<<"$out"
    echo "       calls:"; sed 's/^/         | /' <<<"$log"
  fi
}

lines() { [ -z "$out" ] && echo 0 || wc -l <<<"$out"; }
one_line() { [ "$(lines)" -eq 1 ] && [[ $out == install-deps:\ * ]]; }
out_has() { grep -qE -- "$1" <<<"$out"; }
log_has() { grep -qE -- "$1" <<<"$log"; }
log_count() { grep -cE -- "$1" <<<"$log" || true; }
installs() { grep -E '^apt-get install .*-y' <<<"$log" || true; }
is() { [ "$1" = "$2" ]; }
isnt() { [ "$1" != "$2" ]; }
not() { ! "$@"; }

# The stand-ins must be the ones found, or the real tools would run.
for tool in apt-get apt-cache dpkg dpkg-query sudo id; do
  if [ "$(PATH="$bin:$PATH" command -v "$tool")" != "$bin/$tool" ]; then
    echo "stand-in for $tool is not first on PATH" >&2
    exit 1
  fi
done

# ------------------------------------------------------------ the cases
begin "flavours: none or an unknown one is refused before any package tool runs"
run_script
check "no flavour: exit 2" is "$code" 2
check "no flavour: one line" one_line
check "no flavour: usage names the flavours" out_has '^install-deps: usage: .*demo.*x64.*x86.*asan.*tsan.*fuzz.*xvfb.*all \.\.\.$'
run_script x64 arm64
check "unknown flavour: exit 2" is "$code" 2
check "unknown flavour: one line naming it" one_line
check "unknown flavour: named, with the known ones" \
  out_has "^install-deps: unknown flavour 'arm64' \(known: demo x64 x86 asan tsan fuzz xvfb all\)$"
check "no package tool ran" is "$log" ""
end

begin "all present: silent, exit 0, only dpkg-query asked"
run_script all
check "exit 0" is "$code" 0
check "no output" is "$out" ""
check "dpkg-query asked" log_has '^dpkg-query '
check "nothing but dpkg-query called" not log_has '^(apt-get|apt-cache|dpkg|sudo) '
end

begin "missing x64 package, update and install work (not root: through sudo)"
echo cmake >"$state/not_installed"
FAKE_UID=1000 run_script x64
check "exit 0" is "$code" 0
check "one line naming cmake" one_line
check "line names cmake" out_has 'installing cmake$'
check "update once" is "$(log_count '^apt-get update')" 1
check "install of exactly cmake" is "$(installs | sed 's/ \[.*//')" "apt-get install -y -qq --no-install-recommends cmake"
check "no recommends, noninteractive" log_has '^apt-get install .*--no-install-recommends.*cmake \[DEBIAN_FRONTEND=noninteractive\]'
check "apt-get through sudo" is "$(log_count '^sudo env DEBIAN_FRONTEND=noninteractive apt-get ')" "$(log_count '^apt-get ')"
check "no i386 architecture added" not log_has 'add-architecture'
end

begin "update fails every time, packages installable: retried, one going-on line, installed"
echo qemu-user >"$state/not_installed"
touch "$state/update_fails"
run_script x86
check "exit 0" is "$code" 0
check "one line" one_line
check "line says going on" out_has 'going on'
check "line says update failed 3 times" out_has 'apt-get update failed 3 times'
check "line gives apt's reason" out_has 'Mirror sync in progress'
check "update tried 3 times" is "$(log_count '^apt-get update')" 3
check "installability checked" log_has '^apt-get install (.* )?(--simulate|-s)( .*)? qemu-user'
check "install of qemu-user ran" log_has '^apt-get install .*-y.* qemu-user'
check "root: no sudo" not log_has '^sudo '
end

# A flavour list with an i386 library, as the 32-bit build's will have.
with_i386=$work/install-deps-i386.sh
sed 's/^pkgs_x86=(\(.*\))$/pkgs_x86=(\1 libpng-dev:i386)/' "$script" >"$with_i386"
skewed_libpng() {
  echo libpng-dev:i386 >"$state/not_installed"
  touch "$state/update_fails"
  echo "libpng-dev:i386 unmet Depends: libpng16-16:i386 (= 1.6.39-2+deb12u5) but it is not going to be installed" \
    >"$state/uninstallable"
}
begin "update fails, i386 package held back by version skew: stop naming it and the out-of-step index"
check "the x86 list took an i386 package" not cmp -s "$script" "$with_i386"
skewed_libpng
printf '%s\n' "libpng-dev:i386 1.6.39-2+deb12u5" "libpng-dev:amd64 1.6.39-2+deb12u6" \
  "libpng16-16:i386 1.6.39-2+deb12u5" "libpng16-16:amd64 1.6.39-2+deb12u6" >"$state/candidates"
run_script "$with_i386" x86
check "exit non-zero" isnt "$code" 0
check "one line" one_line
check "names libpng-dev:i386" out_has 'cannot install libpng-dev:i386'
check "says the i386 index is out of step" out_has "i386 index is out of step with the x86-64 one"
check "says to retry later" out_has 'retry later'
check "i386 architecture added before the update" \
  is "$(grep -nE 'add-architecture i386|^apt-get update' <<<"$log" | head -n 1 | grep -c add-architecture)" 1
check "no install ran" is "$(installs)" ""
end

begin "i386 package unmet with the same versions on both: apt's reason, no skew claimed"
skewed_libpng
echo i386 >"$state/foreign_archs"
printf '%s\n' "libpng-dev:i386 1.6.39-2+deb12u6" "libpng-dev:amd64 1.6.39-2+deb12u6" \
  "libpng16-16:i386 1.6.39-2+deb12u6" "libpng16-16:amd64 1.6.39-2+deb12u6" >"$state/candidates"
run_script "$with_i386" x86
check "exit non-zero" isnt "$code" 0
check "one line" one_line
check "names libpng-dev:i386 and apt's reason" \
  out_has '^install-deps: cannot install libpng-dev:i386 after .*\): Depends: libpng16-16:i386 \(= 1\.6\.39-2\+deb12u5\) but it is not going to be installed$'
check "no skew claimed" not out_has 'out of step'
check "architecture already there: not added again" not log_has 'add-architecture'
check "no install ran" is "$(installs)" ""
end

begin "update fails and a normal package cannot be installed: stop naming it"
printf '%s\n' ninja-build make >"$state/not_installed"
touch "$state/update_fails"
echo "ninja-build unknown" >"$state/uninstallable"
run_script x64
check "exit non-zero" isnt "$code" 0
check "one line" one_line
check "names ninja-build alone" out_has 'cannot install ninja-build after'
check "gives apt's reason" out_has 'Unable to locate package ninja-build'
check "no skew claimed" not out_has 'out of step'
check "no install ran" is "$(installs)" ""
end

begin "install itself fails: exit non-zero with one line"
echo g++ >"$state/not_installed"
touch "$state/install_fails"
run_script asan
check "exit non-zero" isnt "$code" 0
check "two lines: installing, then the failure" is "$(lines)" 2
check "failure names g++ and apt's reason" out_has '^install-deps: installing g\+\+ failed: Could not fetch some archives$'
end

begin "x64 on a bare machine asks for no i386 package, no 32-bit tools, no i386 architecture"
touch "$state/all_missing"
run_script x64
check "exit 0" is "$code" 0
check "one line" one_line
check "installs the compiler and build tools" out_has 'installing .*\bcmake\b.*\bninja-build\b.*\bg\+\+( |$)'
check "never names an i386 package" not log_has ':i386'
check "never adds an architecture" not log_has 'add-architecture'
check "no 32-bit tools" not log_has 'g\+\+-multilib|qemu-user'
run_script x86
check "x86 adds the i386 architecture for its libraries" log_has 'add-architecture i386'
check "x86 asks for the 32-bit tools and the i386 runtime libraries" \
  log_has '^apt-get install .*-y.*g\+\+-multilib.*qemu-user.*libpng16-16:i386.*libfreetype6:i386'
check "x86 asks for the i386 xcb libraries" log_has '^apt-get install .*-y.*libxcb1:i386.*libxcb-xtest0:i386'
check "x86 asks for no i386 -dev package" not log_has 'install .*-dev:i386'
end

# The skew of this machine's mirror: libpng16-16 1.6.39-2+deb12u4 installed
# on x86-64 with libpng-dev of the same source, the x86-64 index at u6 (and
# u5), the i386 index at u5 only.
skewed_runtime() {
  echo libpng16-16:i386 >"$state/not_installed"
  echo "libpng16-16:i386 unmet Breaks: libpng16-16 (!= 1.6.39-2+deb12u5) but 1.6.39-2+deb12u4 is to be installed" \
    >"$state/uninstallable"
  printf '%s\n' "libpng16-16:amd64 libpng1.6 1.6.39-2+deb12u4" "libpng-dev:amd64 libpng1.6 1.6.39-2+deb12u4" \
    "zlib1g:amd64 zlib 1:1.2.13.dfsg-1" >"$state/installed"
  printf '%s\n' "libpng16-16:amd64 1.6.39-2+deb12u6" "libpng16-16:amd64 1.6.39-2+deb12u5" "libpng16-16:i386 1.6.39-2+deb12u5" \
    "libpng-dev:amd64 1.6.39-2+deb12u6" "libpng-dev:amd64 1.6.39-2+deb12u5" >"$state/versions"
  printf '%s\n' "libpng16-16=1.6.39-2+deb12u5" "libpng16-16:i386=1.6.39-2+deb12u5" >"$state/cure"
  echo "libpng16-16=1.6.39-2+deb12u5 libpng-dev" >"$state/removes"
}
begin "i386 library held back by skew: both architectures pinned to the newest common version, siblings too"
skewed_runtime
echo i386 >"$state/foreign_archs"
run_script x86
check "exit 0" is "$code" 0
check "one line" one_line
check "the line names the pins" out_has 'installing libpng16-16:i386 \(both architectures pinned: libpng-dev=1\.6\.39-2\+deb12u5 libpng16-16=1\.6\.39-2\+deb12u5\)$'
check "installs the i386 library at the common version" log_has '^apt-get install .*-y.* libpng16-16:i386=1\.6\.39-2\+deb12u5'
check "pins the x86-64 library to it" log_has '^apt-get install .*-y.* libpng16-16=1\.6\.39-2\+deb12u5'
check "and its installed sibling, so nothing is removed" log_has '^apt-get install .*-y.* libpng-dev=1\.6\.39-2\+deb12u5'
check "never the newer x86-64 version" not log_has 'install .*deb12u6'
check "one install" is "$(installs | wc -l)" 1
end

begin "pinning that would downgrade an installed package: stop with one line"
skewed_runtime
echo i386 >"$state/foreign_archs"
printf '%s\n' "libpng16-16:amd64 libpng1.6 1.6.39-2+deb12u6" "libpng-dev:amd64 libpng1.6 1.6.39-2+deb12u6" >"$state/installed"
run_script x86
check "exit non-zero" isnt "$code" 0
check "one line" one_line
check "names the package and both versions" \
  out_has 'cannot install libpng16-16:i386: .*libpng16-16 1\.6\.39-2\+deb12u5 is the newest on both architectures, but libpng16-16 1\.6\.39-2\+deb12u6 is installed; retry later$'
check "no install ran" is "$(installs)" ""
end

begin "pinning that would remove a package apt cannot keep: stop with one line"
skewed_runtime
echo i386 >"$state/foreign_archs"
echo "libpng16-16=1.6.39-2+deb12u5 libpng-tools" >"$state/removes"
run_script x86
check "exit non-zero" isnt "$code" 0
check "one line naming what would go" out_has 'cannot install libpng16-16:i386: pinning the i386 libraries would remove libpng-tools; retry later$'
check "no install ran" is "$(installs)" ""
end

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
