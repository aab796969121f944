#!/usr/bin/env bash
# The Wine figures of scripts/bench, each as a ratio to a minimal program doing the
# same job (tools/minstart, tools/minrotate), in one prefix on one display. Each
# figure takes several rounds; a round measures the program and its minimal program
# back to back (the order alternates from round to round) and gives one ratio, so a
# machine that slows down for a while slows both sides of the rounds it falls in.
#   - start-up to the hidden resident window: Tiltmate.exe against minstart.exe
#     (probe launchtime, LAUNCH_STARTS starts of each per round, median of them);
#   - WM_DISPLAYCHANGE to the rotation value at the virtual camera, with one camera
#     registered and then with eight: Tiltmate.exe against minrotate.exe (probe
#     latency, LATENCY_RUNS posts to each per round, median of them), Delay=0.
# Prints one line per figure:
#   <figure> ratio_median=<r> ratio_min=<r> ratio_max=<r> program_ms=<ms> minimal_ms=<ms> rounds=<n>
# (program_ms and minimal_ms: medians over the rounds). Not a pass/fail test.
# usage: tests/wine/bench_ratios.sh <win64-build-dir>
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

ROUNDS=${BENCH_ROUNDS:-11}
LAUNCH_STARTS=3
LATENCY_RUNS=9
WM_DISPLAYCHANGE=0x7E

bench_prelude "$0" "$@"
TOOLS_DIR=$PROGRAM_DIR/tools
for file in "$TOOLS_DIR/minstart/minstart.exe" "$TOOLS_DIR/minrotate/minrotate.exe"; do
    [ -f "$file" ] || { echo "missing $file" >&2; exit 1; }
done

# The programs and both minimal programs side by side, beside one bkg.ini.
programs_with_settings '[Rotation]' 'Delay=0' || { echo "cannot copy the programs" >&2; exit 1; }
cp "$TOOLS_DIR/minstart/minstart.exe" "$TOOLS_DIR/minrotate/minrotate.exe" "$PROGRAM_DIR/" || exit 1

# ratio_line <figure> <file of "program-ms minimal-ms" lines, one a round>
ratio_line() {
    awk -v figure="$1" '
        function median(a, n,   i, j, t) {
            for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
            return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
        }
        $1 > 0 && $2 > 0 { n++; p[n] = $1; m[n] = $2; r[n] = $1 / $2 }
        END {
            if (n == 0) { print figure " error=no rounds"; exit 1 }
            lo = r[1]; hi = r[1]
            for (i = 1; i <= n; i++) { if (r[i] < lo) lo = r[i]; if (r[i] > hi) hi = r[i] }
            printf "%s ratio_median=%.2f ratio_min=%.2f ratio_max=%.2f program_ms=%.1f minimal_ms=%.1f rounds=%d\n",
                figure, median(r, n), lo, hi, median(p, n), median(m, n), n
        }' "$2"
}

# launch_ms <exe>: the median start-up of LAUNCH_STARTS starts, in ms.
launch_ms() {
    probe launchtime "$(windows_path "$PROGRAM_DIR/$1")" "$LAUNCH_STARTS" || return 1
    value median_ms
}

# latency_ms <exe>: the median of LATENCY_RUNS display changes, in ms.
latency_ms() {
    probe latency "$1" "$WM_DISPLAYCHANGE" "$VCAM_JOURNAL" "$LATENCY_RUNS" || return 1
    value median_ms
}

# paired <figure> <measure-function> <program> <minimal>: the rounds of one figure.
paired() {
    local figure=$1 measure=$2 program=$3 minimal=$4 round p m
    local rounds_file=$WORK/$figure.rounds
    : >"$rounds_file"
    for ((round = 1; round <= ROUNDS; round++)); do
        if ((round % 2)); then
            p=$($measure "$program") && m=$($measure "$minimal")
        else
            m=$($measure "$minimal") && p=$($measure "$program")
        fi || { echo "$figure: round $round failed: $(probe_summary)" >&2; return 1; }
        echo "$p $m" >>"$rounds_file"
        echo "$figure round $round: $program $p ms, $minimal $m ms" >&2
    done
    ratio_line "$figure" "$rounds_file"
}

# warm <exe>: one display change, answered (the first binding of a camera in a process
# journals the camera's plug-in; that is no part of the figure).
warm() {
    probe latency "$1" "$WM_DISPLAYCHANGE" "$VCAM_JOURNAL" 1 >/dev/null
    sleep 2  # the rest of that pass
}

status=0

# Start-up, with no camera: one start of each first, so neither side pays for Wine
# loading its libraries the first time.
launch_ms Tiltmate.exe >/dev/null && launch_ms minstart.exe >/dev/null
paired launch launch_ms Tiltmate.exe minstart.exe || status=1

# The display change, with one camera and then eight (all named "Tavrin Camera"; the
# program sets its chosen one, the minimal program each).
vcam_register camera0 "Tavrin Camera" "$CAMERA_USB_PATH" "" || { echo "vcam registration failed" >&2; exit 1; }
vcam_journal_path
start_and_wait Tiltmate.exe || { echo "Tiltmate did not start: $(probe_summary)" >&2; exit 1; }
start_and_wait minrotate.exe || { echo "minrotate did not start: $(probe_summary)" >&2; exit 1; }
vcam_wait_values "$PROP_ROTATION" 1 20000  # Tiltmate's start bring-up ends with a rotation
sleep 1
warm Tiltmate.exe && warm minrotate.exe
paired latency1 latency_ms Tiltmate.exe minrotate.exe || status=1

for i in 1 2 3 4 5 6 7; do
    vcam_register "camera$i" "Tavrin Camera" "${CAMERA_USB_PATH/0&0000#/0&000$i#}" "" ||
        { echo "vcam registration $i failed" >&2; exit 1; }
done
warm Tiltmate.exe && warm minrotate.exe
paired latency8 latency_ms Tiltmate.exe minrotate.exe || status=1

wineserver_kill
exit $status
