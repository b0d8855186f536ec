#!/usr/bin/env bash
# Makes zan-station-windows-x64.zip: zan_pc.exe cross-built with MinGW-w64 against the Windows Qt of
# scripts/build-qt-windows.sh (built first when the cache lacks it), with every DLL it loads, Qt's
# Windows platform, style, print-support and image-format plugins, the panel's icons, the first-run
# files and a text on pairing the crank. Unzipped, the folder runs on Windows with nothing
# installed.
# Usage: package-windows.sh   (the zip lands in build-win-qt/ and its path is printed last)
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
echo "$PWD/$build/zan-station-windows-x64.zip"
