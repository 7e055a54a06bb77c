#!/usr/bin/env bash
# Quenmoor 3D Screensaver: set up, build, test, run and benchmark.
#   ./quenmoor.sh run     install what is needed, build, run the saver (/s) under Wine
#   ./quenmoor.sh test    install what is needed, build, run every test
#   ./quenmoor.sh build   build; leaves dist/x64/Quenmoor.scr and dist/x86/Quenmoor.scr
#   ./quenmoor.sh bench   build and print every benchmark figure as name=value
#   ./quenmoor.sh shots [1,5,10]  chosen frames of the scene as PNG files in out/shots/
#   ./quenmoor.sh release the release bundle in dist/release/ (zips, SHA256SUMS)
#   ./quenmoor.sh soak [10]  the saver for that many minutes under Wine, leaks watched
#   ./quenmoor.sh deps    only install the Debian packages
set -euo pipefail

ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD=$ROOT/build
JOBS=$(nproc)

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 libwine xvfb xauth x11-utils xdotool imagemagick
  libgl1-mesa-dri libglx-mesa0 fonts-dejavu-core
  libstb-dev libvorbis-dev libsquish-dev unar zip
)

log() { printf '== %s\n' "$*" >&2; }

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

install_deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    sudo_if_needed apt-get update -qq || log "apt-get update reported a problem; going on"
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  try_wine32
}

# 32-bit Wine runs the i686 build's tests. Debian's i386 index is often out of
# step with the 64-bit one, so one attempt per machine, never fatal.
try_wine32() {
  local marker=/var/tmp/quenmoor-wine32-attempted
  [ -x /usr/lib/wine/wine ] && return 0
  [ -e "$marker" ] && return 0
  log "trying 32-bit Wine (optional)"
  # A failed update (often only the i386 index) is no failure by itself: the
  # install that follows decides.
  if sudo_if_needed dpkg --add-architecture i386 &&
     { sudo_if_needed apt-get update -qq >/dev/null 2>&1 || log "apt-get update with i386 reported a problem; trying the install anyway"; } &&
     sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >/dev/null 2>&1; then
    if have_wine32; then
      log "32-bit Wine installed"
    else
      # Installed but this kernel cannot start 32-bit programs: take it away
      # again so that a plain `wine` keeps working for 64-bit programs.
      log "32-bit Wine cannot run on this kernel; removing it, the i686 tests will be skipped"
      sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 >/dev/null 2>&1 || true
    fi
  else
    log "32-bit Wine is not installable here; the i686 build is compiled but its tests are skipped"
    sudo_if_needed dpkg --remove-architecture i386 >/dev/null 2>&1 || true
  fi
  sudo_if_needed touch "$marker" 2>/dev/null || true
}

