# The Debian peer instruments our tools compare Kelvanti with: their packages
# and plug-in libraries, installed on request. Sourced by bash scripts:
#   install_peer_plugins        installs the packages that are missing
#   peer_plugin_path INDEX      prints the library path of peer INDEX
# PEERS (package names, e.g. PEERS=dpf-plugins-vst) narrows the list.
peer_packages=(dpf-plugins-vst amsynth zynaddsubfx-vst)
peer_libraries=(Kars-vst.so amsynth_vst.so ZynAddSubFX.so)
if [ -n "${PEERS:-}" ]; then
  for i in "${!peer_packages[@]}"; do
    [[ " $PEERS " == *" ${peer_packages[$i]} "* ]] || unset 'peer_packages[i]' 'peer_libraries[i]'
  done
fi

install_peer_plugins() {
  local missing=() p sudo=""
  for p in "${peer_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "installing: ${missing[*]}"
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

peer_plugin_path() {
  local path
  path=$(dpkg -L "${peer_packages[$1]}" | grep "/${peer_libraries[$1]}\$" | head -n 1)
  if [ -z "$path" ]; then
    echo "cannot find ${peer_libraries[$1]} in package ${peer_packages[$1]}" >&2
    return 1
  fi
  echo "$path"
}
