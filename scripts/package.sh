#!/usr/bin/env bash
# Builds the Debian packages: corvisbench (the workbench under /opt/quintrel/orvane, desktop and
# autostart entries, icons) and corvisbench-tools (corvissim, corvisctlsim, corvisinspect,
# corvistoken and the software token). Writes them to $BUILD_DIR/packages and prints their paths.
#   BUILD_DIR  build folder to use (default build-package, configured without the tests; the
#              test run passes its own build folder, already built)
#   JOBS       parallel build jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-package}
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh >&2
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVIS_TESTS=OFF >&2
fi
cmake --build "$build" -j"$jobs" --target corvis_package_contents >&2
out=$(cd "$build" && pwd)/packages
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$out" >&2)
rm -rf "$out/_CPack_Packages"
ls "$out"/*.deb
