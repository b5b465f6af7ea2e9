#!/usr/bin/env bash
# Takes the README's picture of the dialog, docs/lumbrix_gui.png: starts lumbrix_gui on a
# private X server (Xvfb) under a small window manager (Openbox), with settings that name the
# shipped example firmware, presses Convert as a user would (Tab to the button, Space) and
# captures the window with its frame.
#   dialog/screenshot.sh [path of lumbrix_gui]
# Needs xvfb, xauth, openbox, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
picture=docs/lumbrix_gui.png

# The part that runs on the private X server: program and work folder come from the caller.
if [ "${1:-}" = --on-display ]; then
    openbox --config-file /dev/null >/dev/null 2>&1 &
    XDG_CONFIG_HOME="$2/config" "$3" &
    pid=$!
    window=$(xdotool search --sync --onlyvisible --name '^LumbrixW$' | head -n 1)
    xdotool windowactivate --sync "$window"
    sleep 1
    # Focus starts on the part list; Convert is five stops further on.
    xdotool key --delay 100 Tab Tab Tab Tab Tab space
    sleep 1
    import -frame -window "$window" "$picture"
    kill "$pid"
    exit
fi

program=$(realpath "${1:-build/dialog/qt/lumbrix_gui}")
work=$(mktemp -d /tmp/lumbrix.XXXX)
trap 'rm -rf "$work"' EXIT
cp examples/firmware.hex "$work/firmware.hex"
mkdir -p "$work/config/Korvane Inc."
cat >"$work/config/Korvane Inc./lumbrix_gui.conf" <<SETTINGS
[Settings]
Input=$work/firmware.hex
Output=$work/firmware.qvr
Part=5
Protocol=1
SETTINGS

xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' "$0" --on-display "$work" "$program"
test -s "$work/firmware.qvr" || { echo "the conversion wrote nothing" >&2; exit 1; }
echo "wrote $picture"
