#!/usr/bin/env bash
# Sets up, builds and runs every test; then the thread and memory tests of the server's
# worker code again under ThreadSanitizer and under AddressSanitizer with UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build RelWithDebInfo
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 300

# Suites of the worker threads, queues, transports and masters (no Qt inside).
SANITIZED=(core_tests log_tests model_tests modbus_proto_tests modbus_master_tests transport_tests)
for type in Tsan Asan; do
  dir="build-$(echo "$type" | tr '[:upper:]' '[:lower:]')"
  targets=()
  for t in "${SANITIZED[@]}"; do
    grep -qE "add_executable\($t( |\$)" -r tests --include=CMakeLists.txt && targets+=("$t")
  done
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
  for t in "${targets[@]}"; do
    echo "== $t under $type"
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
      "$dir/bin/$t" --gtest_brief=1
  done
done
scripts/fuzz-smoke.sh
echo "All tests passed (plain, ThreadSanitizer, AddressSanitizer+UBSan)."
