#!/usr/bin/env bash
# Runs every test: installs the missing Debian packages, builds, runs the unit, widget and
# whole-program tests, checks the Debian packages (scripts/package-check.sh), then the sanitizer
# build (core library, unit tests, fuzz targets) with each fuzz target for a bounded time.
#   FUZZ_SECONDS  seconds per fuzz target (default 20)
#   JOBS          parallel build and test jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh

echo "== build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs"
echo "== packages"
scripts/package-check.sh build

echo "== sanitizer build"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVIS_GUI=OFF -DCORVIS_SANITIZE=ON -DCORVIS_FUZZ=ON
cmake --build build-asan -j"$jobs"
echo "== tests under ASan and UBSan"
ctest --test-dir build-asan --output-on-failure -j"$jobs"
echo "== fuzzing"
scripts/run-fuzzers.sh build-asan "${FUZZ_SECONDS:-20}"
echo "== all tests passed"
