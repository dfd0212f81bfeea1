#!/usr/bin/env bash
# Checks an installed tree of the setup program:
#   check-install-tree.sh --install BUILD_DIR SOURCE_DIR
#       installs BUILD_DIR into a temporary prefix (cmake --install, or the
#       CMake named by $CMAKE) and checks that;
#   check-install-tree.sh --tree PREFIX SOURCE_DIR
#       checks a tree that is already there (the /usr of an unpacked .deb).
# Every failed check is printed; the exit status is 1 when any failed.
set -uo pipefail

mode=${1:-}
if [ $# -ne 3 ] || { [ "$mode" != --install ] && [ "$mode" != --tree ]; }; then
    echo "usage: $0 --install BUILD_DIR SOURCE_DIR | --tree PREFIX SOURCE_DIR" >&2
    exit 2
fi
source_dir=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$mode" = --install ]; then
    prefix="$work/prefix"
    if ! "${CMAKE:-cmake}" --install "$2" --prefix "$prefix" > "$work/install.log" 2>&1; then
        cat "$work/install.log" >&2
        echo "FAIL: cmake --install $2 failed" >&2
        exit 1
    fi
else
    prefix=$2
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The width and height of a PNG file, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }'
}

# --- the program runs from the prefix -------------------------------------
program="$prefix/bin/tarvello-setup"
if [ ! -x "$program" ]; then
    fail "bin/tarvello-setup is missing or not executable"
else
    # The wizard in demo mode, leaving after its first page is painted. It
    # writes default.ini into the current folder, so it runs in one of ours.
    mkdir -p "$work/run"
    if ! (cd "$work/run" && TARVELLO_EXIT_AFTER_FIRST_PAINT=1 QT_QPA_PLATFORM=offscreen \
          "$program" /demo > "$work/demo.log" 2>&1); then
        cat "$work/demo.log" >&2
        fail "the installed program did not start and end in demo mode"
    fi
fi

# The photo reading is a module loaded on first use: the installed program
# finds its own (a picture without a grid is then "no grid", status 5; a
# module that is not found is status 3).
if [ -x "$program" ]; then
    status=0
    (cd "$work/run" && env -u TARVELLO_LOCATE_MODULE QT_QPA_PLATFORM=offscreen "$program" \
        --locate "$prefix/share/icons/hicolor/64x64/apps/tarvello-setup.png" > "$work/locate.log" 2>&1) || status=$?
    if [ "$status" -ne 5 ]; then
        cat "$work/locate.log" >&2
        fail "the installed program did not load its photo module (--locate ended with $status, not 5)"
    fi
fi

# --help and --version need no display: no Qt platform may be reachable.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
version=""
help=""
if [ -x "$program" ]; then
    if version=$("${nodisplay[@]}" "$program" --version 2> "$work/version.log"); then
        grep -qE '^tarvello-setup [0-9]+\.[0-9]+\.[0-9]+$' <<< "$version" \
            || fail "--version prints \"$version\", not \"tarvello-setup <version>\""
    else
        cat "$work/version.log" >&2
        fail "--version fails without a display"
    fi
    help=$("${nodisplay[@]}" "$program" --help 2> "$work/help.log") \
        || { cat "$work/help.log" >&2; fail "--help fails without a display"; }
fi

# --- the desktop entry ---------------------------------------------------------
desktop="$prefix/share/applications/tarvello-setup.desktop"
if [ ! -f "$desktop" ]; then
    fail "share/applications/tarvello-setup.desktop is missing"
elif ! command -v desktop-file-validate > /dev/null; then
    fail "desktop-file-validate not found (Debian desktop-file-utils; scripts/install-deps.sh installs it)"
elif ! desktop-file-validate "$desktop" > "$work/desktop.log" 2>&1 || [ -s "$work/desktop.log" ]; then
    cat "$work/desktop.log" >&2
    fail "desktop-file-validate finds fault with the desktop entry"
else
    grep -qx 'Icon=tarvello-setup' "$desktop" || fail "the desktop entry does not name the icon tarvello-setup"
    grep -q '^Name\[ru\]=' "$desktop" || fail "the desktop entry has no Russian name"
fi

# --- the icons -----------------------------------------------------------------
icons="$prefix/share/icons/hicolor"
[ -f "$icons/scalable/apps/tarvello-setup.svg" ] || fail "the SVG icon is missing"
for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/tarvello-setup.png"
    if [ ! -f "$png" ]; then
        fail "icon ${size}x${size} is missing"
    elif [ "$(png_size "$png")" != "${size}x${size}" ]; then
        fail "icon ${size}x${size} is $(png_size "$png") pixels"
    fi
done

# --- the udev rule ---------------------------------------------------------------
rule="$prefix/lib/udev/rules.d/60-tarvello-setup.rules"
if [ ! -f "$rule" ]; then
    fail "lib/udev/rules.d/60-tarvello-setup.rules is missing"
else
    rules=$(grep -v '^[[:space:]]*#' "$rule" | grep -v '^[[:space:]]*$')
    grep -q 'ATTR{idVendor}=="0403"' <<< "$rules" || fail "the udev rule does not match the FTDI bridge (0403)"
    grep -q 'SUBSYSTEM=="tty".*ttyUSB.*ttyACM' <<< "$rules" || fail "the udev rule does not match ttyUSB and ttyACM"
    while IFS= read -r line; do
        for want in 'GROUP="dialout"' 'MODE="0660"' 'ENV{ID_MM_DEVICE_IGNORE}="1"'; do
            grep -qF "$want" <<< "$line" || fail "udev rule without $want: $line"
        done
    done <<< "$rules"
fi

# --- the manual page -------------------------------------------------------------
page="$prefix/share/man/man1/tarvello-setup.1.gz"
if [ ! -f "$page" ]; then
    fail "share/man/man1/tarvello-setup.1.gz is missing"
else
    # groff -ww reports every questionable request; a clean page says nothing.
    if ! zcat "$page" | groff -man -Tutf8 -ww -z > "$work/groff.log" 2>&1 || [ -s "$work/groff.log" ]; then
        cat "$work/groff.log" >&2
        fail "groff finds fault with the manual page"
    fi
    text=$(zcat "$page" | groff -man -Tutf8 2> /dev/null | sed 's/.\x08//g')
    # Every option the program's --help lists is documented, and the page
    # belongs to the version installed beside it.
    options=$(grep -oE '(^|[[ ])(--[a-z]+|/demo)' <<< "$help" | tr -d '[ ' | sort -u)
    [ -n "$options" ] || fail "no options found in the output of --help"
    for want in $options 'EXIT STATUS' TARVELLO_COM_ONLY_ENV TARVELLO_D2XX_LIBRARY dialout; do
        grep -qF -- "$want" <<< "$text" || fail "the manual page does not mention $want"
    done
    if [ -n "$version" ]; then
        grep -qF "$version" <<< "$text" || fail "the manual page is not that of $version"
    fi
fi

# --- documents -------------------------------------------------------------------
doc="$prefix/share/doc/tarvello-setup"
[ -f "$doc/copyright" ] || fail "share/doc/tarvello-setup/copyright is missing"
if [ -f "$source_dir/docs/manual/index.html" ] && [ ! -f "$doc/manual/index.html" ]; then
    fail "the manual (docs/manual) is not installed under share/doc/tarvello-setup/manual"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) of the install tree under $prefix failed" >&2
    exit 1
fi
echo "install tree under $prefix: all checks passed"
