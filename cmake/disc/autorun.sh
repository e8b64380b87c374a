#!/bin/sh
# Starts the disc's program. Desktops offer to run this file when the disc is
# inserted (as "/bin/sh autorun.sh" from the disc's root, whether or not it is
# executable); from a terminal:  sh /path/to/the/disc/autorun.sh
# The program file at the root (zolt) chooses the loader it runs on.
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
  explain "Zolt CD: il disco è montato senza il permesso di avviare programmi (noexec).
Montarlo di nuovo permettendo i programmi, per esempio:
  udisksctl unmount -b /dev/sr0 && udisksctl mount -b /dev/sr0 -o exec
oppure, come root:  mount -o remount,exec '$here'
poi avviare di nuovo '$here/autorun.sh'. I file del catalogo si possono aprire anche senza il programma."
  exit 126
fi
# The oldest GNU C library the disc starts on (older ones are replaced by the
# disc's own; this one is the floor).
floor=@GLIBC_FLOOR@
have=$(getconf GNU_LIBC_VERSION 2>/dev/null | sed -n 's/^glibc \([0-9]*\.[0-9]*\).*/\1/p')
if [ -n "$have" ]; then
  if [ "${have%%.*}" -lt "${floor%%.*}" ] ||
     { [ "${have%%.*}" -eq "${floor%%.*}" ] && [ "${have#*.}" -lt "${floor#*.}" ]; }; then
    explain "Zolt CD richiede un sistema Linux con la libreria C GNU (glibc) $floor o più recente; questo sistema ha la $have.
I file del catalogo si possono aprire anche senza il programma."
    exit 1
  fi
fi

"$here/zolt" "$@"
status=$?
if [ "$status" -eq 126 ]; then
  explain "Zolt CD: il sistema non ha permesso di avviare '$here/zolt': il disco è probabilmente
montato senza il permesso di avviare programmi (noexec). Montarlo di nuovo con l'opzione exec,
per esempio:  udisksctl unmount -b /dev/sr0 && udisksctl mount -b /dev/sr0 -o exec"
fi
exit "$status"
