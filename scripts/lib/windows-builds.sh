# The Windows builds and the Wine that runs each, for the scripts that test them.
# Sourced; ROOT must name the repository.
#
#   x64  build-windows-x64/, run by 64-bit Wine (/usr/lib/wine/wine64, package wine64)
#   x86  build-windows/, run by 32-bit Wine (package wine32:i386): directly where the
#        kernel runs 32-bit code, elsewhere through qemu-i386 (package qemu-user, from
#        backports) inside a private namespace (find_x86_route, run_build)
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
  write_i386_probe "$probe"
  output="$("$probe" 2>&1)" || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ] && return 0
  echo "${output:-exit status $status}" | sed 's/^.*tavrinole-i386\.[A-Za-z0-9]*: *//' | head -n 1
  return 1
}

# Writes the smallest i386 program there is to $1: it only exits with 42.
write_i386_probe() {
  local probe="$1"
  # ELF header, one loadable segment, then: mov eax,1; mov ebx,42; int 0x80.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
  printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
  chmod +x "$probe"
}

# The qemu-i386 that runs 32-bit programs on a kernel that does not: qemu-user from
# backports, as scripts/setup.sh installs it. Debian 12's own (7.2) spends most of a
# minute of CPU starting each 32-bit Wine process, which is no use for a test suite.
QEMU_I386=/usr/bin/qemu-i386
QEMU_I386_MAJOR=9

# Finds how 32-bit x86 programs run here. Sets X86_ROUTE to
#   native    the kernel runs them;
#   emulated  it does not, but a private user namespace can hand them to qemu-i386
#             through a binfmt_misc of its own (Linux 6.7 and later);
#   ""        neither, and fails;
# and X86_HOW to a few words saying how, or why not. TAVRINOLE_X86_ROUTE=emulated takes
# the emulated route even where the kernel runs 32-bit code, to try that route there.
find_x86_route() {
  local why gave="" error
  case "${TAVRINOLE_X86_ROUTE:-}" in
    "")
      if gave="$(runs_32bit_code)"; then
        X86_ROUTE=native X86_HOW="under 32-bit Wine"
        return 0
      fi
      why="this kernel runs only 64-bit code"
      gave=" (an i386 program gave \"$gave\")"
      ;;
    emulated) why="TAVRINOLE_X86_ROUTE=emulated" ;;
    *) echo "TAVRINOLE_X86_ROUTE can only be emulated, not '$TAVRINOLE_X86_ROUTE'" >&2; exit 1 ;;
  esac
  if error="$(unshare --user --map-root-user --mount \
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>&1)"; then
    X86_ROUTE=emulated X86_HOW="under 32-bit Wine through qemu-i386: $why"
    return 0
  fi
  X86_ROUTE=""
  X86_HOW="$why$gave, and no private namespace with a binfmt_misc of its own (Linux 6.7"
  X86_HOW+=" and later; $(uname -r) here) can run it through qemu-i386:"
  X86_HOW+=" $(head -n 1 <<<"${error:-unshare failed}")"
  return 1
}

# Fails, saying why, unless the emulated route has a qemu-i386 recent enough and a
# 32-bit program really starts through it.
check_x86_emulation() {
  local version probe status=0
  version="$("$QEMU_I386" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')"
  if [ -z "$version" ] || [ "$version" -lt "$QEMU_I386_MAJOR" ]; then
    echo "$QEMU_I386 ${version:+is version $version, }${version:-is missing}: the 32-bit suites need" \
      "qemu-user $QEMU_I386_MAJOR or later from backports (scripts/setup.sh installs it)" >&2
    return 1
  fi
  probe="$(mktemp "${TMPDIR:-/tmp}/tavrinole-i386.XXXXXX")"
  write_i386_probe "$probe"
  run_build x86 "$probe" >/dev/null 2>&1 || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ] || { echo "an i386 program did not start through $QEMU_I386 (status $status)" >&2; return 1; }
}

