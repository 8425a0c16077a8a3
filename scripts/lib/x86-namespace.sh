#!/usr/bin/env bash
# Runs inside the private user, mount and PID namespace that run_build (windows-builds.sh)
# makes on a kernel that runs only 64-bit code: gives the namespace a binfmt_misc of its
# own (Linux 6.7 and later give each user namespace one), hands 32-bit x86 programs to
# qemu-i386 there, then runs the command. Nothing of this reaches the machine outside:
# the registration and the mount end with the namespace.
#
#   bash x86-namespace.sh QEMU_I386 COMMAND [ARGUMENTS...]
set -euo pipefail

qemu="$1"
shift
binfmt=/proc/sys/fs/binfmt_misc
mount -t binfmt_misc binfmt_misc "$binfmt"
# The ELF header of an i386 (e_machine 3) or i486 (6) program, executable or shared
# object, any OS/ABI. F: qemu is opened now, so the rule holds whatever the command
# does with its mounts later.
header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":i386:M::${header}\\x03\\x00:${mask}:${qemu}:F" >"$binfmt/register"
echo ":i486:M::${header}\\x06\\x00:${mask}:${qemu}:F" >"$binfmt/register"
exec "$@"
