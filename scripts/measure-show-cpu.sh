#!/usr/bin/env bash
# Measures what the show costs: build/nuvra /s on a private 1920 x 1080
# Xvfb with a folder of one photograph-sized picture, averaged over 10
# seconds after a 2-second start. The figures are the show's and the X
# server's user + system time (from /proc/<pid>/stat) over the same seconds,
# divided by the wall time, each as a share of one core, and their sum.
# Usage: scripts/measure-show-cpu.sh [binary] [seconds] [show arguments...]
# (the arguments are /s unless given: "--root --fps 30" measures the hosted
# show on the root window at 30 frames a second).
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-build/nuvra}
seconds=${2:-10}
shift $(($# < 2 ? $# : 2))
arguments=("$@")
[ ${#arguments[@]} -gt 0 ] || arguments=(/s)

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
  XDG_RUNTIME_DIR="$work/run" SDL_AUDIODRIVER=dummy ${NUVRA_SHOW_ENV:-} "$binary" "${arguments[@]}" >"$work/show.log" 2>&1 &
show_pid=$!

ticks() {  # user + system clock ticks of process $1 so far
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}
sleep 2
start_show=$(ticks "$show_pid")
start_server=$(ticks "$xvfb_pid")
start_time=$(date +%s.%N)
sleep "$seconds"
end_show=$(ticks "$show_pid")
end_server=$(ticks "$xvfb_pid")
end_time=$(date +%s.%N)

# What the user pays is the show and the X server it sends its frames to,
# over the same seconds.
hz=$(getconf CLK_TCK)
awk -v s0="$start_show" -v s1="$end_show" -v x0="$start_server" -v x1="$end_server" \
  -v w0="$start_time" -v w1="$end_time" -v hz="$hz" 'BEGIN {
    wall = w1 - w0
    show = 100 * (s1 - s0) / hz / wall
    server = 100 * (x1 - x0) / hz / wall
    printf "show CPU: %.1f%% of one core over %.1f s (1920 x 1080, Xvfb)\n", show, wall
    printf "X server CPU: %.1f%%\n", server
    printf "show + X server: %.1f%%\n", show + server
  }'
