#!/usr/bin/env bash
# Puts Garmin's TCX schema (TrainingCenterDatabase_v2.xsd) into BUILD_DIR/tcx_schema/, where the
# ride files' tests validate every TCX file with xmllint. Debian ships the schema in pytrainer's
# package: it is downloaded and unpacked, never installed.
# Usage: tcx-schema.sh BUILD_DIR
set -euo pipefail
[ "$#" -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
target="$1/tcx_schema"
schema="$target/TrainingCenterDatabase_v2.xsd"
[ -s "$schema" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# apt runs its download as its own user, which must reach the folder.
chmod 755 "$work"
(cd "$work" && apt-get download -q pytrainer >/dev/null)
dpkg-deb -x "$work"/pytrainer_*.deb "$work/root"
found=$(find "$work/root" -name GarminTrainingCenterDatabase_v2.xsd | head -n 1)
[ -n "$found" ] || { echo "pytrainer's package holds no GarminTrainingCenterDatabase_v2.xsd" >&2; exit 1; }
mkdir -p "$target"
cp "$found" "$schema"
