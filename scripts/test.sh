#!/usr/bin/env bash
# Sets up a fresh machine, builds everything from scratch with warnings as errors, and runs
# every test. This is the command CI runs.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DVARNIX_WERROR=ON
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 300
