#!/bin/sh
# Rebuilds the bitmap resources (176.png, 178.png, 181.png, 184.png) in this
# folder from make-bitmaps.cpp. Needs g++, pkg-config, Qt 6 (qt6-base-dev) and
# the DejaVu fonts (fonts-dejavu-core).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O1 -fPIC -Wall -Wextra -o "$work/make-bitmaps" "$here/make-bitmaps.cpp" \
    $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/make-bitmaps" "$here"
