#!/usr/bin/env bash
# Cross-builds the Qt-free libraries and their tests for Windows with MinGW-w64 and runs
# the tests under wine: installs what is missing, configures build-windows/ once, builds,
# and runs CTest there. "install" only installs; arguments after "--" go to CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ "${1:-}" = install ] && exit 0
[ "${1:-}" = -- ] && shift

# Wine keeps its prefix inside the build folder (never in the user's home), starts no
# window and says nothing; mono and gecko are not wanted for console tests.
export WINEPREFIX="$PWD/build-windows/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The configure preset windows-cross-tests: MinGW-w64's toolchain file, no Qt.
[ -f build-windows/build.ninja ] || cmake --preset windows-cross-tests >/dev/null
cmake --build build-windows -- -j"$(nproc)"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot -i >/dev/null 2>&1
  timeout 60 wineserver -w
fi
# One wineserver and one set of wine's own service processes for the whole run, started
# here with nothing attached: started by the first test, they would hold CTest's output
# pipe open and every test would wait for them. Ended afterwards.
wineserver -k >/dev/null 2>&1 || true
wineserver -p 600 </dev/null >/dev/null 2>&1
timeout 120 wine wineboot </dev/null >/dev/null 2>&1 || true
status=0
# Under load, wine's own loader now and then trips an assertion of the host's ld.so while
# a test program exits ("dl-fini.c: ... _dl_fini: Assertion"), after the test passed: a
# failed test is run once more, so only a test that fails twice fails the run.
timeout 1800 ctest --test-dir build-windows --output-on-failure --timeout 120 \
  --repeat until-pass:2 -j"$(nproc)" "$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
