#!/usr/bin/env bash
# Installs what is missing, builds Celforge and starts the editor.
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCELFORGE_TESTS=OFF -DCELFORGE_BENCH=OFF > /dev/null
cmake --build build/release --target celforge -- -j"$(nproc)"
exec build/release/celforge "$@"
