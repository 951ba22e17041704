#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed program
# as a user meets it: every file in place, the desktop entry and file type
# valid, the man page in step with the tool, the version, an export of the
# installed sample project, and an installed app that reads its resources
# from the prefix and writes only into the per-user data folder.
# usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR VERSION GIFLIB_CHECK
set -uo pipefail
cmake=$1 build=$2 source=$3 version=$4 giflib_check=$5

work=$(mktemp -d)
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  chmod -R u+w "$work"
  rm -rf "$work"
}
trap cleanup EXIT
work=$(realpath "$work")  # the programs see their own paths resolved
prefix=$work/prefix
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
fi

# ---- every file in place --------------------------------------------------
share=$prefix/share/kt58-animator
sizes=(16 22 24 32 48 64 128 256)
expected=(
  bin/kt58 bin/kt58-animator
  share/kt58-animator/Projects/Dovrenkal.apf
  share/applications/kt58-animator.desktop
  share/mime/packages/kt58-animator.xml
  share/icons/hicolor/scalable/apps/kt58-animator.svg
  share/man/man1/kt58.1 share/man/man1/kt58-animator.1
)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/kt58-animator.png"); done
has_help=false
if [ -f "$source/resources/help/index.html" ]; then
  has_help=true
  while IFS= read -r page; do expected+=("share/kt58-animator/help/$page"); done \
    < <(cd "$source/resources/help" && find . -type f -printf '%P\n')
else
  echo "note: no user guide in resources/help yet; its install is not checked"
fi
for f in "${expected[@]}"; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for f in bin/kt58 bin/kt58-animator; do
  [ -x "$prefix/$f" ] || fail "not executable: $f"
done
for size in "${sizes[@]}"; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/kt58-animator.png
  # The PNG header: width and height (big-endian), bit depth, colour type.
  got=$(od -An -tu1 -j16 -N10 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $9, $10}')
  [ "$got" = "$size $size 8 6" ] || fail "icon $png: want $size x $size, 8-bit RGBA, got $got"
done

# ---- desktop entry and file type ------------------------------------------
desktop=$prefix/share/applications/kt58-animator.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
grep -qx 'Exec=kt58-animator %f' "$desktop" || fail "desktop entry does not pass the opened file"
grep -qx 'MimeType=application/x-kt58-animation;' "$desktop" || fail "desktop entry lacks the project type"
grep -qx 'Icon=kt58-animator' "$desktop" || fail "desktop entry lacks the icon"

mime_xml=$prefix/share/mime/packages/kt58-animator.xml
xmllint --noout "$mime_xml" || fail "xmllint $mime_xml"
# The type as a desktop sees it: compiled by shared-mime-info, looked up by
# GLib, by name and by content alone.
mkdir -p "$work/xdg/mime/packages" "$work/xdg-home"
cp "$mime_xml" "$work/xdg/mime/packages/"
export XDG_DATA_DIRS=$work/xdg:/usr/share XDG_DATA_HOME=$work/xdg-home
update-mime-database "$work/xdg/mime" || fail "update-mime-database rejects $mime_xml"
cp "$share/Projects/Dovrenkal.apf" "$work/project-without-extension"
# Version 100 but 65536 frames: not a project, whatever its first bytes.
printf '\x64\x00\x00\x00\x00\x00\x01\x00\xa0\x00\x00\x00' >"$work/not-a-project"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
for f in "$share/Projects/Dovrenkal.apf" "$work/project-without-extension"; do
  got=$(type_of "$f")
  [ "$got" = application/x-kt58-animation ] || fail "type of $f: $got"
done
got=$(type_of "$work/not-a-project")
[ "$got" != application/x-kt58-animation ] || fail "a file that only starts like a project is taken for one"
unset XDG_DATA_DIRS XDG_DATA_HOME

