#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every type the launcher entry's MimeType= names is one the shared MIME database knows, so
# that file managers offer the player for those files; a misspelt type would be ignored without a word.
#   check-mime-types.sh <desktop entry> [<mime folder>]
set -euo pipefail
entry=$1
mime=${2:-/usr/share/mime}
fail() { echo "check-mime-types: $*" >&2; exit 1; }
if [ ! -r "$mime/types" ]; then
  echo "check-mime-types: no shared MIME database at $mime; the types are not checked"
  exit 77
fi
line=$(grep '^MimeType=' "$entry") || fail "the launcher entry names no MimeType"
IFS=';' read -r -a types <<<"${line#MimeType=}"
[ ${#types[@]} -gt 0 ] || fail "MimeType is empty"
for type in "${types[@]}"; do
  [ -n "$type" ] || continue
  grep -qxF "$type" "$mime/types" || grep -q "^$type " "$mime/aliases" || fail "unknown MIME type $type"
done
for needed in audio/mpeg audio/x-mod audio/x-xm audio/x-s3m audio/x-it audio/x-mpegurl inode/directory; do
  [[ ";${line#MimeType=}" == *";$needed;"* ]] || fail "MimeType lacks $needed"
done
echo "check-mime-types: all ${#types[@]} types are known"
