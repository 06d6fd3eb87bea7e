#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan) and runs each for a
# short while from its committed seeds and dictionary. A crash, leak, sanitizer report or
# hang fails the script; what was found is left in a folder the script names.
# Usage: scripts/fuzz-smoke.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
dir=build-fuzz
targets=(fuzz_answer_check fuzz_wire_value fuzz_ini)

cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Asan \
  -DTRELON_FUZZ=ON >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

for t in "${targets[@]}"; do
  # New inputs and any finding go to a fresh folder; the committed seeds stay as they are.
  work=$(mktemp -d "${TMPDIR:-/tmp}/$t.XXXXXX")
  echo "== $t for ${seconds}s"
  if ! "$dir/bin/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -dict="fuzz/dict/$t.dict" -artifact_prefix="$work/" \
      "$work" "fuzz/corpus/$t" >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    echo "$t failed; its log and the input that broke it are in $work" >&2
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec)' "$work/log"
  rm -rf "$work"
done
echo "Fuzz smoke runs passed: ${targets[*]}."
