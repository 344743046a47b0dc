#!/usr/bin/env bash
# package.sh <build folder> <output folder>: makes the Debian package as scripts/package does and
# checks it as a distribution would: lintian finds no error, the desktop entry and the AppStream
# metadata validate, the icon comes in every size, and nothing in it names the build tree.
set -uo pipefail
build=$1
out=$2
fail() { echo "$*"; exit 1; }

rm -rf "$out" && mkdir -p "$out" || fail "can't make $out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack failed"; }
rm -rf "$out/_CPack_Packages"
deb=$(ls "$out"/*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no package was made"

report=$(lintian --no-tag-display-limit "$deb" 2>&1 | grep -v '^running with root privileges')
[ -n "$report" ] && echo "$report"
echo "$report" | grep -q '^E:' && fail "lintian reports errors on $(basename "$deb")"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree" || fail "dpkg-deb can't unpack $deb"
id=$(basename "$(ls "$tree"/usr/share/applications/*.desktop)" .desktop)
desktop-file-validate "$tree/usr/share/applications/$id.desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$id.metainfo.xml" || fail "the AppStream metadata does not validate"
for size in 16 22 24 32 48 64 128 256; do
    icon="$tree/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "no ${size}x${size} icon"
done
[ -x "$tree/usr/games/gorvane" ] || fail "no launcher in /usr/games"
[ "$(readlink "$tree/usr/lib/games/gorvane/data")" = "../../../share/games/gorvane" ] || fail "the program's data link is wrong"
builddir=$(cd "$build" && pwd)
named=$(grep -rl -- "$builddir" "$tree" 2>/dev/null | head -n3)
[ -z "$named" ] || fail "files name the build tree: $named"
echo "$(basename "$deb"): lintian without errors, desktop entry, metadata and icons valid"
