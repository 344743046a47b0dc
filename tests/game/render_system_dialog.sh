#!/usr/bin/env bash
# The render-system dialog comes first at every start. On a first start nothing is saved: Return
# takes the shown choice, the game window opens on the arena and the choice is saved. Escape
# leaves without a game window and with status 0.
set -uo pipefail
here=$(dirname "$0")
. "$here/sandbox.sh"
make_sandbox "$1"

start_game
dialog=$(wait_for dialog_window) || fail "no render-system dialog appeared"
[ "$(xdotool getwindowname "$dialog")" = "Gorvane" ] || fail "the dialog is not titled Gorvane"
[ -z "$(game_window)" ] || fail "the game window opened before the dialog was answered"
press "$dialog" Return
wait_for_start || fail "Return on a first start (no ogre.cfg) did not start the game"
[ -z "$(dialog_window)" ] || fail "the dialog stayed open"
grep -q "^Render System=OpenGL Rendering Subsystem" "$sandbox/bin/ogre.cfg" 2>/dev/null \
    || fail "the first start did not save the render-system choice"
kill $pid; wait_exit 30 >/dev/null
echo "Return in the dialog on a first start: the game started and saved its choice"

start_game
dialog=$(wait_for dialog_window) || fail "no render-system dialog on the second start"
press "$dialog" Escape
wait_exit 30; status=$?
[ $status -eq 0 ] || fail "cancelling ended with status $status"
grep -q "Keyboard successfully initialized" "$sandbox/bin/Gorvane.log" && fail "input devices were made after cancelling"
grep -q "exception was thrown" "$sandbox/stdout" && fail "cancelling reported an exception"
echo "Escape in the dialog: status 0, no game window"
