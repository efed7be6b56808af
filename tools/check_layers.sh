#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, bottom up:
#   platform: windows_types.h <- kernel <- display (the backend contract and the headless
#   backend) <- gdi <- text <- user <- controls, dialogs <- the rest of platform/ (the module table,
#   testing hooks, desktop backends)
#   runtime:  platform <- core <- files, xml, image <- gui <- dialog <- corvid.h/startup <- app
# Tests and benchmarks sit above everything. An include is looked up beside the including file
# first, then by name among the sources (every folder is on some include path).
# Usage: tools/check_layers.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# The layer of a source path, as a name.
layer_of() {
  case $1 in
    platform/windows_types.h) echo base ;;
    platform/kernel/*) echo kernel ;;
    platform/display/gtk/*) echo assembly ;;
    platform/display/*) echo display ;;
    platform/gdi/*) echo gdi ;;
    platform/text/*) echo text ;;
    platform/user/*) echo user ;;
    platform/controls/*) echo controls ;;
    platform/dialogs/*) echo dialogs ;;
    platform/*) echo assembly ;;
    runtime/core/*) echo core ;;
    runtime/files/*) echo files ;;
    runtime/xml/*) echo xml ;;
    runtime/image/*) echo image ;;
    runtime/gui/*) echo gui ;;
    runtime/dialog/*) echo dialog ;;
    runtime/*) echo corvid ;;
    app/*) echo app ;;
    *) echo top ;;
  esac
}

# The layers a layer may include (itself included).
declare -A allowed=(
  [base]="base"
  [kernel]="base kernel"
  [display]="base kernel display"
  [gdi]="base kernel display gdi"
  [text]="base kernel display gdi text"
  [user]="base kernel display gdi text user"
  [controls]="base kernel display gdi text user controls"
  [dialogs]="base kernel display gdi text user dialogs"
  [assembly]="base kernel display gdi text user controls dialogs assembly"
)
platform_all="${allowed[assembly]}"
allowed[core]="$platform_all core"
allowed[files]="${allowed[core]} files"
allowed[xml]="${allowed[core]} xml"
allowed[image]="${allowed[core]} image"
allowed[gui]="${allowed[core]} image gui"
allowed[dialog]="${allowed[gui]} xml dialog"
allowed[corvid]="${allowed[dialog]} files corvid"
allowed[app]="${allowed[corvid]} app"

mapfile -t sources < <(find platform runtime app -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)
declare -A by_name=()
for path in "${sources[@]}"; do
  name=${path##*/}
  by_name[$name]+="$path "
done

failures=0
for path in "${sources[@]}"; do
  own=$(layer_of "$path")
  dir=${path%/*}
  while IFS= read -r included; do
    if [[ -f "$dir/$included" ]]; then
      candidates=$(realpath --relative-to=. "$dir/$included")
    else
      candidates=${by_name[${included##*/}]:-}
      # A path written with folders ("display/backend.h") must match those folders too.
      matched=""
      for candidate in $candidates; do
        [[ $candidate == */"$included" ]] && matched+="$candidate "
      done
      candidates=$matched
    fi
    [[ -z $candidates ]] && continue  # not one of ours (a system header in quotes)
    ok=0
    for candidate in $candidates; do
      [[ " ${allowed[$own]} " == *" $(layer_of "$candidate") "* ]] && ok=1
    done
    if ((!ok)); then
      echo "$path ($own) includes \"$included\" ($(layer_of "${candidates%% *}")), a layer above it" >&2
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$path")
done

if ((failures)); then
  echo "$failures include(s) reach a higher layer" >&2
  exit 1
fi
echo "layers: ${#sources[@]} files, no include reaches a higher layer"