# Installed is not enough: the 32-bit loader must also run (some kernels
# cannot start 32-bit programs at all).
have_wine32() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Configures a tree once, and again whenever its arguments (or the compilers
# chosen through CC/CXX) differ from the ones in its stamp. Only the cache is
# dropped then, so that an option left out does not linger; the objects stay
# and only changed compile commands rebuild (cmake --fresh would remove them).
configure() { # dir, extra cmake args...
  local dir=$1; shift
  local stamp=$dir/quenmoor-configure.args args
  args=$(printf '%s\n' "CC=${CC:-}" "CXX=${CXX:-}" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@")
  if [ -f "$dir/build.ninja" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$args" ]; then
    return 0
  fi
  if [ -f "$dir/CMakeCache.txt" ]; then
    log "configuring $dir again (its arguments changed)"
    rm -f "$dir/CMakeCache.txt"
  fi
  rm -f "$stamp"
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  printf '%s\n' "$args" >"$stamp"
}

build_host() {
  configure "$BUILD/host"
  cmake --build "$BUILD/host" -j "$JOBS"
}

build_windows() { # arch (x86_64|i686), dir name
  configure "$BUILD/$2" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$1-w64-mingw32.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/cmake/wine-run.sh" \
    -DQM_GENERATED_DIR="$BUILD/host/generated"
  cmake --build "$BUILD/$2" -j "$JOBS"
}

build_fuzz() {
  CC=clang CXX=clang++ configure "$BUILD/fuzz" -DQM_FUZZ=ON -DQM_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link"
  cmake --build "$BUILD/fuzz" -j "$JOBS"
}

build_all() {
  build_host
  build_windows x86_64 x64
  build_windows i686 x86
  mkdir -p "$ROOT/dist/x64" "$ROOT/dist/x86"
  cp "$BUILD/x64/Quenmoor.scr" "$ROOT/dist/x64/Quenmoor.scr"
  cp "$BUILD/x86/Quenmoor.scr" "$ROOT/dist/x86/Quenmoor.scr"
  log "built dist/x64/Quenmoor.scr and dist/x86/Quenmoor.scr"
}

# --- Wine and X ------------------------------------------------------------

export WINEDEBUG=-all
export WINEPREFIX=$BUILD/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
XVFB_PID=

# Debian's wine launcher takes the 32-bit loader whenever wine32 is installed,
# even where it cannot run; 64-bit programs then go to wine64 directly.
WINE=(wine)
choose_wine() {
  if ! have_wine32 && [ -x /usr/lib/wine/wine64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    WINE=(/usr/lib/wine/wine64)
  fi
}

wine_prefix() {
  choose_wine
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix (once)"
    mkdir -p "$WINEPREFIX"
    "${WINE[@]}" wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
}

# Starts Xvfb on the first display number that comes up within 5 s; a server
# that does not (number taken meanwhile, crash) is stopped and the next number
# tried.
start_xvfb() {
  local n up
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    up=0
    for _ in $(seq 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then up=1; break; fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if [ $up -eq 1 ] && kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    kill "$XVFB_PID" >/dev/null 2>&1 || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
    log "Xvfb did not come up on :$n; trying the next display"
  done
  log "no X display could be started (Xvfb :91 to :120)"; return 1
}

# A HOME whose ALSA default device plays into /dev/null, so that the sound's
# figures are measured with a device.
null_sound_home() {
  mkdir -p "$BUILD/sound-home"
  echo 'pcm.!default { type file; slave.pcm "null"; file "/dev/null"; format "raw" }' >"$BUILD/sound-home/.asoundrc"
}

stop_session() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
}

# --- commands ---------------------------------------------------------------

# Runs ctest in one tree and adds its counts to the totals.
TOTAL_PASSED=0
TOTAL_FAILED=0
run_ctest() { # dir, extra ctest args...
  local dir=$1 out rc=0 line total failed
  shift
  out=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$out" || rc=1
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$out" | tail -n 1 || true)
  if [ -n "$line" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    TOTAL_PASSED=$((TOTAL_PASSED + total - failed))
    TOTAL_FAILED=$((TOTAL_FAILED + failed))
  fi
  rm -f "$out"
  return $rc
}

# Every source of the project in the tree's style (.clang-format); nothing is
# rewritten, the differences are printed.
check_format() {
  local files
  if git -C "$ROOT" rev-parse --git-dir >/dev/null 2>&1; then
    files=$(git -C "$ROOT" ls-files '*.cpp' '*.h' | grep -v -E '(^|/)(third_party|external)/|^tests/fuzz/corpus/' || true)
  else
    files=$(cd "$ROOT" && find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | grep -v -E '^tests/fuzz/corpus/')
  fi
  if (cd "$ROOT" && printf '%s\n' $files | xargs clang-format --dry-run --Werror); then
    log "formatting: $(printf '%s\n' $files | wc -l) files in the tree's style"
  else
    log "formatting: the files above differ from .clang-format (clang-format -i FILE mends them)"
    return 1
  fi
}

cmd_test() {
  install_deps
  build_all
  build_fuzz
  trap stop_session EXIT
  start_xvfb
  wine_prefix
  wineserver -p >/dev/null 2>&1 || true
  # Start Wine's services once before ctest: a service started by the first
  # test would keep ctest's output pipe open and hang it.
  "${WINE[@]}" cmd /c exit </dev/null >/dev/null 2>&1 || true
  local status=0
  if check_format; then
    TOTAL_PASSED=$((TOTAL_PASSED + 1))
  else
    TOTAL_FAILED=$((TOTAL_FAILED + 1))
    status=1
  fi
  log "host tests"
  run_ctest "$BUILD/host" || status=1
  log "sanitizer tests and fuzz smoke runs"
  run_ctest "$BUILD/fuzz" || status=1
  log "Windows x86_64 tests under Wine"
  run_ctest "$BUILD/x64" || status=1
  # What the saver really plays, captured from Wine's sound output.
  log "sound captured under Wine"
  if "$ROOT/tests/sound/capture.sh" "$BUILD/sound-capture"; then
    TOTAL_PASSED=$((TOTAL_PASSED + 1))
  else
    TOTAL_FAILED=$((TOTAL_FAILED + 1))
    status=1
  fi
  if have_wine32; then
    log "Windows i686 tests under Wine"
    run_ctest "$BUILD/x86" || status=1
  else
    log "SKIPPED: Windows i686 tests under Wine (no 32-bit Wine on this machine; the i686 build compiled and linked)"
    log "Windows i686 checks without Wine"
    run_ctest "$BUILD/x86" -L no-wine || status=1
  fi
  if [ $status -eq 0 ]; then log "all tests passed"; else log "some tests FAILED"; fi
  echo "quenmoor: $TOTAL_PASSED passed, $TOTAL_FAILED failed"
  return $status
}

cmd_run() {
  install_deps
  build_all
  trap stop_session EXIT
  local own_display=0
  if [ -z "${DISPLAY:-}" ]; then start_xvfb; own_display=1; fi
  wine_prefix
  mkdir -p "$ROOT/out"
  if [ $own_display -eq 1 ]; then
    log "running Quenmoor.scr /s on Xvfb $DISPLAY; screenshots go to out/"
    "${WINE[@]}" "$ROOT/dist/x64/Quenmoor.scr" /s &
    local pid=$!
    wait_for_scene
    for i in 1 2 3; do
      sleep 3
      import -window root "$ROOT/out/screenshot-$i.png" >/dev/null 2>&1 || true
    done
    xdotool key space >/dev/null 2>&1 || true
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      log "the saver did not end on the key; stopping it"
      kill "$pid" >/dev/null 2>&1 || true
    fi
    local rc=0
    wait "$pid" 2>/dev/null || rc=$?
    log "the saver exited with code $rc"
    ls "$ROOT"/out/*.png
  else
    log "running Quenmoor.scr /s on $DISPLAY (press a key to end it)"
    "${WINE[@]}" "$ROOT/dist/x64/Quenmoor.scr" /s
  fi
}

# Every benchmark runs even when one fails; the failures are named at the end
# and make the exit status non-zero.
cmd_bench() {
  install_deps
  build_all
  local b failed=()
  for b in "$BUILD"/host/bench/*/bench_*; do
    [ -x "$b" ] || continue
    "$b" || failed+=("$(basename "$b")")
  done
  # Content budgets: the scene's triangles and the highest first index of a
  # model's material against the format's 16-bit cap, the textures' bytes in
  # the archive, and the saver's size (goal: at most 32 MiB).
  "$BUILD/host/tools/scenegen/scenegen" --budget || failed+=("scenegen --budget")
  echo "texture_bytes=$(find "$BUILD/host/generated/data" -name '*.dds' -printf '%s\n' | awk '{s += $1} END {print s + 0}')"
  echo "scr_bytes=$(stat -c %s "$BUILD/x64/Quenmoor.scr")"
  echo "scr_cap_bytes=33554432"
  # The scene under Wine at 1024 x 768: load, frame times on Mesa's software
  # renderer, the world's own CPU time per frame on a device that draws
  # nothing, and the sound's share of the load. Wine's sound follows the ALSA
  # configuration of $HOME: a private one gives it a device that plays into
  # /dev/null.
  trap stop_session EXIT
  if start_xvfb; then
    wine_prefix
    null_sound_home
    HOME=$BUILD/sound-home "${WINE[@]}" "$BUILD/x64/scene_shots.exe" --bench 300 --paths 1 || failed+=("scene_shots --bench")
    bench_scene_load || failed+=("scene_load_ms_median")
    bench_first_picture || failed+=("first_picture_ms")
    bench_exit_latency || failed+=("exit_latency_ms")
  else
    failed+=("scene_shots --bench (no X display)")
  fi
  if [ ${#failed[@]} -gt 0 ]; then
    log "benchmarks FAILED: ${failed[*]}"
    return 1
  fi
}

# The load and its ratio to the archive's extraction swing with whatever else
# the machine does, each run by a quarter or more: five runs, each the first
# load of a process of its own, give the medians.
bench_scene_load() {
  local run out loads=() ratios=()
  for run in $(seq 5); do
    out=$(HOME=$BUILD/sound-home "${WINE[@]}" "$BUILD/x64/scene_shots.exe" --bench-load --paths 1 2>/dev/null | tr -d '\r') || return 1
    loads+=("$(sed -n 's/^scene_load_ms=//p' <<<"$out")")
    ratios+=("$(sed -n 's/^scene_load_ratio_vs_decode=//p' <<<"$out")")
  done
  [ -n "${loads[4]}" ] && [ -n "${ratios[4]}" ] || { log "scene_shots --bench-load printed no figures"; return 1; }
  echo "scene_load_ms_median5=$(printf '%s\n' "${loads[@]}" | sort -n | sed -n 3p) (runs: ${loads[*]})"
  echo "scene_load_ratio_vs_decode_median5=$(printf '%s\n' "${ratios[@]}" | sort -n | sed -n 3p) (runs: ${ratios[*]})"
}

# first_picture_ms: from the saver's process start to its first present (the
# loading picture), as the logged build records it in its log; the /s run is
# ended with a key once the scene has loaded. load_input_wait_ms: the longest
# time the load kept the message loop waiting (between two of its pumps), as
# the saver logs it at the end of the load.
bench_first_picture() {
  local dir pid line="" wait_line=""
  dir=$(mktemp -d)
  (cd "$dir" && exec "${WINE[@]}" "$BUILD/x64/QuenmoorLogged.scr" /s >/dev/null 2>&1) &
  pid=$!
  for _ in $(seq 600); do
    line=$({ tr -d '\r' <"$dir/Quenmoor.log"; } 2>/dev/null | grep -m1 '^first picture' || true)
    [ -n "$line" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  for _ in $(seq 600); do
    wait_line=$({ tr -d '\r' <"$dir/Quenmoor.log"; } 2>/dev/null | grep -m1 '^longest wait for input' || true)
    [ -n "$wait_line" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  xdotool key space >/dev/null 2>&1 || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$dir"
  [ -n "$line" ] || { log "no first picture in the saver's log"; return 1; }
  echo "first_picture_ms=$(awk '{print $3}' <<<"$line")"
  [ -n "$wait_line" ] || { log "no load record in the saver's log"; return 1; }
  echo "load_input_wait_ms=$(awk -F'\t' '{print $2+0}' <<<"$wait_line")"
}

# exit_latency_ms: from a key pressed into a running /s (the scene loaded and
# drawing for a second) to the end of the saver's process, the median of 10
# runs; exit_latency_max_ms the slowest of them. The same for exit_peer, the
# least a Direct3D 9 program that ends on a key takes here (Wine tearing
# down the device, the window and the process), and the ratio of the two.
bench_exit_latency() {
  local saver peer x11='HKCU\Software\Wine\X11 Driver'
  # Xvfb has no window manager: Wine would wait 2 s for one to withdraw a
  # destroyed full-screen window, which no Windows desktop does
  "${WINE[@]}" reg add "$x11" /v Managed /d N /f >/dev/null 2>&1 || true
  local failed=0
  saver=$(measure_exit_latency exit_latency Quenmoor.log 'longest wait for input' "$BUILD/x64/QuenmoorLogged.scr" /s) || failed=1
  [ $failed -eq 1 ] || peer=$(measure_exit_latency exit_latency_peer exit_peer.ready '' "$BUILD/x64/exit_peer.exe") || failed=1
  # the prefix is shared with the tests: the setting goes whatever happened
  "${WINE[@]}" reg delete "$x11" /v Managed /f >/dev/null 2>&1 || true
  [ $failed -eq 0 ] || return 1
  echo "$saver"
  echo "$peer"
  awk -F= '/_ms=/ { v[$1] = $2 } END { if (v["exit_latency_peer_ms"] > 0) printf "exit_latency_ratio_vs_peer=%.2f\n", v["exit_latency_ms"] / v["exit_latency_peer_ms"] }' <<<"$saver
$peer"
}

# measure_exit_latency NAME READY_FILE READY_PATTERN EXE [ARGS]: 10 runs of
# EXE, each in a folder of its own, ended by a key once READY_FILE there holds
# READY_PATTERN (or exists, for an empty pattern) and a second has passed.
# Wine starts a program through start.exe, so its own process is found by
# its command line, and it has ended once it is gone or a zombie (nothing
# may reap it at once).
measure_exit_latency() {
  local name=$1 ready_file=$2 ready_pattern=$3 exe=$4 dir pid found run t0 t1 ms=() sorted
  shift 4
  QM_EXIT_ARGS="Z:${exe//\//\\}"
  [ $# -gt 0 ] && QM_EXIT_ARGS+=" $*"
  export QM_EXIT_ARGS
  for run in $(seq 10); do
    dir=$(mktemp -d)
    (cd "$dir" && exec "${WINE[@]}" "$exe" "$@" >/dev/null 2>&1) &
    pid=$!
    for _ in $(seq 600); do
      if [ -z "$ready_pattern" ]; then [ -e "$dir/$ready_file" ] && break
      else grep -q "$ready_pattern" "$dir/$ready_file" 2>/dev/null && break; fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    sleep 1
    found=$(ps -eo pid=,args= | awk '{ p = $1; sub(/^ *[0-9]+ /, ""); if ($0 == ENVIRON["QM_EXIT_ARGS"]) print p }' | head -n1)
    if [ -z "$found" ] || ! process_running "$found"; then
      log "no running $(basename "$exe") to end (run $run)"
      kill "$pid" >/dev/null 2>&1 || true
      wait "$pid" 2>/dev/null || true
      rm -rf "$dir"
      return 1
    fi
    t0=$(date +%s%N)
    xdotool key space >/dev/null 2>&1 || true
    for _ in $(seq 2500); do process_running "$found" || break; sleep 0.002; done
    t1=$(date +%s%N)
    if process_running "$found"; then
      kill "$pid" "$found" >/dev/null 2>&1 || true
      wait "$pid" 2>/dev/null || true
      rm -rf "$dir"
      log "$(basename "$exe") did not end on a key (run $run)"
      return 1
    fi
    wait "$pid" 2>/dev/null || true
    rm -rf "$dir"
    ms+=($(((t1 - t0) / 1000000)))
  done
  sorted=$(printf '%s\n' "${ms[@]}" | sort -n)
  echo "${name}_ms=$(sed -n 5,6p <<<"$sorted" | awk '{ s += $1 } END { print int(s / 2) }')"
  echo "${name}_max_ms=$(tail -n1 <<<"$sorted")"
}

# The process exists and is not a zombie (its state follows the name's ")").
process_running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Waits (at most 60 s) until the scene is on screen: more than one flat
# colour, and moving (the loading picture before it stands still).
wait_for_scene() {
  local shot sd sum last=""
  shot=$(mktemp --suffix=.png)
  for _ in $(seq 120); do
    sleep 0.5
    import -window root "$shot" >/dev/null 2>&1 || continue
    sd=$(convert "$shot" -colorspace gray -format '%[fx:int(standard_deviation*1000)]' info: 2>/dev/null || echo 0)
    sum=$(convert "$shot" -scale 25% rgb:- 2>/dev/null | md5sum)
    if [ "${sd:-0}" -gt 20 ] && [ -n "$last" ] && [ "$sum" != "$last" ]; then rm -f "$shot"; return 0; fi
    last=$sum
  done
  rm -f "$shot"
  log "no moving scene on screen after 60 s"
}

# Windows path of a folder of this tree, for programs under Wine.
wine_path() { printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"; }

# Chosen frames of the real scene at chosen clock times, rendered by the
# harness (tests/render) into out/shots/: per path frames 0, 150 and 303, and
# for the first path the cross-fade with both views, reflections off, bump
# mapping off and the water masks. Paths default to 1,5,10.
cmd_shots() { # [paths, e.g. 1,3,7]
  install_deps
  build_all
  trap stop_session EXIT
  start_xvfb
  wine_prefix
  mkdir -p "$ROOT/out/shots"
  rm -f "$ROOT"/out/shots/*.png
  "${WINE[@]}" "$BUILD/x64/scene_shots.exe" --out "$(wine_path "$ROOT/out/shots")" --paths "${1:-1,5,10}"
  ls "$ROOT"/out/shots/*.png
}

# The release bundle, built from the committed tree in a clean copy:
# dist/release/quenmoor-VERSION-x64.zip and -x86.zip (Quenmoor.scr, README.txt,
# LICENSES/) and SHA256SUMS. The builds are deterministic, so two releases of
# one commit are byte-identical.
cmd_release() {
  install_deps
  local version work out arch stage
  version=$(sed -n 's/^#define QM_VERSION_TEXT *"\(.*\)"$/\1/p' "$ROOT/resources/Version.h")
  [ -n "$version" ] || { log "no QM_VERSION_TEXT in resources/Version.h"; return 1; }
  work=$BUILD/release
  out=$ROOT/dist/release
  rm -rf "$work" "$out"
  mkdir -p "$work/src" "$out"
  if [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
    log "uncommitted changes are not in the release: it builds the committed tree"
  fi
  git -C "$ROOT" archive HEAD | tar -x -C "$work/src"
  (cd "$work/src" && ./quenmoor.sh build)
  for arch in x64 x86; do
    stage=$work/stage-$arch
    mkdir -p "$stage/LICENSES"
    cp "$work/src/dist/$arch/Quenmoor.scr" "$stage/Quenmoor.scr"
    sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$ROOT/resources/release/README.txt" >"$stage/README.txt"
    # What Quenmoor.scr contains besides our own code: stb (images, sound),
    # glyphs drawn from DejaVu Sans, and the MinGW-w64 and GCC runtimes.
    cp /usr/share/doc/libstb-dev/copyright "$stage/LICENSES/stb.txt"
    cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/LICENSES/DejaVu-fonts.txt"
    cp /usr/share/doc/mingw-w64-common/copyright "$stage/LICENSES/mingw-w64-runtime.txt"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/LICENSES/gcc-runtime.txt"
    chmod 644 "$stage/Quenmoor.scr" "$stage/README.txt" "$stage"/LICENSES/*
    # zip -X leaves out the extra fields that would carry the files' access
    # and change times; the fixed times and TZ make the rest reproducible.
    find "$stage" -exec touch -d "2026-01-01 00:00:00 UTC" {} +
    rm -f "$out/quenmoor-$version-$arch.zip"
    (cd "$stage" && TZ=UTC zip -q -X -D "$out/quenmoor-$version-$arch.zip" \
      Quenmoor.scr README.txt LICENSES/DejaVu-fonts.txt LICENSES/gcc-runtime.txt LICENSES/mingw-w64-runtime.txt \
      LICENSES/stb.txt)
  done
  (cd "$out" && sha256sum ./*.zip | sed 's| \./| |' >SHA256SUMS)
  log "release $version in dist/release:"
  cat "$out/SHA256SUMS" >&2
}

# The shipped saver in real time under Wine with sound (a private HOME whose
# ALSA device plays into /dev/null), watched by process_sampler every 10 s:
# its working set, private bytes, handles, threads and GUI objects must stay
# flat after the first minute. Screenshots at the start and the end must
# differ (the scene still moves), and a key must end it.
cmd_soak() { # [minutes, default 10]
  local minutes=${1:-10} out=$ROOT/out/soak pid rc=0 status=0
  install_deps
  build_all
  trap stop_session EXIT
  start_xvfb
  wine_prefix
  null_sound_home
  rm -rf "$out"
  mkdir -p "$out"
  "${WINE[@]}" reg delete 'HKCU\Software\Velbrook\Quenmoor 3D Screensaver' /f >/dev/null 2>&1 || true
  (cd "$out" && HOME=$BUILD/sound-home exec "${WINE[@]}" "$ROOT/dist/x64/Quenmoor.scr" /s >/dev/null 2>&1) &
  pid=$!
  wait_for_scene
  import -window root "$out/start.png" >/dev/null 2>&1 || true
  log "watching Quenmoor.scr /s for $minutes minutes"
  "${WINE[@]}" "$BUILD/x64/process_sampler.exe" Quenmoor.scr $((minutes * 60)) 10 | tee "$out/samples.txt" || status=1
  import -window root "$out/end.png" >/dev/null 2>&1 || true
  if cmp -s <(convert "$out/start.png" rgb:- 2>/dev/null) <(convert "$out/end.png" rgb:- 2>/dev/null); then
    log "the picture did not change over the run"
    status=1
  fi
  xdotool key space >/dev/null 2>&1 || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    log "the saver did not end on a key"
    kill "$pid" >/dev/null 2>&1 || true
    status=1
  fi
  wait "$pid" 2>/dev/null || rc=$?
  log "the saver exited with code $rc; samples and screenshots in $out"
  [ $rc -eq 0 ] || status=1
  return $status
}

case "${1:-}" in
  deps) install_deps ;;
  build) install_deps; build_all ;;
  test) cmd_test ;;
  run) cmd_run ;;
  bench) cmd_bench ;;
  shots) cmd_shots "${2:-}" ;;
  release) cmd_release ;;
  soak) cmd_soak "${2:-}" ;;
  *) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
