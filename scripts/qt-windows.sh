#!/usr/bin/env bash
# Builds Debian's own qtbase (the host's version, 6.4.2) for 64-bit Windows with MinGW-w64
# and the host's Qt tools, then Quarrix.exe against it. Not part of CI: the Qt build takes
# most of an hour on two cores. Everything goes below build-qt-windows/:
#   src/      the unpacked qt6-base source package
#   qt/       Qt's build folder; prefix/ the Qt for Windows it installs
#   app/      Quarrix.exe and the Qt DLLs beside it
# Usage: scripts/qt-windows.sh [qt|app]   (default: both, each step only once)
set -euo pipefail
cd "$(dirname "$0")/.."
here="$PWD"
work="$here/build-qt-windows"
step="${1:-all}"
bash scripts/windows.sh install
mkdir -p "$work"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ! -d "$work/src" ]; then
  # apt-get source needs the source lists, which a stock machine lacks.
  if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      $sudo tee /etc/apt/sources.list.d/quarrix-deb-src.sources >/dev/null
    $sudo apt-get update -qq
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq qt6-base-dev-tools dpkg-dev >/dev/null
  (cd "$work" && apt-get source -q --download-only "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev)" &&
    dpkg-source -x qt6-base_*.dsc src >/dev/null)
fi

if [ "$step" != app ] && [ ! -f "$work/prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ]; then
  # Core, Gui and Widgets only, each third-party library built in; tablet events and every
  # test and example off. moc, rcc and uic come from the host's Qt (QT_HOST_PATH).
  [ -f "$work/qt/build.ninja" ] || cmake -S "$work/src" -B "$work/qt" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$work/prefix" \
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_testlib=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_libb2=OFF -DFEATURE_system_doubleconversion=OFF
  # With OpenGL off, 6.4.2's Windows platform plugin still asks the dynamic GL loader.
  sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$work/src/src/plugins/platforms/windows/qwindowswindow.cpp"
  cmake --build "$work/qt" --parallel "$(nproc)"
  cmake --install "$work/qt" >/dev/null
fi

if [ "$step" != qt ]; then
  # Qt's own toolchain file chains to ours and adds the Qt for Windows to the search roots.
  [ -f "$work/app/build.ninja" ] || cmake -S "$here" -B "$work/app" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQUARRIX_QT=ON -DQUARRIX_BUILD_TESTS=OFF -DQUARRIX_BUILD_BENCH=OFF
  cmake --build "$work/app" --target Quarrix
  # The Qt DLLs and the Windows platform plugin beside the program.
  cp "$work"/prefix/bin/Qt6{Core,Gui,Widgets}.dll "$work/app/src/app/"
  # Qt's DLLs use MinGW's shared runtime (the program itself carries its own).
  cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/{libgcc_s_seh-1,libstdc++-6}.dll \
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$work/app/src/app/"
  mkdir -p "$work/app/src/app/platforms"
  cp "$work/prefix/plugins/platforms/qwindows.dll" "$work/app/src/app/platforms/"
  echo "built: $work/app/src/app/Quarrix.exe"
fi
