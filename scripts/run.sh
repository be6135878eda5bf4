#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quarrix in the current directory
# (its settings and favorites files live there).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/build.sh" Quarrix
exec "$here/build/src/app/Quarrix"
