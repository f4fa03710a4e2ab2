#!/usr/bin/env bash
# Installs or removes the plug-in where Linux hosts look for VST 2.4 plug-ins.
#   install-plugin.sh install   BUILD_DIR DEST   (DEST: e.g. ~/.vst/Kelvanti)
#   install-plugin.sh uninstall DEST
# Install copies Kelvanti.so and creates the data folders beside it (with the
# files of BUILD_DIR/data, where the build staged any), and records in
# DEST/.kelvanti-install what it created. Uninstall removes exactly that:
# files it installed, and folders it created once they are empty, so presets
# and tunings a user saved there stay. The user's settings
# (~/.config/Harvell) are never touched.
set -euo pipefail
say() { echo "install-plugin: $*"; }
die() { echo "install-plugin: $*" >&2; exit 1; }

data_folders=("KelvantiPresets" "Kelvanti Banks" "Kelvanti Banks/Diverse" "NoteFreqTables" "KelvantiMod")

install_plugin() {
  local build=$1 dest=$2 manifest created=()
  [ -f "$build/Kelvanti.so" ] || die "no plug-in at $build/Kelvanti.so: build it first"
  manifest="$dest/.kelvanti-install"
  # Folders are recorded only when this install made them.
  make_folder() {
    if [ ! -d "$1" ]; then mkdir -p "$1"; created+=("D $1"); fi
  }
  local parent=$dest
  local missing=()
  while [ ! -d "$parent" ]; do missing=("$parent" "${missing[@]}"); parent=$(dirname "$parent"); done
  for d in "${missing[@]}"; do make_folder "$d"; done
  # A manifest of an earlier install is merged, so uninstall still finds its folders.
  local old=()
  [ -f "$manifest" ] && mapfile -t old <"$manifest"
  install -m 644 "$build/Kelvanti.so" "$dest/Kelvanti.so.tmp"
  mv -f "$dest/Kelvanti.so.tmp" "$dest/Kelvanti.so"
  created+=("F $dest/Kelvanti.so")
  for f in "${data_folders[@]}"; do make_folder "$dest/$f"; done
  if [ -d "$build/data" ]; then
    while IFS= read -r -d '' file; do
      local rel=${file#"$build/data/"}
      make_folder "$(dirname "$dest/$rel")"
      install -m 644 "$file" "$dest/$rel"
      created+=("F $dest/$rel")
    done < <(find "$build/data" -type f -print0 | sort -z)
  fi
  printf '%s\n' "${old[@]}" "${created[@]}" | grep -v '^$' | sort -u >"$manifest.tmp"
  mv -f "$manifest.tmp" "$manifest"
  say "installed $dest/Kelvanti.so (uninstall: make uninstall, with the same PREFIX)"
}

uninstall_plugin() {
  local dest=$1 manifest="$1/.kelvanti-install" line folders=()
  [ -f "$manifest" ] || die "nothing installed at $dest (no $manifest)"
  while IFS= read -r line; do
    case "$line" in
      "F "*) rm -f -- "${line:2}" ;;
      "D "*) folders+=("${line:2}") ;;
    esac
  done <"$manifest"
  rm -f -- "$manifest"
  # Deepest folders first; a folder that still holds anything (a user's
  # presets) stays.
  while IFS= read -r line; do
    rmdir -- "$line" 2>/dev/null || true
  done < <(printf '%s\n' "${folders[@]}" | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2-)
  say "removed the plug-in from $dest"
}

case "${1:-}" in
  install)   [ $# -eq 3 ] || die "usage: install-plugin.sh install BUILD_DIR DEST"; install_plugin "$2" "$3" ;;
  uninstall) [ $# -eq 2 ] || die "usage: install-plugin.sh uninstall DEST"; uninstall_plugin "$2" ;;
  *) die "usage: install-plugin.sh install BUILD_DIR DEST | uninstall DEST" ;;
esac
