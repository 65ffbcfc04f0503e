#!/usr/bin/env bash
# Fails when a translation file is behind the sources: a text put through
# tr() that the file lacks, a translation left unfinished, or an entry whose
# text is no longer in the sources. lupdate runs on copies in a temporary
# folder, the same way as `cmake --build build --target update_translations`,
# so the tree is never changed. With no argument, every translations/*.ts.
#   scripts/check-translations.sh [FILE.ts...]
set -euo pipefail
cd "$(dirname "$0")/.."

bin=$(qtpaths6 --query QT_HOST_BINS 2>/dev/null || echo /usr/lib/qt6/bin)
lupdate="$bin/lupdate"
if [ ! -x "$lupdate" ]; then
  echo "check-translations: no lupdate at $lupdate (Debian's qt6-l10n-tools)" >&2
  exit 1
fi

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=(translations/*.ts)
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

status=0
for ts in "${files[@]}"; do
  copy="$tmp/$(basename "$ts")"
  cp "$ts" "$copy"
  # Without -no-obsolete: texts gone from the sources stay, marked vanished.
  # lupdate warns of a tr() it cannot place (a class without Q_OBJECT, a bare
  # tr() in a free function): such a text would never be translated.
  warnings=$("$lupdate" -silent -locations none -I src src -ts "$copy" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "lupdate on $ts:" >&2
    echo "$warnings" >&2
    status=1
  fi
  # A message's source text, then how it stands; one line per problem.
  problems=$(awk '
    /<source>/ { sub(/.*<source>/, ""); sub(/<\/source>.*/, ""); source = $0 }
    /<translation[^>]*type="unfinished"/ { print "  unfinished or missing: " source }
    /<translation[^>]*type="(vanished|obsolete)"/ { print "  no longer in the sources: " source }
  ' "$copy")
  if [ -n "$problems" ]; then
    echo "$ts is not up to date with the sources:" >&2
    echo "$problems" >&2
    status=1
  fi
done
if [ "$status" -ne 0 ]; then
  echo "Run 'cmake --build build --target update_translations', then translate what is unfinished." >&2
fi
exit "$status"
