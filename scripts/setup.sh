#!/usr/bin/env bash
# Installs every Debian package that Gorvanta needs to build, run and test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    cmake g++ make ninja-build pkg-config \
    qt6-base-dev qt6-base-dev-tools libgl-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    clang libclang-rt-14-dev \
    xvfb xauth xclip \
    shared-mime-info desktop-file-utils \
    dpkg-dev fakeroot lintian appstream groff-base gzip
