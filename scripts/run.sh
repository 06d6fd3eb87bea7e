#!/usr/bin/env bash
# Sets up, builds and runs the main job: the communication server on the session bus, the
# rig simulator on a virtual serial line, and the Metrovik wizard. On its first run (no
# ports in its settings yet) the wizard gets a port page on the rig's line, so "Искать"
# with the default addresses finds the rig's four devices. Without a display the server
# answers the automation example instead. Arguments go to metrovik.
set -euo pipefail
cd "$(dirname "$0")/.."

# A bare console has no session bus: start one for this run.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ ! -S "/run/user/$(id -u)/bus" ]; then
  scripts/setup.sh build RelWithDebInfo
  exec dbus-run-session -- "$0" "$@"
fi
scripts/setup.sh build RelWithDebInfo

BIN=build/bin
LOG_DIR=$(mktemp -d)
PIDS=()
trap 'for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -rf "$LOG_DIR"' EXIT

"$BIN/trelonsrv" &
PIDS+=($!)
# Wait until the server owns its name.
for _ in $(seq 100); do
  /usr/bin/python3 docs/automation_example.py --ping >/dev/null 2>&1 && break
  sleep 0.1
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display for the wizard: the server answers the automation example instead."
  /usr/bin/python3 docs/automation_example.py
  exit 0
fi

# The rig on its line; rigsim's first line of output is "devices port".
"$BIN/rigsim" </dev/null >"$LOG_DIR/rigsim.out" 2>&1 &
PIDS+=($!)
PORT=""
for _ in $(seq 100); do
  PORT=$(awk 'NR == 1 { print $2 }' "$LOG_DIR/rigsim.out")
  [ -n "$PORT" ] && break
  sleep 0.1
done
if [ -z "$PORT" ]; then
  cat "$LOG_DIR/rigsim.out" >&2
  echo "The rig simulator did not start." >&2
  exit 1
fi
echo "Rig simulator: $(head -n 1 "$LOG_DIR/rigsim.out")"
"$BIN/metrovik" --port "$PORT" "$@"
