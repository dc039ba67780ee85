#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and demonstrates with. Packages that are
# already there are not fetched again, so a second run costs nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3 clang
  libgtest-dev libbenchmark-dev libfmt-dev
  libsystemd-dev libsodium-dev
  dbus-daemon dbus-bin systemd   # private test bus, dbus-send, busctl
  libcap2-bin util-linux         # capsh, setpriv
  valgrind                       # leak checks of the daemon
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
