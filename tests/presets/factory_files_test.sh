#!/usr/bin/env bash
# The committed factory banks equal what the generator writes with the
# plug-in under test, and the build staged the same files for the install.
#   factory_files_test.sh MAKE_BANKS TABLE COMMITTED STAGED RENDER_COMMAND...
# Also: a changed setting changes the file (so equal files mean something),
# and tables the generator must refuse are refused.
set -uo pipefail
maker=$1 table=$2 committed=$3 staged=$4
shift 4
render=("$@")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelvanti-factory-files.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0 passed=0
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAIL: $name"; failures=$((failures + 1)); fi
}
fails() { ! "$@" >/dev/null 2>&1; }
# Same files, same bytes, in both trees.
same_tree() { diff -r "$1" "$2" >/dev/null; }

bash "$maker" "$table" "$scratch/fresh" "${render[@]}" >/dev/null || { echo "FAIL: the generator failed"; exit 1; }
check "three banks or more" test "$(find "$scratch/fresh" -mindepth 1 -maxdepth 1 -type d | wc -l)" -ge 3
check "committed banks equal fresh ones (regenerate: make banks)" same_tree "$committed" "$scratch/fresh"
check "staged banks equal fresh ones" same_tree "$staged" "$scratch/fresh"

# The control: one setting more gives another file, and a rerun replaces a
# bank whole (the renamed preset leaves no stale file behind).
first=$(find "$committed/Diverse" -name '*.fxp' | sort | head -n 1)
name=$(basename "$first" .fxp)
printf '[Diverse]\n%s\n    Main Volume=-12\n' "$name" >"$scratch/changed.txt"
bash "$maker" "$scratch/changed.txt" "$scratch/fresh" "${render[@]}" >/dev/null
check "a changed setting changes the file" fails cmp -s "$first" "$scratch/fresh/Diverse/$name.fxp"
check "a rerun replaces the bank whole" test "$(ls "$scratch/fresh/Diverse" | wc -l)" -eq 1
check "the header names the preset" grep -q "$name" "$scratch/fresh/Diverse/$name.fxp"

# Tables the generator refuses (and writes nothing for).
bad() {  # bad NAME TABLE_TEXT
  printf "$2" >"$scratch/bad.txt"
  check "refuses $1" fails bash "$maker" "$scratch/bad.txt" "$scratch/bad-out" "${render[@]}"
  check "writes nothing for $1" test ! -e "$scratch/bad-out"
}
bad "a name over 23 characters" '[Diverse]\n01 A Name Longer Than A Host Shows\n    Main Volume=-6\n'
bad "an unknown parameter" '[Diverse]\n01 Odd\n    Loudness=-6\n'
bad "a setting without a value" '[Diverse]\n01 Odd\n    Main Volume\n'
bad "a preset before any bank" '01 Odd\n    Main Volume=-6\n'
bad "a name twice in a bank" '[Diverse]\n01 Twin\n01 Twin\n'

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
