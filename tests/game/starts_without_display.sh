#!/usr/bin/env bash
# Starts the game where there is no display: it must say why it cannot run and end cleanly.
set -uo pipefail
game=$1
output=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$game" 2>&1)
status=$?
echo "$output" | tail -n 5
[ $status -eq 0 ] || { echo "the game ended with status $status"; exit 1; }
grep -q "An OGRE exception was thrown!" <<<"$output" || { echo "no message about the renderer's exception"; exit 1; }
grep -qi "display" <<<"$output" || { echo "the message does not give the renderer's reason"; exit 1; }
echo "game explained the missing display and exited with status 0"
