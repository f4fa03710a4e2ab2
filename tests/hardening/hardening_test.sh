#!/usr/bin/env bash
# The hardening flags reached the built binaries: each has its relocations
# read-only (GNU_RELRO) and bound at load time (BIND_NOW), stack canaries
# (__stack_chk_fail referenced) and, where the flavour fortifies, checked
# string and memory functions (some __*_chk referenced).
#   hardening_test.sh fortify|no-fortify BINARY...
set -u
[ $# -ge 2 ] && { [ "$1" = fortify ] || [ "$1" = no-fortify ]; } || {
  echo "usage: $0 fortify|no-fortify BINARY..." >&2; exit 2; }
fortify=$1; shift
passed=0; failed=0
check() { if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi; }

for binary in "$@"; do
  name=$(basename "$binary")
  headers=$(readelf -lW "$binary") || { echo "FAILED: cannot read $binary"; failed=$((failed + 1)); continue; }
  dynamic=$(readelf -dW "$binary")
  imports=$(readelf --dyn-syms -W "$binary" | awk '$7 == "UND" { sub(/@.*/, "", $8); print $8 }')
  check "$name: relocations made read-only (GNU_RELRO)" 'grep -q "GNU_RELRO" <<<"$headers"'
  check "$name: bound at load time (BIND_NOW)" \
    'grep -qE "\(BIND_NOW\)|\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW" <<<"$dynamic"'
  check "$name: stack canaries (__stack_chk_fail)" 'grep -qx "__stack_chk_fail" <<<"$imports"'
  if [ "$fortify" = fortify ]; then
    check "$name: checked functions (__*_chk)" 'grep -qE "^__[a-z_]+_chk$" <<<"$imports"'
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
