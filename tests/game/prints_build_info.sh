#!/usr/bin/env bash
# "-v" anywhere on the command line prints the build information and starts nothing;
# look-alike arguments do not count.
set -euo pipefail
game=$1
for args in "-v" "first -v" "-x -v -y"; do
    # No display: anything that started the game would fail, and say so.
    out=$(cd /tmp && env -u DISPLAY "$game" $args)
    grep -qx "Revision number: .*" <<<"$out"
    grep -qx "Revision date: .*" <<<"$out"
    grep -qE "^Local modifications: (true|false)$" <<<"$out"
    grep -qE "^Executable built on [A-Z][a-z]{2} [ 0-9]{2} [0-9]{4}$" <<<"$out"
    [ "$(head -n1 <<<"$out")" = "" ]
    [ "$(wc -l <<<"$out")" -eq 5 ]
done
# Look-alikes start the game: its render-system dialog comes up.
set +e
. "$(dirname "$0")/sandbox.sh"
make_sandbox "$game"
for args in "-vv" "-V" "--v" "v"; do
    start_game $args
    wait_for dialog_window 300 >/dev/null || fail "'$args' did not start the game"
    grep -q "Revision number" "$sandbox/stdout" && fail "'$args' printed the build information"
    kill $pid; wait $pid 2>/dev/null; pid=""
done
echo "build info ok"
