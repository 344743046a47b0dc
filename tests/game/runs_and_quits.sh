#!/usr/bin/env bash
# Starts the game on the display, lets it render, skips the logos, chooses "Exit" in the main
# menu with the arrow keys and Return, and expects a clean exit.
set -euo pipefail
game=$1
bin=$(dirname "$game")
rm -f "$bin/Gorvane.log"
"$game" >"$bin/Gorvane.stdout" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

window=""
for _ in $(seq 1 600); do
    window=$(xdotool search --name '^Gorvane$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 $pid 2>/dev/null || { echo "game exited early"; cat "$bin/Gorvane.stdout"; exit 1; }
    sleep 0.1
done
[ -n "$window" ] || { echo "no window titled Gorvane"; exit 1; }
sleep 2
kill -0 $pid 2>/dev/null || { echo "game stopped without being asked"; cat "$bin/Gorvane.stdout"; exit 1; }

# A key held long enough for a frame to see it: the game reads keys by polling once a frame, and
# a software renderer may draw only a few frames a second.
hold() {
    xdotool keydown --window "$window" "$1" 2>/dev/null || true
    xdotool keydown "$1" 2>/dev/null || true
    sleep "${2:-0.5}"
    xdotool keyup --window "$window" "$1" 2>/dev/null || true
    xdotool keyup "$1" 2>/dev/null || true
    sleep 0.3
}

# Return twice skips both logos; then the menu. Escape leads back to the menu from wherever a stray
# key went (a game, the high scores) and never ends the game; Up from "Play" wraps to "Exit". A
# selection that moved further comes round again on the next try.
hold Return
hold Return
sleep 2
for _ in $(seq 1 30); do
    kill -0 $pid 2>/dev/null || break
    hold Escape
    hold Up 0.15
    hold Return
    sleep 0.5
done
if kill -0 $pid 2>/dev/null; then echo "\"Exit\" did not end the game"; tail -n 20 "$bin/Gorvane.log"; exit 1; fi
trap - EXIT
wait $pid
status=$?
grep -q "Keyboard successfully initialized" "$bin/Gorvane.log"
echo "game ran and exited with status $status"
exit $status
