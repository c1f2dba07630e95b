#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build folder into a scratch prefix and checks what a desktop user gets: the program alone
# in bin/, its sound library in lib/mira.nol/, a valid launcher entry that points at the installed
# demo collection, the icons, the manual page, the software centre's description and the licence;
# that the installed program answers --version and reports a missing display at once; and, with
# Xvfb, that it starts the way the launcher starts it, loads the installed library and writes nothing
# into the user's cache. Last, the documented uninstall removes every file the install put down.
#   check-install.sh <build folder> <scratch folder>
set -euo pipefail

build=$1
scratch=$2
fail() { echo "check-install: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
prefix="$scratch/prefix"
work="$scratch/work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null

bin="$prefix/bin/mira.nol"
[ -x "$bin" ] || fail "no executable at $bin"
# The program carries its artwork and layout; nothing may sit beside it.
extra=$(ls -A "$prefix/bin" | grep -vx 'mira.nol' || true)
[ -z "$extra" ] || fail "unexpected files beside the program: $extra"
if readelf -d "$bin" | grep -Eq 'R(UN)?PATH.*'"$build"; then
  fail "the installed program still looks for libraries in the build tree"
fi

library="$prefix/lib/mira.nol/sndlib.so"
[ -f "$library" ] || fail "no sound library at $library"
mode=$(stat -c %a "$library")
[ "$mode" = 644 ] || fail "the sound library has mode $mode, not 644"
for symbol in snd_init snd_music_load snd_stream_create_file; do
  nm -D --defined-only "$library" | grep -qw "$symbol" || fail "the installed library does not export $symbol"
done

entry="$prefix/share/applications/mira.nol.desktop"
[ -f "$entry" ] || fail "no launcher entry at $entry"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "launcher entry does not validate"
fi
grep -qx "Exec=$bin %F" "$entry" || grep -qx "Exec=\"$bin\" %F" "$entry" || fail "launcher entry does not start $bin"
workdir=$(sed -n 's/^Path=//p' "$entry")
[ "$workdir" = "$prefix/share/mira.nol/demo" ] || fail "launcher starts in '$workdir', not the installed demo"
[ -f "$workdir/data/play.lst" ] || fail "the installed demo collection has no data/play.lst"

for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/mira.nol.png"
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
done
man="$prefix/share/man/man1/mira.nol.1.gz"
[ -f "$man" ] || fail "no manual page at $man"
gzip -t "$man" || fail "the manual page is not a good gzip file"
if command -v man >/dev/null; then
  MANPATH="$prefix/share/man" man -w mira.nol >/dev/null 2>&1 || fail "man does not find mira.nol below $prefix/share/man"
fi
metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml 2>/dev/null || true)
[ -n "$metainfo" ] || fail "no AppStream description in share/metainfo"
grep -q '<launchable type="desktop-id">mira.nol.desktop</launchable>' "$metainfo" \
  || fail "the AppStream description does not name the launcher entry"
cmp -s "$prefix/share/doc/mira.nol/copyright" "$(dirname "$0")/../LICENSE" || fail "no licence in share/doc/mira.nol/copyright"

version=$("$bin" --version) || fail "--version ended with status $?"
case "$version" in
  "mira.nol "[0-9]*) ;;
  *) fail "--version printed '$version'" ;;
esac

# No display: status 1 and the reason on standard error, at once.
err=$(cd "$workdir" && env -u DISPLAY -u WAYLAND_DISPLAY XDG_CACHE_HOME="$work/cache" \
      SDL_AUDIODRIVER=dummy timeout 10 "$bin" 2>&1 >/dev/null) && status=0 || status=$?
[ "$status" -eq 1 ] || fail "without a display the program ended with status $status, not 1"
case "$err" in
  *"mira.nol: cannot open a window: "*) ;;
  *) fail "without a display the program said: '$err'" ;;
esac

files_below() { find "$1" \( -type f -o -type l \) 2>/dev/null | sort; }
uninstall() {
  cmake --build "$build" --target uninstall >/dev/null || fail "the uninstall target failed"
  left=$(files_below "$prefix")
  [ -z "$left" ] || fail "files left after the uninstall: $left"
  ours=$(find "$prefix" -name mira.nol 2>/dev/null || true)
  [ -z "$ours" ] || fail "folders of the program left after the uninstall: $ours"
  [ ! -e "$build/install_manifest.txt" ] || fail "the manifest of an undone install is still there"

  # An install staged with DESTDIR, as a package is put together, is undone below that folder only:
  # the files of the same names in the real prefix stay.
  cmake --install "$build" --prefix "$prefix" >/dev/null
  real=$(files_below "$prefix")
  DESTDIR="$scratch/stage" cmake --install "$build" --prefix "$prefix" >/dev/null
  [ -n "$(files_below "$scratch/stage")" ] || fail "the staged install put nothing down"
  cmake --build "$build" --target uninstall >/dev/null || fail "the uninstall target failed after a staged install"
  [ -z "$(files_below "$scratch/stage")" ] || fail "files left in the staging folder: $(files_below "$scratch/stage")"
  [ "$(files_below "$prefix")" = "$real" ] || fail "undoing a staged install removed files of the real prefix"
  rm -rf "$prefix"
}

if ! command -v Xvfb >/dev/null; then
  echo "check-install: Xvfb not installed; the launcher start was not tried"
  uninstall
  exit 0
fi
display=""
for n in $(seq 60 99); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "check-install: no free display number; the launcher start was not tried"; uninstall; exit 0; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
player=""
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# Start it as the launcher would: the program Exec names, in the working directory Path= names.
(cd "$workdir" && DISPLAY=":$display" XDG_CACHE_HOME="$work/cache" SDL_AUDIODRIVER=dummy \
   exec "$bin") >"$work/player.log" 2>&1 &
player=$!
# Wait for its window (a slow machine or a sanitizer build may take several seconds), then for the library.
shown=""
for _ in $(seq 300); do
  kill -0 "$player" 2>/dev/null || { cat "$work/player.log" >&2; fail "the player started from the launcher entry ended at once"; }
  if command -v xdotool >/dev/null; then
    DISPLAY=":$display" xdotool search --name '^mira\.nol$' >/dev/null 2>&1 && grep -q "$library" "/proc/$player/maps" && { shown=1; break; }
  else
    grep -q "$library" "/proc/$player/maps" && { sleep 1; shown=1; break; }
  fi
  sleep 0.1
done
[ -n "$shown" ] || fail "the player runs but shows no window after 30 s"
# The installed program loads the installed library: it is mapped, and no copy went into the cache.
grep -q "$library" "/proc/$player/maps" || fail "the player did not load $library"
[ ! -e "$work/cache/mira.nol" ] || fail "the installed player wrote into the user's cache: $(ls -A "$work/cache/mira.nol")"
[ ! -s "$work/player.log" ] || fail "the installed player said: $(cat "$work/player.log")"
kill "$player"
wait "$player" 2>/dev/null || true
player=""

uninstall
echo "check-install: installed layout, launcher entry, start from the installed library and uninstall are fine"
