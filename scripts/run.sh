#!/usr/bin/env bash
# Builds the program and starts the wizard against the bundled module
# simulator: the simulator plays the TRX-G-K4 module on a pseudo-terminal,
# and the program finds it as COM1. The simulator's car monitor opens in a
# window of its own at the top right corner of the screen, beside the wizard
# (which centres itself), small enough on a 1366 x 768 screen not to cover
# it, and is also written to build/run/monitor.png after every command; a
# phone's photo of it showing the grid is written to build/run/monitor-photo.png
# first. Pass --demo to run without the simulator (the "/demo" switch), or
# --phone to have the simulator stand in for the installer's phone as well:
# the phone's page then listens on the loopback only, and each time its QR
# code window opens ("С телефона..." on a point page) the simulator sends a
# 12-megapixel photo of its monitor there, as the phone's page does. The
# configuration files land in build/run/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tarvello-setup module-sim

bin="$root/build/default/app/tarvello-setup"
sim="$root/build/default/tools/module-sim/module-sim"
mkdir -p build/run
cd build/run

have_display() {
  [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]
}

launch() {
  if have_display; then
    "$@"
  else
    echo "run: no display found; starting under xvfb-run (the window is not visible)" >&2
    xvfb-run -a "$@"
  fi
}

phone=0
if [ "${1:-}" = "--phone" ]; then
  phone=1
fi

if [ "${1:-}" = "--demo" ]; then
  launch "$bin" /demo
  exit $?
fi

# A phone's photo of the monitor showing its grid, to take the point pages'
# marks off ("Снимок монитора...", Ctrl+M): build/run/monitor-photo.png.
"$sim" --state "$root/build/run/module.state" --grid --once --photo 7 \
       --monitor-png "$root/build/run/monitor-photo.png" --truth "$root/build/run/monitor-photo.json" \
  || echo "run: no monitor photo could be made" >&2

monitor=(--monitor-png "$root/build/run/monitor.png")
if have_display; then
  monitor+=(--monitor)
else
  echo "run: the car monitor is written to build/run/monitor.png" >&2
fi
"$sim" --pty --link "$root/build/run/module-com1" --log "$root/build/run/module.log" \
       --state "$root/build/run/module.state" "${monitor[@]}" > sim.out &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$root/build/run/module-com1" ] && break; sleep 0.1; done

# The simulator is COM1; the other COM ports and USB are not looked for.
export TARVELLO_COM1="$root/build/run/module-com1"
export TARVELLO_COM_ONLY_ENV=1
export TARVELLO_D2XX_LIBRARY="${TARVELLO_D2XX_LIBRARY:-/nonexistent/libftd2xx.so}"
if [ "$phone" = 0 ]; then
  launch "$bin"
  exit $?
fi

# The simulated phone is on this machine: the page listens on the loopback.
export TARVELLO_PHONE_LISTEN=127.0.0.1
: > setup.log
launch "$bin" 2> >(tee -a setup.log >&2) &
app_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; kill "$watch_pid" 2>/dev/null || true' EXIT
# Every address the program logs for its phone page gets one photo.
tail --pid="$app_pid" -n +1 -F setup.log 2>/dev/null | while read -r line; do
  case "$line" in
    *"phone page: http://"*)
      url="${line##*phone page: }"
      echo "run: the simulated phone sends its photo to $url" >&2
      "$sim" --state "$root/build/run/module.state" --grid --photo 7 --photo-size 4000x3000 --phone "$url" >&2 || true
      ;;
  esac
done &
watch_pid=$!
wait "$app_pid"
