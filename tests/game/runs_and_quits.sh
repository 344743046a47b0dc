#!/usr/bin/env bash
# A player's start: the render-system dialog is answered with Return, the game shows the arena
# (floor below, night sky above, the player in between), and Escape ends it with status 0.
set -uo pipefail
here=$(dirname "$0")
. "$here/sandbox.sh"
make_sandbox "$1"
save_opengl_choice

start_game
dialog=$(wait_for dialog_window) || fail "no render-system dialog appeared"
press "$dialog" Return
window=$(wait_for game_window)
# Start-up goes on behind the window (arena, player); it ends there when something is missing.
for _ in $(seq 1 150); do
    kill -0 $pid 2>/dev/null || break
    grep -q "exception was thrown" "$sandbox/stdout" && break
    sleep 0.1
done
sleep 2
if [ -z "$window" ] || ! kill -0 $pid 2>/dev/null; then
    wait_exit 5
    # The arena's player needs its controller type, which a later part of the game registers.
    grep -q "No allocator found for Player" "$sandbox/stdout" && { echo "skipped: the Player controller type is not registered yet"; exit 77; }
    fail "the game stopped without being asked"
fi

# The picture: the sky fills the top of the window, the lit floor the bottom, the player the middle.
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root "$sandbox/shot.png"
band() {  # band <top fraction> <height fraction>: mean red green blue of a full-width band, 0..1
    convert "$sandbox/shot.png" -crop "${WIDTH}x$((HEIGHT * $2 / 100))+${X}+$((Y + HEIGHT * $1 / 100))" +repage \
        -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b] %[fx:standard_deviation]" info:
}
read -r sr sg sb sd <<<"$(band 0 10)"
read -r fr fg fb fd <<<"$(band 85 15)"
read -r pr pg pb pd <<<"$(band 35 30)"
echo "sky $sr $sg $sb; floor $fr $fg $fb; middle deviation $pd"
awk -v r="$sr" -v g="$sg" -v b="$sb" 'BEGIN { exit !(b > 0.02 && b >= r) }' || fail "no night sky at the top"
awk -v r="$fr" -v g="$fg" -v b="$fb" 'BEGIN { exit !(r + g + b > 0.15) }' || fail "no lit floor at the bottom"
awk -v d="$pd" 'BEGIN { exit !(d > 0.03) }' || fail "nothing stands in the middle of the arena"

for _ in $(seq 1 50); do
    press "$window" Escape
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
done
wait_exit 30; status=$?
[ $status -eq 0 ] || fail "the game ended with status $status"
grep -q "exception was thrown" "$sandbox/stdout" && fail "the game reported an exception"
echo "game showed the arena and exited with status 0"
