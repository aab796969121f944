#!/usr/bin/env bash
# Median launch time of Tiltmate.exe under Wine: from process creation until its
# main window rests hidden, over 7 starts in one fresh prefix. Not a pass/fail test.
# usage: tests/wine/bench_launch.sh <win64-build-dir>
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

RUNS=7

bench_prelude "$0" "$@"
probe launchtime "$(windows_path "$PROGRAM_DIR/Tiltmate.exe")" $RUNS
rc=$?
wineserver_kill
echo "$PROBE_OUT"
[ $rc -eq 0 ] || { echo "launch measurement failed (probe exit $rc)" >&2; exit 1; }
echo "Tiltmate median launch: $(value median_ms) ms over $RUNS runs"
