#!/bin/sh
# Runs every libFuzzer target of a fuzz build (cmake --preset fuzz) for a
# while, each on a working corpus of its own that starts from the seeds in
# fuzz/corpus/<target> and keeps growing from run to run. Prints what ran
# (executions, coverage, corpus) and every crash file; exits non-zero when a
# target found a failing input.
#
#   scripts/fuzz.sh BUILD-FOLDER SECONDS-PER-TARGET
set -eu
build=$1
seconds=$2
list=$build/fuzz/targets.txt
work=$build/fuzz-work
if [ ! -f "$list" ]; then
    echo "fuzz: no fuzz build in $build" >&2
    exit 1
fi
failed=0
while read -r name dictionary seeds; do
    corpus=$work/corpus/$name
    artifacts=$work/artifacts/$name
    log=$work/$name.log
    mkdir -p "$corpus" "$artifacts"
    echo "fuzz: $name for ${seconds}s"
    status=0
    "$build/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -dict="$dictionary" -artifact_prefix="$artifacts/" -timeout=20 -rss_limit_mb=2048 \
        "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    features=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    inputs=$(find "$corpus" -type f | wc -l)
    echo "fuzz $name: ${executions:-?} executions, coverage ${coverage:-?} edges," \
        "${features:-?} features, corpus $inputs inputs (log $log)"
    crashes=$(find "$artifacts" -type f)
    if [ "$status" -ne 0 ] || [ -n "$crashes" ]; then
        failed=1
        echo "fuzz $name: FAILED (exit $status)"
        for crash in $crashes; do
            echo "fuzz $name: crash file $crash"
        done
        grep -m 5 -E 'ERROR|check failed|runtime error' "$log" || true
    fi
done <"$list"
if [ "$failed" -ne 0 ]; then
    echo "fuzz: a target failed; replay a crash file with: $build/fuzz/<target>_fuzz <crash file>"
fi
exit "$failed"
