#!/usr/bin/env bash
# Runs the conformance suite against Kelvanti and the Debian peer instruments
# and prints the results check by check. Each check runs in its own process
# with a time limit, so a peer that crashes or hangs in one check is recorded
# and the others still run.
#   compare-peers.sh <conformance_suite> <Kelvanti.so> [output directory]
set -uo pipefail

suite=$1
kelvanti=$2
out=${3:-$(dirname "$suite")/peers}
check_seconds=${CONFORMANCE_CHECK_SECONDS:-300}

source "$(dirname "$0")/../../tools/setup/peer-plugins.sh"
install_peer_plugins || exit 1

names=(Kelvanti)
paths=("$kelvanti")
for i in "${!peer_packages[@]}"; do
  path=$(peer_plugin_path "$i") || exit 1
  names+=("${peer_libraries[$i]%.so}")
  paths+=("$path")
done

# Suite.Check names; the watch's own control checks are not about the plug-in.
checks=()
while IFS= read -r line; do
  case "$line" in
    " "*) checks+=("$suite_name${line#  }") ;;
    *) suite_name=$line ;;
  esac
done < <("$suite" --gtest_list_tests | sed 's/ *#.*//')
filtered=()
for c in "${checks[@]}"; do
  case "$c" in WatchControl.*) ;; *) filtered+=("$c") ;; esac
done
checks=("${filtered[@]}")

run_one() {   # name path check → one word: pass, n/a, FAIL, CRASH(signal), HANG
  local name=$1 path=$2 check=$3 log
  log="$out/$name/${check//\//_}.log"
  KELVANTI_CONFORMANCE_PLUGIN=$path timeout -k 5 "$check_seconds" "$suite" --gtest_filter="$check" >"$log" 2>&1
  local rc=$?
  if [ $rc -eq 0 ]; then
    if grep -q '^\[  SKIPPED \] 1 test' "$log"; then echo "n/a"; else echo "pass"; fi
  elif [ $rc -eq 124 ] || [ $rc -eq 137 ]; then echo "HANG"
  elif [ $rc -gt 128 ]; then echo "CRASH($(kill -l $((rc - 128)) 2>/dev/null || echo $((rc - 128))))"
  else echo "FAIL"
  fi
}

rm -rf "$out"
for i in "${!names[@]}"; do
  mkdir -p "$out/${names[$i]}"
  (
    for check in "${checks[@]}"; do
      printf '%s\t%s\n' "$check" "$(run_one "${names[$i]}" "${paths[$i]}" "$check")"
    done > "$out/${names[$i]}/results.tsv"
  ) &
done
wait

printf '\n%-62s' "check"
for n in "${names[@]}"; do printf ' %-14s' "$n"; done
printf '\n'
for check in "${checks[@]}"; do
  printf '%-62s' "$check"
  for n in "${names[@]}"; do
    printf ' %-14s' "$(awk -F'\t' -v c="$check" '$1 == c { print $2 }' "$out/$n/results.tsv")"
  done
  printf '\n'
done
printf '\n'
for n in "${names[@]}"; do
  printf '%s: %s\n' "$n" "$(cut -f2 "$out/$n/results.tsv" | sort | uniq -c | awk '{ printf "%s%s %s", sep, $1, $2; sep=", " }')"
done

# Why each failure failed, from its log.
echo
for n in "${names[@]}"; do
  while IFS=$'\t' read -r check result; do
    case "$result" in pass|n/a) continue ;; esac
    log="$out/$n/${check//\//_}.log"
    # The first failure block, on one line.
    reason=$(awk '/Failure$|ERROR: |Sanitizer/ { on = 1; next } on && /^\[/ { exit } on { printf "%s ", $0 }' "$log" |
             tr -s ' ' | cut -c1-300)
    printf '%s / %s: %s %s\n' "$n" "$check" "$result" "$reason"
  done < "$out/$n/results.tsv"
done
echo "logs: $out"