# ---- man pages -------------------------------------------------------------
for page in kt58.1 kt58-animator.1; do
  warnings=$(groff -t -man -ww -z -Tutf8 "$prefix/share/man/man1/$page" 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
help_text=$("$prefix/bin/kt58" --help) || fail "kt58 --help exits non-zero"
man_text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\&//g' "$prefix/share/man/man1/kt58.1")
options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
if ! diff <(options <<<"$help_text") <(options <<<"$man_text") >"$work/options.diff"; then
  fail "options of kt58 --help (<) and kt58.1 (>) differ: $(tr '\n' ' ' <"$work/options.diff")"
fi
commands_help=$(grep -oE '^  kt58 [a-z][a-z-]*' <<<"$help_text" | awk '{print $2}' | sort -u)
commands_man=$(grep -oE '^\.SS "kt58 [a-z][a-z-]*' <<<"$man_text" | awk '{print $3}' | sort -u)
[ "$commands_help" = "$commands_man" ] ||
  fail "commands of kt58 --help ($(echo $commands_help)) and kt58.1 ($(echo $commands_man)) differ"
for value in $(grep -oE '[a-z0-9.-]+([|,][a-z0-9.-]+)+' <<<"$help_text" | tr '|,' '\n\n' | sort -u); do
  grep -qw -- "$value" <<<"$man_text" || fail "kt58.1 does not mention the value $value"
done

# ---- versions --------------------------------------------------------------
got=$("$prefix/bin/kt58" --version) || fail "kt58 --version exits non-zero"
[ "$got" = "kt58 $version" ] || fail "kt58 --version: $got"
got=$("$prefix/bin/kt58-animator" --version) || fail "kt58-animator --version exits non-zero"
[ "$got" = "kt58-animator $version" ] || fail "kt58-animator --version: $got"

# ---- the installed programs at work, with the prefix read-only --------------
# chmod stops an ordinary user; root (CI) writes anyway, so the tree is also
# compared before and after.
chmod -R a-w "$prefix"
snapshot() { find "$prefix" -printf '%P %y %s %m %T@\n' | sort; }
snapshot >"$work/before"
mkdir -p "$work/home"
user_env=(env -u KT58_HOME HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
  XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen)
mkdir -m 700 "$work/runtime"
data=$work/data/kt58-animator

if "${user_env[@]}" "$prefix/bin/kt58" export-gif "$share/Projects/Dovrenkal.apf" "$work/sample.gif" \
  2>"$work/export.err"; then
  got=$("$giflib_check" "$work/sample.gif") || fail "giflib cannot decode the exported sample"
  [ "$got" = "160x120 24" ] || fail "exported sample: want 160x120 24 frames, got $got"
else
  fail "kt58 export-gif of the installed sample: $(cat "$work/export.err")"
fi

paths=$("${user_env[@]}" "$prefix/bin/kt58-animator" --paths) || fail "kt58-animator --paths exits non-zero"
want_lines=("resources: $share/" "sample project: $share/Projects/Dovrenkal.apf" "settings and data: $data/")
if $has_help; then want_lines+=("help: $share/help/index.html"); fi
for line in "${want_lines[@]}"; do
  grep -qxF -- "$line" <<<"$paths" || fail "kt58-animator --paths lacks \"$line\"; it says: $paths"
done

# The window comes up offscreen; it has started once it made its folders.
"${user_env[@]}" "$prefix/bin/kt58-animator" >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 1 120); do
  [ -d "$data/Output" ] && break
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.5
done
sleep 1
if kill -0 "$app_pid" 2>/dev/null; then
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null
else
  wait "$app_pid"
  fail "the installed app ended by itself (status $?): $(cat "$work/app.log")"
fi
app_pid=
for d in Projects Output; do
  [ -d "$data/$d" ] || fail "the installed app did not make $data/$d"
done

snapshot >"$work/after"
diff "$work/before" "$work/after" >"$work/prefix.diff" ||
  fail "the installed programs changed the prefix: $(cat "$work/prefix.diff")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed program checked in $prefix"
