#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Options: BUILD_DIR (default build/) and extra cmake options in CMAKE_ARGS.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
dir=${BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
# shellcheck disable=SC2086
"$root/tools/build.sh" "$dir" ${CMAKE_ARGS:-}
cd "$dir"
ctest --output-on-failure --timeout 600 -j2
