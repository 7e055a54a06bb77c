#!/usr/bin/env bash
# ctest's emulator for the Windows builds: runs a test program under Wine in
# the project's own prefix.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:?set WINEPREFIX (quenmoor.sh does)}
# Debian's launcher takes the 32-bit loader whenever wine32 is installed, even
# on a kernel that cannot run 32-bit programs; 64-bit programs then go to
# wine64 directly.
if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export WINELOADER=/usr/lib/wine/wine64
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
