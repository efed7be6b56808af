#!/usr/bin/env bash
# Installs what is missing, builds Stampwork and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" "$root/build"
exec "$root/build/app/stampwork" "$@"
