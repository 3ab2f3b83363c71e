#!/usr/bin/env bash
# Installs a build folder into a scratch prefix and checks the result: the program runs
# from there, and the menu entry, the metadata and the icons pass the freedesktop checks.
#   check-install.sh BUILD_DIR APP_ID "ICON_SIZES"
set -euo pipefail
build=$1 id=$2 sizes=$3
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
fail() { echo "FAIL: $*" >&2; exit 1; }

"$prefix/bin/tavrin" --version | grep -qx "tavrin 1.0" || fail "installed program does not run"
desktop-file-validate "$share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "metainfo"
grep -q "^Categories=.*Development;.*Electronics;" "$share/applications/$id.desktop" ||
    fail "menu categories"
[ -s "$share/icons/hicolor/scalable/apps/$id.svg" ] || fail "scalable icon"
for size in $sizes; do
    icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "icon $icon"
done
# Nothing of the build folder may be needed at run time.
if strings "$prefix/bin/tavrin" | grep -qF "$(cd "$build" && pwd)/"; then
    fail "the program names its build folder"
fi
echo "install into $prefix: valid"
