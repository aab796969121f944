#!/usr/bin/env bash
# Median launch time of Tiltmate.exe under Wine: from process creation until its
# main window rests hidden, over 7 starts in one fresh prefix. Not a pass/fail test.
# usage: tests/wine/bench_launch.sh <win64-build-dir>
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

RUNS=7

if [ $# -ne 1 ]; then
    echo "usage: $0 <win64-build-dir>" >&2
    exit 2
fi

if [ -z "${WINE_BENCH_INNER:-}" ]; then
    why=$(wine_require_tools) || { echo "$why" >&2; exit 1; }
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/wine-bench.XXXXXX")
    trap 'rm -rf "$WORK"' EXIT
    WINE_BENCH_INNER=1 WINE_BENCH_WORK=$WORK DISPLAY_RUN_TIMEOUT=600 with_display bash "$0" "$@"
    exit $?
fi

WORK=$WINE_BENCH_WORK
SCENARIO_DIR=$WORK
PROGRAM_DIR=$(cd "$1" && pwd) || exit 1
PROBE_EXE=${PROBE_EXE:-$PROGRAM_DIR/tools/probe/probe.exe}
for file in "$PROGRAM_DIR/Tiltmate.exe" "$PROBE_EXE"; do
    [ -f "$file" ] || { echo "missing $file" >&2; exit 1; }
done

export WINEPREFIX=$WORK/prefix
make_base_prefix "$WINEPREFIX" "$WORK/wineboot.log" || { echo "wineboot -i failed" >&2; exit 1; }
probe launchtime "$(windows_path "$PROGRAM_DIR/Tiltmate.exe")" $RUNS
rc=$?
wineserver_kill
echo "$PROBE_OUT"
[ $rc -eq 0 ] || { echo "launch measurement failed (probe exit $rc)" >&2; exit 1; }
echo "Tiltmate median launch: $(value median_ms) ms over $RUNS runs"
