#!/bin/sh
# Rebuilds the program icon's PNG sizes in this folder (<size>.png) from the
# SVG icon, resources/illustrations/128.svg. Needs rsvg-convert (Debian
# librsvg2-bin).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
svg="$here/../illustrations/128.svg"
command -v rsvg-convert >/dev/null 2>&1 || {
    echo "make-icons: rsvg-convert not found; install librsvg2-bin" >&2
    exit 1
}
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
        --format png --output "$here/$size.png" "$svg"
done
