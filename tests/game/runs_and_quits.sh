#!/usr/bin/env bash
# A player's start: the render-system dialog is answered with Return, both logos are skipped,
# "Play" shows the arena (the floor, the player, the HUD's health bar), Escape leads
# back to the menu, and its "Exit" ends the game with status 0. The console stays quiet: the
# renderer's chatter goes to the log file only.
set -uo pipefail
here=$(dirname "$0")
. "$here/sandbox.sh"
make_sandbox "$1"
save_opengl_choice

start_game
dialog=$(wait_for dialog_window) || fail "no render-system dialog appeared"
press "$dialog" Return
window=$(wait_for game_window) || fail "no game window"
wait_for_start || fail "the game did not start its input"
sleep 2
kill -0 $pid 2>/dev/null || fail "the game stopped without being asked"

# A key held long enough for a frame to see it: the game reads keys by polling once a frame, and
# a software renderer may draw only a few frames a second.
hold() {
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool keydown "$1" 2>/dev/null || true
    sleep "${2:-0.5}"
    xdotool keyup "$1" 2>/dev/null || true
    sleep 0.3
}

# Return twice skips both logos; Return once more chooses "Play", the first item.
hold Return
hold Return
sleep 2
hold Return
sleep 4

# The picture: the lit floor fills the bottom, the player and the crates make the middle busy, and
# the HUD's red health bar runs along the top right.
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root "$sandbox/shot.png"
region() {  # region <left %> <top %> <width %> <height %>: mean red green blue and spread, 0..1
    convert "$sandbox/shot.png" -crop "$((WIDTH * $3 / 100))x$((HEIGHT * $4 / 100))+$((X + WIDTH * $1 / 100))+$((Y + HEIGHT * $2 / 100))" +repage \
        -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b] %[fx:standard_deviation]" info:
}
read -r fr fg fb fd <<<"$(region 0 85 100 15)"
read -r pr pg pb pd <<<"$(region 0 35 100 30)"
read -r hr hg hb hd <<<"$(region 70 5 25 2)"
echo "floor $fr $fg $fb; middle spread $pd; health bar $hr $hg $hb"
awk -v r="$fr" -v g="$fg" -v b="$fb" 'BEGIN { exit !(r + g + b > 0.15) }' || fail "no lit floor at the bottom"
awk -v d="$pd" 'BEGIN { exit !(d > 0.03) }' || fail "nothing stands in the middle of the arena"
awk -v r="$hr" -v g="$hg" -v b="$hb" 'BEGIN { exit !(r > 0.4 && r > 3 * g && r > 3 * b) }' || fail "no health bar at the top right"

# Escape leads back to the menu from wherever a stray key went (the game, the high scores) and
# never ends the game; Up from the first item wraps to "Exit". A selection that moved further
# comes round again on the next try.
for _ in $(seq 1 30); do
    kill -0 $pid 2>/dev/null || break
    hold Escape
    hold Up 0.15
    hold Return
    sleep 0.5
done
wait_exit 30; status=$?
[ $status -eq 0 ] || fail "the game ended with status $status (or did not end through \"Exit\")"
grep -q "exception was thrown" "$sandbox/stdout" && fail "the game reported an exception"
echo "game showed the arena and exited through the menu with status 0"
grep -q "Keyboard successfully initialized" "$sandbox/bin/Gorvane.log" || fail "the log file lacks the renderer's informational lines"
grep -q -e "Keyboard successfully initialized" -e "Creating resource group" "$sandbox/stdout" \
    && fail "the renderer's informational lines reach the console"
echo "the console shows $(wc -l <"$sandbox/stdout") lines, the log file $(wc -l <"$sandbox/bin/Gorvane.log")"
