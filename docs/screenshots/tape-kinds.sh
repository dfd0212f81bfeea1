#!/bin/bash
# The tape colours and junctions the photo reading takes, for the manual:
# the simulated monitor's grid over four ways of laying the tape, in one
# 2 x 2 picture with Russian captions, written as tape-kinds.png into the
# folder given (default: docs/manual/images). Needs ImageMagick's montage
# and the DejaVu fonts; run from a built tree (build/default).
# Usage: docs/screenshots/tape-kinds.sh [folder]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(cd "${1:-$root/docs/manual/images}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sim="$root/build/default/tools/module-sim/module-sim"
for kind in "yellow/orange crosses" "white/red tees" "beige/red corners" "orange/white ends"; do
  set -- $kind
  "$sim" --grid --once --tape "$1" --mark-style "$2" --monitor-png "$work/$2.png" >/dev/null 2>&1
  # Every picture must be one the program reads.
  "$root/build/default/app/tarvello-setup" --locate "$work/$2.png" >/dev/null 2>&1
done
montage -font DejaVu-Sans -pointsize 15 \
  -label "Кресты: жёлтая и оранжевая лента" "$work/crosses.png" \
  -label "Т-образные: белая и красная" "$work/tees.png" \
  -label "Углы (буква L): бежевая и красная" "$work/corners.png" \
  -label "Концы полос: оранжевая и белая" "$work/ends.png" \
  -tile 2x2 -geometry +6+6 -background white "$out/tape-kinds.png"
echo "$out/tape-kinds.png"
