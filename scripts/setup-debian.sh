#!/usr/bin/env bash
# Installs the Debian packages Quarrix needs to build, run and test, and only those
# that are missing; silent when everything is there. "fuzz" adds what the fuzz and
# sanitizer scripts need besides: clang with its sanitizer and libFuzzer runtimes, and
# llvm-symbolizer for readable reports.
set -euo pipefail

packages=(g++ cmake ninja-build qt6-base-dev qt6-translations-l10n libgtest-dev googletest qstat fonts-noto-cjk clang-format)
# iproute2: the LAN search's broadcast test builds a network of its own with `ip` inside a
# network namespace (`unshare` comes with util-linux, which every Debian has).
packages+=(iproute2)
# The package test: CPack's .deb (dpkg-shlibdeps, file), its checks (lintian, the desktop
# entry and the software-centre validators) and the installed window on a virtual display.
packages+=(dpkg-dev file lintian desktop-file-utils appstream xvfb xauth xdotool x11-utils)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-dev llvm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# Node and npm (the interop check's gamedig, which the build installs with npm) count
# as there when their commands are: a Node from elsewhere brings its own npm, which
# Debian's would clash with.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
