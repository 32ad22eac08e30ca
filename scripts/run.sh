#!/usr/bin/env bash
# Builds the program if needed and starts the show from the assets folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target cquorvath
cd assets
exec ../build/cquorvath
