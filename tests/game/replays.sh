#!/usr/bin/env bash
# The recorded games of tests/replays, replayed headless by the real program: each must match
# every digest (status 0). A damaged, foreign or missing recording and a changed arena fail with
# a message that names the file and what differs (status 1), never a crash or a hang.
set -uo pipefail
here=$(dirname "$0")
. "$here/sandbox.sh"
game=$1
replays=$(cd "$here/../replays" && pwd)

# replay <recording> [command run in the data copy]: plays it headless; sets $status.
replay() {
    make_sandbox "$game"
    (cd "$sandbox/data" && eval "${2:-true}")
    sed -i "s|</Engine>|    <Replay>$1</Replay>\n    <ReplayHeadless>Yes</ReplayHeadless>\n</Engine>|" \
        "$sandbox/data/configs/game.xml"
    start_game
    wait_exit 300; status=$?
    [ $status -ne 124 ] || fail "$1: the replay did not end"
}

done_with() { rm -rf "$sandbox"; trap - EXIT; }

# expect_failure <what> <recording> <text expected> [command run in the data copy] [pattern expected]
expect_failure() {
    replay "$2" "${4:-true}"
    [ $status -eq 1 ] || fail "$1: status $status instead of 1"
    grep -qF "$3" "$sandbox/stdout" || fail "$1: the output does not say \"$3\""
    grep -q "${5:-.}" "$sandbox/stdout" || fail "$1: the output does not match \"$5\""
    echo "$1: status 1, \"$3\""
    done_with
}

for recording in "$replays"/*.replay; do
    name=$(basename "$recording")
    # A bare name is a recording of the player's own, beside the high scores.
    replay "$name" "cp '$recording' ../bin/"
    [ $status -eq 0 ] || fail "$name: status $status"
    grep -q "The replay '.*$name' matched: .* digests over .* frames; high-score entry \"rec\"" "$sandbox/stdout" \
        || fail "$name: no match reported"
    grep "matched" "$sandbox/stdout"
    done_with
done

# Damaged copies of a real recording, kept beside the sandboxes (each check sets its own exit trap).
work=$(mktemp -d)
base="$replays/pause-and-continue.replay"
size=$(stat -c %s "$base")
head -c $((size - 100)) "$base" >"$work/truncated.replay"
cp "$base" "$work/version.replay"
printf '\002' | dd of="$work/version.replay" bs=1 seek=14 conv=notrunc status=none
cp "$base" "$work/damaged.replay"
printf '\377' | dd of="$work/damaged.replay" bs=1 seek=$((size / 2)) conv=notrunc status=none
printf 'GORVANE' >"$work/short.replay"

expect_failure "a missing recording" "$work/none.replay" "Can't open the replay '$work/none.replay'"
expect_failure "a truncated recording" "$work/truncated.replay" \
    "The replay '$work/truncated.replay' is truncated: it has $((size - 100)) of its $size bytes"
expect_failure "another format version" "$work/version.replay" \
    "The replay '$work/version.replay' is of format version 2; this game reads version 1"
expect_failure "a damaged byte" "$work/damaged.replay" \
    "The replay '$work/damaged.replay' is damaged: its checksum does not match its contents"
expect_failure "the start of a name" "$work/short.replay" "The replay '$work/short.replay' is not a replay"
rm -rf "$work"
# A grate a little off its place: the zombies it releases differ from the second they come.
expect_failure "a moved grate" "$base" "differs at second" \
    "sed -i 's|Position=\"0 0 22\"|Position=\"0.5 0 22\"|' scenes/arena2.xml" \
    ": zombies\.[a-z]* is .* in the recording and .* in this run"
