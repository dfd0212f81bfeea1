#!/usr/bin/env bash
# Builds the Debian package tarvello-setup and checks it:
#   bash scripts/package.sh [--try] [BUILD_DIR]
# The package is built in BUILD_DIR (default build/package) with Debian's
# hardening flags, made by CPack (tarvello-setup_<version>_<arch>.deb there),
# its contents pass the install-tree checks of tests/install, and lintian
# looks at it. --try then installs it with apt-get, starts the installed
# program in demo mode under Xvfb until its first page is painted, and
# purges the package again (as root or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

try=0
if [ "${1:-}" = "--try" ]; then
    try=1
    shift
fi
build=$(realpath -m "${1:-build/package}")

bash scripts/install-deps.sh --package

# Debian's own compiler and linker flags (fortify, stack protector, relro,
# bind now), as a package built by Debian's tools would have them. CMake takes
# them from the environment when it first configures the build folder.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS" CFLAGS="$CPPFLAGS $CFLAGS"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTARVELLO_BUILD_TESTS=OFF -DTARVELLO_BUILD_BENCH=OFF > /dev/null
cmake --build "$build"
rm -f "$build"/tarvello-setup_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/tarvello-setup_*.deb)
deb=${debs[0]}
echo "package: $deb"
dpkg-deb --field "$deb"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
bash tests/install/check-install-tree.sh --tree "$unpacked/usr" "$root"

echo "lintian:"
lintian --info --display-info "$deb" || true
# Errors fail the script; warnings and notes are listed above.
lintian --fail-on error "$deb" > /dev/null

if [ "$try" = 1 ]; then
    if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${SUDO[@]}" apt-get install -y -q --no-install-recommends "$deb"
    status=0
    (cd "$unpacked" && TARVELLO_EXIT_AFTER_FIRST_PAINT=1 timeout 60 \
        xvfb-run -a /usr/bin/tarvello-setup /demo) || status=$?
    echo "installed program in demo mode under Xvfb: exit status $status"
    # Purged rather than removed: dpkg keeps no record of it afterwards.
    "${SUDO[@]}" apt-get purge -y -q tarvello-setup
    exit "$status"
fi
