#!/usr/bin/env bash
# ctest's emulator for the Windows builds: runs a test program under Wine in
# the project's own prefix.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:?set WINEPREFIX (quenmoor.sh does)}
exec wine "$@"
