#!/bin/sh
# Installs the Windows setup program silently into a fresh Wine prefix, converts the example
# firmware with the installed lumbrix.exe and compares the bytes with the host build's, starts
# and closes the installed dialog program, then uninstalls silently and checks that the
# programs, the shortcut and the registration are gone and the user's settings stay.
#   install_test.sh lumbrix-VERSION-win32-setup.exe HOST-lumbrix close_dialog.exe WORK-FOLDER
# It needs an X display (xvfb-run); WINE names the Wine loader, by default Debian's wine script.
set -eu
setup=$(realpath "$1") host=$(realpath "$2") closer=$(realpath "$3") work=$(realpath -m "$4")
example=$(realpath "$(dirname "$0")/../../examples/firmware.hex")
name=$(basename "$setup" -setup.exe) wine=${WINE:-wine}
version=$(echo "$name" | cut -d- -f2)

# A prefix of the installer's own width (win32 or win64) keeps its files and registry entries
# where a native installation has them. No Mono or Gecko prompts, and no menu entries for the
# shortcuts on the host's desktop: whatever Wine still writes there lands in the work folder.
export WINEPREFIX="$work/prefix" WINEARCH="${name##*-}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"

fail() {
    echo "install test: $*" >&2
    exit 1
}
# Every step is bounded: a program that hangs fails the test instead of stalling the run.
run() { timeout 300 "$@" || fail "status $? from $*"; }
# registry_has KEY [VALUE [TEXT]]: the key exists, with that value, holding that text.
registry_has() {
    found=$(timeout 60 $wine reg query "$1" ${2:+/v "$2"}) && echo "$found" | grep -q "${3:-}"
}

# A server left from an earlier run would hold on to the prefix about to be deleted.
timeout 60 wineserver -k 2>/dev/null || true
rm -rf "$work"
mkdir -p "$work"
cd "$work"
run sh -c "$wine wineboot -i >/dev/null 2>&1"

run $wine "$setup" /S
run wineserver -w
home="$WINEPREFIX/drive_c/Program Files/Lumbrix"
for file in bin/lumbrix.exe bin/lumbrix_gui.exe README.txt Uninstall.exe; do
    [ -f "$home/$file" ] || fail "$file not installed"
done
shortcut=$(find "$WINEPREFIX/drive_c" -name LumbrixW.lnk)
[ -n "$shortcut" ] || fail "no Start-menu shortcut LumbrixW"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumbrix"
for entry in "DisplayName Lumbrix $version" "DisplayVersion $version" \
    "Publisher Korvane, Inc." "UninstallString Uninstall.exe"; do
    registry_has "$uninstall_key" "${entry%% *}" "${entry#* }" || fail "not registered: $entry"
done

cp "$example" firmware.hex
for protocol in 4 6; do
    "$host" firmware.hex host.qvr 5516 $protocol >/dev/null
    run $wine "$home/bin/lumbrix.exe" firmware.hex installed.qvr 5516 $protocol >/dev/null
    cmp host.qvr installed.qvr || fail "the Type $protocol files differ"
done

# Closed with its close command, the dialog keeps its settings: the user's, which stay.
settings="HKCU\\Software\\Korvane Inc.\\lumbrix_gui\\Settings"
run $wine "$closer" "C:\\Program Files\\Lumbrix\\bin\\lumbrix_gui.exe"
registry_has "$settings" Protocol || fail "lumbrix_gui.exe kept no settings"

run $wine "$home/Uninstall.exe" /S
run wineserver -w
[ ! -e "$home" ] || fail "left behind: $(find "$home")"
[ ! -e "$shortcut" ] || fail "shortcut left behind: $shortcut"
! registry_has "$uninstall_key" || fail "still registered with Add/Remove Programs"
registry_has "$settings" Protocol || fail "the user's settings went with the uninstaller"
echo "install test: passed"
