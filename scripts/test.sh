#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the
# release build's tests, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, camdrift-studio's page in headless Chromium
# (on the release build), the Debian package's install check, then a minute
# of fuzzing per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh
(cd build && ctest --output-on-failure -j2)

# The tool sends stderr to /dev/null while videos are open, so sanitizer
# reports go to files, and any file there fails the run.
reports="$PWD/build-asan/sanitizer-reports"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCAMDRIFT_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
rm -rf "$reports" && mkdir -p "$reports"
(cd build-asan &&
    ASAN_OPTIONS="halt_on_error=1:detect_leaks=0:log_path=$reports/asan" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan" \
    ctest --output-on-failure -j2)
if [ -n "$(ls -A "$reports")" ]; then
    echo "Sanitizer reports:"
    cat "$reports"/*
    exit 1
fi

bash scripts/browser-test.sh

# The Debian package, installed and used as an admin would, then removed.
bash scripts/package-check.sh

bash scripts/fuzz.sh 60
echo "All tests passed (release and sanitizer builds, the browser, the package, fuzzing)."
