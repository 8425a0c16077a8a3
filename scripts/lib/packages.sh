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

# Installs the named packages from this Debian release's backports suite (qemu-user's
# newer version, say), unless a backported version of each is installed already. The
# suite's address is never written here: it is the one this machine's own apt sources
# use for the release itself, with "-backports" added to the suite. Only the packages
# named come from backports; everything else stays as the release has it.
install_backports_packages() {
  local codename missing=() p
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  for p in "$@"; do
    dpkg-query -W -f='${Status} ${Version}' "$p" 2>/dev/null | grep -q "install ok installed .*~bpo" ||
      missing+=("$p")
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  local suite="$codename-backports" list=/etc/apt/sources.list.d/tavrinole-backports.sources
  if [ ! -f "$list" ]; then
    local source
    source="$(release_source "$codename")" || {
      echo "setup: no apt source of this machine carries Debian '$codename', so there is no" \
        "address to take $suite from (needed for: ${missing[*]})" >&2
      return 1
    }
    echo "setup: adding $suite from ${source%%$'\n'*} to apt's sources ($list)"
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "${source%%$'\n'*}" "$suite" |
      as_root tee "$list.new" >/dev/null
    if [ "$source" != "${source%%$'\n'*}" ]; then
      printf 'Signed-By: %s\n' "${source#*$'\n'}" | as_root tee -a "$list.new" >/dev/null
    fi
    as_root mv "$list.new" "$list"
  fi
  echo "setup: installing ${missing[*]} from $suite"
  if ! as_root apt-get update -q ||
    ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      "${missing[@]/%//$suite}"; then
    echo "setup: could not download or install ${missing[*]} from $suite" >&2
    return 1
  fi
}

# Prints the address of the first apt source of this machine that carries the release
# $1 itself (not its updates or security suites), and on a second line its Signed-By,
# if it has one. Reads both the deb822 .sources files and one-line .list files.
release_source() {
  local f sources=() lists=()
  for f in /etc/apt/sources.list.d/*.sources; do [ -f "$f" ] && sources+=("$f"); done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
  if [ "${#sources[@]}" -gt 0 ] && awk -v want="$1" '
    function flush() {
      if (!found && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " want " ") && uris != "") {
        split(uris, u, " "); print u[1]; if (signed != "") print signed; found = 1
      }
      types = suites = uris = signed = ""
    }
    FNR == 1 || /^[ \t]*$/ { flush() }
    /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
    /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
    /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
    /^Signed-By:[ \t]*[^ \t]/ { sub(/^Signed-By:[ \t]*/, ""); signed = $0 }
    END { flush(); exit !found }
  ' "${sources[@]}"; then
    return 0
  fi
  [ "${#lists[@]}" -gt 0 ] && awk -v want="$1" '
    $1 == "deb" && !found {
      i = 2; signed = ""
      if ($i ~ /^\[/) {
        for (; i < NF; i++) {
          if (match($i, /signed-by=[^] ]+/)) signed = substr($i, RSTART + 10, RLENGTH - 10)
          if ($i ~ /\]$/) break
        }
        i++
      }
      if ($(i + 1) == want) { print $i; if (signed != "") print signed; found = 1 }
    }
    END { exit !found }
  ' "${lists[@]}"
}
