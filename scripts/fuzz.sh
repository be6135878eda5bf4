#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) into build-fuzz/ and runs each
# for a bounded time, seeded from fuzz/corpus/<target>/. Fails on any finding (a crash, a
# sanitizer report, a violated property, a timeout or a leak); the input that caused it
# is kept in build-fuzz/findings/<target>/. Prints executions per second and in total.
# Usage: scripts/fuzz.sh [seconds per target, default 20] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
shift || true
bash scripts/setup-debian.sh fuzz

if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUARRIX_FUZZ=ON >/dev/null
fi
cmake --build build-fuzz -- -j"$(nproc)" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
failed=()
total=0
printf '%-22s %10s %14s %s\n' target exec/s executions result
for target in "${targets[@]}"; do
  # New inputs go to a scratch copy, so the seeds in the tree stay small.
  work="build-fuzz/work/$target"
  findings="build-fuzz/findings/$target"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  log="build-fuzz/work/$target.log"
  status=0
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  result=ok
  if [ "$status" -ne 0 ]; then
    result="FINDING (exit $status, see $log and $findings/)"
    failed+=("$target")
    grep -E 'ERROR|property violated|SUMMARY|runtime error' "$log" | head -5 | sed 's/^/    /'
  fi
  printf '%-22s %10s %14s %s\n' "$target" "${rate:-?}" "${runs:-?}" "$result"
  total=$((total + ${runs:-0}))
done
echo "total executions: $total"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz findings in: ${failed[*]}"
  exit 1
fi
