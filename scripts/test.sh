#!/usr/bin/env bash
# Runs every test: the native build, the sanitizer build and the 32-bit
# Windows cross-build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCQ_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE windowed

echo "== 32-bit Windows cross-build, run under Wine"
bash tests/win32/run_wine_tests.sh build build-win32

echo "== fuzzing the decoder and the file loader (clang, libFuzzer, 50 s)"
bash tests/fuzz/run_fuzz.sh build-fuzz 50

# Each stage above stops the script on its first failure.
echo "stages: 4 passed, 0 failed"
