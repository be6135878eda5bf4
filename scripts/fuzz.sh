#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) into build-fuzz/ and runs each
# for a bounded time, seeded from fuzz/corpus/<target>/. Fails on any finding (a crash, a
# sanitizer report, a violated property, a timeout or a leak); the input that caused it
# is kept in build-fuzz/findings/<target>/. Prints executions per second and in total.
# Each run builds on the last: the inputs found are kept outside the tree, in
# $QUARRIX_FUZZ_CORPUS/<target> (default ${XDG_CACHE_HOME:-~/.cache}/quarrix-fuzz), and
# grow from run to run; after a clean run, those of at most $QUARRIX_SEED_MAX_LEN bytes
# (default 512) that reach code the seeds do not are added to fuzz/corpus/<target>.
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

corpora="${QUARRIX_FUZZ_CORPUS:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/quarrix-fuzz}"
seed_max="${QUARRIX_SEED_MAX_LEN:-512}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
failed=()
total=0
printf '%-22s %10s %14s %s\n' target exec/s executions result
for target in "${targets[@]}"; do
  # New inputs go to the kept corpus outside the tree; the seeds take only small ones.
  work="$corpora/$target"
  findings="build-fuzz/findings/$target"
  mkdir -p "$work" "$findings" build-fuzz/work
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
  else
    # The small kept inputs that reach new code join the seeds (libFuzzer's merge copies
    # only those that add coverage to the first folder).
    small="build-fuzz/work/$target.small"
    rm -rf "$small"
    mkdir -p "$small"
    find "$work" -maxdepth 1 -type f -size -"$((seed_max + 1))"c -exec cp -t "$small" {} +
    before=$(find "fuzz/corpus/$target" -type f | wc -l)
    "build-fuzz/fuzz/$target" -merge=1 -timeout=10 -rss_limit_mb=2048 -max_len="$seed_max" \
      "fuzz/corpus/$target" "$small" >"build-fuzz/work/$target.merge.log" 2>&1 ||
      echo "    seed merge failed, see build-fuzz/work/$target.merge.log"
    rm -rf "$small"
    added=$(($(find "fuzz/corpus/$target" -type f | wc -l) - before))
    kept=$(find "$work" -type f | wc -l)
    result="ok ($kept kept, $added new seeds)"
  fi
  printf '%-22s %10s %14s %s\n' "$target" "${rate:-?}" "${runs:-?}" "$result"
  total=$((total + ${runs:-0}))
done
echo "total executions: $total"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz findings in: ${failed[*]}"
  exit 1
fi
