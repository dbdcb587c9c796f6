#!/usr/bin/env bash
# Installs what is needed, builds and starts the window program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
if [ -x build/gorvanta ]; then
  exec build/gorvanta "$@"
fi
echo "Built:"; ls -1 build/gorvanta* 2>/dev/null || true
