#!/usr/bin/env bash
# Times the README's two Quick start commands as on a fresh Debian 12 machine: a minimal
# Debian 12 made with debootstrap, as the root of a mount namespace of its own (this
# machine's kernel and network, none of its packages), holding a fresh clone of this
# repository's committed HEAD. TAVRINOLE_X86_ROUTE, if set, is passed on.
#   run   `bash scripts/run.sh`, from its start to the program's main window mapped on a
#         virtual X display of this machine (xdotool polls every 0.1 s)
#   test  `bash scripts/test.sh`, start to finish
# Making the chroot is not timed. Needs root, debootstrap (installed if missing), Xvfb
# and xdotool, and a reachable Debian mirror.
#   bench/fresh-machine.sh run|test [FOLDER]     (default: a fresh folder under /var/tmp)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
what=${1:-}
[ "$what" = run ] || [ "$what" = test ] || { echo "usage: $0 run|test [FOLDER]" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine.sh: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }
source "$ROOT/scripts/lib/packages.sh"
source "$ROOT/scripts/lib/x11-driving.sh"
command -v debootstrap >/dev/null || install_packages debootstrap
command -v Xvfb >/dev/null && command -v xdotool >/dev/null ||
  { echo "fresh-machine.sh: Xvfb and xdotool are missing (scripts/setup.sh)" >&2; exit 1; }

system=$(realpath -m "${2:-$(mktemp -d /var/tmp/tavrinole-fresh.XXXXXX)}")
mounted=()
cleanup() {
  [ -n "${program_pid:-}" ] && kill "$program_pid" 2>/dev/null
  stop_xvfb
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  rm -rf --one-file-system "$system"
}
trap cleanup EXIT

echo "fresh-machine: making a minimal Debian 12 in $system (not timed)"
# From the mirror this machine's own apt sources name for Debian 12.
mirror="$(release_source bookworm | head -n 1)" ||
  { echo "fresh-machine.sh: no apt source of this machine carries Debian 12 (bookworm)" >&2; exit 1; }
debootstrap --variant=minbase bookworm "$system" "$mirror" >"$system.log" 2>&1 ||
  { tail -20 "$system.log" >&2; exit 1; }
rm -f "$system.log"
# This machine's package sources (with the security updates) in place of debootstrap's,
# but none the project's setup added: a fresh machine has not run it.
for f in /etc/apt/sources.list.d/*.sources; do
  case "$f" in */tavrinole-*) continue ;; esac
  cp "$f" "$system/etc/apt/sources.list.d/" && rm -f "$system/etc/apt/sources.list"
done
cp /etc/resolv.conf "$system/etc/resolv.conf"
for m in proc sys dev dev/pts dev/shm; do
  mount --bind "/$m" "$system/$m"
  mounted+=("$system/$m")
done
# The repository, as a new user would clone it; git is not on a minimal system, so the
# clone is made here.
git clone -q "$ROOT" "$system/root/tavrinole-ochrel"

# The system becomes the root of a mount namespace of its own (pivot_root, not chroot:
# a chrooted process may not make user namespaces, and the 32-bit Windows suites do).
inside() {
  unshare --mount --fork bash -c '
    set -e
    mount --rbind "$1" "$1"
    cd "$1"
    mkdir -p .old-root
    pivot_root . .old-root
    umount -l /.old-root
    rmdir /.old-root
    exec /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin DISPLAY="$3" TERM=dumb \
      ${4:+TAVRINOLE_X86_ROUTE="$4"} bash -c "cd /root/tavrinole-ochrel && $2"
  ' inside "$system" "$1" "${DISPLAY:-}" "${TAVRINOLE_X86_ROUTE:-}"
}

# The command's output, kept after the system is gone.
log="$system-$what.log"
echo "fresh-machine: the output of scripts/$what.sh goes to $log"
if [ "$what" = run ]; then
  start_xvfb || { echo "fresh-machine.sh: Xvfb did not start" >&2; exit 1; }
  mkdir -p "$system/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$system/tmp/.X11-unix"
  mounted+=("$system/tmp/.X11-unix")
  start=$(date +%s.%N)
  inside "bash scripts/run.sh" >"$log" 2>&1 &
  program_pid=$!
  until xdotool search --onlyvisible --name '^Tavrinole-Ochrel\(Unlimited\)$' >/dev/null 2>&1; do
    kill -0 "$program_pid" 2>/dev/null || { tail -20 "$log" >&2; exit 1; }
    sleep 0.1
  done
  end=$(date +%s.%N)
  echo "fresh-machine: scripts/run.sh to the main window: $(awk "BEGIN{printf \"%.0f\", $end - $start}") s"
else
  start=$(date +%s.%N)
  inside "bash scripts/test.sh" >"$log" 2>&1 || { tail -30 "$log" >&2; exit 1; }
  end=$(date +%s.%N)
  grep -E "passed" "$log" | tail -8
  echo "fresh-machine: scripts/test.sh, start to finish: $(awk "BEGIN{printf \"%.0f\", $end - $start}") s"
fi
