#!/usr/bin/env bash
# Runs a command on an X server of its own: Xvfb on a display number that is free (the server
# picks it), with a small window manager, so that full screen, focus and window placement
# behave as on a desktop. The server and the window manager are stopped whatever the command
# does; the command's exit code is the script's.
set -uo pipefail
if [ $# -lt 1 ]; then
    echo "usage: $0 command [arguments]" >&2
    exit 2
fi

dir=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# The server writes the display number it took to descriptor 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 300); do
    [ -s "$dir/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(tr -d '[:space:]' <"$dir/display")"
unset WAYLAND_DISPLAY

# evilwm needs a core font; "fixed" is built into the server.
evilwm -fn fixed >"$dir/wm.log" 2>&1 &
wm_pid=$!
for _ in $(seq 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "the window manager did not start:" >&2
    cat "$dir/wm.log" >&2
    exit 1
fi

"$@"
exit $?
