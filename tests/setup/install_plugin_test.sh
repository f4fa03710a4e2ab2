#!/usr/bin/env bash
# `make install` / `make uninstall` through their script: the installed plug-in
# loads as a host loads it, a second install is harmless, and uninstall takes
# away exactly what was installed (a preset the user saved there stays).
#   install_plugin_test.sh INSTALL_SCRIPT BUILD_DIR RENDER
set -u
script=$1; build=$2; render=$3
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
passed=0; failed=0
check() { if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi; }

# A build folder of the plug-in and a staged data file.
stage="$scratch/build"; mkdir -p "$stage/data/Kelvanti Banks/Diverse"
cp "$build/Kelvanti.so" "$stage/"
printf 'factory' >"$stage/data/Kelvanti Banks/Diverse/A Kit.fxp"
dest="$scratch/home/.vst/Kelvanti"

bash "$script" install "$stage" "$dest" >"$scratch/out" 2>&1
check "install succeeds" '[ $? -eq 0 ]'
check "the library is installed unchanged" 'cmp -s "$build/Kelvanti.so" "$dest/Kelvanti.so"'
for f in "KelvantiPresets" "Kelvanti Banks/Diverse" "NoteFreqTables" "KelvantiMod"; do
  check "data folder $f" '[ -d "$dest/$f" ]'
done
check "staged data installed" '[ "$(cat "$dest/Kelvanti Banks/Diverse/A Kit.fxp")" = factory ]'
"$render" --info "$dest/Kelvanti.so" >"$scratch/info" 2>&1
check "a host finds Kelvanti there" 'grep -q "Kelvanti" "$scratch/info"'
bash "$script" install "$stage" "$dest" >/dev/null 2>&1
check "installing again succeeds" '[ $? -eq 0 ]'

printf 'mine' >"$dest/KelvantiPresets/My Kick.fxp"
bash "$script" uninstall "$dest" >/dev/null 2>&1
check "uninstall succeeds" '[ $? -eq 0 ]'
check "the user's preset stays" '[ "$(cat "$dest/KelvantiPresets/My Kick.fxp")" = mine ]'
left=$(cd "$scratch/home" && find . | sort | tr '\n' ' ')
check "nothing else is left ($left)" '[ "$left" = ". ./.vst ./.vst/Kelvanti ./.vst/Kelvanti/KelvantiPresets ./.vst/Kelvanti/KelvantiPresets/My Kick.fxp " ]'
rm -f "$dest/KelvantiPresets/My Kick.fxp"
bash "$script" uninstall "$dest" >/dev/null 2>&1
check "uninstall with nothing installed fails" '[ $? -ne 0 ]'
bash "$script" install "$scratch/nowhere" "$dest" >/dev/null 2>&1
check "install without a build fails" '[ $? -ne 0 ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
