#!/usr/bin/env bash
# Installs or removes the plug-in where Linux hosts look for VST 2.4 plug-ins.
#   install-plugin.sh install   BUILD_DIR DEST   (DEST: e.g. ~/.vst/Kelvanti)
#   install-plugin.sh uninstall DEST
# Install copies Kelvanti.so without its debug information (the build
# folder's copy keeps it), creates the data folders beside it with the files
# of BUILD_DIR/data, where the build staged any, and records in
# DEST/.kelvanti-install what it created: folders, and files with the SHA-256
# of what it wrote. Uninstall removes the library, each other file only while
# it still holds what the install wrote, and the folders it created once they
# are empty: presets and tunings a user saved there stay, also one saved over
# a factory preset's name. Installing again leaves such a changed file as the
# user made it. The user's settings (~/.config/Harvell) are never touched.
# One DEST holds one build: a host loads only the build of its own
# architecture, so installing the 32-bit build over the 64-bit one (or back)
# is refused with a message instead of silently replacing it.
set -euo pipefail
say() { echo "install-plugin: $*"; }
die() { echo "install-plugin: $*" >&2; exit 1; }

data_folders=("KelvantiPresets" "Kelvanti Banks" "Kelvanti Banks/Diverse" "NoteFreqTables" "KelvantiMod")
library_name=Kelvanti.so

sha256_of() { sha256sum -- "$1" | cut -d' ' -f1; }

# "32" or "64" for an ELF file, empty for anything else.
elf_bits() {
  [ "$(head -c 4 -- "$1" 2>/dev/null | od -An -c | tr -d ' ')" = '177ELF' ] || return 0
  case "$(od -An -tu1 -j4 -N1 -- "$1" | tr -d ' ')" in
    1) echo 32 ;;
    2) echo 64 ;;
  esac
}

# The manifest's lines: "D <folder>" and "F <sha256> <file>" (an older
# script wrote "F <file>": such a file's content cannot be vouched for).
declare -A file_hash=()
declare -A folder_made=()
read_manifest() {
  local line
  [ -f "$1" ] || return 0
  while IFS= read -r line; do
    if [[ $line =~ ^F\ ([0-9a-f]{64})\ (.+)$ ]]; then
      file_hash[${BASH_REMATCH[2]}]=${BASH_REMATCH[1]}
    elif [[ $line =~ ^F\ (.+)$ ]]; then
      file_hash[${BASH_REMATCH[1]}]=unknown
    elif [[ $line =~ ^D\ (.+)$ ]]; then
      folder_made[${BASH_REMATCH[1]}]=1
    fi
  done <"$1"
}

write_manifest() {
  local path
  {
    for path in "${!folder_made[@]}"; do echo "D $path"; done
    for path in "${!file_hash[@]}"; do echo "F ${file_hash[$path]} $path"; done
  } | sort >"$1.tmp"
  mv -f "$1.tmp" "$1"
}

# True when the file is still what the install wrote there.
unchanged_since_install() {
  [ -n "${file_hash[$1]:-}" ] && [ "${file_hash[$1]}" = "$(sha256_of "$1")" ]
}

install_plugin() {
  local build=$1 dest=$2 manifest kept=()
  [ -f "$build/$library_name" ] || die "no plug-in at $build/$library_name: build it first"
  manifest="$dest/.kelvanti-install"
  local new_bits old_bits
  new_bits=$(elf_bits "$build/$library_name")
  if [ -f "$dest/$library_name" ]; then
    old_bits=$(elf_bits "$dest/$library_name")
    if [ -n "$old_bits" ] && [ -n "$new_bits" ] && [ "$old_bits" != "$new_bits" ]; then
      die "$dest/$library_name is the $old_bits-bit build; installing the $new_bits-bit one there would replace" \
          "it, and a host loads only the build of its own architecture. Uninstall it first (make uninstall with" \
          "the same PREFIX), or install this build under a PREFIX of its own. Nothing was changed."
    fi
  fi
  read_manifest "$manifest"
  # Folders are recorded only when this install made them.
  make_folder() {
    if [ ! -d "$1" ]; then mkdir -p "$1"; folder_made[$1]=1; fi
  }
  local parent=$dest missing=() d
  while [ ! -d "$parent" ]; do missing=("$parent" "${missing[@]}"); parent=$(dirname "$parent"); done
  for d in "${missing[@]}"; do make_folder "$d"; done

  # Hosts need no debug information; the build folder's library keeps it.
  strip --strip-unneeded -o "$dest/$library_name.tmp" "$build/$library_name"
  chmod 644 "$dest/$library_name.tmp"
  mv -f "$dest/$library_name.tmp" "$dest/$library_name"
  file_hash[$dest/$library_name]=$(sha256_of "$dest/$library_name")

  for d in "${data_folders[@]}"; do make_folder "$dest/$d"; done
  if [ -d "$build/data" ]; then
    local file target
    while IFS= read -r -d '' file; do
      target="$dest/${file#"$build/data/"}"
      make_folder "$(dirname "$target")"
      # A file there that is neither this one nor what an earlier install
      # wrote is the user's: it stays. The hash of what that install wrote
      # stays in the manifest, so uninstall still names the file it leaves.
      if [ -e "$target" ] && ! cmp -s "$file" "$target" && ! unchanged_since_install "$target"; then
        kept+=("${target#"$dest/"}")
        continue
      fi
      install -m 644 "$file" "$target.tmp"
      mv -f "$target.tmp" "$target"
      file_hash[$target]=$(sha256_of "$target")
    done < <(find "$build/data" -type f -print0 | sort -z)
  fi
  write_manifest "$manifest"
  [ ${#kept[@]} -eq 0 ] || say "kept ${#kept[@]} file(s) you changed, not replaced by the factory version: $(printf '"%s" ' "${kept[@]}")"
  say "installed $dest/$library_name (uninstall: make uninstall, with the same PREFIX)"
}

uninstall_plugin() {
  local dest=$1 manifest="$1/.kelvanti-install" path kept=()
  [ -f "$manifest" ] || die "nothing installed at $dest (no $manifest)"
  read_manifest "$manifest"
  for path in "${!file_hash[@]}"; do
    [ -e "$path" ] || continue
    # The library holds nothing of the user's: it goes whatever its bytes.
    if [ "$path" = "$dest/$library_name" ] || unchanged_since_install "$path"; then
      rm -f -- "$path"
    else
      kept+=("${path#"$dest/"}")
    fi
  done
  rm -f -- "$manifest"
  # Deepest folders first; a folder that still holds anything (a user's
  # presets) stays.
  while IFS= read -r path; do
    [ -n "$path" ] && { rmdir -- "$path" 2>/dev/null || true; }
  done < <(printf '%s\n' "${!folder_made[@]}" | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2-)
  [ ${#kept[@]} -eq 0 ] || say "kept ${#kept[@]} file(s) changed since the install: $(printf '"%s" ' "${kept[@]}")"
  say "removed the plug-in from $dest"
}

case "${1:-}" in
  install)   [ $# -eq 3 ] || die "usage: install-plugin.sh install BUILD_DIR DEST"; install_plugin "$2" "$3" ;;
  uninstall) [ $# -eq 2 ] || die "usage: install-plugin.sh uninstall DEST"; uninstall_plugin "$2" ;;
  *) die "usage: install-plugin.sh install BUILD_DIR DEST | uninstall DEST" ;;
esac
