#!/usr/bin/env bash
# Writes the factory banks: one FXP per preset of the table, saved by the
# plug-in itself through kelvanti-render, so the files always hold what the
# current plug-in writes.
#   make-banks.sh TABLE OUT_DIR RENDER_COMMAND...
# RENDER_COMMAND is how to run kelvanti-render with the plug-in, e.g.
#   build/x64/kelvanti-render build/x64/Kelvanti.so
# (a 32-bit build puts tools/setup/run-i386 in front). OUT_DIR receives one
# folder per bank ("OUT_DIR/Diverse/01 Kit Tone.fxp"); banks of an earlier run
# are replaced whole, so a renamed preset leaves no stale file behind.
#
# The table: "[Bank]" starts a bank; a line at the left margin names a preset
# (the file name without ".fxp", at most 23 characters, as a host shows it);
# indented lines below it hold its settings, "NAME=VALUE" separated by ";",
# in the units kelvanti-render's --set takes ("On"/"Off" for the switches).
# Every preset starts from the plug-in's defaults. "#" starts a comment line.
set -euo pipefail
die() { echo "make-banks: $*" >&2; exit 1; }

[ $# -ge 3 ] || die "usage: make-banks.sh TABLE OUT_DIR RENDER_COMMAND..."
table=$1 out=$2
shift 2
render=("$@")
[ -f "$table" ] || die "no table at $table"

# The plug-in starts from its defaults only with no bank beside it and no
# stored default preset: both point into a scratch folder of this run.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kelvanti-banks.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/data" "$scratch/registry" "$scratch/banks"
export KELVANTI_DATA_DIR="$scratch/data" KELVANTI_REGISTRY_DIR="$scratch/registry"
unset KELVANTI_RANDOM_SEED

bank="" name="" settings=() count=0 line_no=0
declare -A seen=()

save_preset() {
  [ -n "$name" ] || return 0
  local file="$scratch/banks/$bank/$name.fxp" args=() s
  for s in "${settings[@]}"; do args+=(--set "$s"); done
  "${render[@]}" "${args[@]}" --save-fxp "$file" >/dev/null || die "$table: preset '$name' failed"
  # The header's program name (28 bytes, zero-filled by the writer) names the
  # preset for hosts that import the file themselves.
  printf '%s' "$name" | dd of="$file" bs=1 seek=28 conv=notrunc status=none
  count=$((count + 1))
  name="" settings=()
}

while IFS= read -r line || [ -n "$line" ]; do
  line_no=$((line_no + 1))
  line=${line%$'\r'}
  case "$line" in
    ''|'#'*|[[:space:]]'#'*) continue ;;
    '['*']')
      save_preset
      bank=${line:1:${#line}-2}
      [[ "$bank" =~ ^[A-Za-z0-9][A-Za-z0-9\ ]*$ ]] || die "$table:$line_no: bad bank name '$bank'"
      mkdir -p "$scratch/banks/$bank" ;;
    [[:space:]]*)
      [ -n "$name" ] || die "$table:$line_no: settings without a preset name"
      IFS=';' read -ra parts <<<"$line"
      for part in "${parts[@]}"; do
        # Trimmed in the shell: a process per setting made the run slow.
        part=${part#"${part%%[![:space:]]*}"}
        part=${part%"${part##*[![:space:]]}"}
        [ -n "$part" ] || continue
        [[ "$part" == *=* ]] || die "$table:$line_no: '$part' is not NAME=VALUE"
        case "${part#*=}" in
          On|on) part="${part%%=*}=1n" ;;
          Off|off) part="${part%%=*}=0n" ;;
        esac
        settings+=("$part")
      done ;;
    *)
      save_preset
      [ -n "$bank" ] || die "$table:$line_no: preset '$line' before any [Bank]"
      [ ${#line} -le 23 ] || die "$table:$line_no: '$line' is longer than 23 characters"
      [[ "$line" =~ ^[A-Za-z0-9][A-Za-z0-9\ .\'-]*[A-Za-z0-9]$ ]] || die "$table:$line_no: '$line' is not a plain file name"
      [ -z "${seen[$bank/$line]:-}" ] || die "$table:$line_no: '$line' twice in $bank"
      seen[$bank/$line]=1
      name=$line ;;
  esac
done <"$table"
save_preset
[ "$count" -gt 0 ] || die "$table: no presets"

# Replace the banks of an earlier run (only the banks this table names).
mkdir -p "$out"
for folder in "$scratch/banks"/*/; do
  b=$(basename "$folder")
  rm -rf "$out/$b.new"
  cp -R "$folder" "$out/$b.new"
  rm -rf "$out/$b"
  mv "$out/$b.new" "$out/$b"
done
echo "make-banks: $count presets in $out"
