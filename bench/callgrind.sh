#!/usr/bin/env bash
# Instructions the engine executes, counted by valgrind's callgrind: the same
# workloads as the benchmark (48 kHz, 256-sample blocks), collected only over
# the timed blocks, so the figures repeat exactly whatever the machine's load.
#   callgrind.sh <kelvanti-bench> [output directory]
set -euo pipefail

bench=$1
out=${2:-$(dirname "$bench")}
rate=48000
seconds=${CALLGRIND_SECONDS:-0.5}
mkdir -p "$out"
# A fixed seed: the instrument varies each instance a little otherwise.
export KELVANTI_RANDOM_SEED=${KELVANTI_RANDOM_SEED:-1}
csv=$out/callgrind.csv
echo "rate,voices,frames,instructions,instructions_per_voice_sample" >"$csv"

printf '%-8s %6s %8s %14s %22s\n' rate voices frames instructions "per voice-sample"
for voices in 24 1 0; do
  file=$out/callgrind.$voices.out
  line=$(valgrind -q --tool=callgrind --collect-atstart=no --callgrind-out-file="$file" \
           "$bench" --workload "$voices" "$rate" "$seconds")
  frames=$(sed -n 's/.* frames=\([0-9]*\) .*/\1/p' <<<"$line")
  instructions=$(sed -n 's/^totals: \([0-9]*\).*/\1/p' "$file")
  per=$(awk -v i="$instructions" -v f="$frames" -v v="$voices" 'BEGIN { printf "%.1f", i / (f * (v > 0 ? v : 1)) }')
  printf '%-8s %6s %8s %14s %22s\n' "$rate" "$voices" "$frames" "$instructions" "$per"
  echo "$rate,$voices,$frames,$instructions,$per" >>"$csv"
done
echo "(idle: instructions per sample of an instance that only fills silence)"

echo
echo "Where the 24-voice instructions go (self cost, top functions):"
callgrind_annotate --inclusive=no --auto=no "$out/callgrind.24.out" 2>/dev/null |
  awk '/file:function/ { on = 1; next } on && /^--/ && seen { exit } on && NF && !/^--/ { seen = 1; print }' |
  head -n 12 |
  tee "$out/callgrind-profile.txt"
echo "written: $csv, $out/callgrind-profile.txt"
