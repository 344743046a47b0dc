#!/usr/bin/env bash
# Broken game data ends the game through its handler: the engine's message on standard output,
# status 0, no crash and no hang, at the start or, for what a game alone reads, at "Play". Each
# case runs on its own copy of the data folder.
set -uo pipefail
here=$(dirname "$0")
. "$here/sandbox.sh"
game=$1

# expect_message <what is broken> <text expected in the message> <command that breaks the copy>
expect_message() {
    make_sandbox "$game"
    save_opengl_choice
    (cd "$sandbox/data" && eval "$3")
    start_game
    dialog=$(wait_for dialog_window 300) || fail "$1: no render-system dialog"
    press "$dialog" Return
    # What only a game reads (the arena and its templates) is read at "Play": past the logos
    # and into a game with Return, held long enough for a frame to see it, until the game ends.
    local i window
    for i in $(seq 1 30); do
        window=$(game_window)
        if [ -n "$window" ]; then
            xdotool windowfocus --sync "$window" 2>/dev/null || true
            xdotool keydown Return 2>/dev/null; sleep 0.3; xdotool keyup Return 2>/dev/null
        fi
        kill -0 $pid 2>/dev/null || break
        sleep 1
    done
    wait_exit 60; status=$?
    [ $status -ne 124 ] || fail "$1: the game did not end"
    [ $status -eq 0 ] || fail "$1: the game ended with status $status"
    grep -qE "^An (OGRE )?exception was thrown!$" "$sandbox/stdout" || fail "$1: no report of the exception"
    grep -q "$2" "$sandbox/stdout" || fail "$1: the report does not say '$2'"
    echo "$1: reported, status 0"
    rm -rf "$sandbox"; trap - EXIT
}

expect_message "a missing sound" "hit3.wav" "rm audio/hit3.wav"
expect_message "a missing start-up script" "startup.py" "rm scripts/startup.py"
expect_message "a missing arena" "arena2.xml" "rm scenes/arena2.xml"
expect_message "a broken arena" "arena2.xml" "head -c 300 scenes/arena2.xml > cut && mv cut scenes/arena2.xml"
expect_message "a missing template file" "objects.xml" "rm templates/objects.xml"
