#!/usr/bin/env bash
# package.sh [amd64|arm64]: builds the Debian packages (quellarion, libboundslib1,
# libboundslib-dev) for the given architecture (default: this machine's), checks them with
# lintian and leaves the .deb files in dist/. An arm64 build is a cross build that skips the
# tests (they run under qemu in scripts/cross-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(dpkg --print-architecture)}
build_arch=$(dpkg --print-architecture)
case $arch in amd64 | arm64) ;; *) echo "usage: $0 [amd64|arm64]" >&2; exit 2 ;; esac

build_options=(-b -us -uc)
cross_options=()
apt_cross_options=()
tools=(build-essential lintian)
export DEB_BUILD_OPTIONS="noautodbgsym ${DEB_BUILD_OPTIONS:-}"
if [ "$arch" != "$build_arch" ]; then
  dpkg --print-foreign-architectures | grep -qx "$arch" || dpkg --add-architecture "$arch"
  export DEB_BUILD_OPTIONS="nocheck $DEB_BUILD_OPTIONS"
  cross_options=(-a "$arch" -Pcross,nocheck)
  apt_cross_options=(-a "$arch" -P cross,nocheck)
  build_options+=("${cross_options[@]}")
  # The cross pkg-config wrapper comes with the target's pkgconf, which the host's satisfies in
  # dpkg's eyes; dpkg-shlibdeps reads the target's C++ runtime (the library's float digits need
  # it) from its own package, which the cross compiler's copy is not.
  tools+=("crossbuild-essential-$arch" "pkgconf:$arch" "libstdc++6:$arch")
fi
# Build dependencies from debian/control (for a cross build: the cross compiler and the :arm64
# development packages).
installed() { [ "$(dpkg-query -W -f='${Status}\n' "$@" 2>/dev/null | grep -cx 'install ok installed')" = $# ]; }
if ! dpkg-checkbuilddeps "${cross_options[@]}" 2>/dev/null || ! installed "${tools[@]}"; then
  apt_options=(-y -qq --no-install-recommends -o DPkg::Lock::Timeout=600)
  apt-get update -qq -o DPkg::Lock::Timeout=600
  DEBIAN_FRONTEND=noninteractive apt-get install "${apt_options[@]}" "${tools[@]}"
  DEBIAN_FRONTEND=noninteractive apt-get build-dep "${apt_options[@]}" "${apt_cross_options[@]}" ./
fi

# Built from a copy of the tree (tracked and new files, as in the working tree), so that the
# build folder and the results, which dpkg-buildpackage writes next to the source, stay in dist/.
work=dist/work-$arch
rm -rf "$work"
mkdir -p "$work/src" dist
git ls-files -z --cached --others --exclude-standard | xargs -0 tar -c | tar -x -C "$work/src"
(cd "$work/src" && dpkg-buildpackage "${build_options[@]}")

changes=$(ls "$work"/quellarion_*_"$arch".changes)
rm -f dist/*_"$arch".deb
cp "$work"/*_"$arch".deb dist/
# Any lintian error or warning fails (an override would go in debian/PACKAGE.lintian-overrides,
# with its reason; there are none).
lintian --fail-on error,warning "$changes"
rm -rf "$work"
ls -1 dist/*_"$arch".deb
