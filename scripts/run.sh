#!/usr/bin/env bash
# Sets up, builds and runs the main job: the server on the user's session bus, answering.
set -euo pipefail
cd "$(dirname "$0")/.."

# A bare console has no session bus: start one for this run.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ ! -S "/run/user/$(id -u)/bus" ]; then
  scripts/setup.sh build RelWithDebInfo
  exec dbus-run-session -- "$0" "$@"
fi
scripts/setup.sh build RelWithDebInfo

BIN=build/bin
"$BIN/trelonsrv" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; wait $SERVER 2>/dev/null' EXIT
# Wait until the server owns its name (it prints a line when it does).
for _ in $(seq 100); do
  /usr/bin/python3 docs/automation_example.py --ping >/dev/null 2>&1 && break
  sleep 0.1
done
/usr/bin/python3 docs/automation_example.py
