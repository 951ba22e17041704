#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what dpkg says
# of it: name, version, the programs, the desktop entry and the file type,
# and dependencies on the Qt 6 and FFmpeg libraries the programs link.
# usage: package_test.sh BUILD_DIR VERSION CPACK
set -uo pipefail
build=$1 version=$2 cpack=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack" >&2
  exit 1
fi
deb=$(find "$work" -maxdepth 1 -name '*.deb')
[ "$(wc -l <<<"$deb")" -eq 1 ] && [ -n "$deb" ] || { echo "FAIL: want one .deb, got: $deb" >&2; exit 1; }

info=$(dpkg-deb --info "$deb")
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[ "$(field Package)" = kt58-animator ] || fail "package name: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version: $(field Version)"
depends=$(field Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 'libavformat[0-9]+' 'libavcodec[0-9]+' 'libswscale[0-9]+' \
  'libavutil[0-9]+' 'libgif[0-9]+' libjpeg62-turbo; do
  grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "no dependency on $lib in: $depends"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for f in ./usr/bin/kt58 ./usr/bin/kt58-animator ./usr/share/applications/kt58-animator.desktop \
  ./usr/share/mime/packages/kt58-animator.xml ./usr/share/icons/hicolor/scalable/apps/kt58-animator.svg \
  ./usr/share/icons/hicolor/48x48/apps/kt58-animator.png ./usr/share/man/man1/kt58.1 \
  ./usr/share/man/man1/kt58-animator.1 ./usr/share/kt58-animator/Projects/Dovrenkal.apf; do
  grep -qxF "$f" <<<"$contents" || fail "not in the package: $f"
done

if [ "$failures" -ne 0 ]; then
  echo "$info" >&2
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package $(basename "$deb") checked"
