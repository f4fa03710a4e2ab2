#!/usr/bin/env bash
# `make install` / `make uninstall` through their script: the installed plug-in
# loads as a host loads it and carries no debug information, a second install
# is harmless, uninstall takes away exactly what was installed and still holds
# what the install wrote (a preset the user saved there, or saved over a
# factory preset, stays), and one build never silently replaces the other.
#   install_plugin_test.sh INSTALL_SCRIPT BUILD_DIR RENDER
set -u
script=$1; build=$2; render=$3
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
passed=0; failed=0
check() { if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi; }
sections() { readelf -S -W "$1" 2>/dev/null | grep -oE '\.(debug_info|symtab)\b' | sort -u | tr '\n' ' '; }
tree() { (cd "$1" && find . | sort | tr '\n' '|'); }

# A build folder of the plug-in and two staged factory presets.
stage="$scratch/build"; bank="Kelvanti Banks/Diverse"
mkdir -p "$stage/data/$bank"
cp "$build/Kelvanti.so" "$stage/"
printf 'factory kit' >"$stage/data/$bank/01 Kit Tone.fxp"
printf 'factory marimba' >"$stage/data/$bank/30 Marimba.fxp"
dest="$scratch/home/.vst/Kelvanti"

# ---- install: a stripped library that loads, the folders, the staged files
bash "$script" install "$stage" "$dest" >"$scratch/out" 2>&1
check "install succeeds" '[ $? -eq 0 ]'
check "the build's library has debug information and symbols (control)" \
  '[ "$(sections "$stage/Kelvanti.so")" = ".debug_info .symtab " ]'
check "the installed library has neither" '[ -f "$dest/Kelvanti.so" ] && [ -z "$(sections "$dest/Kelvanti.so")" ]'
check "the build's library is left as it was" 'cmp -s "$build/Kelvanti.so" "$stage/Kelvanti.so"'
for f in "KelvantiPresets" "$bank" "NoteFreqTables" "KelvantiMod"; do
  check "data folder $f" '[ -d "$dest/$f" ]'
done
check "staged data installed" '[ "$(cat "$dest/$bank/01 Kit Tone.fxp")" = "factory kit" ]'
"$render" --info "$dest/Kelvanti.so" >"$scratch/info" 2>&1
check "a host finds Kelvanti there" 'grep -q "Kelvanti" "$scratch/info"'
bash "$script" install "$stage" "$dest" >"$scratch/out" 2>&1
check "installing again succeeds" '[ $? -eq 0 ]'
check "installing again keeps nothing back" '! grep -q kept "$scratch/out"'

# ---- the user's files: a new preset, and one saved over a factory preset's name
printf 'mine' >"$dest/KelvantiPresets/My Kick.fxp"
printf 'my kit' >"$dest/$bank/01 Kit Tone.fxp"
printf 'factory kit, new' >"$stage/data/$bank/01 Kit Tone.fxp"
printf 'factory marimba, new' >"$stage/data/$bank/30 Marimba.fxp"
bash "$script" install "$stage" "$dest" >"$scratch/out" 2>&1
check "an update install succeeds" '[ $? -eq 0 ]'
check "it keeps the user's edit of a factory preset" '[ "$(cat "$dest/$bank/01 Kit Tone.fxp")" = "my kit" ]'
check "and says so" 'grep -q "kept 1 file.*01 Kit Tone.fxp" "$scratch/out"'
check "an unchanged factory preset is updated (control)" \
  '[ "$(cat "$dest/$bank/30 Marimba.fxp")" = "factory marimba, new" ]'

bash "$script" uninstall "$dest" >"$scratch/out" 2>&1
check "uninstall succeeds" '[ $? -eq 0 ]'
check "the user's preset stays" '[ "$(cat "$dest/KelvantiPresets/My Kick.fxp")" = mine ]'
check "the user's edit of a factory preset stays" '[ "$(cat "$dest/$bank/01 Kit Tone.fxp")" = "my kit" ]'
check "and uninstall names it, though a reinstall kept it" 'grep -q "kept 1 file.*01 Kit Tone.fxp" "$scratch/out"'
left=$(tree "$scratch/home")
check "nothing else is left ($left)" \
  '[ "$left" = ".|./.vst|./.vst/Kelvanti|./.vst/Kelvanti/Kelvanti Banks|./.vst/Kelvanti/$bank|./.vst/Kelvanti/$bank/01 Kit Tone.fxp|./.vst/Kelvanti/KelvantiPresets|./.vst/Kelvanti/KelvantiPresets/My Kick.fxp|" ]'

# A factory preset edited after the install (no reinstall in between) stays too.
bash "$script" install "$stage" "$dest" >/dev/null 2>&1
printf 'my marimba' >"$dest/$bank/30 Marimba.fxp"
bash "$script" uninstall "$dest" >"$scratch/out" 2>&1
check "uninstall keeps a factory preset edited since the install" \
  '[ "$(cat "$dest/$bank/30 Marimba.fxp")" = "my marimba" ]'
check "and names what it kept" 'grep -q "kept 1 file.*30 Marimba.fxp" "$scratch/out"'
check "the library is gone" '[ ! -e "$dest/Kelvanti.so" ]'
rm -rf "$scratch/home"

# ---- one build per folder: the other architecture's library is refused
# (a copy of the library marked 32-bit stands in for the 32-bit build; the
# refusal comes before anything reads further than the ELF header).
other="$scratch/other"; mkdir -p "$other"
cp "$stage/Kelvanti.so" "$other/"
printf '\001' | dd of="$other/Kelvanti.so" bs=1 seek=4 conv=notrunc status=none
bash "$script" install "$stage" "$dest" >/dev/null 2>&1
before=$(sha256sum <"$dest/Kelvanti.so"); manifest_before=$(cat "$dest/.kelvanti-install")
bash "$script" install "$other" "$dest" >"$scratch/out" 2>&1
check "the 32-bit build over the 64-bit one is refused" '[ $? -ne 0 ]'
check "naming both" 'grep -q "is the 64-bit build; installing the 32-bit one there would replace" "$scratch/out"'
check "the 64-bit library stays" '[ "$(sha256sum <"$dest/Kelvanti.so")" = "$before" ]'
check "the manifest stays" '[ "$(cat "$dest/.kelvanti-install")" = "$manifest_before" ]'
cp "$other/Kelvanti.so" "$dest/Kelvanti.so"
bash "$script" install "$stage" "$dest" >"$scratch/out" 2>&1
check "the 64-bit build over the 32-bit one is refused" '[ $? -ne 0 ] && grep -q "is the 32-bit build" "$scratch/out"'
bash "$script" uninstall "$dest" >/dev/null 2>&1
check "after uninstall the folder is free" '[ ! -e "$dest/Kelvanti.so" ]'

bash "$script" uninstall "$dest" >/dev/null 2>&1
check "uninstall with nothing installed fails" '[ $? -ne 0 ]'
bash "$script" install "$scratch/nowhere" "$dest" >/dev/null 2>&1
check "install without a build fails" '[ $? -ne 0 ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
