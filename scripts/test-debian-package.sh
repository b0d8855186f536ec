#!/usr/bin/env bash
# Builds the Debian package as a rider would, in a clean clone of HEAD (dpkg-buildpackage -b -us
# -uc), runs lintian on it (an error fails), installs it, validates its menu entry and metadata,
# starts the station from the menu entry's command in a fresh home folder beside the installed
# crank emulator, checks that a session's files land in ~/ZAN/dati, purges the package and checks
# that ~/ZAN stays. Prints how long each step took. Needs root, or sudo, to install.
# Refuses to run when zan-station is installed already: its end removes the package.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
mark() { echo "test-debian-package: $1 at $(($(date +%s) - started)) s"; }

bash scripts/setup-debian.sh --deb
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
if dpkg-query -W -f='${Status}' zan-station 2>/dev/null | grep -q "install ok installed"; then
  echo "zan-station is installed: remove it first (apt-get remove zan-station), this test removes it at its end." >&2
  exit 1
fi

work=$(mktemp -d)
crank_pid=""
installed=""
finish() {
  if [ -n "$crank_pid" ]; then kill "$crank_pid" 2>/dev/null || true; fi
  if [ -n "$installed" ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -q zan-station >/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "The Debian package: $*" >&2
  exit 1
}

# The package from what is committed, in a folder of its own (the .deb lands beside it).
git clone -q --no-local . "$work/zan-station"
if ! (cd "$work/zan-station" && dpkg-buildpackage -b -us -uc) >"$work/build.log" 2>&1; then
  tail -n 60 "$work/build.log" >&2
  fail "dpkg-buildpackage failed."
fi
debs=("$work"/zan-station_*.deb)
[ -f "${debs[0]}" ] || fail "dpkg-buildpackage made no zan-station_*.deb."
deb=${debs[0]}
mark "package built ($(basename "$deb"))"

# Lintian's findings are all shown; an error fails.
lintian --fail-on error --display-info "$work"/zan-station_*.changes || fail "lintian found an error."
mark "lintian"

installed=yes
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "$deb" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "apt-get could not install $deb."; }
desktop=$(dpkg -L zan-station | grep '^/usr/share/applications/.*\.desktop$' || true)
metainfo=$(dpkg -L zan-station | grep '^/usr/share/metainfo/.*\.metainfo\.xml$' || true)
if [ -z "$desktop" ] || [ -z "$metainfo" ]; then
  fail "no desktop entry or no AppStream metadata installed."
fi
desktop-file-validate "$desktop" || fail "$desktop is not a valid desktop entry."
appstreamcli validate --no-net "$metainfo" || fail "$metainfo is not valid AppStream metadata."
for file in /usr/bin/zan_pc /usr/bin/zan_crank /usr/bin/zan-station \
  /usr/share/zan-station/{pausa.ico,start.ico,zan_01.set,zan_com.set} \
  /usr/share/icons/hicolor/scalable/apps/zan-station.svg \
  /usr/share/man/man1/{zan_pc,zan_crank,zan-station}.1.gz; do
  [ -f "$file" ] || fail "$file is not installed."
done
# The menu's PNG icons are the size their folder says (the width and height in the PNG header).
for size in 48 256; do
  png=/usr/share/icons/hicolor/${size}x${size}/apps/zan-station.png
  [ -f "$png" ] || fail "$png is not installed."
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$width $height" = "$size $size" ] || fail "$png is ${width}x$height."
done
mark "installed and validated"

# The menu entry's command, its field codes left out, for a rider whose home has no ZAN folder.
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1 | sed 's/ *%[fFuUick]//g')
read -r -a command <<<"$exec_line"
home="$work/home"
mkdir -p "$home"
export HOME="$home" QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
zan="$home/ZAN"
# Started from elsewhere, it makes ~/ZAN and its ports/ with the first-run files (and --version
# touches nothing).
(cd "$work" && "${command[@]}" --version) >"$work/version.log" 2>&1 ||
  { cat "$work/version.log" >&2; fail "\"$exec_line --version\" failed."; }
