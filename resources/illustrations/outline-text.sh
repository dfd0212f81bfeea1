#!/bin/sh
# Rebuilds the compiled-in illustrations from their editable sources:
# every src/<id>.svg becomes <id>.svg with its texts turned into glyph
# outlines (see outline-text.cpp). Needs g++, pkg-config and the Qt 6
# development files; the fonts the drawings name must be installed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O1 -fPIC -Wall -Wextra -Werror -o "$work/outline-text" "$here/outline-text.cpp" \
    $(pkg-config --cflags --libs Qt6Gui)
cd "$here"
for source in src/*.svg; do
    QT_QPA_PLATFORM=offscreen "$work/outline-text" "$source" "$(basename "$source")"
    echo "$source -> $(basename "$source")"
done
