#!/usr/bin/env bash
# Builds the engine's thread-sensitive tests with ThreadSanitizer and runs them: the blocking
# waits and cancel, the control connection and logon, the data connections and transfers, and
# the transfer worker with its cross-thread Cancel and pane calls (transfer_tests: Worker*).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake -S . -B build-tsan -G Ninja -DVARNIX_WERROR=ON -DVARNIX_BUILD_GUI=OFF \
      -DVARNIX_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(platform_tests net_tests transfer_tests support_selftests)
cmake --build build-tsan -j"$(nproc)" --target "${targets[@]}"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
for t in "${targets[@]}"; do
  echo "== $t (ThreadSanitizer)"
  "build-tsan/bin/$t" --gtest_brief=1
done
