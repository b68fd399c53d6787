#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one
# on a copy of its seed corpus and on its kept findings. Fails on any finding.
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
targets=(job_script view_crop)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCAMDRIFT_FUZZ=ON -DCAMDRIFT_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

runs="$PWD/build-fuzz/runs"
for target in "${targets[@]}"; do
    fuzzer="build-fuzz/fuzz/fuzz_$target"
    if [ ! -x "$fuzzer" ]; then
        echo "clang can't build libFuzzer targets here: $fuzzer is missing" >&2
        exit 1
    fi
    # Kept findings first: each must pass as it is.
    regressions=(fuzz/regressions/"$target"/*)
    if [ -e "${regressions[0]}" ]; then
        "$fuzzer" "${regressions[@]}"
    fi
    # A copy, so the inputs the run adds stay out of the repository.
    rm -rf "$runs/$target" && mkdir -p "$runs/$target" "$runs/findings-$target"
    cp fuzz/corpus/"$target"/* "$runs/$target/"
    echo "Fuzzing $target for $seconds s"
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$runs/findings-$target/" "$runs/$target" 2>"$runs/$target.log" || {
        tail -n 60 "$runs/$target.log"
        echo "fuzz_$target found a problem; the input is in $runs/findings-$target/" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units' "$runs/$target.log"
done
