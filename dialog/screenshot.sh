#!/usr/bin/env bash
# Takes the README's pictures of the dialog: starts lumbrix_gui on a private X server (Xvfb)
# under a small window manager (Openbox), with settings that name the shipped example firmware,
# and presses Convert as a user would (Tab to the button, Space).
#   docs/lumbrix_gui.png           the window with its frame after converting the example
#   docs/lumbrix_gui_rejected.png  the same with lines 5 and 9 corrupted, the pointer resting
#                                  on the outcome so that its tip names them
#   dialog/screenshot.sh [path of lumbrix_gui]
# Needs xvfb, xauth, openbox, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."

# Convert and capture once: shoot WORK PROGRAM PICTURE [hover]. The tip is a window of its own,
# so a hovered picture is cut from the whole screen, around what is not the black background.
shoot() {
    XDG_CONFIG_HOME="$1/config" "$2" &
    local pid=$!
    local window
    window=$(xdotool search --sync --onlyvisible --name '^LumbrixW$' | head -n 1)
    xdotool windowactivate --sync "$window"
    sleep 1
    # Focus starts on the part list; Convert is five stops further on.
    xdotool key --delay 100 Tab Tab Tab Tab Tab space
    sleep 1
    if [ "${4:-}" = hover ]; then
        eval "$(xdotool getwindowgeometry --shell "$window")"
        xdotool mousemove --window "$window" 300 $((HEIGHT - 8))
        sleep 2
        import -window root png:- | convert - -bordercolor black -border 1 -trim +repage "$3"
    else
        import -frame -window "$window" "$3"
    fi
    kill "$pid"
    wait "$pid" || true
}

# The part that runs on the private X server: program and work folder come from the caller.
if [ "${1:-}" = --on-display ]; then
    openbox --config-file /dev/null >/dev/null 2>&1 &
    shoot "$2" "$3" docs/lumbrix_gui.png
    test -s "$2/firmware.qvr" || { echo "the conversion wrote nothing" >&2; exit 1; }
    # A checksum one off on lines 5 and 9: two lines the reader rejects.
    awk 'NR == 5 || NR == 9 { $0 = substr($0, 1, length($0) - 1) ($0 ~ /0$/ ? "1" : "0") } 1' \
        examples/firmware.hex >"$2/firmware.hex"
    shoot "$2" "$3" docs/lumbrix_gui_rejected.png hover
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
echo "wrote docs/lumbrix_gui.png and docs/lumbrix_gui_rejected.png"
