#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of a build folder with CPack and checks it: its name and version, that
# its Depends (from dpkg-shlibdeps, and by hand for the tag library loaded on first use) name the
# decoding libraries, the tag library, SDL, the skin's font and, where the build has the desktop's
# player controls, sdbus-c++, that every file lies below /usr with the modes and owner a package
# needs, and that the launcher entry inside it names /usr rather than the folder the package was put
# together in.
#   check-deb.sh <build folder>
set -euo pipefail
build=$1
fail() { echo "check-deb: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "check-deb: $tool is not installed; the Debian package is not checked"
    exit 77
  fi
done

rm -rf "$build/packages"
(cd "$build" && cpack -G DEB) >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log" >&2; fail "cpack failed"; }
shopt -s nullglob
debs=("$build"/packages/mira.nol_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, found: ${debs[*]:-none}"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = mira.nol ] || fail "the package is called $(dpkg-deb -f "$deb" Package)"
version=$(dpkg-deb -f "$deb" Version)
"$build/player/mira.nol" --version | grep -qx "mira.nol $version" || fail "package version $version is not the program's"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong architecture"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libopenmpt0 libmpg123-0 libfftw3-single3 libsoxr0 libpulse0 libsdl2-2.0-0 libsdl2-ttf-2.0-0 \
               libtagc0 fonts-liberation2; do
  grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends does not name $package: $depends"
done
# The desktop's player controls link sdbus-c++ where the build found it.
if grep -q '^sdbus-c++_DIR:PATH=/' "$build/CMakeCache.txt"; then
  grep -Eq "(^|, )libsdbus-c\+\+1( |,|$)" <<<"$depends" || fail "Depends does not name libsdbus-c++1: $depends"
fi

listing=$(dpkg-deb -c "$deb")
paths=$(awk '{print $6}' <<<"$listing")
outside=$(grep -v '^\./usr/' <<<"$paths" | grep -vx '\./' | grep -vx '\./usr/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
owners=$(awk '{print $2}' <<<"$listing" | sort -u)
[ "$owners" = root/root ] || fail "files not owned by root: $owners"
expect() {  # expect <mode> <path>
  grep -Eq "^$1 .* \./usr/$2$" <<<"$listing" || fail "no $2 with mode $1 in the package"
}
expect -rwxr-xr-x bin/mira.nol
expect -rw-r--r-- lib/mira.nol/sndlib.so
expect -rw-r--r-- share/applications/mira.nol.desktop
expect -rw-r--r-- share/man/man1/mira.nol.1.gz
expect -rw-r--r-- "share/metainfo/[a-z.]+\.metainfo\.xml"
expect -rw-r--r-- share/doc/mira.nol/copyright
expect -rw-r--r-- share/mira.nol/demo/data/play.lst
for size in 16 24 32 48 64 128 256; do expect -rw-r--r-- "share/icons/hicolor/${size}x${size}/apps/mira.nol.png"; done

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
entry="$contents/usr/share/applications/mira.nol.desktop"
grep -qx 'Exec=/usr/bin/mira.nol %F' "$entry" || fail "the packaged launcher entry does not start /usr/bin/mira.nol: $(grep ^Exec "$entry")"
grep -qx 'Path=/usr/share/mira.nol/demo' "$entry" || fail "the packaged launcher entry does not start in the demo: $(grep ^Path "$entry")"
# Stripped, as a package's programs are; the library keeps its exported entry points.
! readelf -S "$contents/usr/bin/mira.nol" | grep -q '\.symtab' || fail "the packaged program is not stripped"
nm -D --defined-only "$contents/usr/lib/mira.nol/sndlib.so" | grep -qw snd_init || fail "the packaged library lost its entry points"
echo "check-deb: $(basename "$deb"): Depends: $depends"
