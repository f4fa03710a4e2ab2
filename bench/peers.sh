#!/usr/bin/env bash
# Kelvanti against the Debian peer instruments: our MIDI file of 24-note
# chords rendered by kelvanti-render through each plug-in at 48 kHz, the
# plug-ins taking turns within each round so load on the machine falls on all
# alike. Reports each real-time factor and Kelvanti's over the peer's from the
# same round (above 1: Kelvanti is faster), medians over the rounds. Then an
# idle instance of each (nothing playing, in a host that idles and in one
# that does not: kelvanti-bench --idle-cost) as shares of a core.
#   peers.sh <kelvanti-bench> <kelvanti-render> <Kelvanti.so> [output directory]
# PEER_ROUNDS (default 5) sets the rounds, PEER_IDLE_SECONDS (default 4) each
# idle measurement, PEERS the peers (see tools/setup/peer-plugins.sh).
# Installs missing peers first.
set -euo pipefail

bench=$1
render=$2
kelvanti=$3
out=${4:-$(dirname "$bench")/peers}
rounds=${PEER_ROUNDS:-5}
idle_seconds=${PEER_IDLE_SECONDS:-4}

source "$(dirname "$0")/../tools/setup/peer-plugins.sh"
install_peer_plugins

names=(Kelvanti)
paths=("$kelvanti")
for i in "${!peer_packages[@]}"; do
  names+=("${peer_libraries[$i]%.so}")
  paths+=("$(peer_plugin_path "$i")")
done

mkdir -p "$out"
midi=$out/chords.mid
"$bench" --write-midi "$midi"
csv=$out/peers.csv
echo "round,plugin,real_time_factor,kelvanti_over_plugin,process_cpu_seconds,kelvanti_over_plugin_cpu" >"$csv"

# name path round → "rtf cpu": the real-time factor kelvanti-render printed
# (wall clock of its render loop), and the whole process's CPU seconds.
rtf_of() {
  local log=$out/$1.$3.log cpu TIMEFORMAT='%U %S'
  if ! cpu=$( { time "$render" "$2" --midi "$midi" --out "$out/$1.wav" --rate 48000 --block 256 >"$log" 2>&1; } 2>&1 ); then
    echo "render through $1 failed: $(tail -n 1 "$log")" >&2
    return 1
  fi
  echo "$(sed -n 's/.*, \([0-9.]*\)x real time.*/\1/p' "$log" | tail -n 1) $(awk '{ print $1 + $2 }' <<<"$cpu")"
}

for round in $(seq 1 "$rounds"); do
  declare -A rtf=() cpu=()
  for i in "${!names[@]}"; do
    read -r rtf[${names[$i]}] cpu[${names[$i]}] < <(rtf_of "${names[$i]}" "${paths[$i]}" "$round")
  done
  for n in "${names[@]}"; do
    ratio=$(awk -v k="${rtf[Kelvanti]}" -v p="${rtf[$n]}" 'BEGIN { printf "%.3f", k / p }')
    cpuRatio=$(awk -v k="${cpu[Kelvanti]}" -v p="${cpu[$n]}" 'BEGIN { printf "%.3f", p / k }')
    echo "$round,$n,${rtf[$n]},$ratio,${cpu[$n]},$cpuRatio" >>"$csv"
  done
done

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '%-14s %12s %12s %12s %12s\n' plugin "real time x" "K / plugin" "process CPU" "K / plugin"
for n in "${names[@]}"; do
  r=$(awk -F, -v n="$n" '$2 == n { print $3 }' "$csv" | median)
  q=$(awk -F, -v n="$n" '$2 == n { print $4 }' "$csv" | median)
  c=$(awk -F, -v n="$n" '$2 == n { print $5 }' "$csv" | median)
  d=$(awk -F, -v n="$n" '$2 == n { print $6 }' "$csv" | median)
  printf '%-14s %12s %12s %11ss %12s\n' "$n" "$r" "$q" "$c" "$d"
done
echo "Medians of $rounds rounds, each rendering $(sed -n 's/^\([^:]*\): \([0-9.]* s\).*/\2/p' "$out/Kelvanti.1.log") of audio."
echo "real time x: kelvanti-render's figure (wall clock of its render loop); process CPU: user + system"
echo "time of the whole render (loading, MIDI, WAV writing included). K / plugin above 1: Kelvanti faster."
echo "written: $csv"

# ---- idle instances: "process plug-in threads" figures per plug-in and host style
idle_csv=$out/idle.csv
echo "round,plugin,host_idles,process_percent,plugin_percent,threads_percent,kelvanti_minus_plugin" >"$idle_csv"
idle_of() {
  local style=() line
  [ "$2" = yes ] || style=(--no-host-idle)
  if ! line=$("$bench" --plugin "$1" --seconds "$idle_seconds" --idle-cost "${style[@]}" 2>&1); then
    echo "idle measurement of $1 failed: $line" >&2
    return 1
  fi
  sed -n 's/.*process \([-0-9.]*\) %.*plug-in \([-0-9.]*\) %.*threads \([-0-9.]*\) %.*/\1 \2 \3/p' <<<"$line"
}
for round in $(seq 1 "$rounds"); do
  for idles in yes no; do
    declare -A process=() plugin=() threads=()
    for i in "${!names[@]}"; do
      read -r process[${names[$i]}] plugin[${names[$i]}] threads[${names[$i]}] < <(idle_of "${paths[$i]}" "$idles")
    done
    for n in "${names[@]}"; do
      gap=$(awk -v k="${plugin[Kelvanti]}" -v p="${plugin[$n]}" 'BEGIN { printf "%.4f", k - p }')
      echo "$round,$n,$idles,${process[$n]},${plugin[$n]},${threads[$n]},$gap" >>"$idle_csv"
    done
  done
done
echo
printf '%-14s %10s %12s %12s %12s %12s\n' plugin "host idles" "process %" "plug-in %" "threads %" "K - plugin"
for idles in yes no; do
  for n in "${names[@]}"; do
    col() { awk -F, -v n="$n" -v h="$idles" -v c="$1" '$2 == n && $3 == h { print $c }' "$idle_csv" | median; }
    printf '%-14s %10s %12.4f %12.4f %12.4f %12.4f\n' "$n" "$idles" "$(col 4)" "$(col 5)" "$(col 6)" "$(col 7)"
  done
done
echo "An idle instance (nothing playing, a block every 256 frames at 48 kHz in real time; a host that"
echo "idles calls effIdle every 25 ms, one that does not leaves the plug-in its own timer), % of one"
echo "core, medians of $rounds rounds of ${idle_seconds} s: process: the whole host; plug-in: time in its"
echo "calls and its own threads; threads: of that, its own threads. K - plugin: Kelvanti's plug-in"
echo "share minus the peer's, from the same round."
echo "written: $idle_csv"
