#!/usr/bin/env bash
# Builds the Debian package of a build folder into a scratch folder and checks it: its file
# name, the dependencies computed from the binary, the fonts, the files it installs, and
# what lintian says of it (any error or warning fails).
#   check-package.sh BUILD_DIR APP_ID
set -euo pipefail
build=$(cd "$1" && pwd) id=$2
out=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-package-XXXXXX")
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$out/tavrin_1.0_amd64.deb
[ -f "$deb" ] || fail "no $deb (found: $(ls "$out"))"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 libudev1 libx11-6 libc6 \
    "fonts-liberation2 | fonts-liberation"; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/tavrin ./usr/bin/tavrin-board ./usr/share/applications/$id.desktop \
    ./usr/share/metainfo/$id.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/$id.svg \
    ./usr/share/icons/hicolor/48x48/apps/$id.png ./usr/share/doc/tavrin/copyright \
    ./usr/share/doc/tavrin/changelog.gz ./usr/share/man/man1/tavrin.1.gz \
    ./usr/share/man/man1/tavrin-board.1.gz \
    ./usr/share/man/pt_BR/man1/tavrin.1.gz; do
    grep -qx "$file" <<<"$contents" || fail "package lacks $file"
done
# Lintian's notes (I:, P:, X:) say nothing is wrong; an E: or a W: line does.
status=0
report=$(lintian --tag-display-limit 0 "$deb" 2>&1) || status=$?
echo "$report"
grep -qE '^[EW]: ' <<<"$report" && fail "lintian reports errors or warnings"
[ "$status" -eq 0 ] || fail "lintian failed (exit status $status)"
echo "$deb: complete"
