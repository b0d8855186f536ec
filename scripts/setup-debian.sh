#!/usr/bin/env bash
# Installs the Debian 12 packages the station builds, tests, fuzzes and benchmarks with, only those
# that are missing. Debian's Recommends are never installed, so every package the build reads is
# named here or reached from here through Depends; scripts/check-install-list.sh proves it in CI.
# Packages named as arguments are installed too (CI adds strace for that check).
# --windows adds the Windows cross build's packages (scripts/test-windows.sh).
# --deb adds the Debian package's build and check tools (dpkg-buildpackage, scripts/test-debian-package.sh).
# --compare adds what older commits of the station build with (scripts/compare-frame-path.sh).
# --list prints the list, the Windows and package tools included, and installs nothing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  # Qt's base with its uic, and QCustomPlot for the graph.
  qt6-base-dev libgl-dev libqcustomplot-dev
  # lrelease makes the English catalogue of the station's texts at build time, lupdate checks it.
  qt6-l10n-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  # The fuzz targets: clang with libFuzzer and the sanitizers' run-time.
  clang libclang-rt-14-dev
  # /usr/bin/time -v gives the station's CPU time and peak memory in scripts/measure-station.sh.
  time
  # Node.js runs Garmin's FIT decoder, which the FIT export's test reads the files back with.
  nodejs
  # xmllint validates the TCX export's files against Garmin's schema in the tests.
  libxml2-utils
  # The pedalling report's PDF: its text in DejaVu Sans, read back in the tests by poppler's
  # pdftotext and pdfinfo, its picture in the docs made by pdftoppm.
  fonts-dejavu-core poppler-utils
  # The locale sources localedef compiles an Italian desktop's language from, for the test that
  # the files keep their decimal point under it.
  locales
  # Avahi's client library announces the Direct Connect server by mDNS. Its test runs a private
  # avahi-daemon on a private D-Bus bus (dbus-daemon) in a network namespace whose loopback ip
  # brings up, and finds the station with avahi-browse.
  libavahi-client-dev avahi-daemon avahi-utils dbus-daemon iproute2
  # The Bluetooth LE peripheral's test registers with a mock BlueZ made with python3-dbusmock.
  python3-dbusmock
)
# npm installs that decoder. NodeSource's nodejs carries npm and conflicts with Debian's npm.
if ! command -v npm >/dev/null; then packages+=(npm); fi

# The Windows cross build: MinGW-w64's C++ compiler with POSIX threads (std::thread), GoogleTest's
# sources to build with it, and Wine to run what it makes (64-bit only: wine64, and wine for the
# wine and wineboot commands, which wine64 only recommends). The Windows Qt is built from Debian's
# source packages (scripts/build-qt-windows.sh: apt's keyring and dpkg-source; the host's qtbase
# runs moc, rcc and uic for it), the package is zipped and made an installer (NSIS's makensis), and
# its window runs on a virtual screen (Xvfb), its title read with xwininfo, its picture made with
# netpbm and its text in DejaVu Sans.
windows_packages=(
  g++-mingw-w64-x86-64-posix googletest wine wine64
  debian-archive-keyring dpkg-dev xz-utils perl qt6-base-dev-tools zip unzip xvfb x11-utils netpbm
  fonts-dejavu-core nsis
)

# The Debian package (debian/): dpkg-buildpackage with its build-essential check, fakeroot and
# debhelper; rsvg-convert draws the menu icon's sizes; lintian, desktop-file-validate and
# appstreamcli check the package and its menu entry and metadata; strace shows the installed
# station reading its icons.
deb_packages=(
  build-essential dpkg-dev fakeroot debhelper librsvg2-bin lintian desktop-file-utils appstream
  strace
)

# Older commits of the station, built beside this checkout to compare their speed with: before
# the panels were compiled by uic and the graph drawn by QCustomPlot they read Qt's UiTools (with
# the OpenGL module it needs) and Qt Charts.
compare_packages=(qt6-tools-dev libqt6opengl6-dev qt6-charts-dev)

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${packages[@]}" "${windows_packages[@]}" "${deb_packages[@]}" \
    "${compare_packages[@]}"
  exit 0
fi
while [ "$#" -gt 0 ]; do
  case "$1" in
    --windows) packages+=("${windows_packages[@]}") ;;
    --deb) packages+=("${deb_packages[@]}") ;;
    --compare) packages+=("${compare_packages[@]}") ;;
    *) break ;;
  esac
  shift
done
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
