#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the real player on bad inputs, one case at a time, on a private Xvfb with SDL's disk audio
# output, and prints what it did with each: still running or its exit status, a message box, what it
# said on standard error, and whether sound came out. docs/reliability.md is written from its output.
#
#   tests/fuzz/bad-inputs.sh <path to mira.nol> [case...]
set -uo pipefail

player=$(realpath "$1"); shift
here=$(cd "$(dirname "$0")/../.." && pwd)
data="$here/tests/data/sndlib"
demo="$here/demo/data"
work=$(mktemp -d /tmp/mira-bad-inputs.XXXXXX)

display=""
for n in $(seq 70 99); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free display number" >&2; exit 2; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# Sound in the disk driver's file: any non-zero byte after the first quarter second.
sound_of() {
  python3 - "$1" <<'PY'
import sys, os
p = sys.argv[1]
if not os.path.exists(p):
    print("no output"); sys.exit()
b = open(p, 'rb').read()[44100:]
print("sound" if any(b) else ("silent" if b else "no output"))
PY
}

# Top-level windows titled like the program: "<id> <width>x<height>" per line.
program_windows() {
  DISPLAY=":$display" xwininfo -root -tree 2>/dev/null \
    | sed -n 's/^ *\(0x[0-9a-f]*\) "mira\.nol": ([^)]*) *\([0-9]*x[0-9]*\)+.*/\1 \2/p'
}
viewable() { DISPLAY=":$display" xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# The message box: a window titled like the program that is not the 496 x 287 main window.
box_window() {
  local id size
  while read -r id size; do
    [ "$size" != 496x287 ] && viewable "$id" && { echo "$id"; return; }
  done < <(program_windows)
}
main_shown() {
  local id size
  while read -r id size; do
    [ "$size" = 496x287 ] && viewable "$id" && return 0
  done < <(program_windows)
  return 1
}

# run <name> <collection dir> [env assignments...] : starts the player there and reports after 3 s.
run() {
  local name=$1 dir=$2; shift 2
  local out="$work/$name.raw" err="$work/$name.err"
  (cd "$dir" && exec env DISPLAY=":$display" XDG_CACHE_HOME="$work/cache" SDL_AUDIODRIVER=disk \
     SDL_DISKAUDIOFILE="$out" env "$@" "${PLAYER:-$player}") 2>"$err" >/dev/null &
  local pid=$!
  sleep "${WAIT:-4}"
  local state box="" w
  w=$(box_window)
  [ -n "$w" ] && box="message box"
  local shown="-"
  main_shown && shown="window"
  if kill -0 "$pid" 2>/dev/null; then
    state="running"
    if [ -n "$box" ]; then
      # Dismiss the box with Enter, as a user would, and see how the program ends.
      DISPLAY=":$display" xdotool key --window "$w" Return >/dev/null 2>&1
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      if kill -0 "$pid" 2>/dev/null; then state="box stays after Enter"; kill "$pid"; fi
      wait "$pid"; state="$state; after Enter exit $?"
    else
      kill "$pid"; wait "$pid" 2>/dev/null
    fi
  else
    wait "$pid"; state="exit $?"
  fi
  local said
  said=$(grep -v '^ALSA\|^$\|^CRITICAL: .*disk\|^CRITICAL:  Writing to file' "$err" | head -n 2 | tr '\n' ' ')
  printf '%-30s | %-32s | %-6s | %-11s | %-9s | %s\n' "$name" "$state" "$shown" "${box:--}" "$(sound_of "$out")" "${said:--}"
}

# collection <name> : makes an empty collection folder and prints its path.
collection() { mkdir -p "$work/$1/data"; echo "$work/$1"; }

printf '%-30s | %-32s | %-6s | %-11s | %-9s | %s\n' case "process" "shown" "box" "audio" "standard error"

c=$(collection good); cp "$demo"/* "$c/data/"; run good "$c"

# Playlist
c=$(collection pl_missing); run pl_missing "$c"
c=$(collection pl_directory); mkdir "$c/data/play.lst"; run pl_directory "$c"
c=$(collection pl_empty); : >"$c/data/play.lst"; run pl_empty "$c"
c=$(collection pl_odd); cp "$data/tune.xm" "$c/data/"; printf 'tune.xm\nTune\ntune.xm' >"$c/data/play.lst"; run pl_odd_lines "$c"
c=$(collection pl_long); cp "$data/tune.xm" "$c/data/"; { head -c 5000 /dev/zero | tr '\0' 'x'; printf '\nTitle\ntune.xm\nTune\n'; } >"$c/data/play.lst"; run pl_long_line_first "$c"
c=$(collection pl_long2); cp "$data/tune.xm" "$c/data/"; { printf 'tune.xm\n'; head -c 5000 /dev/zero | tr '\0' 'T'; printf '\n'; } >"$c/data/play.lst"; run pl_long_title "$c"
c=$(collection pl_bom); cp "$data/tune.xm" "$c/data/"; printf '\xef\xbb\xbftune.xm\nTune\n' >"$c/data/play.lst"; run pl_bom "$c"
c=$(collection pl_crlf); cp "$data/tune.xm" "$c/data/"; printf 'tune.xm\r\nTune\r\n' >"$c/data/play.lst"; run pl_crlf "$c"
c=$(collection pl_garbage); head -c 4096 /dev/urandom >"$c/data/play.lst"; run pl_binary_garbage "$c"
c=$(collection pl_nul); cp "$data/tune.xm" "$c/data/"; printf 'tune.xm\0junk\nTi\0tle\n' >"$c/data/play.lst"; run pl_nul_bytes "$c"
c=$(collection pl_names); mkdir -p "$c/data/sub dir/ünï"; cp "$data/tune.xm" "$c/data/sub dir/ünï/my tune é.xm"
printf 'sub dir\\ünï\\my tune é.xm\nSpaced, non-ASCII, backslashes\n' >"$c/data/play.lst"; run pl_space_utf8_backslash "$c"
c=$(collection pl_dotdot); cp "$data/tune.xm" "$c/"; printf '../tune.xm\nAbove data\n' >"$c/data/play.lst"; run pl_dotdot "$c"
c=$(collection pl_abs); printf '/etc/passwd\nAbsolute\n' >"$c/data/play.lst"; run pl_absolute_path "$c"

# Track files (first entry bad, a good one after it)
bad_first() { # name file-name-in-playlist setup-command
  local c; c=$(collection "$1"); cp "$data/tune.xm" "$c/data/good.xm"
  (cd "$c/data" && eval "$3")
  printf '%s\nBad\ngood.xm\nGood\n' "$2" >"$c/data/play.lst"; run "$1" "$c"
}
bad_first tr_missing_mp3 gone.mp3 ':'
bad_first tr_missing_mod gone.xm ':'
bad_first tr_empty_mp3 empty.mp3 ': > empty.mp3'
bad_first tr_empty_mod empty.xm ': > empty.xm'
bad_first tr_directory_mp3 dir.mp3 'mkdir dir.mp3'
bad_first tr_directory_mod dir.it 'mkdir dir.it'
bad_first tr_garbage_mp3 junk.mp3 'head -c 65536 /dev/urandom > junk.mp3'
bad_first tr_garbage_mod junk.xm 'head -c 65536 /dev/urandom > junk.xm'
bad_first tr_truncated_mp3 cut.mp3 "cp '$data/truncated.mp3' cut.mp3"
bad_first tr_lying_module lying.xm "cp '$data/lying.xm' lying.xm"
bad_first tr_mp3_named_mod song.mod "cp '$data/sine44_cbr.mp3' song.mod"
bad_first tr_module_named_mp3 tune.mp3 "cp '$data/tune.xm' tune.mp3"
bad_first tr_upper_MP3 sine.MP3 "cp '$data/sine44_cbr.mp3' sine.MP3"
bad_first tr_fifo fifo.xm 'mkfifo fifo.xm'

# Sound library file and cache folder
c=$(collection lib_base); cp "$demo"/* "$c/data/"
mkdir -p "$work/prog_broken"; cp "$player" "$work/prog_broken/mira.nol"; head -c 4096 /dev/urandom >"$work/prog_broken/sndlib.so"
PLAYER="$work/prog_broken/mira.nol" run lib_garbage_beside_program "$c"
mkdir -p "$work/prog_empty"; cp "$player" "$work/prog_empty/mira.nol"; : >"$work/prog_empty/sndlib.so"
PLAYER="$work/prog_empty/mira.nol" run lib_empty_beside_program "$c"
mkdir -p "$work/prog_foreign"; cp "$player" "$work/prog_foreign/mira.nol"
echo 'int foreign(void){return 0;}' >"$work/foreign.c"; cc -shared -fPIC -o "$work/prog_foreign/sndlib.so" "$work/foreign.c"
PLAYER="$work/prog_foreign/mira.nol" run lib_foreign_so_beside_program "$c"
mkdir -p "$work/prog_dir/sndlib.so"; cp "$player" "$work/prog_dir/mira.nol"
PLAYER="$work/prog_dir/mira.nol" run lib_directory_beside_program "$c"
touch "$work/cache_is_file"
run cache_home_is_a_file "$c" XDG_CACHE_HOME="$work/cache_is_file"
mkdir -p "$work/cache_blocked"; touch "$work/cache_blocked/mira.nol"
run cache_dir_is_a_file "$c" XDG_CACHE_HOME="$work/cache_blocked"
mkdir -p "$work/cache_lib_dir/mira.nol/sndlib.so"
run cache_lib_is_a_directory "$c" XDG_CACHE_HOME="$work/cache_lib_dir"
run cache_home_relative "$c" XDG_CACHE_HOME="relative/cache" HOME="$work/home"
run cache_home_uncreatable "$c" -u XDG_CACHE_HOME HOME=/proc/mira-no-home
if [ "$(id -u)" -ne 0 ]; then
  mkdir -p "$work/cache_ro/mira.nol"; chmod 500 "$work/cache_ro/mira.nol"
  run cache_read_only_no_copy "$c" XDG_CACHE_HOME="$work/cache_ro"
fi

# Display and audio device
run display_unset "$c" -u DISPLAY
run display_unreachable "$c" DISPLAY=:1999
run audio_driver_missing "$c" SDL_AUDIODRIVER=nonexistent
run audio_driver_dummy "$c" SDL_AUDIODRIVER=dummy
run audio_default_driver "$c" -u SDL_AUDIODRIVER -u SDL_DISKAUDIOFILE
