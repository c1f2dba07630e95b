#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix and checks what a desktop user gets: the program alone in
# bin/, a valid launcher entry that points at the installed demo collection, the icons, and that the
# installed program reports a missing display instead of failing silently. With Xvfb present it also
# starts the player the way the launcher does and checks that it keeps running with a window.
set -euo pipefail

build=$1
prefix=$2
fail() { echo "check-install: $*" >&2; exit 1; }

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

bin="$prefix/bin/mira.nol"
[ -x "$bin" ] || fail "no executable at $bin"
# The program embeds its artwork, layout and the sound library's image: nothing may sit beside it.
extra=$(ls -A "$prefix/bin" | grep -vx 'mira.nol' || true)
[ -z "$extra" ] || fail "unexpected files beside the program: $extra"
if readelf -d "$bin" | grep -Eq 'R(UN)?PATH.*'"$build"; then
  fail "the installed program still looks for libraries in the build tree"
fi

entry="$prefix/share/applications/mira.nol.desktop"
[ -f "$entry" ] || fail "no launcher entry at $entry"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "launcher entry does not validate"
fi
grep -qx "Exec=$bin" "$entry" || grep -qx "Exec=\"$bin\"" "$entry" || fail "launcher entry does not start $bin"
workdir=$(sed -n 's/^Path=//p' "$entry")
[ "$workdir" = "$prefix/share/mira.nol/demo" ] || fail "launcher starts in '$workdir', not the installed demo"
[ -f "$workdir/data/play.lst" ] || fail "the installed demo collection has no data/play.lst"

for size in 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/mira.nol.png"
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
done

# No display: status 1 and the reason on standard error, at once.
err=$(cd "$workdir" && env -u DISPLAY -u WAYLAND_DISPLAY XDG_CACHE_HOME="$prefix/cache" \
      SDL_AUDIODRIVER=dummy timeout 10 "$bin" 2>&1 >/dev/null) && status=0 || status=$?
[ "$status" -eq 1 ] || fail "without a display the program ended with status $status, not 1"
case "$err" in
  *"mira.nol: cannot open a window: "*) ;;
  *) fail "without a display the program said: '$err'" ;;
esac

if ! command -v Xvfb >/dev/null; then
  echo "check-install: Xvfb not installed; the launcher start was not tried"
  exit 0
fi
display=""
for n in $(seq 60 99); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "check-install: no free display number; the launcher start was not tried"; exit 0; }
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
(cd "$workdir" && DISPLAY=":$display" XDG_CACHE_HOME="$prefix/cache" SDL_AUDIODRIVER=dummy \
   exec "$bin") >"$prefix/player.log" 2>&1 &
player=$!
sleep 3
kill -0 "$player" 2>/dev/null || { cat "$prefix/player.log" >&2; fail "the player started from the launcher entry ended at once"; }
if command -v xdotool >/dev/null; then
  DISPLAY=":$display" xdotool search --pid "$player" >/dev/null 2>&1 \
    || DISPLAY=":$display" xdotool search --name '.' >/dev/null 2>&1 \
    || fail "the player runs but shows no window"
fi
echo "check-install: installed layout, launcher entry and start are fine"
