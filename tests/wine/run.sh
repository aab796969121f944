#!/usr/bin/env bash
# End-to-end tests of Tiltmate.exe and Viewmate.exe under Wine.
# usage: tests/wine/run.sh <build-dir>
#
# One prefix is booted per run and copied for each scenario, so no scenario sees
# another's registry or files. Everything runs inside one virtual display. Prints
# PASS/FAIL lines and a closing "wine: N passed, M failed"; exits non-zero when a
# check failed. KEEP_WINE_WORK=1 keeps the prefixes and logs for a look afterwards;
# WINE_TESTS_ONLY=<regex> runs only the scenarios whose names match, WINE_TESTS_SKIP=<regex>
# leaves out those whose names match.
#
# The build may be either: the programs of the 32-bit build run through Wine's 32-bit
# side (docs/wine.md); the test tools (probe, drivers, viewer) are always 64-bit, taken
# from WINE_TOOLS_DIR (default <build-dir>/tools, so set it to the 64-bit build's tools
# for a 32-bit build). WINE_WINDOWS_VERSION=win10 makes every prefix report Windows 10
# (6.2 to the programs), with the app-visibility test class registered; WINE_RUN_LABEL
# marks the checks of such a run.
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

if [ $# -ne 1 ]; then
    echo "usage: $0 <build-dir>" >&2
    exit 2
fi

# The programs' kind, from Tiltmate.exe's PE header: machine 0x14c is i386.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j 60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] && od -An -tx2 -j $((offset + 4)) -N2 "$1" | tr -d ' '
}
if [ "$(pe_machine "$1/Tiltmate.exe")" = 014c ]; then
    export WINE_PROGRAM_BITS=32 PROGRAM_WINE=${PROGRAM_WINE:-/usr/bin/wine}
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
WINE_TOOLS_DIR=$(cd "${WINE_TOOLS_DIR:-$PROGRAM_DIR/tools}" 2>/dev/null && pwd) || WINE_TOOLS_DIR=$PROGRAM_DIR/tools
PROBE_EXE=${PROBE_EXE:-$WINE_TOOLS_DIR/probe/probe.exe}
SNAP_TOOLS_DIR=${SNAP_TOOLS_DIR:-$WINE_TOOLS_DIR/snapview}
# What the programs load in process comes from their own build.
AVIS_DLL=${AVIS_DLL:-$PROGRAM_DIR/tools/avis/avis.dll}
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
if [ -n "${WINE_WINDOWS_VERSION:-}" ]; then
    # Every scenario's prefix is a copy of this one: all run as on that Windows, with
    # the app-visibility class a real one has.
    if ! prefix_windows_version "$WINE_WINDOWS_VERSION" || ! avis_register; then
        fail "prefix at $WINE_WINDOWS_VERSION with the app-visibility class" "see $SCENARIO_DIR/reg.log"
        finish
    fi
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
    # WINE_TESTS_SKIP=<regex> leaves out the scenarios whose names match.
    [[ -n "${WINE_TESTS_SKIP:-}" && $name =~ $WINE_TESTS_SKIP ]] && continue
    export WINEPREFIX=$WORK/prefix-$name
    SCENARIO_DIR=$WORK/logs-$name
    mkdir -p "$SCENARIO_DIR"
    if ! cp -a "$BASE" "$WINEPREFIX"; then
        fail "$name: prefix copy" "cp -a $BASE failed"
        continue
    fi
    # At another Windows version each scenario's programs journal to the scenario's
    # own file, so the run can tell they took that version's branch.
    [ -n "${WINE_WINDOWS_VERSION:-}" ] && avis_journal_path
    # A subshell, so a scenario that returns early leaves nothing behind but the
    # programs it started, which the server's end takes down.
    ("$scenario")
    wineserver_kill
    if [ -n "${WINE_WINDOWS_VERSION:-}" ]; then
        if avis_lines | grep -q '^Advise '; then
            pass "$name: the programs saw 6.2 and followed the Start screen"
        else
            fail "$name: the programs saw 6.2 and followed the Start screen" "no Advise in $AVIS_JOURNAL_FILE"
        fi
    fi
    check_no_monitor_log "$name: no *_Monitor_log.txt in the temp folder"
    [ -n "${KEEP_WINE_WORK:-}" ] || rm -rf "$WINEPREFIX"
done
unset WINEPREFIX
finish
