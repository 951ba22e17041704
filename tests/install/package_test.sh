#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build folder and checks what dpkg says
# of it: name, version, maintainer, the programs, the desktop entry and the
# file type, dependencies on the Qt 6 and FFmpeg libraries the programs link,
# the copyright file and the changelog; then that lintian finds nothing to
# warn of.
# usage: package_test.sh BUILD_DIR VERSION CPACK MAINTAINER
set -uo pipefail
build=$1 version=$2 cpack=$3 maintainer=$4

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
[ "$(field Maintainer)" = "$maintainer" ] || fail "package maintainer: $(field Maintainer), want $maintainer"
depends=$(field Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 'libavformat[0-9]+' 'libavcodec[0-9]+' 'libswscale[0-9]+' \
  'libavutil[0-9]+' 'libgif[0-9]+' libjpeg62-turbo; do
  grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "no dependency on $lib in: $depends"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for f in ./usr/bin/kt58 ./usr/bin/kt58-animator ./usr/share/applications/kt58-animator.desktop \
  ./usr/share/mime/packages/kt58-animator.xml ./usr/share/icons/hicolor/scalable/apps/kt58-animator.svg \
  ./usr/share/icons/hicolor/48x48/apps/kt58-animator.png ./usr/share/man/man1/kt58.1.gz \
  ./usr/share/man/man1/kt58-animator.1.gz ./usr/share/kt58-animator/Projects/Dovrenkal.apf \
  ./usr/share/doc/kt58-animator/copyright ./usr/share/doc/kt58-animator/changelog.gz; do
  grep -qxF "$f" <<<"$contents" || fail "not in the package: $f"
done

packaged() { dpkg-deb --fsys-tarfile "$deb" | tar -xO "$1"; }
copyright=$(packaged ./usr/share/doc/kt58-animator/copyright)
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' <<<"$copyright" ||
  fail "the copyright file is not in the machine-readable format"
grep -qx 'License: GPL-3.0-or-later' <<<"$copyright" || fail "the copyright file does not name GPL-3.0-or-later"
grep -qxF "Upstream-Contact: $maintainer" <<<"$copyright" || fail "the copyright file does not name $maintainer"
# The newest entry of the changelog is this version: a new version needs an
# entry of its own.
latest=$(packaged ./usr/share/doc/kt58-animator/changelog.gz | gzip -dc | head -1)
[[ "$latest" == "kt58-animator ($version) "* ]] || fail "the changelog's newest entry is not $version: $latest"

# ---- lintian ----------------------------------------------------------------
# No error and no warning. Of the informational tags, only these stay, each
# for a reason:
#   package-contains-documentation-outside-usr-share-doc: the user guide is a
#     resource the app opens from its Help menu, found beside the sample
#     project in usr/share/kt58-animator/, not documentation of the package.
#   spelling-error-in-binary mor more: " mor" is the first four bytes of the
#     text " more", which the compiler stores as an immediate operand.
kept='^I: kt58-animator: (package-contains-documentation-outside-usr-share-doc \[usr/share/kt58-animator/help/|spelling-error-in-binary mor more \[usr/bin/)'
if ! command -v lintian >/dev/null; then
  fail "lintian is not installed (scripts/install-deps.sh installs it)"
else
  # Its status fails an error, a warning, or a failure of its own.
  lintian -EvIL +pedantic --tag-display-limit 0 --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian exits $?: $(cat "$work/lintian.log")"
  unexpected=$(grep -E '^[EWIPXO]: ' "$work/lintian.log" | grep -vE "$kept")
  [ -z "$unexpected" ] || fail "lintian: $unexpected"
fi

if [ "$failures" -ne 0 ]; then
  echo "$info" >&2
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package $(basename "$deb") checked"
