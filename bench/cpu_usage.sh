#!/usr/bin/env bash
# How much CPU the player takes in a real window: plays two games under a
# private Xvfb server and reads the player's CPU time (user + system, from
# /proc/PID/stat) over a fixed stretch of wall time.
#
#   bench/cpu_usage.sh [BUILD_DIR]
#
# BUILD_DIR (default build-rel) is configured as RelWithDebInfo without
# sanitizers when it does not exist yet; vesk-player, vesk-tool and the demo
# are built in it. The games:
#   idle     the demo's title screen, left alone (nothing moves)
#   anim     an 800x600 picture that moves every frame, so the whole screen
#            changes at the frame rate
# Environment: VESK_BENCH_SECONDS (default 10), VESK_BENCH_SETTLE (seconds
# to let start-up pass before measuring, default 2), VESK_BENCH_DEPTH (the
# X server's depth, default 24), VESK_BENCH_GAMES (default "idle anim").
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-rel}
seconds=${VESK_BENCH_SECONDS:-10}
settle=${VESK_BENCH_SETTLE:-2}
depth=${VESK_BENCH_DEPTH:-24}
games=${VESK_BENCH_GAMES:-idle anim}

command -v Xvfb > /dev/null || { echo "cpu_usage: Xvfb is missing (bash scripts/install-deps.sh)" >&2; exit 1; }
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESK_SANITIZE=OFF \
    -DVESK_BUILD_BENCH=OFF > /dev/null
fi
cmake --build "$build" -j2 --target vesk-player vesk-tool demo > /dev/null
player=$build/bin/vesk-player
tool=$build/bin/vesk-tool

work=$(mktemp -d)
xvfb_pid=
player_pid=
cleanup() {
  [[ -n "$player_pid" ]] && kill "$player_pid" 2> /dev/null && wait "$player_pid" 2> /dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2> /dev/null && wait "$xvfb_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The animation: two copies of the demo's 800x600 background slide left by
# 8 pixels a frame, edge to edge, so every frame repaints the whole screen.
mkdir -p "$work/anim-src" "$work/anim"
cat > "$work/anim-src/project.vproj" << 'EOF'
title "cpu bench"
screen 800 600
start "start.lsb"
EOF
cat > "$work/anim-src/start.vsc" << 'EOF'
VarNew x type: int value: 0
ImgNew Name: "bg" Source: "background.orl"
ImgNew Name: "next" Source: "background.orl" Left: 800
While true
  Calc x = (x + 8) % 800
  SetProp "bg" prop: PR_LEFT value: 0 - x
  endframe SetProp "next" prop: PR_LEFT value: 800 - x
EOF
"$tool" compile "$work/anim-src" "$work/anim" > /dev/null 2>&1
cp "$build/demo/background.orl" "$work/anim/"

# A private server: it picks a free display and writes its number when ready.
Xvfb -displayfd 5 -screen 0 "1024x768x$depth" -nolisten tcp 5> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.1
done
[[ -s "$work/display" ]] || { echo "cpu_usage: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
display=":$(head -n1 "$work/display")"

ticks_per_s=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

measure() {
  local name=$1 dir=$2
  DISPLAY=$display SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work "$player" --no-logo \
    --dump-vars "$work/$name.json" "$dir" > "$work/$name.out" 2>&1 &
  player_pid=$!
  sleep "$settle"
  if ! kill -0 "$player_pid" 2> /dev/null; then
    echo "cpu_usage: the player stopped early on $name:" >&2
    cat "$work/$name.out" >&2
    exit 1
  fi
  local p0 x0 p1 x1
  p0=$(cpu_ticks "$player_pid")
  x0=$(cpu_ticks "$xvfb_pid")
  sleep "$seconds"
  p1=$(cpu_ticks "$player_pid")
  x1=$(cpu_ticks "$xvfb_pid")
  # SDL turns the signal into a window close: the player ends as a user
  # would end it and writes its frame count.
  kill -TERM "$player_pid"
  wait "$player_pid" 2> /dev/null || true
  player_pid=
  local frames
  frames=$(sed -n 's/^{"frames":\([0-9]*\).*/\1/p' "$work/$name.json" 2> /dev/null)
  awk -v n="$name" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v hz="$ticks_per_s" -v s="$seconds" \
    -v f="${frames:-0}" -v all=$((settle + seconds)) 'BEGIN {
    printf "%-5s player %5.2f s CPU in %d s = %5.1f %% of a core; X server %5.2f s; %5.1f frames/s\n",
           n, p / hz, s, 100 * p / hz / s, x / hz, f / all }'
}

echo "player: $player, X server depth $depth"
for g in $games; do
  case $g in
    idle) measure idle "$build/demo" ;;
    anim) measure anim "$work/anim" ;;
    *) echo "cpu_usage: unknown game $g (idle, anim)" >&2; exit 2 ;;
  esac
done
