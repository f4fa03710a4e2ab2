#!/bin/sh
# Runs a test program on an X display of its own (xvfb-run -a); without
# xvfb-run (a machine set up without the test flavour) the test is skipped.
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "skipped: xvfb-run is not installed (tools/setup/install-deps.sh xvfb installs it)"
  exit 77
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
