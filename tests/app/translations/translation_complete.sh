#!/bin/sh
# Fails when a tr() text of the program has no finished Japanese entry, or when the committed .ts
# differs from what lupdate makes of the sources (new, changed or removed texts).
# Usage: translation_complete.sh LUPDATE SOURCE_DIR
# Refresh: cmake --build build --target update_translations, then translate the unfinished entries.
set -eu
lupdate=$1
source=$2
committed=$source/src/app/translations/yumekaze_ja.ts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$committed" "$work/yumekaze_ja.ts"
"$lupdate" -silent -I "$source/src" "$source/src/app" -ts "$work/yumekaze_ja.ts" \
  -no-obsolete -locations none
status=0
if grep -q 'type="unfinished"' "$work/yumekaze_ja.ts"; then
  echo "Japanese translation missing or unfinished for:"
  grep -B1 'type="unfinished"' "$work/yumekaze_ja.ts" | grep '<source>' || true
  status=1
fi
if ! diff -u "$committed" "$work/yumekaze_ja.ts"; then
  echo "src/app/translations/yumekaze_ja.ts is not up to date with the sources"
  status=1
fi
exit $status
