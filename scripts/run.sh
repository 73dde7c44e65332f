#!/usr/bin/env bash
# Installs what Nuvra needs, builds it and starts the show.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DNUVRA_TESTS=OFF -DNUVRA_BENCH=OFF
exec build/nuvra /s
