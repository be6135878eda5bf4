#!/usr/bin/env bash
# Configures (once) and builds Quarrix into build/ with Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -- -j"$(nproc)" "$@"
