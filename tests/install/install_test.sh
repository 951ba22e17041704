#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks the installed program
# as a user meets it: every file in place, the desktop entry and file type
# valid, the man page in step with the tool, the version, an export of the
# installed sample project, and installed programs that read their resources
# from the prefix and write only into the user's own folders: the desktop's
# settings, cache and documents folders, nothing at all when they only read.
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
  share/man/man1/kt58.1.gz share/man/man1/kt58-animator.1.gz
  share/doc/kt58-animator/copyright share/doc/kt58-animator/changelog.gz
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
  warnings=$(gzip -dc "$prefix/share/man/man1/$page.gz" | groff -t -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
help_text=$("$prefix/bin/kt58" --help) || fail "kt58 --help exits non-zero"
man_text=$(gzip -dc "$prefix/share/man/man1/kt58.1.gz" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\&//g')
options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
if ! diff <(options <<<"$help_text") <(options <<<"$man_text") >"$work/options.diff"; then
  fail "options of kt58 --help (<) and kt58.1 (>) differ: $(tr '\n' ' ' <"$work/options.diff")"
fi
commands_help=$(grep -oE '^  kt58 [a-z][a-z-]*' <<<"$help_text" | awk '{print $2}' | sort -u)
commands_man=$(grep -oE '^\.SS "kt58 [a-z][a-z-]*' <<<"$man_text" | awk '{print $3}' | sort -u)
[ "$commands_help" = "$commands_man" ] ||
  fail "commands of kt58 --help ($(echo $commands_help)) and kt58.1 ($(echo $commands_man)) differ"
# The bash completion offers every command and option the usage names.
completion="$prefix/share/bash-completion/completions/kt58"
if [ -f "$completion" ]; then
  bash -n "$completion" || fail "the bash completion has a syntax error"
  for word in $(options <<<"$help_text") $commands_help; do
    grep -qw -- "$word" "$completion" || fail "the bash completion does not offer $word"
  done
else
  fail "no bash completion at $completion"
fi
for value in $(grep -oE '[a-z0-9.-]+([|,][a-z0-9.-]+)+' <<<"$help_text" | tr '|,' '\n\n' | sort -u); do
  grep -qw -- "$value" <<<"$man_text" || fail "kt58.1 does not mention the value $value"
done
app_help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/kt58-animator" --help) || fail "kt58-animator --help exits non-zero"
app_man=$(gzip -dc "$prefix/share/man/man1/kt58-animator.1.gz" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g')
if ! diff <(options <<<"$app_help") <(options <<<"$app_man") >"$work/options.diff"; then
  fail "options of kt58-animator --help (<) and kt58-animator.1 (>) differ: $(tr '\n' ' ' <"$work/options.diff")"
fi

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
mkdir -m 700 "$work/runtime"
user_env=(env -u KT58_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_DATA_HOME="$work/data"
  XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
  QT_QPA_PLATFORM=offscreen)
sample=$share/Projects/Dovrenkal.apf

# Reading makes nothing, even though the sample's clips need frame stores
# while it is read.
"${user_env[@]}" "$prefix/bin/kt58" info "$sample" >/dev/null 2>"$work/info.err" ||
  fail "kt58 info of the installed sample: $(cat "$work/info.err")"
made=$(cd "$work" && find home data config cache -mindepth 0 2>/dev/null)
[ "$made" = home ] || fail "kt58 info made: $(echo $made)"

if "${user_env[@]}" "$prefix/bin/kt58" export-gif "$sample" "$work/sample.gif" 2>"$work/export.err"; then
  got=$("$giflib_check" "$work/sample.gif") || fail "giflib cannot decode the exported sample"
  [ "$got" = "160x120 24" ] || fail "exported sample: want 160x120 24 frames, got $got"
else
  fail "kt58 export-gif of the installed sample: $(cat "$work/export.err")"
fi

paths=$("${user_env[@]}" "$prefix/bin/kt58-animator" --paths) || fail "kt58-animator --paths exits non-zero"
want_lines=("resources: $share/" "sample project: $sample" "settings: $work/config/kt58-animator/( \(missing\))?"
  "frame stores and temporaries: $work/cache/kt58-animator/( \(missing\))?")
if $has_help; then want_lines+=("help: $share/help/index.html"); fi
for line in "${want_lines[@]}"; do
  grep -qxE -- "$line" <<<"$paths" || fail "kt58-animator --paths lacks \"$line\"; it says: $paths"
done

# ---- the user's folders: a fresh home with the desktop's defaults ----------
# The desktop's variables unset, so the defaults below the home apply.
desk_env=(env -u KT58_HOME -u DISPLAY -u WAYLAND_DISPLAY -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME
  XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen)
fresh=$work/fresh
mkdir "$fresh"
"${desk_env[@]}" HOME="$fresh" "$prefix/bin/kt58" info "$sample" >/dev/null 2>"$work/info.err" ||
  fail "kt58 info in a fresh home: $(cat "$work/info.err")"
[ -z "$(ls -A "$fresh")" ] || fail "kt58 info made in a fresh home: $(cd "$fresh" && find . | tr '\n' ' ')"

# The settings an earlier installed copy kept in the data folder, with a
# recent project of the user's, the program's own Output/ as export folder
# and a section of the user's.
former=$fresh/.local/share/kt58-animator
mkdir -p "$former/User" "$former/Output" "$fresh/Pictures" "$fresh/a" "$fresh/b"
cp "$sample" "$fresh/old.apf"
cp "$sample" "$fresh/other.apf"
cp "$sample" "$fresh/a/first.apf"
cp "$sample" "$fresh/b/second.apf"
printf '[FILE]\nLastGifDir=%s\n[MRU]\nMruCount=1\nMru0001=%s\n[Mine]\nKeep=yes\n' "$former/Output" "$fresh/old.apf" \
  >"$former/User/Settings.Ini"
settings=$fresh/.config/kt58-animator/Settings.Ini
listing() { (cd "$fresh" && find . -mindepth 1 | sort); }

# Opens the project in the installed app and stops the app once it has saved
# its settings naming the project's folder, which it does on opening a
# project, after its start-up (and the move of former settings) is done.
open_in_app() {
  local want="LastProjectDir=$(dirname "$1")"
  "${desk_env[@]}" HOME="$fresh" "$prefix/bin/kt58-animator" "$1" >"$work/app.log" 2>&1 &
  app_pid=$!
  for _ in $(seq 1 600); do
    grep -qxF -- "$want" "$settings" 2>/dev/null && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null
  else
    wait "$app_pid"
    fail "the installed app ended by itself (status $?): $(cat "$work/app.log")"
  fi
  app_pid=
  grep -qxF -- "$want" "$settings" 2>/dev/null || fail "the app did not save its settings on opening $1"
}

listing >"$work/fresh.before"
open_in_app "$fresh/a/first.apf"
listing >"$work/fresh.after"
# Made: the settings, the projects folder in the documents, the frame stores
# of the project's clips (the app was stopped while they were in use), and
# the parents of these; gone: the former settings. Nothing else.
made=$(comm -13 "$work/fresh.before" "$work/fresh.after" |
  grep -vxE '\./\.config|\./\.config/kt58-animator|\./\.config/kt58-animator/Settings\.Ini|\./Documents|\./Documents/kt58 Animator|\./\.cache|\./\.cache/kt58-animator(/[^/]+)?')
[ -z "$made" ] || fail "the installed app made more than the desktop's folders: $(echo $made)"
[ -d "$fresh/Documents/kt58 Animator" ] || fail "the installed app did not make the projects folder"
gone=$(comm -23 "$work/fresh.before" "$work/fresh.after" | tr '\n' ' ')
[ "$gone" = "./.local/share/kt58-animator/User ./.local/share/kt58-animator/User/Settings.Ini " ] ||
  fail "the move of the former settings took away: $gone"
grep -qxF "Mru0001=$fresh/old.apf" "$settings" || fail "the former recent project did not move: $(cat "$settings")"
grep -qxF "LastGifDir=$fresh/Pictures" "$settings" ||
  fail "the former Output/ was not replaced by the pictures folder: $(cat "$settings")"
grep -qxF "Keep=yes" "$settings" || fail "the former file's own section did not move: $(cat "$settings")"

# Once moved, a former file that comes back (an older copy run again) stays
# where it is.
mkdir "$former/User"
printf '[MRU]\nMruCount=1\nMru0001=%s\n' "$fresh/other.apf" >"$former/User/Settings.Ini"
open_in_app "$fresh/b/second.apf"
[ -f "$former/User/Settings.Ini" ] || fail "the former settings were moved a second time"
! grep -qF "$fresh/other.apf" "$settings" || fail "the former settings were read a second time: $(cat "$settings")"

# ---- without a display -----------------------------------------------------
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/nohome")
for option in --help --version; do
  "${no_display[@]}" "$prefix/bin/kt58-animator" "$option" >"$work/out" 2>"$work/err" ||
    fail "kt58-animator $option without a display exits $?: $(cat "$work/err")"
done
"${no_display[@]}" "$prefix/bin/kt58-animator" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "kt58-animator without a display exits $status, want 1"
[ "$(wc -l <"$work/err")" -eq 1 ] && grep -q 'needs a display' "$work/err" ||
  fail "kt58-animator without a display says: $(cat "$work/err")"
[ ! -e "$work/nohome" ] || fail "kt58-animator without a display made $work/nohome"

snapshot >"$work/after"
diff "$work/before" "$work/after" >"$work/prefix.diff" ||
  fail "the installed programs changed the prefix: $(cat "$work/prefix.diff")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed program checked in $prefix"
