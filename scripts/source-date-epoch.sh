#!/bin/sh
# Prints the time every time stamp of a build is taken from, in seconds since
# 1970: SOURCE_DATE_EPOCH when the caller sets it, else the time of the
# checkout's last commit, else a fixed time (a source tree without git). So
# two builds of the same commit write the same times, wherever and whenever
# they run.
set -eu
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
    exit 0
fi
root=$(cd "$(dirname "$0")/.." && pwd)
if epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
    echo "$epoch"
else
    # 2026-01-01 00:00:00 UTC
    echo 1767225600
fi
