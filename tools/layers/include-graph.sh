#!/usr/bin/env bash
# Which folder of the library includes which, and whether every include points
# down the layers: os <- engine/dsp <- core (framework, engine/modules,
# engine/instrument, in that order inside) <- the plug-in; gui (os only) and
# editor (gui + core) stay off the audio path.
#   include-graph.sh [--check] [SOURCE_DIR]
# Prints "from -> to (n)" per folder pair; with --check prints only the
# includes that point the wrong way and exits 1 when there is one.
set -euo pipefail
check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
top=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$top"

# A folder's layer, in $layer and $rank (set, not printed: a subshell per
# include made the check slow). Folders of one layer may include each other
# only in the order of their rank (lower ranks never include higher ones).
rank_of() {
  local r
  case "$1" in
    os|os/*)                  r="os 0" ;;
    engine/dsp|engine/dsp/*)  r="dsp 1" ;;
    framework/sdk*)           r="core 2" ;;
    framework/model*)         r="core 3" ;;
    framework/platform*)      r="core 4" ;;
    framework/settings*)      r="core 5" ;;
    framework/voice*)         r="core 6" ;;
    framework/synth*)         r="core 7" ;;
    engine/modules*)          r="core 8" ;;
    engine/instrument*)       r="core 9" ;;
    resources*)               r="resources 0" ;;
    gui|gui/*)                r="gui 1" ;;
    editor*)                  r="editor 10" ;;
    *)                        r="other 0" ;;
  esac
  layer=${r% *} rank=${r#* }
}

# May a file of layer $1 (rank $2) include one of layer $3 (rank $4)?
allowed() {
  local from=$1 fr=$2 to=$3 tr=$4
  case "$from:$to" in
    os:os|resources:resources) return 0 ;;
    dsp:os|dsp:dsp) return 0 ;;
    core:os|core:dsp) return 0 ;;
    core:core) [ "$tr" -le "$fr" ] ;;
    gui:os|gui:gui|gui:resources) return 0 ;;
    editor:*|plugin:*) [ "$to" != other ] ;;
    *) return 1 ;;
  esac
}

bad=0
declare -A edges=()
while IFS= read -r file; do
  from_dir=${file%/*}
  rank_of "$from_dir"; from_layer=$layer from_rank=$rank
  # The library's entry is the plug-in itself: it joins the instrument and its editor.
  [ "$file" = engine/instrument/PluginEntry.cpp ] && from_layer=plugin && from_rank=11
  [ "$from_layer" = other ] && continue
  while IFS= read -r inc; do
    if [[ "$inc" == */* ]]; then to_dir=${inc%/*}; else to_dir=$from_dir; fi
    case "$to_dir" in ../*|*/../*) to_dir=$(realpath -m --relative-to=. "$from_dir/$to_dir") ;; esac
    rank_of "$to_dir"; to_layer=$layer to_rank=$rank
    if ! allowed "$from_layer" "$from_rank" "$to_layer" "$to_rank"; then
      echo "wrong way: $file includes \"$inc\" ($from_layer -> $to_layer)"
      bad=1
    fi
    [ "$from_dir" != "$to_dir" ] && edges["$from_dir -> $to_dir"]=$(( ${edges["$from_dir -> $to_dir"]:-0} + 1 ))
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find os engine framework gui editor resources -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)

if [ $check = 0 ]; then
  for e in "${!edges[@]}"; do echo "$e (${edges[$e]})"; done | sort
fi
exit $bad
