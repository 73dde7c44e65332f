#!/usr/bin/env bash
# Installs what Nuvra needs, builds the program and installs it.
#   scripts/install.sh [cmake --install options...]
# The options go to `cmake --install`, for example `--prefix /usr` (where
# Debian's screen-saver daemons look) instead of the default /usr/local.
# The install step uses sudo when not run as root and the prefix is not
# writable.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Its own build folder, so the developer's build/ keeps its options.
scripts/build.sh build-install -DNUVRA_TESTS=OFF -DNUVRA_BENCH=OFF

prefix=/usr/local
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case ${args[i]} in
    --prefix) prefix=${args[i + 1]:-$prefix} ;;
    --prefix=*) prefix=${args[i]#--prefix=} ;;
  esac
done
# The nearest folder that exists is the one the install has to write in.
writable=$prefix
while [ ! -e "$writable" ]; do
  writable=$(dirname "$writable")
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ] && [ ! -w "$writable" ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" cmake --install build-install "$@"