for file in zan_01.set zan_com.set; do
  cmp -s "/usr/share/zan-station/$file" "$zan/$file" || fail "the first start did not put $file into ~/ZAN."
done
[ -d "$zan/ports" ] || fail "the first start did not make ~/ZAN/ports for the crank's link."
# A port file of the rider's own (the heart-rate trace off) is never replaced by the first-run one.
printf '5\n0\n0\n1\n' >"$zan/zan_com.set"

# The installed emulator plays the crank on COM5 in ~/ZAN, as the first-run port file names.
(cd "$zan" && exec zan_crank --port 5 --cadence 90 --right-force 300 --left-force 200) \
  >"$work/crank.log" 2>&1 &
crank_pid=$!
for _ in $(seq 100); do
  if [ -L "$zan/ports/COM5" ]; then break; fi
  sleep 0.05
done
[ -L "$zan/ports/COM5" ] || { cat "$work/crank.log" >&2; fail "the emulator did not link ~/ZAN/ports/COM5."; }

# The station records a session and quits; strace shows where it took the hold button's icons.
status=0
(cd "$work" && ZAN_AUTOMATE="5:session;25:session;28:quit" \
  strace -f -q -e trace=openat -o "$work/station.trace" "${command[@]}") >"$work/station.log" 2>&1 ||
  status=$?
kill "$crank_pid" 2>/dev/null || true
wait "$crank_pid" 2>/dev/null || true
crank_pid=""
[ "$status" -eq 0 ] || { cat "$work/station.log" >&2; fail "\"$exec_line\" ended with code $status."; }
mark "the station's session"

for kind in csv fit tcx; do
  compgen -G "$zan/dati/S_*.$kind" >/dev/null || fail "the session left no $kind file in ~/ZAN/dati."
done
csv=$(compgen -G "$zan/dati/S_*.csv" | head -n 1)
awk -F, '/^ *[0-9]+,/ { rows++; cadence += $7 }
  END {
    if (rows < 10) exit 1
    cadence /= rows
    printf "%d rows at %.1f rpm\n", rows, cadence
    if (cadence < 90 * 0.99 || cadence > 90 * 1.01) exit 1
  }' "$csv" || fail "$csv does not read the crank's 90 rpm within 1 %."
[ "$(cat "$zan/zan_com.set")" = "$(printf '5\n0\n0\n1')" ] || fail "the rider's zan_com.set was replaced."
grep -q "quit '4' (3 of 3)" "$work/crank.log" || fail "the crank did not receive the three quit bytes."
grep -Eq '"/usr/share/zan-station/(start|pausa)\.ico"' "$work/station.trace" ||
  fail "the station did not read its hold button's icon from /usr/share/zan-station."
# A file named from the folder the command is given in is found there, though the station runs in
# ~/ZAN: the session's FIT and TCX again, from dati/ (under new names, beside the first ones).
(cd "$zan/dati" && "${command[@]}" --export "$(basename "$csv")") >"$work/export.log" 2>&1 ||
  { cat "$work/export.log" >&2; fail "\"$exec_line --export\" from ~/ZAN/dati did not find its file."; }

# Purged, not only removed: nothing of the package's own is left to run that could reach ~/ZAN.
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -q zan-station >"$work/remove.log" 2>&1 ||
  { cat "$work/remove.log" >&2; fail "apt-get could not purge zan-station."; }
installed=""
[ ! -e /usr/bin/zan_pc ] || fail "/usr/bin/zan_pc is still there after the removal."
if [ ! -f "$zan/zan_01.set" ] || [ ! -f "$csv" ]; then
  fail "purging the package took files from ~/ZAN."
fi
mark "purged, ~/ZAN kept"
echo "The Debian package: $(basename "$deb") built, lintian clean of errors, installed, a session from the menu's command in ~/ZAN/dati, purged with ~/ZAN kept."
