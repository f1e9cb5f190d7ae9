#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test;
# then runs the whole suite once more (the acceptance run aside) under AddressSanitizer and
# UndefinedBehaviorSanitizer,
# and cross-builds the exchange library for 32-bit Windows to check its exports.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 4)
export QT_QPA_PLATFORM=offscreen

run_suite() {
    local dir=$1; shift
    # The benchmarks are built too, so that they keep compiling.
    cmake -S . -B "$dir" -DMANOVERA_WERROR=ON -DMANOVERA_BENCH=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    (cd "$dir" && ctest --output-on-failure -j "$jobs" "${ctest_args[@]+"${ctest_args[@]}"}")
}

echo "== Build and tests"
ctest_args=()
run_suite build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== Build and tests under ASan and UBSan"
# The acceptance run drives the Release build of scripts/run.sh: once is enough.
ctest_args=(-LE acceptance)
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DMANOVERA_SANITIZE=ON

if [ -x scripts/check-exchange-win32.sh ]; then
    echo "== Exchange library for 32-bit Windows"
    bash scripts/check-exchange-win32.sh
fi
