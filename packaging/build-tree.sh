#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds the tree the install and package checks use, in a build folder of its own.
#   build-tree.sh <source> <build folder> <cmake configure arguments...>
set -euo pipefail
source=$1
build=$2
shift 2
cmake -S "$source" -B "$build" "$@" >/dev/null
cmake --build "$build"
