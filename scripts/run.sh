#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quarrix in the folder of its executable,
# where the build puts readme.txt beside it (its settings and favorites files live there
# too). QUARRIX_HOME names another start folder; Help then looks for readme.txt there.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/build.sh" Quarrix
home="${QUARRIX_HOME:-$here/build/src/app}"
cd "$home"
exec "$here/build/src/app/Quarrix"
