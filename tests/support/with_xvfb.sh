#!/usr/bin/env bash
# Runs a command under a private X server: tests/support/with_xvfb.sh COMMAND [ARGS...]
# The server picks a free display number itself (parallel runs never meet); the command gets
# DISPLAY, no WAYLAND_DISPLAY and GDK_BACKEND=x11 so GTK takes this server, no accessibility or
# session bus, settings in memory and configuration folders of its own. Exits with the command's
# status (124 when it overran XVFB_COMMAND_SECONDS, default 300); the server is stopped and its
# folder removed however the script ends. XVFB_SCREEN sets the screen (default 1280x1024x24).
set -euo pipefail
if (($# == 0)); then
  echo "usage: with_xvfb.sh COMMAND [ARGS...]" >&2
  exit 2
fi

folder=$(mktemp -d -t stampwork-xvfb.tmp.$$.XXX)
server=""
cleanup() {
  if [[ -n $server ]]; then
    kill "$server" 2>/dev/null || true
    # Asked to end; killed when it has not after three seconds.
    for _ in $(seq 30); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$folder"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The server writes its display number to descriptor 3 once it takes connections.
mkfifo "$folder/display"
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$folder/display" \
  </dev/null >"$folder/xvfb.log" 2>&1 &
server=$!
number=""
read -r -t 15 number <"$folder/display" || true
if [[ ! $number =~ ^[0-9]+$ ]]; then
  echo "with_xvfb.sh: Xvfb gave no display number in time:" >&2
  cat "$folder/xvfb.log" >&2
  exit 3
fi

export DISPLAY=":$number" GDK_BACKEND=x11 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory GIO_USE_VFS=local \
  GIO_USE_VOLUME_MONITOR=unix DBUS_SESSION_BUS_ADDRESS="unix:path=$folder/no-bus" \
  XDG_CONFIG_HOME="$folder/config" XDG_DATA_HOME="$folder/data" XDG_CACHE_HOME="$folder/cache"
unset WAYLAND_DISPLAY
status=0
timeout --kill-after=5 "${XVFB_COMMAND_SECONDS:-300}" "$@" || status=$?
exit "$status"
