#!/bin/sh
# Starts the disc's program. Desktops offer to run this file when the disc is
# inserted; from a terminal:  sh /path/to/the/disc/autorun.sh
here=$(dirname "$0")
case $here in /*) ;; *) here=$(pwd)/$here ;; esac

explain() {
  # Said on standard error, and in a window where the desktop has a way to.
  printf '%s\n' "$1" >&2
  if command -v notify-send >/dev/null 2>&1; then
    notify-send "Zolt CD" "$1" 2>/dev/null
  fi
}

if [ ! -x "$here/zolt" ]; then
  explain "Zolt CD: the disc is mounted without permission to run programs (noexec).
Mount it again allowing programs, for example:
  udisksctl unmount -b /dev/sr0 && udisksctl mount -b /dev/sr0 -o exec
or, as root:  mount -o remount,exec '$here'
then run '$here/autorun.sh' again. The catalogue's files can be opened without it."
  exit 126
fi
# The disc's libraries need this version of the GNU C library or a newer one.
needed=@GLIBC_NEEDED@
have=$(getconf GNU_LIBC_VERSION 2>/dev/null | sed -n 's/^glibc \([0-9]*\.[0-9]*\).*/\1/p')
if [ -n "$have" ]; then
  if [ "${have%%.*}" -lt "${needed%%.*}" ] ||
     { [ "${have%%.*}" -eq "${needed%%.*}" ] && [ "${have#*.}" -lt "${needed#*.}" ]; }; then
    explain "Zolt CD needs a Linux system with the GNU C library $needed or newer; this one has $have.
The catalogue's files can be opened without the program."
    exit 1
  fi
fi

"$here/zolt" "$@"
status=$?
if [ "$status" -eq 126 ]; then
  explain "Zolt CD: the system refused to run '$here/zolt': the disc is probably mounted
without permission to run programs (noexec). Mount it again with the option exec,
for example:  udisksctl unmount -b /dev/sr0 && udisksctl mount -b /dev/sr0 -o exec"
fi
exit "$status"
