#!/usr/bin/env bash
# system-test.sh: installs the amd64 packages into a minimal Debian 12 booted with systemd-nspawn
# (systemd as PID 1, the real system bus) and checks the service there: bus activation for root
# and for an unprivileged caller, verified signatures, the journal, the capability sets, a new
# activation after a stop, a stop by an upgrade, and a purge that leaves nothing behind
# (tests/system/inside.sh).
# The Debian root is made once by debootstrap and kept in $QUELLARION_SYSTEM_ROOT_CACHE.
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${QUELLARION_SYSTEM_ROOT_CACHE:-/var/cache/quellarion-system-test}
include=systemd,systemd-sysv,dbus,libsodium23
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

packages=(systemd-container debootstrap cmake pkg-config libsodium-dev)
if [ "$(dpkg-query -W -f='${Status}\n' "${packages[@]}" 2>/dev/null | grep -cx 'install ok installed')" != ${#packages[@]} ]; then
  apt-get update -qq -o DPkg::Lock::Timeout=600
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${packages[@]}"
fi
# Packages of this tree (the unit tests ran elsewhere).
DEB_BUILD_OPTIONS=nocheck scripts/package.sh amd64
# The simulated driver and its key tool, from a build of their own.
cmake -S . -B build-system-test -DQUELLARION_TESTS=OFF >/dev/null
cmake --build build-system-test -j2 --target smc_sim smc-sim-key >/dev/null

# The cached root is made from scratch when missing or made with other packages.
if [ "$(cat "$cache/include" 2>/dev/null)" != "$include" ]; then
  rm -rf "$cache"
  mkdir -p "$cache"
  debootstrap --variant=minbase --include="$include" bookworm "$cache/root" \
    http://deb.debian.org/debian >"$cache/debootstrap.log" 2>&1 ||
    fail "debootstrap (see $cache/debootstrap.log)"
  echo "$include" >"$cache/include"
fi

work=$(mktemp -d /var/tmp/quellarion-system-test.XXXXXX)
group=quellarion-system-test-$$
cleanup() {
  for hierarchy in systemd unified; do
    if [ -d "/sys/fs/cgroup/$hierarchy/$group" ]; then
      echo $$ >"/sys/fs/cgroup/$hierarchy/cgroup.procs"
      # The container leaves its own groups below ours.
      find "/sys/fs/cgroup/$hierarchy/$group" -depth -type d -exec rmdir {} + || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Each run boots a copy, so the cached root stays as debootstrap left it.
cp -a "$cache/root" "$work/root"
mkdir -p "$work/test" "$work/out"
cp dist/*_1.0.0_amd64.deb build-system-test/tools/smc-sim/libsmc_sim.so \
  build-system-test/tools/smc-sim/smc-sim-key tests/system/inside.sh "$work/test/"
cat >"$work/root/etc/systemd/system/quellarion-system-test.service" <<'UNIT'
[Unit]
Description=quellarion system test
After=multi-user.target

[Service]
Type=oneshot
ExecStart=/bin/sh /test/inside.sh
ExecStopPost=/bin/systemctl --no-block poweroff

[Install]
WantedBy=multi-user.target
UNIT
ln -s ../quellarion-system-test.service \
  "$work/root/etc/systemd/system/multi-user.target.wants/quellarion-system-test.service"

# systemd-nspawn wants a cgroup of its own here; the host runs no systemd to make one.
for hierarchy in systemd unified; do
  mkdir "/sys/fs/cgroup/$hierarchy/$group"
  echo $$ >"/sys/fs/cgroup/$hierarchy/$group/cgroup.procs"
done
SYSTEMD_NSPAWN_UNIFIED_HIERARCHY=1 timeout 300 systemd-nspawn -D "$work/root" -b \
  --system-call-filter=bpf --console=pipe --private-network --register=no --keep-unit \
  --bind-ro="$work/test:/test" --bind="$work/out:/out" </dev/null >"$work/boot.log" 2>&1 ||
  echo "systemd-nspawn ended with status $?"
rm -rf /run/systemd/nspawn

cat "$work/out/results" 2>/dev/null || true
if ! grep -qx done "$work/out/results" 2>/dev/null || grep -q '^FAIL' "$work/out/results"; then
  echo "--- what the checks printed" >&2
  cat "$work/out/log" >&2 || true
  echo "--- the container's console" >&2
  tail -40 "$work/boot.log" >&2
  fail "system test"
fi
echo "system test passed"
