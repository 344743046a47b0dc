# Sourced by the whole-game checks. Each check runs a private copy of the built game beside a
# copy of its data, so that what the game saves (renderer configuration, log) and what a check
# breaks in the data stay the check's own.

# make_sandbox <built game>: sets $sandbox; removed (and the game stopped) when the check ends.
make_sandbox() {
    sandbox=$(mktemp -d)
    mkdir "$sandbox/bin"
    cp "$1" "$sandbox/bin/Gorvane"
    cp -r "$(dirname "$1")/../data" "$sandbox/data"
    pid=""
    trap 'if [ -n "$pid" ]; then kill $pid 2>/dev/null || true; fi; rm -rf "$sandbox"' EXIT
}

# A configuration as a previous run would have saved it: OpenGL in a window.
save_opengl_choice() {
    printf 'Render System=OpenGL Rendering Subsystem\n\n[OpenGL Rendering Subsystem]\nFull Screen=No\nVideo Mode=1024 x 768\n' \
        >"$sandbox/bin/ogre.cfg"
}

# start_game [arguments]: started from elsewhere, as a player might; sets $pid.
start_game() {
    (cd / && exec "$sandbox/bin/Gorvane" "$@" >"$sandbox/stdout" 2>&1) &
    pid=$!
}

# The render-system dialog is a toolkit window: it has a window class. The game's window has none.
dialog_window() {
    xdotool search --onlyvisible --classname '^gorvane$' 2>/dev/null | head -n1 || true
}
game_window() {
    local w
    for w in $(xdotool search --onlyvisible --name '^Gorvane$' 2>/dev/null); do
        xprop -id "$w" WM_CLASS 2>/dev/null | grep -q "not found" && { echo "$w"; return; }
    done
    true
}

# wait_for <function> [tenths of a second]: prints the window once it is there.
wait_for() {
    local w="" i
    for i in $(seq 1 "${2:-600}"); do
        w=$($1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        kill -0 $pid 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# press <window> <key>: a real key press on the focused window, as a user's.
press() {
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool key --clearmodifiers "$2"
}

# wait_exit [seconds]: the game's exit status once it ended; 124 when it did not end in time.
wait_exit() {
    local i
    for i in $(seq 1 $((${1:-60} * 10))); do
        if ! kill -0 $pid 2>/dev/null; then
            local status=0
            wait $pid || status=$?
            pid=""
            return $status
        fi
        sleep 0.1
    done
    return 124
}

# The game got past the dialog: its window and input devices exist.
wait_for_start() {
    local i
    for i in $(seq 1 300); do
        grep -q "Keyboard successfully initialized" "$sandbox/bin/Gorvane.log" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

fail() { echo "$*"; echo "--- game output:"; tail -n 15 "$sandbox/stdout" 2>/dev/null; exit 1; }
