#!/usr/bin/env bash
# Time from posting WM_DISPLAYCHANGE to the rotation value arriving at the virtual
# camera, under Wine, with the rotation delay set to 0 (so nothing needs subtracting).
# Median of several runs. Not a pass/fail test.
# usage: tests/wine/bench_rotation.sh <win64-build-dir>
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

RUNS=9

bench_prelude "$0" "$@"

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
