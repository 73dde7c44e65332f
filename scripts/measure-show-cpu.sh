#!/usr/bin/env bash
# Measures the show's own CPU use: build/nuvra /s on a private 1920 x 1080
# Xvfb with a folder of one photograph-sized picture, averaged over 10
# seconds after a 2-second start. The figure is the process's user + system
# time (from /proc/<pid>/stat) divided by the wall time, as a share of one
# core. Usage: scripts/measure-show-cpu.sh [binary] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-build/nuvra}
seconds=${2:-10}

work=$(mktemp -d)
xvfb_pid=
show_pid=
cleanup() {
  [ -n "$show_pid" ] && kill "$show_pid" 2>/dev/null && wait "$show_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The first free display number from 120 up.
display=120
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done

mkdir -p "$work/config/nuvra" "$work/cache" "$work/run" "$work/pictures"
convert -size 4000x3000 gradient:navy-orange -swirl 270 "$work/pictures/photo.jpg"
printf '[Section]\n画像のﾌｫﾙﾀﾞ=%s\n' "$work/pictures" >"$work/config/nuvra/Nuvra.ini"

DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
  XDG_RUNTIME_DIR="$work/run" SDL_AUDIODRIVER=dummy ${NUVRA_SHOW_ENV:-} "$binary" /s >"$work/show.log" 2>&1 &
show_pid=$!

ticks() {  # user + system clock ticks of the show so far
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$show_pid/stat"
}
sleep 2
start_ticks=$(ticks)
start_time=$(date +%s.%N)
sleep "$seconds"
end_ticks=$(ticks)
end_time=$(date +%s.%N)

hz=$(getconf CLK_TCK)
awk -v t0="$start_ticks" -v t1="$end_ticks" -v w0="$start_time" -v w1="$end_time" -v hz="$hz" \
  'BEGIN { printf "show CPU: %.1f%% of one core over %.1f s (1920 x 1080, Xvfb)\n", 100 * (t1 - t0) / hz / (w1 - w0), w1 - w0 }'
