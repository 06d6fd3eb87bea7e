#!/usr/bin/env bash
# Sets up, builds and runs the main job on the built-in rig simulator: the simulated rig on a
# virtual serial line, the server on the session bus, and Metrovik. On its first run (no
# ports in its settings yet) Metrovik gets an open port page on the rig's line, so "Искать"
# with the default addresses finds the rig's four devices. Without a display a client finds
# the four devices through the server and reads the flowmeter instead. Arguments go to
# metrovik.
set -euo pipefail
cd "$(dirname "$0")/.."

# A bare console has no session bus: start one for this run.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ ! -S "/run/user/$(id -u)/bus" ]; then
  scripts/setup.sh build RelWithDebInfo
  exec dbus-run-session -- "$0" "$@"
fi
scripts/setup.sh build RelWithDebInfo

BIN=$PWD/build/bin
RUN=$PWD/build/run
TIME_SCALE=10
mkdir -p "$RUN"
[ -f "$RUN/TrelonSrv.ini" ] || printf '[LogKeeper]\nKeepLog=1\n' > "$RUN/TrelonSrv.ini"

pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null' EXIT
"$BIN/rigsim" --dir "$RUN" --time-scale "$TIME_SCALE" < /dev/null > "$RUN/rigsim.out" &
pids+=($!)
for _ in $(seq 100); do grep -q ' /' "$RUN/rigsim.out" 2>/dev/null && break; sleep 0.1; done
PORT=$(awk 'NR==1 {print $2}' "$RUN/rigsim.out")
echo "Simulated rig: $(head -1 "$RUN/rigsim.out")"

"$BIN/trelonsrv" --config "$RUN/TrelonSrv.ini" --log-dir "$RUN/Logs" &
pids+=($!)
for _ in $(seq 100); do
  /usr/bin/python3 docs/automation_example.py --ping >/dev/null 2>&1 && break
  sleep 0.1
done

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  "$BIN/metrovik" --port "$PORT" --time-scale "$TIME_SCALE" "$@"
else
  echo "No display for Metrovik: a client finds the rig's devices through the server."
  /usr/bin/python3 docs/rig_demo.py "$PORT" 9600
fi
echo "Server log: $(ls -t "$RUN"/Logs/*.log | head -1)"
