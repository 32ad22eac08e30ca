#!/usr/bin/env bash
# Builds the program if needed and starts the show from the assets folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh show
# A build of its own without the tests, so that the test packages are not
# needed here and a later test build finds all of its tools.
cmake -S . -B build-show -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCQ_BUILD_TESTS=OFF >/dev/null
cmake --build build-show -j "$(nproc)" --target cquorvath
cd assets
exec ../build-show/cquorvath
