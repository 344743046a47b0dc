#!/usr/bin/env bash
# "-v" prints the build information and starts nothing; look-alike arguments do not count.
set -euo pipefail
game=$1
out=$(cd /tmp && "$game" -v)
grep -qx "Revision number: .*" <<<"$out"
grep -qx "Revision date: .*" <<<"$out"
grep -qE "^Local modifications: (true|false)$" <<<"$out"
grep -qE "^Executable built on [A-Z][a-z]{2} [ 0-9]{2} [0-9]{4}$" <<<"$out"
[ "$(head -n1 <<<"$out")" = "" ]
echo "build info ok"
