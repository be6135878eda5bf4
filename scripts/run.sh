#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quarrix in the folder of its executable,
# where the build puts readme.txt beside it (its settings and favorites files live there
# too). QUARRIX_HOME names another folder for the settings and favorites (made when
# missing); Help looks for readme.txt there first, then beside the executable.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/build.sh" Quarrix
home="${QUARRIX_HOME:-$here/build/src/app}"
(umask 077 && mkdir -p "$home")
cd "$home"
# The program reads QUARRIX_HOME itself; a relative one would be taken from the new folder.
if [ -n "${QUARRIX_HOME:-}" ]; then export QUARRIX_HOME="$PWD"; fi
exec "$here/build/src/app/Quarrix"
