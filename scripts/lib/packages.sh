# Installing Debian packages for the setup scripts. Sourced.

# What building and starting the desktop program and the command-line tool needs:
# the compiler, CMake, Ninja, Qt 6 with its X11 platform plugin, and a font for it to draw.
program_packages=(
  build-essential cmake ninja-build
  qt6-base-dev libgl-dev qt6-qpa-plugins fonts-dejavu-core
)

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs those of the named packages that are not installed yet, without the
# recommended extras. Safe to run again: with everything there, it asks apt nothing.
install_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
