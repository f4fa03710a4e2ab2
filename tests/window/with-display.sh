#!/bin/sh
# Runs a test program on an X server of its own (Xvfb, as xvfb-run does).
# The server picks its display number itself (-displayfd), so test runs that
# start at the same moment never share one (xvfb-run -a can hand the same
# number to two of them). Without Xvfb (a machine set up without the test
# flavour) the test is skipped. KELVANTI_DISPLAY_SIZE (WIDTHxHEIGHT, default
# 1024x768) chooses the screen's size. KELVANTI_WINDOW_MANAGER=openbox runs
# openbox on the server as a desktop would, with a rule that puts the
# kelvanti-editor window undecorated at the screen's top-left (so editor and
# screen pixels agree); without openbox the test is skipped.
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "skipped: Xvfb is not installed (tools/setup/install-deps.sh xvfb installs it)"
  exit 77
fi
manager="${KELVANTI_WINDOW_MANAGER:-}"
if [ -n "$manager" ] && [ "$manager" != openbox ]; then
  echo "unknown window manager: $manager (openbox is the one the tests know)"
  exit 1
fi
if [ -n "$manager" ] && { ! command -v openbox >/dev/null 2>&1 || [ ! -f /etc/xdg/openbox/rc.xml ]; }; then
  echo "skipped: openbox is not installed (tools/setup/install-deps.sh xvfb installs it)"
  exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelvanti-display-XXXXXX") || exit 1
Xvfb -displayfd 3 -nolisten tcp -screen 0 "${KELVANTI_DISPLAY_SIZE:-1024x768}x24" 3>"$scratch/display" 2>"$scratch/log" &
server=$!
wm=
finish() {
  if [ -n "$wm" ]; then
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
  fi
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 1' INT TERM
# wait_for NAME PID LOG TEST...: waits up to 10 s for TEST to hold while PID
# lives; otherwise says NAME did not start, shows LOG and exits.
wait_for() {
  name=$1 pid=$2 log=$3
  shift 3
  waited=0
  until "$@"; do
    if [ "$waited" -ge 200 ] || ! kill -0 "$pid" 2>/dev/null; then
      echo "$name did not start:"
      cat "$log"
      exit 1
    fi
    waited=$((waited + 1))
    sleep 0.05
  done
}
wait_for Xvfb "$server" "$scratch/log" grep -qs '^[0-9][0-9]*$' "$scratch/display"
DISPLAY=":$(cat "$scratch/display")"
export DISPLAY
unset XAUTHORITY
if [ -n "$manager" ]; then
  sed -e 's#^<applications>#<applications><application title="kelvanti-editor"><decor>no</decor><position force="yes"><x>0</x><y>0</y></position></application>#' \
    -e 's#<keepBorder>yes</keepBorder>#<keepBorder>no</keepBorder>#' /etc/xdg/openbox/rc.xml >"$scratch/rc.xml"
  XDG_CACHE_HOME="$scratch" openbox --sm-disable --config-file "$scratch/rc.xml" \
    --startup "touch $scratch/wm-ready" >"$scratch/wm-log" 2>&1 &
  wm=$!
  wait_for openbox "$wm" "$scratch/wm-log" test -f "$scratch/wm-ready"
fi
"$@"
