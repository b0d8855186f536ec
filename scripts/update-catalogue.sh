#!/usr/bin/env bash
# Brings the English catalogue of the station's texts (i18n/zan_en.ts) up to the code with Qt's
# lupdate: a text marked in the code (Translated, ZAN_TEXT) and new to the catalogue enters it
# untranslated, one no longer marked leaves it. Translations are then written into the file by
# hand (Qt Linguist, or any editor). The panels' labels need no entry: they are English.
#
# Usage: update-catalogue.sh          updates i18n/zan_en.ts
#        update-catalogue.sh --check  changes nothing; prints what an update would change and
#                                     exits 1 when the catalogue is not up to the code
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate=/usr/lib/qt6/bin/lupdate
catalogue=i18n/zan_en.ts
update() {
  "$lupdate" -silent -locations none -no-obsolete -extensions cpp,h \
    -tr-function-alias translate+=Translated,QT_TRANSLATE_NOOP+=ZAN_TEXT \
    -source-language it -target-language en \
    app link measure setup record platform review export -ts "$1"
}

if [ "${1:-}" != "--check" ]; then
  update "$catalogue"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$catalogue" "$work/zan_en.ts"
update "$work/zan_en.ts"
diff -u "$catalogue" "$work/zan_en.ts"
