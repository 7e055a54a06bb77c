#!/usr/bin/env bash
# Captures what the saver really plays under Wine and measures it.
#
#   tests/sound/capture.sh [OUTDIR]      (default out/sound)
#
# Wine's ALSA output follows the ALSA configuration of $HOME, so each run gets
# a private HOME whose .asoundrc sends the default device into a raw file
# (44,100 Hz stereo 16-bit). Needs the host and x64 trees built, an X display
# ($DISPLAY), WINEPREFIX set (as quenmoor.sh sets it) and xdotool.
#
#   1. QuenmoorLogged.scr /s with Music on, SFX off: the capture must be the
#      music at MusicVolume (35) and nothing else; then a key, and the time
#      the saver takes to end with sound on.
#   2. scene_shots --sound with only the waterfalls (MusicVolume 100), on the
#      path that stays longest within hearing of a fall, flown three times
#      slower: what each frame set, against what is heard, frame by frame.
#   3. QuenmoorLogged.scr /s with the shipped settings (music, rain, falls):
#      a capture to listen to.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$(realpath -m "${1:-$ROOT/out/sound}")
HOST=$ROOT/build/host
X64=$ROOT/build/x64
CHECK=$HOST/tests/sound/capture_check
CONTENT=$HOST/generated/content
KEY='HKCU\Software\Velbrook\Quenmoor 3D Screensaver'
: "${WINEPREFIX:?set WINEPREFIX}" "${DISPLAY:?set DISPLAY}"
export WINEDEBUG=${WINEDEBUG:--all}
WINE=(wine)
if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export WINELOADER=/usr/lib/wine/wine64
  WINE=(/usr/lib/wine/wine64)
fi
mkdir -p "$OUT"
status=0

# A private HOME whose default ALSA device writes into $1.
home_for() {
  local home=$OUT/home-$(basename "$1" .raw)
  mkdir -p "$home"
  printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' "$1" >"$home/.asoundrc"
  rm -f "$1"
  echo "$home"
}

# saver_run NAME SECONDS [VALUE=DATA...]: /s with those registry values, in a
# folder of its own; a key after SECONDS of sound; prints the time to exit.
saver_run() {
  local name=$1 seconds=$2 home dir pid t0 t1 rc=0
  shift 2
  "${WINE[@]}" reg delete "$KEY" /f >/dev/null 2>&1 || true
  for kv in "$@"; do "${WINE[@]}" reg add "$KEY" /v "${kv%%=*}" /t REG_DWORD /d "${kv#*=}" /f >/dev/null; done
  home=$(home_for "$OUT/$name.raw")
  dir=$OUT/run-$name
  rm -rf "$dir"; mkdir -p "$dir"
  (cd "$dir" && HOME=$home exec "${WINE[@]}" "$X64/QuenmoorLogged.scr" /s) >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1200); do grep -q "sound load - ok" "$dir/Quenmoor.log" 2>/dev/null && break; sleep 0.1; done
  sleep "$seconds"
  xdotool key space
  t0=$(date +%s%N)
  wait "$pid" || rc=$?
  t1=$(date +%s%N)
  "${WINE[@]}" reg delete "$KEY" /f >/dev/null 2>&1 || true
  echo "$name: exit_code=$rc key_to_exit_ms=$(((t1 - t0) / 1000000))"
}

echo "== 1. Music on, SFX off, MusicVolume 35"
saver_run musiconly 15 SFX=1 MusicVolume=35
"$CHECK" music "$OUT/musiconly.raw" "$CONTENT/music.ogg" 35 || status=1

echo "== 2. The waterfalls alone near a fall, MusicVolume 100"
home=$(home_for "$OUT/water.raw")
HOME=$home "${WINE[@]}" "$X64/scene_shots.exe" --sound 40 --near-fall --pace 3 --music 0 --rain 0 --volume 100 \
  >"$OUT/water-timeline.txt" 2>/dev/null || status=1
"$CHECK" water "$OUT/water.raw" "$CONTENT/water_wall.ogg" 100 "$OUT/water-timeline.txt" || status=1

echo "== 3. The shipped settings"
saver_run shipped 15
if command -v sox >/dev/null; then
  sox -t raw -r 44100 -e signed -b 16 -c 2 "$OUT/shipped.raw" "$OUT/shipped.wav"
  sox "$OUT/shipped.wav" -n stat 2>&1 | grep -E "Length|RMS +amplitude|Maximum amplitude" || true
fi
echo "captures in $OUT"
exit $status
