#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Every text of karvento-cli that the sources mark for translation (the
# tool's own and the messages of the routines below it) has an English
# translation in po/en.po: none missing, none empty, none fuzzy,
# and none left over.
# Usage: catalogue_test.sh SOURCE_DIR
set -eu
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
xgettext --from-code=UTF-8 --language=C++ -k -kTr -kTrFormat:1 -kN_ -o "$tmp/karvento.pot" \
  "$src"/cli/*.cpp "$src"/cli/*.h \
  "$src"/numbering/*.h "$src"/numbering/*.cpp "$src"/export/*.h "$src"/export/*.cpp \
  "$src"/gis/*.h "$src"/gis/*.cpp "$src"/geodesy/*.h "$src"/geodesy/*.cpp
# The sources mark texts: an empty template would make the check vacuous.
count=$(grep -c '^msgid "' "$tmp/karvento.pot")
if [ "$count" -lt 100 ]; then
  echo "catalogue_test: only $count texts marked in cli/ (xgettext keywords changed?)" >&2
  exit 1
fi
# msgcmp fails on a message the catalogue lacks, leaves untranslated or
# marks fuzzy; msgfmt --check on the formats of the translations.
msgcmp "$src/po/en.po" "$tmp/karvento.pot"
msgfmt --check -o /dev/null "$src/po/en.po"
# Nor does the catalogue keep texts the sources no longer have.
msgmerge --quiet --no-fuzzy-matching -o "$tmp/merged.po" "$src/po/en.po" "$tmp/karvento.pot"
if grep -q '^#~ msgid' "$tmp/merged.po"; then
  echo "catalogue_test: po/en.po holds texts that cli/ no longer has:" >&2
  grep -A1 '^#~ msgid' "$tmp/merged.po" >&2
  exit 1
fi
