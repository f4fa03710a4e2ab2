#!/bin/sh
# Both builds draw the editor's pages byte for byte alike: each build's
# kelvanti-render draws both pages, at two settings, with its own plug-in.
#   editor-shots-alike.sh BUILD_DIR
set -eu
build=$1
out=$build/crossbuild-renders/editor
mkdir -p "$out"
here=$(dirname "$0")
for flavour in x64 x86; do
  run=""
  [ "$flavour" = x86 ] && run="$here/run-i386"
  for page in main back; do
    for setting in "Timbre Range=0n" "Timbre Range=1n"; do
      name=$(printf '%s-%s-%s.png' "$flavour" "$page" "$(echo "$setting" | tr -dc '0-9')")
      KELVANTI_REGISTRY_DIR="$out/registry-$flavour" $run "$build/$flavour/kelvanti-render" \
        "$build/$flavour/Kelvanti.so" --set "$setting" --editor-shot "$out/$name" --page "$page"
    done
  done
done
status=0
for shot in "$out"/x64-*.png; do
  other=$out/x86-${shot##*/x64-}
  if ! cmp -s "$shot" "$other"; then
    echo "editor-shots-alike: $shot and $other differ"
    status=1
  fi
done
[ $status -eq 0 ] && echo "editor-shots-alike: both builds draw the editor's pages alike"
exit $status
