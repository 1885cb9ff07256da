#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build, the build with
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/setup.sh"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

echo "== build and test"
"$top/scripts/build.sh" build -DHEADUNIT_WERROR=$werror
(cd build && ctest --output-on-failure -j2 --timeout 600)

if [ "${SKIP_SANITIZERS:-}" != "1" ]; then
  echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
  "$top/scripts/build.sh" build-asan -DHEADUNIT_WERROR=$werror -DHEADUNIT_SANITIZE=ON -DHEADUNIT_BENCHMARKS=OFF
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp" \
      UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2 --timeout 900)
fi

if [ "${SKIP_FUZZ:-}" != "1" ]; then
  echo "== fuzz targets"
  "$top/scripts/build.sh" build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DHEADUNIT_FUZZ=ON -DHEADUNIT_TESTS=OFF -DHEADUNIT_BENCHMARKS=OFF -DHEADUNIT_WERROR=$werror
  "$top/scripts/fuzz.sh" build-fuzz "${FUZZ_SECONDS:-15}"
fi
