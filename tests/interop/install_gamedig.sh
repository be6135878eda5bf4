#!/usr/bin/env bash
# Installs the npm package gamedig at one pinned version into PREFIX/node_modules (in
# the build folder; nothing global, nothing in the source tree). Silent when that
# version is already there. Node and npm come from scripts/setup-debian.sh. The build
# waits for gamedig's own package file, so it is touched every time the script runs.
# A machine that cannot reach the npm registry still builds: the install is only warned
# about, and the gamedig check then fails on its own, saying what is missing.
# Usage: install_gamedig.sh PREFIX VERSION
set -euo pipefail
prefix="$1"
version="$2"
installed="$prefix/node_modules/gamedig/package.json"

if [ -f "$installed" ] && grep -q "\"version\": *\"$version\"" "$installed"; then
  touch "$installed"
  exit 0
fi
for tool in node npm; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "install_gamedig.sh: warning: $tool is missing; run scripts/setup-debian.sh" >&2
    exit 0
  fi
done

mkdir -p "$prefix"
# A package file of its own keeps npm from looking for one in the folders above.
[ -f "$prefix/package.json" ] || echo '{ "private": true }' >"$prefix/package.json"
log="$prefix/npm-install.log"
if ! npm install --prefix "$prefix" --save-exact --no-audit --no-fund --loglevel=error \
  --fetch-retries=1 --fetch-timeout=60000 "gamedig@$version" >"$log" 2>&1; then
  echo "install_gamedig.sh: warning: npm could not install gamedig@$version:" >&2
  cat "$log" >&2
  exit 0
fi
touch "$installed"
