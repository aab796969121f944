#!/usr/bin/env bash
# Time from posting WM_DISPLAYCHANGE to the rotation value arriving at the virtual
# camera, under Wine, with the rotation delay set to 0 (so nothing needs subtracting).
# Median of several runs. Not a pass/fail test.
# usage: tests/wine/bench_rotation.sh <win64-build-dir>
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

RUNS=9

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
export WINEPREFIX=$WORK/prefix
make_base_prefix "$WINEPREFIX" "$WORK/wineboot.log" || { echo "wineboot -i failed" >&2; exit 1; }

programs_with_settings '[Rotation]' 'Delay=0' || exit 1
vcam_register camera0 "Tavrin Camera" "$CAMERA_USB_PATH" "" || { echo "vcam registration failed" >&2; exit 1; }
vcam_journal_path
start_and_wait Tiltmate.exe || { echo "Tiltmate did not start" >&2; exit 1; }
vcam_wait_values $PROP_ROTATION 1 20000  # the start bring-up's pass
probe latency Tiltmate.exe 0x7E "$VCAM_JOURNAL" $RUNS
rc=$?
wineserver_kill
echo "$PROBE_OUT"
[ $rc -eq 0 ] || { echo "latency measurement failed (probe exit $rc)" >&2; exit 1; }
echo "WM_DISPLAYCHANGE to the value at the camera (Delay 0): median $(value median_ms) ms over $RUNS runs"
