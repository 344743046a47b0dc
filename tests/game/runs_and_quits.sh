#!/usr/bin/env bash
# Starts the game on the display, lets it render, presses Escape and expects a clean exit.
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

for _ in $(seq 1 150); do
    xdotool key --window "$window" Escape 2>/dev/null || true
    xdotool key Escape 2>/dev/null || true
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
done
if kill -0 $pid 2>/dev/null; then echo "Escape did not end the game"; tail -n 20 "$bin/Gorvane.log"; exit 1; fi
trap - EXIT
wait $pid
status=$?
grep -q "Keyboard successfully initialized" "$bin/Gorvane.log"
echo "game ran and exited with status $status"
exit $status
