#!/usr/bin/env bash
# Runs the tests under the sanitizers, each in a build tree of its own:
#   asan: the whole CTest suite under AddressSanitizer + UndefinedBehaviorSanitizer, with
#         LeakSanitizer on (build-asan/);
#   tsan: the threaded tests (scan worker, endpoint senders and receiver thread, loopback
#         scans, refresh, launch and auto-join, simulated servers) under ThreadSanitizer,
#         building only what they need (build-tsan/).
# Any report fails the run. Usage: scripts/sanitize.sh [asan|tsan|all] (default all)
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:-all}"
bash scripts/setup-debian.sh fuzz
export QT_QPA_PLATFORM=offscreen
root="$PWD"
jobs="$(nproc)"

if [ "$what" = asan ] || [ "$what" = all ]; then
  if [ ! -f build-asan/build.ninja ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARRIX_SANITIZE=ON \
      -DQUARRIX_BUILD_BENCH=OFF >/dev/null
  fi
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1"
  export LSAN_OPTIONS="suppressions=$root/scripts/sanitize/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  cmake --build build-asan -- -j"$jobs"
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer + LeakSanitizer: every test"
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
  unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
fi

if [ "$what" = tsan ] || [ "$what" = all ]; then
  if [ ! -f build-tsan/build.ninja ]; then
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARRIX_TSAN=ON \
      -DQUARRIX_BUILD_BENCH=OFF >/dev/null
  fi
  # Test discovery runs each test binary at build time; without the options below it
  # would stop on a report there with less to say.
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/sanitize/tsan.supp"
  cmake --build build-tsan --target platform_tests discovery_tests refresh_tests launch_tests \
    hostile_tests \
    fakeserver_tests -- -j"$jobs"
  echo "== ThreadSanitizer: the threaded tests"
  status=0
  run() {
    echo "-- $*"
    "$@" --gtest_brief=1 || status=1
  }
  run build-tsan/tests/discovery/discovery_tests \
    --gtest_filter='SearchThread*:ProgressPosition*:ScanFixture*:SearchController*'
  run build-tsan/tests/platform/platform_tests --gtest_filter='TNMUDP*'
  run build-tsan/tests/refresh/refresh_tests
  run build-tsan/tests/launch/launch_tests
  run build-tsan/tests/hostile/hostile_tests
  run build-tsan/tests/fakeserver/fakeserver_tests
  [ "$status" -eq 0 ] || { echo "ThreadSanitizer run failed"; exit 1; }
fi
