#!/usr/bin/env bash
# Builds the Debian package build/gorvanta_VERSION_ARCH.deb: a release build of the two programs (no
# tests, no benchmarks) in build/package with Debian's hardening flags, packed by CPack.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in cmake ninja dpkg-buildflags dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DGORVANTA_BUILD_TESTS=OFF -DGORVANTA_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build build/package -j"$(nproc)"
rm -f build/package/gorvanta_*.deb
(cd build/package && cpack -G DEB)
cp build/package/gorvanta_*.deb build/
ls build/gorvanta_*.deb
