#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r file; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || bad+=("$file")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (run clang-format -i on them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
