#!/usr/bin/env bash
# Takes the README's picture of the Windows dialog program under Wine, docs/lumbrix_gui_wine.png:
# starts lumbrix_gui.exe in a Wine desktop on a private X server (Xvfb), with registry settings
# that name the shipped example firmware, presses Convert as a user would (Tab to the button,
# Space) and captures the desktop.
#   dialog/win32/screenshot.sh [path of lumbrix_gui.exe]
# Needs wine, wine32, xvfb, xauth, xdotool and imagemagick; ./build.sh windows builds the program.
set -euo pipefail
cd "$(dirname "$0")/../.."
picture=docs/lumbrix_gui_wine.png
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The part that runs on the private X server.
if [ "${1:-}" = --on-display ]; then
    wine explorer /desktop=lumbrix,520x300 "$2" &
    window=$(xdotool search --sync --onlyvisible --name '^lumbrix - Wine desktop$' | head -n 1)
    xdotool search --sync --onlyvisible --name '^LumbrixW$' >/dev/null
    sleep 1
    # Focus starts on the part list; Convert is five stops further on.
    # A click on the caption makes the dialog the active window, as it is for a user.
    xdotool mousemove --window "$window" 200 44 click 1
    sleep 1
    xdotool key --delay 100 Tab Tab Tab Tab Tab space
    xdotool mousemove --window "$window" 500 290
    sleep 1
    import -window "$window" "$picture"
    exit
fi

program=$(realpath "${1:-build-windows/dialog/win32/lumbrix_gui.exe}")
work=$(mktemp -d /tmp/lumbrix.XXXX)
# A Wine prefix of the picture's own, so that ending its server ends nothing else.
export WINEPREFIX=$work/wine
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1
cp examples/firmware.hex "$work/firmware.hex"
settings='HKCU\Software\Korvane Inc.\lumbrix_gui\Settings'
folder="Z:${work//\//\\}"
wine reg add "$settings" /v Input /t REG_SZ /d "$folder\\firmware.hex" /f >/dev/null
wine reg add "$settings" /v Output /t REG_SZ /d "$folder\\firmware.qvr" /f >/dev/null
wine reg add "$settings" /v Part /t REG_DWORD /d 5 /f >/dev/null
wine reg add "$settings" /v Protocol /t REG_DWORD /d 1 /f >/dev/null

xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' "$0" --on-display "$program"
test -s "$work/firmware.qvr" || { echo "the conversion wrote nothing" >&2; exit 1; }
echo "wrote $picture"
