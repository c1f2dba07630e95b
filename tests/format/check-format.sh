#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails, naming the files, when clang-format would change any C or C++ file of the tree.
# Usage: check-format.sh SOURCE_DIR   (run `clang-format -i` on the named files to mend them)
set -euo pipefail
cd "$1"
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed (scripts/install-deps installs it)" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
else
  mapfile -t files < <(find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print)
fi
present=()
for f in "${files[@]}"; do [ -f "$f" ] && present+=("$f"); done
# One run over every file; clang-format names each file it would change in its messages.
if out=$(clang-format --dry-run --Werror "${present[@]}" 2>&1); then
  echo "check-format: ${#present[@]} files formatted"
  exit 0
fi
echo "check-format: these files are not formatted (clang-format -i them):" >&2
printf '%s\n' "$out" | grep -oE '^[^:]+:[0-9]+:[0-9]+: (error|warning)' | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
exit 1
