#!/usr/bin/env bash
# The include-direction check: the real tree passes, and scratch trees with
# one wrong-way include each are caught (so the check can fail at all).
#   include_graph_test.sh CHECK_SCRIPT SOURCE_DIR
set -u
check=$1; source_dir=$2
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
passed=0; failed=0
expect() { # expect pass|fail NAME TREE
  if bash "$check" --check "$3" >"$scratch/out" 2>&1; then got=pass; else got=fail; fi
  if [ "$got" = "$1" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); echo "FAILED: $2 (expected $1)"; cat "$scratch/out"; fi
}
expect pass "the source tree" "$source_dir"

# Each case: a file and the include it must not have.
cases=(
  "engine/dsp/Kernel.cpp framework/synth/Synth.h"
  "engine/dsp/Kernel.cpp gui/View.h"
  "engine/dsp/simd/KernelAvx2.cpp engine/instrument/Zendrix_c.h"
  "os/Clock.cpp engine/dsp/WaveBank.h"
  "framework/voice/Voice.cpp framework/synth/Synth.h"
  "framework/synth/Audio.cpp engine/modules/Tone_c.h"
  "framework/model/Format.cpp framework/platform/Disk_c.h"
  "framework/synth/Audio.cpp editor/Editor.h"
  "engine/instrument/Plugin.cpp gui/Frame.h"
  "gui/View.cpp framework/synth/Synth.h"
)
for c in "${cases[@]}"; do
  set -- $c
  tree="$scratch/tree"; rm -rf "$tree"; mkdir -p "$tree/$(dirname "$1")"
  printf '#include "%s"\n' "$2" >"$tree/$1"
  expect fail "$1 including $2" "$tree"
done
tree="$scratch/tree"; rm -rf "$tree"; mkdir -p "$tree/engine/instrument" "$tree/editor"
printf '#include "engine/dsp/WaveBank.h"\n#include "framework/synth/Synth.h"\n' >"$tree/engine/instrument/Plugin.cpp"
printf '#include "gui/View.h"\n#include "framework/synth/Synth.h"\n' >"$tree/editor/Editor.cpp"
expect pass "downward includes" "$tree"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
