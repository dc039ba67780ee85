#!/usr/bin/env bash
# Shows the service at work: builds it, starts a private system bus with the project's policy,
# starts the daemon on it, calls its method with busctl, prints the answers and the daemon's log
# lines, and stops everything again (also when a step fails).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

build=$root/build-demo
cmake -S . -B "$build" -DQUELLARION_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target quellarion >/dev/null

work=$(mktemp -d /tmp/quellarion-demo-XXXXXX)
bus_pid=""
service_pid=""
stop_all() {
  for pid in $service_pid $bus_pid; do
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT

# waits up to five seconds for a command to succeed
wait_for() {
  for _ in $(seq 50); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "gave up waiting for: $*" >&2
  return 1
}

# The private bus: the project's own system-type configuration, socket in the demo's folder.
sed -e "s|@SOCKET_PATH@|$work/system_bus_socket|" \
    -e "s|@POLICY_FILE@|$root/packaging/com.vorlix.quellarion.conf|" \
    tests/support/private_bus.conf.in >"$work/bus.conf"
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 \
  3>"$work/address" 2>"$work/bus.log" &
bus_pid=$!
wait_for test -s "$work/address"
address=$(head -n1 "$work/address")
echo "private system bus: $address"

# The daemon, pointed at that bus. Extra settings for it (a preloaded driver) go into service_env.
service_env=("DBUS_SYSTEM_BUS_ADDRESS=$address")
env "${service_env[@]}" "$build/service/quellarion" >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
name_owned() {
  busctl --address="$address" call org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus NameHasOwner s com.vorlix.quellarion | grep -q true
}
wait_for name_owned
echo "quellarion (pid $service_pid) owns com.vorlix.quellarion"

call() {
  echo "\$ busctl call com.vorlix.quellarion /com/vorlix/quellarion com.vorlix.quellarion" \
       "dovazorerevozoredevo ss -- \"$1\" \"$2\""
  busctl --address="$address" call com.vorlix.quellarion /com/vorlix/quellarion \
    com.vorlix.quellarion dovazorerevozoredevo ss -- "$1" "$2"
}

echo
busctl --address="$address" introspect com.vorlix.quellarion /com/vorlix/quellarion \
  com.vorlix.quellarion
echo
call "Hello" "world"   # an operation the service does not know: answered with the empty string

# The caller may see its answer just before the daemon writes its last line.
wait_for grep -q "message processed" "$work/service.out"
echo
echo "service standard output:"
sed 's/^/  /' "$work/service.out"
echo "service standard error:"
sed 's/^/  /' "$work/service.err"
