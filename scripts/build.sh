#!/usr/bin/env bash
# Builds camdrift in release mode into build/ (the executable is build/camdrift).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
