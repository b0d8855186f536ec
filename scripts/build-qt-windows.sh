#!/usr/bin/env bash
# Builds the Qt the Windows station links with: qtbase and QCustomPlot from Debian 12's source
# packages, cross-built with MinGW-w64 as shared Release libraries. Debian has no Qt for MinGW, and
# qtbase and QCustomPlot are all the station needs.
#
# The result goes into a cache folder outside the checkout named by a hash of the recipe below, so
# every checkout and every CI run shares it and a changed recipe builds anew; a run that finds it
# complete only prints it.
#
# Usage: build-qt-windows.sh [--print]
#   prints the install folder on its last line; --print prints it and builds nothing.
#   ZAN_CACHE names the cache's parent folder (default /var/cache/zan-station);
#   ZAN_JOBS the build's parallel jobs (default 2); the build runs at the lowest priority.
set -euo pipefail
cd "$(dirname "$0")/.."

qtbase_version=6.4.2+dfsg-10
qcustomplot_version=2.1.0+dfsg1-3.1
mingw=x86_64-w64-mingw32

# The host's qtbase runs moc, rcc and uic for the cross build: it must be the same Qt.
qtbase_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no
  -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF
  # Direct2D stays although the station does not draw with it: without it Qt 6.4's print support
  # does not link on Windows (QWindowsFontEngineDirectWrite::createHFONT is built only with it).
  # Nothing from the build machine's libraries: Qt's own copies, and no pkg-config search.
  -DFEATURE_pkg_config=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF
  # Debian's source leaves out the tablet header (wintab.h) that Windows' tablet events need.
  -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF
)
qcustomplot_options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DUSE_QT_VERSION=6)

# The toolchain the libraries are built with; Qt's qt.toolchain.cmake loads it again for every
# program built against them.
toolchain() {
  cat <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $mingw-gcc-posix)
set(CMAKE_CXX_COMPILER $mingw-g++-posix)
set(CMAKE_RC_COMPILER $mingw-windres)
set(CMAKE_AR $mingw-ar CACHE FILEPATH "")
set(CMAKE_RANLIB $mingw-ranlib CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/$mingw)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

recipe() {
  echo "qtbase $qtbase_version ${qtbase_options[*]}"
  echo "qcustomplot $qcustomplot_version ${qcustomplot_options[*]}"
  echo "compiler $("$mingw-g++-posix" -dumpfullversion 2>/dev/null || echo missing)"
  toolchain
}

cache=${ZAN_CACHE:-/var/cache/zan-station}
prefix="$cache/qt-windows-$(recipe | sha256sum | cut -c1-16)"
if [ "${1:-}" = "--print" ]; then
  echo "$prefix"
  exit 0
fi
# The install is whole once its recipe is written into it, last.
if [ -f "$prefix/zan-recipe.txt" ]; then
  echo "$prefix"
  exit 0
fi

bash scripts/setup-debian.sh --windows

mkdir -p "$cache"
exec 9>"$prefix.lock"
if ! flock -n 9; then
  echo "Waiting for another build of $prefix to finish" >&2
  flock 9
fi
if [ -f "$prefix/zan-recipe.txt" ]; then
  echo "$prefix"
  exit 0
fi

start=$(date +%s)
work="$prefix.work"
rm -rf "$prefix" "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts" "$work/src"

# Apt with a source list and state of its own: the system's lists and caches stay as they are.
cat >"$work/apt/sources.list" <<EOF
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
EOF
apt_options=(
  -o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt/parts"
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
  -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root"
)
apt-get "${apt_options[@]}" -q update
(
  cd "$work/src"
  apt-get "${apt_options[@]}" -q source --download-only \
    "qt6-base=$qtbase_version" "qcustomplot=$qcustomplot_version"
  dpkg-source -q -x "qt6-base_${qtbase_version}.dsc" qtbase
  dpkg-source -q -x "qcustomplot_${qcustomplot_version}.dsc" qcustomplot
)

mkdir -p "$prefix/share/zan"
toolchain >"$prefix/share/zan/mingw-w64-x86_64.cmake"
jobs=${ZAN_JOBS:-2}
# The build shares the machine: it runs at the lowest priority. Its steps are traced like the
# station's own (scripts/traced.sh), so the install list is proven for it too.
nice -n 19 bash scripts/traced.sh qt-windows-configure cmake -G Ninja -S "$work/src/qtbase" -B "$work/qtbase" \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/share/zan/mingw-w64-x86_64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${qtbase_options[@]}"
nice -n 19 bash scripts/traced.sh qt-windows-build cmake --build "$work/qtbase" --parallel "$jobs"
cmake --install "$work/qtbase"

nice -n 19 bash scripts/traced.sh qcustomplot-windows-configure "$prefix/bin/qt-cmake" -G Ninja -S "$work/src/qcustomplot" -B "$work/qcustomplot" \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${qcustomplot_options[@]}"
nice -n 19 bash scripts/traced.sh qcustomplot-windows-build cmake --build "$work/qcustomplot" --parallel "$jobs"
cmake --install "$work/qcustomplot"

rm -rf "$work"
recipe >"$prefix/zan-recipe.txt"
echo "Built the Windows Qt in $(($(date +%s) - start)) s" >&2
echo "$prefix"