# Runs a command that tests build $1 (x64 or x86), in the background, and waits for
# it, so that the caller's traps act at once; stop_build_run, from such a trap, ends it
# and everything it started. The x86 build on the emulated route runs inside a private
# user, mount and PID namespace (scripts/lib/x86-namespace.sh): everything started
# there, Wine's servers too, ends with the command, or with this shell even when it is
# killed (SIGKILL included). Otherwise the command runs in a session of its own.
BUILD_RUN_PID=""
run_build() {
  local build="$1" status=0
  shift
  if [ "$build" = x86 ] && [ "$X86_ROUTE" = emulated ]; then
    # Commands started in the background ignore SIGINT; inside, they get it back.
    setpriv --pdeathsig KILL unshare --user --map-root-user --mount --pid --fork --kill-child \
      --mount-proc env --default-signal=INT,QUIT \
      bash "$ROOT/scripts/lib/x86-namespace.sh" "$QEMU_I386" "$@" &
  else
    setsid "$@" &
  fi
  BUILD_RUN_PID=$!
  wait "$BUILD_RUN_PID" || status=$?
  BUILD_RUN_PID=""
  return "$status"
}

# For the scripts that run the builds one after another on one display: a signal or an
# exit ends the build's run in hand and the display.
stop_builds_on_exit() {
  trap 'stop_build_run; stop_xvfb' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
}

stop_build_run() {
  [ -n "$BUILD_RUN_PID" ] || return 0
  kill -KILL -- "-$BUILD_RUN_PID" "$BUILD_RUN_PID" 2>/dev/null || true
  wait "$BUILD_RUN_PID" 2>/dev/null || true
  BUILD_RUN_PID=""
  # Wine's server leaves the session it was started in; it is stopped by its prefix.
  local build
  for build in x64 x86; do
    [ "$build" = x86 ] && [ "$X86_ROUTE" = emulated ] && continue
    (use_windows_build "$build" 2>/dev/null && stop_wine) || true
  done
}

# Sets WINDOWS_BUILDS to the builds whose suites can run here (x64 first) and
# WINDOWS_BUILDS_LINE to one line naming them, how each runs, and why one was left out.
# Fails for an unknown TAVRINOLE_WINDOWS_BUILDS.
choose_windows_builds() {
  local wanted="${TAVRINOLE_WINDOWS_BUILDS:-all}"
  WINDOWS_BUILDS=()
  case "$wanted" in
    all | both | x64 | x86) ;;
    *) echo "TAVRINOLE_WINDOWS_BUILDS must be x64, x86 or all, not '$wanted'" >&2; return 1 ;;
  esac
  local parts=()
  if [ "$wanted" != x86 ]; then
    WINDOWS_BUILDS+=(x64)
    parts+=("x64 under 64-bit Wine")
  else
    parts+=("x64 left out: TAVRINOLE_WINDOWS_BUILDS=x86")
  fi
  X86_ROUTE=""
  if [ "$wanted" = x64 ]; then
    parts+=("x86 (32-bit) left out: TAVRINOLE_WINDOWS_BUILDS=x64")
  elif find_x86_route; then
    WINDOWS_BUILDS+=(x86)
    parts+=("x86 $X86_HOW")
  else
    parts+=("x86 (32-bit) left out: $X86_HOW")
  fi
  local part
  WINDOWS_BUILDS_LINE=""
  for part in "${parts[@]}"; do WINDOWS_BUILDS_LINE+="${WINDOWS_BUILDS_LINE:+; }$part"; done
  [ "${#WINDOWS_BUILDS[@]}" -gt 0 ] || WINDOWS_BUILDS_LINE="no build: $WINDOWS_BUILDS_LINE"
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
# waiting for the server to exit is what tells it is done, and a mark written then
# tells a complete prefix from one an interrupted run left half made, which is made anew.
prepare_wine_prefix() {
  local mark="$WINEPREFIX/.tavrinole-complete"
  if [ ! -f "$mark" ]; then
    echo "creating the $ARCH_NAME Wine prefix $WINEPREFIX (takes a while the first time)"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    DISPLAY= "$WINE" wineboot --init >/dev/null 2>&1 || true
    wineserver --wait
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot made no prefix in $WINEPREFIX" >&2; return 1; }
    touch "$mark"
  fi
  wineserver --wait
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

# Checks the program file and the command-line tool of both builds
# (scripts/check-windows-exe.sh); stops at the first that fails.
check_windows_exes() {
  local build folder
  for build in x86 x64; do
    folder="$ROOT/build-windows"
    [ "$build" = x64 ] && folder+=-x64
    bash "$ROOT/scripts/check-windows-exe.sh" "$build" program "$folder/bin/Tavrinole-Ochrel.exe" &&
      bash "$ROOT/scripts/check-windows-exe.sh" "$build" cli "$folder/bin/tavrinole-ochrel-cli.exe" ||
      return 1
  done
}
