#!/usr/bin/env bash
# Shows the service at work: builds it, starts a private system bus with the project's policy,
# starts the daemon on it with the simulated signing driver standing in for /dev/smc_dri, has a
# random challenge signed through busctl, verifies the signature with the driver's public key,
# prints the daemon's log lines, and stops everything again (also when a step fails).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

build=$root/build-demo
cmake -S . -B "$build" -DQUELLARION_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target quellarion smc_sim smc-sim-key >/dev/null
sim_key=$build/tools/smc-sim/smc-sim-key

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
service_env=("DBUS_SYSTEM_BUS_ADDRESS=$address" "LD_PRELOAD=$build/tools/smc-sim/libsmc_sim.so"
             "SMC_SIM_LOG=$work/driver.log")
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
challenge=$(od -An -N32 -tx1 /dev/urandom | tr -d ' \n')
answer=$(call "DeRiViduz" "$challenge" | tee /dev/stderr)
signature=$(sed -n 's/^s "\([0-9a-f]*\)"$/\1/p' <<<"$answer")
echo
echo "challenge:  $challenge"
echo "signature:  $signature"
echo "public key: $("$sim_key" pubkey)"
if verdict=$("$sim_key" verify "$challenge" "$signature"); then
  echo "verdict:    $verdict (Ed25519 signature of the challenge)"
else
  echo "verdict:    ${verdict:-invalid}"
  exit 1
fi
echo
call "Hello" "world"   # an operation the service does not know: answered with the empty string
call "DeRiViduz" "1234" # a challenge of the wrong length

# The caller may see its answer just before the daemon writes its last line.
wait_for test "$(grep -c 'message processed' "$work/service.out")" -ge 3
echo
echo "what reached the driver:"
sed 's/^/  /' "$work/driver.log"
echo
echo "service standard output:"
sed 's/^/  /' "$work/service.out"
echo "service standard error:"
sed 's/^/  /' "$work/service.err"
