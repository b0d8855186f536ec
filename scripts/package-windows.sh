#!/usr/bin/env bash
# Makes zan-station-windows-x64.zip: zan_pc.exe cross-built with MinGW-w64 against the Windows Qt of
# scripts/build-qt-windows.sh (built first when the cache lacks it), with every DLL it loads, Qt's
# Windows platform, style, print-support and image-format plugins, the panel's icons, the first-run
# files and a text on pairing the crank. Unzipped, the folder runs on Windows with nothing
# installed. Beside it, zan-station-windows-x64-setup.exe, the NSIS installer of the same folder
# (scripts/zan-station.nsi): per user, with a Start-menu entry and an uninstaller.
# Usage: package-windows.sh   (both land in build-win-qt/; the zip's path and the installer's are
#   printed last, in that order)
set -euo pipefail
cd "$(dirname "$0")/.."

qt=$(bash scripts/build-qt-windows.sh | tail -n 1)
build=build-win-qt
mingw=x86_64-w64-mingw32

# Qt's toolchain file puts its install on the search path and loads the project's MinGW toolchain.
bash scripts/traced.sh package-windows-configure cmake -G Ninja -S . -B "$build" \
  -DCMAKE_BUILD_TYPE=Release -DZAN_TESTS=OFF -DZAN_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
bash scripts/traced.sh package-windows-build cmake --build "$build" --target zan_pc --parallel 2

stage="$build/zan-station"
rm -rf "$stage" "$build/zan-station-windows-x64.zip"
mkdir -p "$stage"
cp "$build/zan_pc.exe" "$stage/"
# The hold button's icons, which the program takes from beside itself, and the first-run files,
# which the station reads from the folder it starts in.
cp ui/*.ico examples/zan_01.set examples/zan_com.set "$stage/"
# Windows' own editor shows a text with Windows line ends.
sed 's/$/\r/' scripts/windows-readme.txt >"$stage/README.txt"

# Qt finds its plugins in these folders beside the program.
for plugin in platforms/qwindows.dll imageformats/qico.dll styles printsupport; do
  if [ -e "$qt/plugins/$plugin" ]; then
    mkdir -p "$stage/$(dirname "$plugin")"
    cp -r "$qt/plugins/$plugin" "$stage/$(dirname "$plugin")/"
  fi
done
if [ ! -f "$stage/platforms/qwindows.dll" ]; then
  echo "The Windows Qt in $qt has no platforms/qwindows.dll: the program could not open a window." >&2
  exit 1
fi

# Every DLL the program and its plugins load, found among Qt's and MinGW's: what is found in
# neither is Windows' own.
runtime_dirs=(
  "$qt/bin"
  "$(dirname "$("$mingw-g++-posix" -print-file-name=libstdc++-6.dll)")"
  "/usr/$mingw/lib"
)
imports() { "$mingw-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
queue=()
while IFS= read -r binary; do queue+=("$binary"); done < <(find "$stage" -name '*.exe' -o -name '*.dll')
while [ "${#queue[@]}" -gt 0 ]; do
  binary=${queue[0]}
  queue=("${queue[@]:1}")
  while IFS= read -r dll; do
    [ -e "$stage/$dll" ] && continue
    for dir in "${runtime_dirs[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$stage/"
        queue+=("$stage/$dll")
        break
      fi
    done
  done < <(imports "$binary")
done

find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec "$mingw-strip" --strip-unneeded {} +
(cd "$build" && zip -q -r -X zan-station-windows-x64.zip zan-station)

# The installer's uninstaller removes the program's files by name: its Delete and RMDir lines, the
# rider's first-run files left out (the installer puts those in the rider's folder).
program_files="$build/zan-station-files.nsh"
(
  cd "$stage"
  find . -type f ! -name zan_01.set ! -name zan_com.set | LC_ALL=C sort |
    sed -e 's|^\./||' -e 's|/|\\|g' -e 's|.*|Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | LC_ALL=C sort -r |
    sed -e 's|^\./||' -e 's|/|\\|g' -e 's|.*|RMDir "$INSTDIR\\&"|'
) >"$program_files"
version=$(sed -n 's/.*programVersion = "\([0-9.]*\) .*/\1/p' setup/window_title.h)
if [ -z "$version" ]; then
  echo "setup/window_title.h names no programVersion: the installer would have no version." >&2
  exit 1
fi
installer="$build/zan-station-windows-x64-setup.exe"
rm -f "$installer"
bash scripts/traced.sh package-windows-installer makensis -V2 -WX -DVERSION="$version" \
  -DSTAGE="$PWD/$stage" -DPROGRAM_FILES="$PWD/$program_files" -DOUTFILE="$PWD/$installer" \
  scripts/zan-station.nsi >&2
echo "$PWD/$build/zan-station-windows-x64.zip"
echo "$PWD/$installer"
