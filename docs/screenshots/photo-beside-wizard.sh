#!/bin/bash
# The wizard and the photo window on a 1366 x 768 screen, as an installer's
# laptop shows them: writes photo-base-line.png (the base line's first point
# with its proposal) and photo-review.png (the page's proposals taken with
# Ctrl+Enter) into the folder given (default: this one). Needs xvfb-run,
# xdotool and ImageMagick's import; run from a built tree (build/default).
# Usage: docs/screenshots/photo-beside-wizard.sh [folder]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(cd "${1:-$(dirname "$0")}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/build/default/tools/module-sim/module-sim" --grid --once --photo 3 \
  --monitor-png "$work/monitor-photo.png" >/dev/null 2>&1
cat >"$work/walk.sh" <<WALK
#!/bin/bash
cd "$work"
QT_QPA_PLATFORM=xcb "$root/build/default/app/tarvello-setup" /demo >/dev/null 2>&1 &
app=\$!
sleep 4
# The base line page is the fourth.
for i in 1 2 3; do xdotool key F6; sleep 0.7; done
xdotool key ctrl+m; sleep 2
xdotool type --delay 20 "$work/monitor-photo.png"; sleep 0.5; xdotool key Return
sleep 8
import -window root "$out/photo-base-line.png"
xdotool key ctrl+Return; sleep 1
import -window root "$out/photo-review.png"
kill \$app
WALK
chmod +x "$work/walk.sh"
xvfb-run -a -s "-screen 0 1366x768x24" "$work/walk.sh" 2>/dev/null
