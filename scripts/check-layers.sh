#!/usr/bin/env bash
# Fails when a folder under src/ includes a folder above it. The layers, from
# the bottom: platform <- model <- outline_io, persistence, services <- store
# <- views <- app. Views reach services and persistence only through the
# store. Headers of the helper (no folder) are allowed everywhere.
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A allowed=(
  [platform]="platform"
  [model]="model platform"
  [outline_io]="outline_io model platform"
  [persistence]="persistence model platform"
  [services]="services model platform"
  [store]="store services persistence outline_io model platform"
  [views]="views store outline_io model platform"
  [app]="app views store services persistence outline_io model platform"
)

status=0
for folder in */; do
  folder=${folder%/}
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder: a folder with no place in the layers" >&2
    status=1
    continue
  fi
  # Every '#include "dir/..."' of the folder, as "file:line:dir".
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/^[^"]*"([^/"]+)\/.*/\1/' <<<"${rest#*:}")
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "src/$file:$line: $folder includes $target, a folder above it" >&2; status=1 ;;
    esac
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$folder" || true)
done

[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
