# The Windows builds and the Wine that runs each, for the scripts that test them.
# Sourced; ROOT must name the repository.
#
#   x64  build-windows-x64/, run by 64-bit Wine (/usr/lib/wine/wine64, package wine64)
#   x86  build-windows/, run by 32-bit Wine (package wine32), only where the machine
#        runs 32-bit code at all
#
# TAVRINOLE_WINDOWS_BUILDS=x64 (or x86) limits a run to one of them.

WINE64_LOADER=/usr/lib/wine/wine64

export WINEDEBUG=-all
# Wine writes Windows' UTF-16 file names to Linux in the locale's encoding: without a
# UTF-8 locale (none is set in a bare root shell, say), a name beyond ASCII cannot be
# created at all, and the tests of such names fail. C.UTF-8 is in every Debian.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Succeeds when this machine runs 32-bit x86 code. Asks the kernel directly, with the
# smallest i386 program there is (it only exits with 42), so neither the distribution
# nor an installed 32-bit libc is taken for an answer. Prints what went wrong otherwise.
runs_32bit_code() {
  local probe status=0 output
  probe="$(mktemp "${TMPDIR:-/tmp}/tavrinole-i386.XXXXXX")"
  # ELF header, one loadable segment, then: mov eax,1; mov ebx,42; int 0x80.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
  printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
  chmod +x "$probe"
  output="$("$probe" 2>&1)" || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ] && return 0
  echo "${output:-exit status $status}" | sed 's/^.*tavrinole-i386\.[A-Za-z0-9]*: *//' | head -n 1
  return 1
}

# Sets WINDOWS_BUILDS to the builds whose suites can run here (x64 first) and
# WINDOWS_BUILDS_LINE to one line naming them and why one was left out. Fails for an
# unknown TAVRINOLE_WINDOWS_BUILDS.
choose_windows_builds() {
  local wanted="${TAVRINOLE_WINDOWS_BUILDS:-all}" why
  WINDOWS_BUILDS=()
  case "$wanted" in
    all | both | x64 | x86) ;;
    *) echo "TAVRINOLE_WINDOWS_BUILDS must be x64, x86 or all, not '$wanted'" >&2; return 1 ;;
  esac
  local left_out=""
  if [ "$wanted" != x86 ]; then
    WINDOWS_BUILDS+=(x64)
  else
    left_out="x64 left out: TAVRINOLE_WINDOWS_BUILDS=x86"
  fi
  if [ "$wanted" = x64 ]; then
    left_out="x86 (32-bit) left out: TAVRINOLE_WINDOWS_BUILDS=x64"
  elif why="$(runs_32bit_code)"; then
    WINDOWS_BUILDS+=(x86)
  else
    left_out="x86 (32-bit) left out: this machine runs no 32-bit code (an i386 program gave \"$why\")"
  fi
  if [ "${#WINDOWS_BUILDS[@]}" -eq 0 ]; then
    WINDOWS_BUILDS_LINE="no build: $left_out"
  else
    WINDOWS_BUILDS_LINE="${WINDOWS_BUILDS[*]}"
    [ -n "$left_out" ] && WINDOWS_BUILDS_LINE+="; $left_out"
  fi
}

# use_windows_build x64|x86: points BUILD, WINE, WINEARCH and WINEPREFIX at that build
# (the prefix is the build's own; nothing touches ~/.wine) and ARCH_NAME at its name.
use_windows_build() {
  case "$1" in
    x64)
      BUILD="$ROOT/build-windows-x64"
      WINE="$WINE64_LOADER"
      export WINEARCH=win64 WINELOADER="$WINE64_LOADER"
      ARCH_NAME="64-bit"
      ;;
    x86)
      BUILD="$ROOT/build-windows"
      WINE=wine
      export WINEARCH=win32
      unset WINELOADER
      ARCH_NAME="32-bit"
      ;;
    *) echo "unknown Windows build '$1'" >&2; return 1 ;;
  esac
  export WINEPREFIX="$BUILD/wineprefix"
  if [ "$1" = x64 ] && [ ! -x "$WINE" ]; then
    echo "$WINE is missing (package wine64; scripts/setup.sh installs it)" >&2
    return 1
  fi
  if [ "$1" = x86 ] && [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine is missing (package wine32:i386; scripts/setup.sh installs it)" >&2
    return 1
  fi
}

# Creates the prefix on first use. wineboot returns before the prefix is complete;
# waiting for the server to exit is what tells it is done.
prepare_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the $ARCH_NAME Wine prefix $WINEPREFIX (takes a while the first time)"
    mkdir -p "$WINEPREFIX"
    DISPLAY= "$WINE" wineboot --init >/dev/null 2>&1 || true
  fi
  wineserver --wait
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot made no prefix in $WINEPREFIX" >&2; return 1; }
}

# One server and one set of Wine's own background processes for the whole run. Started
# here with their output going nowhere: had the first test program started them, they
# would inherit its output pipe and keep it open, and ctest would wait on it until its
# timeout.
start_wine_services() {
  wineserver --persistent
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver --wait >/dev/null 2>&1 || true
}
