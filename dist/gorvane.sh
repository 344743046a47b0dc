#!/bin/sh
# Starts Gorvane from its private folder, where it finds its data as ../data/.
exec "$(dirname "$(readlink -f "$0")")/../lib/games/gorvane/bin/Gorvane" "$@"
