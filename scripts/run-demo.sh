#!/usr/bin/env bash
# Installs what is missing, builds the player and runs it on the demo game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESK_BUILD_TESTS=OFF -DVESK_BUILD_BENCH=OFF
cmake --build build -j "$(nproc)"
exec build/bin/vesk-player "$@" build/demo
