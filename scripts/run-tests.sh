#!/usr/bin/env bash
# Builds and runs the whole test suite headless. The transport and audio
# libraries are first built and tested with AddressSanitizer and
# UndefinedBehaviorSanitizer (their fuzz targets run briefly there too);
# then the full build with media runs every suite under Xvfb with Mesa's
# software GL. The output ends with CTest's summary of the full build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

echo "== sanitizer and fuzz build of the transport and audio =="
CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$top/build-sanitize" -DCMAKE_BUILD_TYPE=Debug \
  -DSW_LEAVES_ONLY=ON -DSW_SANITIZE=ON -DSW_FUZZ=ON -DSW_WERROR=ON >/dev/null
cmake --build "$top/build-sanitize" -j "$jobs"
(cd "$top/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")

echo "== full build, media and stage =="
SW_WERROR=ON "$top/scripts/build.sh"

echo "== all suites under Xvfb =="
export LIBGL_ALWAYS_SOFTWARE=1
cd "$top/build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs"
