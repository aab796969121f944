#!/usr/bin/env bash
# End-to-end tests of the 64-bit Tiltmate.exe and Viewmate.exe under Wine.
# usage: tests/wine/run.sh <win64-build-dir>
#
# One prefix is booted per run and copied for each scenario, so no scenario sees
# another's registry or files. Everything runs inside one virtual display. Prints
# PASS/FAIL lines and a closing "wine: N passed, M failed"; exits non-zero when a
# check failed. KEEP_WINE_WORK=1 keeps the prefixes and logs for a look afterwards;
# WINE_TESTS_ONLY=<regex> runs only the scenarios whose names match.
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

if [ $# -ne 1 ]; then
    echo "usage: $0 <win64-build-dir>" >&2
    exit 2
fi

if [ -z "${WINE_TESTS_INNER:-}" ]; then
    # Outside the display: set up, hand over, and make sure a summary is printed
    # even when the inner run was killed by its time limit.
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/wine-tests.XXXXXX")
    export WINE_TESTS_WORK=$WORK RESULTS_FILE=$WORK/results
    : >"$RESULTS_FILE"
    # shellcheck disable=SC2317  # called by the EXIT trap
    cleanup() {
        if [ -n "${KEEP_WINE_WORK:-}" ]; then echo "kept $WORK" >&2; else rm -rf "$WORK"; fi
    }
    trap cleanup EXIT

    if ! why=$(wine_require_tools); then
        fail "wine tools present" "$why"
        summarize
        exit 1
    fi
    WINE_TESTS_INNER=1 with_display bash "$0" "$@"
    rc=$?
    if [ ! -f "$WORK/finished" ]; then
        fail "wine run completed" "the run under xvfb-run ended early with code $rc"
        for prefix in "$WORK"/prefix-* "$WORK"/base; do
            [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver_kill
        done
    fi
    if ! summarize; then
        [ -n "${KEEP_WINE_WORK:-}" ] || echo "(KEEP_WINE_WORK=1 keeps prefixes and logs)" >&2
        exit 1
    fi
    exit 0
fi

# Inside the display.
WORK=$WINE_TESTS_WORK
SCENARIO_DIR=$WORK/logs-setup
mkdir -p "$SCENARIO_DIR"

finish() {
    touch "$WORK/finished"
    exit 0
}

if ! PROGRAM_DIR=$(cd "$1" 2>/dev/null && pwd); then
    fail "build directory" "$1 does not exist"
    finish
fi
PROBE_EXE=${PROBE_EXE:-$PROGRAM_DIR/tools/probe/probe.exe}
missing=()
for file in "$PROGRAM_DIR/Tiltmate.exe" "$PROGRAM_DIR/Viewmate.exe" "$PROBE_EXE"; do
    [ -f "$file" ] || missing+=("$file")
done
if [ ${#missing[@]} -gt 0 ]; then
    fail "programs built" "missing ${missing[*]}"
    finish
fi

BASE=$WORK/base
if ! make_base_prefix "$BASE" "$SCENARIO_DIR/wineboot.log"; then
    fail "fresh wine prefix" "wineboot -i failed, see $SCENARIO_DIR/wineboot.log"
    finish
fi

# Where the prefix keeps temporary files, as the programs will ask for it.
TEMP_IN_PREFIX=
export WINEPREFIX=$BASE
if probe tempdir; then
    unix_temp=$(timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" winepath -u "$(value tempdir)" 2>/dev/null </dev/null)
    case "$unix_temp" in
        "$BASE"/*) TEMP_IN_PREFIX=${unix_temp#"$BASE"/} ;;
    esac
fi
wineserver_kill
unset WINEPREFIX

# The virtual camera journals and keeps flash images only where a scenario asks it to.
unset VCAM_JOURNAL VCAM_STATE_DIR

for test_file in "$HERE"/test_*.sh; do
    # shellcheck source=/dev/null
    . "$test_file"
done

for scenario in "${SCENARIOS[@]}"; do
    name=${scenario#scenario_}
    # WINE_TESTS_ONLY=<regex> runs only the scenarios whose names match (for a quick
    # look at one while working on it).
    [[ -z "${WINE_TESTS_ONLY:-}" || $name =~ $WINE_TESTS_ONLY ]] || continue
    export WINEPREFIX=$WORK/prefix-$name
    SCENARIO_DIR=$WORK/logs-$name
    mkdir -p "$SCENARIO_DIR"
    if ! cp -a "$BASE" "$WINEPREFIX"; then
        fail "$name: prefix copy" "cp -a $BASE failed"
        continue
    fi
    # A subshell, so a scenario that returns early leaves nothing behind but the
    # programs it started, which the server's end takes down.
    ("$scenario")
    wineserver_kill
    check_no_monitor_log "$name: no *_Monitor_log.txt in the temp folder"
    [ -n "${KEEP_WINE_WORK:-}" ] || rm -rf "$WINEPREFIX"
done
unset WINEPREFIX
finish
