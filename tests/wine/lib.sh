# Shared pieces of the Wine end-to-end tests: the Wine and display set-up, prefixes,
# starting the programs, talking to them through probe.exe, and recording checks.
# Sourced by run.sh, by the bench_*.sh scripts and (through run.sh) by every test_*.sh.
#
# Every call into Wine goes through `timeout`: a hung Wine must end the check that
# met it, never the whole run.

# Variables such as RUN_RC and PROGRAM_RC are set here and read by the scenarios.
# shellcheck disable=SC2034

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
# What the programs under test are: 64 or 32 (run.sh reads it from Tiltmate.exe). A
# 32-bit program starts through /usr/bin/wine, Wine's 32-bit side run by qemu (see
# docs/wine.md); the 64-bit test tools keep the 64-bit loader, which starts in a blink.
WINE_PROGRAM_BITS=${WINE_PROGRAM_BITS:-64}
PROGRAM_WINE=${PROGRAM_WINE:-$WINE}
export WINEDEBUG=${WINEDEBUG:--all}

WINE_CALL_TIMEOUT=30    # seconds for one probe call or short-lived program
PROGRAM_TIMEOUT=300     # a program started in the background lives at most this long
START_TIMEOUT_MS=20000  # the main window must rest hidden within this
SETTLE_MS=200           # ... and stay hidden this long, so start-up is over
DISPLAY_GEOMETRY="1024x768x24"

declare -A PROGRAM_PIDS=()

# --- set-up ------------------------------------------------------------------

# Prints what is missing and fails, so the caller can report it as a check.
wine_require_tools() {
    local missing=()
    [ -x "$WINE" ] || missing+=("$WINE")
    [ -x "$WINESERVER" ] || missing+=("$WINESERVER")
    [ -x "$PROGRAM_WINE" ] || missing+=("$PROGRAM_WINE")
    if [ "$WINE_PROGRAM_BITS" = 32 ] && ! grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
        missing+=("qemu-i386 in binfmt_misc")
    fi
    command -v xvfb-run >/dev/null 2>&1 || missing+=(xvfb-run)
    command -v timeout >/dev/null 2>&1 || missing+=(timeout)
    if [ ${#missing[@]} -gt 0 ]; then
        echo "missing: ${missing[*]} (scripts/setup installs them)"
        return 1
    fi
}

# Runs "$@" inside a fresh virtual X display: Wine needs one for any window, and
# xvfb-run's own default depth of 8 bits is not what a laptop has.
with_display() {
    timeout -k 10 "${DISPLAY_RUN_TIMEOUT:-1800}" \
        xvfb-run -a -s "-screen 0 $DISPLAY_GEOMETRY" "$@"
}

wineserver_kill() {
    timeout -k 5 20 "$WINESERVER" -k >/dev/null 2>&1 || true
}

# Creates a prefix that later prefixes are copied from: booting one takes seconds,
# copying it about one.
make_base_prefix() {
    local prefix=$1 log=$2
    mkdir -p "$prefix"
    WINEPREFIX=$prefix timeout -k 5 180 "$WINE" wineboot -i >>"$log" 2>&1
    local rc=$?
    # Stopping the server writes the registry out before anyone copies the prefix.
    WINEPREFIX=$prefix wineserver_kill
    [ $rc -eq 0 ] && [ -f "$prefix/system.reg" ]
}

# classes_root: where a .reg file writes the classes the programs must find. A 32-bit
# program sees HKCR through the 32-bit view, which a 64-bit regedit reaches by name.
classes_root() {
    if [ "$WINE_PROGRAM_BITS" = 32 ]; then
        printf '%s' 'HKEY_LOCAL_MACHINE\Software\Classes\Wow6432Node'
    else
        printf '%s' 'HKEY_CLASSES_ROOT'
    fi
}

# Z: maps the Unix root in every prefix, so a Unix path needs no Wine call.
windows_path() {
    local path
    path=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# --- results -----------------------------------------------------------------
# Results go to a file: scenarios run in subshells, and the outer script still has
# to count them when the inner one died.

# WINE_RUN_LABEL marks the checks of a run with other programs or another prefix
# ("32-bit", "win10"), so the same check of two runs reads apart.
pass() {
    echo "PASS ${WINE_RUN_LABEL:+[$WINE_RUN_LABEL] }$1"
    echo PASS >>"$RESULTS_FILE"
}

fail() {
    echo "FAIL ${WINE_RUN_LABEL:+[$WINE_RUN_LABEL] }$1: $2"
    echo FAIL >>"$RESULTS_FILE"
}

check_eq() {  # name expected actual [detail]
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'${4:+ ($4)}"; fi
}

# Prints the closing line and returns non-zero when anything failed.
summarize() {
    local passed failed
    passed=$(grep -c '^PASS$' "$RESULTS_FILE" 2>/dev/null)
    failed=$(grep -c '^FAIL$' "$RESULTS_FILE" 2>/dev/null)
    echo "wine: ${passed:-0} passed, ${failed:-0} failed"
    [ "${failed:-0}" -eq 0 ] && [ "${passed:-0}" -gt 0 ]
}

# --- probe.exe ---------------------------------------------------------------

# probe <args...>: runs probe.exe; its key=value lines land in PROBE_OUT, its exit
# code is returned (124 when Wine itself hung).
probe() {
    local limit=$WINE_CALL_TIMEOUT
    # Commands that wait get their own time plus Wine's start-up on top.
    case "$1" in
        wait | waitexit | openfile | dlgstate | balloon) limit=$(($3 / 1000 + WINE_CALL_TIMEOUT)) ;;
        openfile-cancel) limit=$(($2 / 1000 + WINE_CALL_TIMEOUT)) ;;
        waitwindow | waitgone) limit=$(($4 / 1000 + WINE_CALL_TIMEOUT)) ;;
        launchtime) limit=$(($3 * 40 + WINE_CALL_TIMEOUT)) ;;  # 20 s start + 15 s end per run, at worst
    esac
    PROBE_OUT=$(timeout -k 5 "$limit" "$WINE" "$PROBE_EXE" "$@" </dev/null 2>>"$SCENARIO_DIR/probe.stderr")
    local rc=$?
    printf '%s\n' "--- probe $* -> $rc" "$PROBE_OUT" >>"$SCENARIO_DIR/probe.log"
    return $rc
}

# value <key>: the value of one key in the last probe answer.
value() {
    sed -n "s/^$1=//p" <<<"$PROBE_OUT" | head -n 1
}

# One line of the answer for a failure message, without the line breaks.
probe_summary() {
    tr '\n' ' ' <<<"$PROBE_OUT" | cut -c1-200
}

check_probe() {  # name probe-args...
    local name=$1
    shift
    probe "$@"
    local rc=$?
    if [ $rc -eq 0 ]; then
        pass "$name"
    else
        fail "$name" "probe $1 exit $rc: $(probe_summary)"
        return 1
    fi
}

window_count() {  # exe
    # Under qemu a probe call now and then loses its start-up race on a loaded
    # machine; one answer is all we need, so ask up to three times.
    local try n
    for try in 1 2 3; do
        if probe count "$1" >/dev/null; then
            n=$(value count)
            [ -n "$n" ] && { echo "$n"; return 0; }
        fi
        sleep 0.5
    done
    return 1
}

# wait_state <exe> <key> <value> <timeout-ms>: polls the window state until a key
# has the value; fails on timeout with the last state in PROBE_OUT.
wait_state() {
    local exe=$1 key=$2 want=$3 limit=$4
    local deadline=$((SECONDS + (limit + 999) / 1000))
    while :; do
        if probe state "$exe" && [ "$(value "$key")" = "$want" ]; then return 0; fi
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}

# --- programs ----------------------------------------------------------------

# start_program <exe>: starts build-dir/<exe> under Wine in the background, from
# the build directory, as a user double-clicking it would.
start_program() {
    local exe=$1
    (cd "$PROGRAM_DIR" && exec timeout -k 5 "$PROGRAM_TIMEOUT" "$PROGRAM_WINE" "$PROGRAM_DIR/$exe") \
        </dev/null >>"$SCENARIO_DIR/$exe.log" 2>&1 &
    PROGRAM_PIDS[$exe]=$!
}

# start_and_wait <exe>: starts it and waits until its main window rests hidden.
start_and_wait() {
    start_program "$1"
    probe wait "$1" "$START_TIMEOUT_MS" "$SETTLE_MS"
}

# run_program <exe> <seconds>: runs it in the foreground, bounded; sets RUN_RC
# (124 when it was still running at the limit) and RUN_SECONDS.
run_program() {
    local exe=$1 limit=$2 start=$SECONDS
    (cd "$PROGRAM_DIR" && exec timeout -k 5 "$limit" "$PROGRAM_WINE" "$PROGRAM_DIR/$exe") \
        </dev/null >>"$SCENARIO_DIR/$exe.log" 2>&1
    RUN_RC=$?
    RUN_SECONDS=$((SECONDS - start))
}

# wait_program_exit <exe> <seconds>: waits (bounded) for the background start of
# <exe> to end and sets PROGRAM_RC to its exit code, or to "running" / "not started".
# Not for $(...): only this shell can collect its own children's exit codes.
wait_program_exit() {
    local pid=${PROGRAM_PIDS[$1]:-} limit=$2 i
    PROGRAM_RC="not started"
    [ -n "$pid" ] || return 1
    for ((i = 0; i < limit * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    PROGRAM_RC=running
    kill -0 "$pid" 2>/dev/null && return 1
    wait "$pid"
    PROGRAM_RC=$?
}

# --- scenarios ---------------------------------------------------------------

SCENARIOS=()

# Each test_*.sh registers its scenario functions here, in the order they run.
add_scenario() {
    SCENARIOS+=("$1")
}

# The program writes no log of its own; any such file in a temp folder of the
# prefix means a trace went to disk. TEMP_IN_PREFIX is the temp folder the prefix
# reported, relative to the prefix; the usual spots are looked at as well.
check_no_monitor_log() {
    local name=$1 dirs=() found=()
    [ -n "${TEMP_IN_PREFIX:-}" ] && dirs+=("$WINEPREFIX/$TEMP_IN_PREFIX")
    dirs+=("$WINEPREFIX"/drive_c/users/*/Temp "$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp
        "$WINEPREFIX"/drive_c/windows/temp)
    local restore
    restore=$(shopt -p nullglob nocaseglob)
    shopt -s nullglob nocaseglob
    local dir real
    declare -A seen=()
    for dir in "${dirs[@]}"; do
        # dosdevices/c: and drive_c are one folder seen twice.
        real=$(cd -P "$dir" 2>/dev/null && pwd) || continue
        [ -n "${seen[$real]:-}" ] && continue
        seen[$real]=1
        found+=("$real"/*_monitor_log.txt)
    done
    eval "$restore"
    if [ ${#found[@]} -eq 0 ]; then
        pass "$name"
    else
        fail "$name" "found ${found[*]#"$WINEPREFIX"/}"
    fi
}

# --- the virtual camera (tools/vcam) ---------------------------------------------
# vcam.dll is listed in the video input category like a camera driver's capture
# filter; what the camera receives is journaled as "<friendly name>\t<line>".

VCAM_CLSID='{576EE25F-5045-4DC8-AF52-EFC8C05933C6}'
VCAM_PAGE_CLSID='{5B1E7C42-9A3D-4F60-B821-4CE70A936D15}'  # sim::kPropertyPage
VIDEO_INPUT_CATEGORY='{860BB310-5D01-11d0-BD3B-00A0C911CE86}'

# A REG_SZ value as a .reg file writes it.
reg_file_string() {
    local text=${1//\\/\\\\}
    printf '"%s"' "${text//\"/\\\"}"
}

# vcam_register <instance-name> <friendly-name> <device-path> [options]: lists one
# camera in the current prefix. Devices list in the order of their instance names.
# Options, separated by commas or blanks (tools/vcam/vcam.cpp has the full list):
# "nocustom" makes the driver refuse the custom property interface; "nohue" leaves
# its proc amp without a Hue range; "noks" / "notopology" leave out IKsControl /
# IKsTopologyInfo; "ctrl=<hex>" and "variant=<hex>" set the controller's id and
# variant registers; "flash=<hex>|unknown|blank" the flash type; "secondset" and
# "notready=<n>" how the extension unit answers; "ledbyte=<hex>" the LED byte of a
# fresh flash; "nopages" leaves out the property page.
vcam_register() {
    local instance=$1 friendly=$2 device_path=$3 options=${4:-}
    local dll=${VCAM_DLL:-$PROGRAM_DIR/tools/vcam/vcam.dll}
    if [ ! -f "$dll" ]; then
        echo "vcam_register: $dll is missing" | tee -a "$SCENARIO_DIR/vcam.log" >&2
        return 1
    fi
    local reg
    reg=$(mktemp "$SCENARIO_DIR/vcam-XXXXXX.reg")
    {
        printf 'REGEDIT4\r\n\r\n'
        printf '[%s\\CLSID\\%s\\Instance\\%s]\r\n' "$(classes_root)" "$VIDEO_INPUT_CATEGORY" "$instance"
        printf '"FriendlyName"=%s\r\n' "$(reg_file_string "$friendly")"
        printf '"CLSID"=%s\r\n' "$(reg_file_string "$VCAM_CLSID")"
        printf '"DevicePath"=%s\r\n' "$(reg_file_string "$device_path")"
        printf '"VcamOptions"=%s\r\n\r\n' "$(reg_file_string "$options")"
        printf '[%s\\CLSID\\%s\\InprocServer32]\r\n' "$(classes_root)" "$VCAM_CLSID"
        printf '@=%s\r\n' "$(reg_file_string "$(windows_path "$dll")")"
        printf '"ThreadingModel"="Both"\r\n\r\n'
        # The camera's property page, served by the same DLL.
        printf '[%s\\CLSID\\%s\\InprocServer32]\r\n' "$(classes_root)" "$VCAM_PAGE_CLSID"
        printf '@=%s\r\n' "$(reg_file_string "$(windows_path "$dll")")"
        printf '"ThreadingModel"="Both"\r\n\r\n'
    } >"$reg"
    # regedit answers 0 whatever happened: read the entry back to know.
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" regedit /S "$(windows_path "$reg")" \
        </dev/null >>"$SCENARIO_DIR/vcam.log" 2>&1
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query \
        "HKCR\\CLSID\\$VIDEO_INPUT_CATEGORY\\Instance\\$instance" /v DevicePath "/reg:$WINE_PROGRAM_BITS" \
        </dev/null >>"$SCENARIO_DIR/vcam.log" 2>&1
}

# vcam_journal_path: the programs started after this journal what their cameras
# receive to a fresh file of the scenario (VCAM_JOURNAL_FILE, the Unix side).
# vcam_journal_path [file-name]: the same, into another file of the scenario (for a
# second program run whose journal is read on its own).
vcam_journal_path() {
    VCAM_JOURNAL_FILE=$SCENARIO_DIR/${1:-vcam-journal.txt}
    rm -f "$VCAM_JOURNAL_FILE"
    VCAM_JOURNAL=$(windows_path "$VCAM_JOURNAL_FILE")
    export VCAM_JOURNAL
}

# vcam_values <property> [friendly-name]: the values the cameras (or the one named)
# were set to for a property, in order, one a line. Refused sets are not values.
vcam_values() {
    [ -f "${VCAM_JOURNAL_FILE:-}" ] || return 0
    awk -F'\t' -v property="$1" -v name="${2-}" '
        name != "" && $1 != name { next }
        { n = split($2, word, " ") }
        n == 3 && word[1] == "set" && word[2] == property && word[3] ~ /^[0-9]+$/ { print word[3] }
    ' "$VCAM_JOURNAL_FILE"
}

# vcam_procamp_sets <property> [friendly-name]: the proc-amp sets the cameras (or the
# one named) accepted for a property, in order, one "<value> <flags>" a line.
vcam_procamp_sets() {
    [ -f "${VCAM_JOURNAL_FILE:-}" ] || return 0
    awk -F'\t' -v property="$1" -v name="${2-}" '
        name != "" && $1 != name { next }
        { n = split($2, word, " ") }
        n == 4 && word[1] == "procamp" && word[2] == property { print word[3], word[4] }
    ' "$VCAM_JOURNAL_FILE"
}

# vcam_wait_values <property> <count> <timeout-ms>: waits until the journal holds at
# least <count> values of the property; fails at the timeout.
vcam_wait_values() {
    local deadline=$((SECONDS + ($3 + 999) / 1000))
    while [ "$(vcam_values "$1" | wc -l)" -lt "$2" ]; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}

# --- devices (probe imaging / probe devicechange) ---------------------------------
# Wine has no camera hardware: a test leaves the Imaging-class device record a
# camera's driver installation would, and announces devices itself.

# imaging_add <instance-id> <hardware-id>: an Imaging-class device with that one
# hardware id, listed (by every process of the prefix) until imaging_remove. Wine
# reports the instance id upper-cased.
imaging_add() {
    probe imaging add "$1" "$2"
}

# imaging_remove <instance-id>: removes it (the id is matched without regard to case).
imaging_remove() {
    probe imaging remove "$1"
}

# device_change <exe> <arrival|removal> <video|other|header-only|{class-guid}>: sends
# WM_DEVICECHANGE to the program's main window, with a device-interface record of
# the camera's video interface (video), of another interface class (other) or only
# the header of a volume record (header-only). The answer is `value result`.
device_change() {
    probe devicechange "$1" "$2" "$3"
}

# --- a camera's firmware side (tools/vcam) -------------------------------------------

# The built-in camera as its USB driver registers it: the video interface's device
# path, the Imaging-class device of the composite device's interface, its hardware id.
CAMERA_USB_PATH='\\?\usb#vid_7c3e&pid_410b&mi_00#6&2d8a7d2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
CAMERA_INSTANCE_ID='USB\VID_7C3E&PID_410B&MI_00\6&2D8A7D2&0&0000'
CAMERA_HARDWARE_ID='USB\VID_7C3E&PID_410B&REV_0100'

# vcam_state_path: the cameras of the programs started after this keep their flash
# images in the scenario's folder (VCAM_STATE_DIR_UNIX), one file per device path, so
# a second run of a program meets the flash the first one left.
vcam_state_path() {
    VCAM_STATE_DIR_UNIX=$SCENARIO_DIR/vcam-state
    mkdir -p "$VCAM_STATE_DIR_UNIX"
    VCAM_STATE_DIR=$(windows_path "$VCAM_STATE_DIR_UNIX")
    export VCAM_STATE_DIR
}

# vcam_flash_file <device-path>: the file holding that camera's flash image; the
# virtual camera names it so: letters and digits kept, everything else '_'.
vcam_flash_file() {
    local name
    name=$(LC_ALL=C && printf '%s' "${1//[^A-Za-z0-9]/_}")
    printf '%s/%s.flash' "$VCAM_STATE_DIR_UNIX" "$name"
}

# vcam_flash_byte <device-path> <offset>: one byte of the camera's flash as two hex
# digits, or "missing" when the camera never saved an image.
vcam_flash_byte() {
    local file
    file=$(vcam_flash_file "$1")
    if [ ! -f "$file" ]; then
        echo missing
        return
    fi
    od -An -tx1 -j "$(($2))" -N1 "$file" | tr -d ' \n'
}

# vcam_lines [friendly-name]: what the cameras (or the one named) journaled, without
# the name, one line each.
vcam_lines() {
    [ -f "${VCAM_JOURNAL_FILE:-}" ] || return 0
    awk -F'\t' -v name="${1-}" 'name == "" || $1 == name { print $2 }' "$VCAM_JOURNAL_FILE"
}

# vcam_count <extended-regex>: how many journal lines match.
vcam_count() {
    vcam_lines | grep -cE "$1"
}

# --- programs with a settings file -------------------------------------------------

# programs_with_settings <line>...: copies the two programs into the scenario's folder
# with a bkg.ini of these lines beside them (CR LF ends, as an installer writes it) and
# runs them from there; the build directory stays untouched. The virtual camera is
# still taken from the build.
programs_with_settings() {
    local dir=$SCENARIO_DIR/programs
    mkdir -p "$dir"
    VCAM_DLL=${VCAM_DLL:-$PROGRAM_DIR/tools/vcam/vcam.dll}
    cp "$PROGRAM_DIR/Tiltmate.exe" "$PROGRAM_DIR/Viewmate.exe" "$dir/" || return 1
    printf '%s\r\n' "$@" >"$dir/bkg.ini"
    PROGRAM_DIR=$dir
}

# --- registry ----------------------------------------------------------------------

# reg_read <key> [/reg:64]: reads every value of a key into REG_OUT, one
# "name type data" line each (REG_DWORD data as 0x...); empty when the key is missing.
reg_read() {
    REG_OUT=$(timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query "$@" </dev/null 2>>"$SCENARIO_DIR/reg.log" |
        tr -d '\r' | awk 'NF >= 3 && $0 ~ /^    / { print }')
}

# reg_data <value-name>: the data of one value of the last reg_read, or "missing".
reg_data() {
    local data
    data=$(awk -v name="$1" '$1 == name { print $3; exit }' <<<"$REG_OUT")
    echo "${data:-missing}"
}

# reg_write <reg add arguments...>: writes a value; fails (and says so in the
# scenario's reg.log) when Wine refused it.
reg_write() {
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg add "$@" /f </dev/null >>"$SCENARIO_DIR/reg.log" 2>&1
}

# --- camera bring-up -------------------------------------------------------------------

# How long the first bring-up may take to reach the camera: the start timer is 5 s,
# the rest is margin for a loaded machine.
BRINGUP_TIMEOUT_MS=20000
PROP_ROTATION=7

# camera_setup <label> <vcam options> [bkg.ini line...]: the built-in camera named
# "Integrated Camera" with those options, its Imaging-class device, a journal and a
# flash folder for the scenario, and the programs beside a bkg.ini that picks that
# camera and turns the LED check on (lines given replace that file).
camera_setup() {
    local label=$1 options=$2
    shift 2
    [ $# -gt 0 ] || set -- '[Snap]' 'VideoFriendly=Integrated Camera' '[Rotation]' 'Delay=100' '[LED]' 'LedCtrl=1'
    if ! programs_with_settings "$@"; then
        fail "$label: the programs are copied beside a bkg.ini" "see the scenario's folder"
        return 1
    fi
    if ! vcam_register camera0 "Integrated Camera" "$CAMERA_USB_PATH" "$options"; then
        fail "$label: the virtual camera registers" "see $SCENARIO_DIR/vcam.log"
        return 1
    fi
    if ! imaging_add "$CAMERA_INSTANCE_ID" "$CAMERA_HARDWARE_ID"; then
        fail "$label: the camera's Imaging device is created" "$(probe_summary)"
        return 1
    fi
    vcam_state_path
    vcam_journal_path
}

# rotation_values_line: the rotation values the camera received, on one line.
rotation_values_line() {
    vcam_values "$PROP_ROTATION" | tr '\n' ' ' | sed 's/ $//'
}

# start_bringup <label> <exe> <rotation-values>: starts the program and waits until
# the camera has received that many rotation values in all (each bring-up ends by
# rotating the camera once, so the last one marks the end of the start bring-up).
start_bringup() {
    local label=$1 exe=$2 count=$3
    start_and_wait "$exe" || { fail "$label: $exe starts" "$(probe_summary)"; return 1; }
    if ! vcam_wait_values "$PROP_ROTATION" "$count" "$BRINGUP_TIMEOUT_MS"; then
        fail "$label: the start bring-up of $exe reaches the camera" \
            "rotation values: '$(rotation_values_line)', $(vcam_lines | wc -l) journal lines"
        return 1
    fi
}

# stop_program <exe>: asks it to end as the companion's tools do and waits (bounded).
stop_program() {
    probe send "$1" 0x49B 0 0  # WM_USER+155; a program that ends may not answer
    probe waitexit "$1" 10000
}

# --- benchmarks ----------------------------------------------------------------------

# bench_prelude <script> <win64-build-dir>: runs the benchmark script again on a
# virtual display with a fresh work folder (the outer call exits with its result);
# inside, sets WORK, SCENARIO_DIR, PROGRAM_DIR, PROBE_EXE and a fresh WINEPREFIX.
bench_prelude() {
    local script=$1
    shift
    if [ $# -ne 1 ]; then
        echo "usage: $script <win64-build-dir>" >&2
        exit 2
    fi
    if [ -z "${WINE_BENCH_INNER:-}" ]; then
        local why work rc
        why=$(wine_require_tools) || { echo "$why" >&2; exit 1; }
        work=$(mktemp -d "${TMPDIR:-/tmp}/wine-bench.XXXXXX")
        WINE_BENCH_INNER=1 WINE_BENCH_WORK=$work DISPLAY_RUN_TIMEOUT=600 with_display bash "$script" "$@"
        rc=$?
        rm -rf "$work"
        exit $rc
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
}

# --- snapshot hand-over (tools/snapview) ---------------------------------------------
# Snapview.exe marks each start with a line "cmdline=<its command line>" in a file of
# the scenario; snapwin.exe is a window titled "Snap" that logs the messages it gets
# ("msg=0x<n> wparam=0x<n> lparam=0x<n>", after a first "ready hwnd=..." line).

SNAP_CONTROL_KEY='HKCU\Software\Velnor QM410B\CONTROL'  # bkg.ini's default RegSnap
SNAP_DST_VALUE=HwSnapDstPath                            # ... RegSnapDstPath
SNAP_OK_VALUE=HwSnapSaveOK                              # ... RegSnapOK
SNAP_TAKEN=0x497  # WM_USER+151
SNAP_READY=0x465  # WM_USER+101, what the "Snap" window is sent
SNAP_CMD_TRAY=32778
SNAP_CMD_BUTTON=1005  # BN_CLICKED is 0: the button's WM_COMMAND wParam is its id
CSIDL_MYPICTURES=39
SNAP_DIALOG_TIMEOUT_MS=20000

# snap_setup <label> [bkg.ini line...]: the programs beside a bkg.ini of those lines
# (default: one that changes nothing of the snapshot names) and beside Snapview.exe,
# whose starts go to SNAP_MARK_FILE.
snap_setup() {
    local label=$1
    shift
    [ $# -gt 0 ] || set -- '[Rotation]' 'Delay=0'
    SNAP_TOOLS_DIR=${SNAP_TOOLS_DIR:-$PROGRAM_DIR/tools/snapview}
    if [ ! -f "$SNAP_TOOLS_DIR/Snapview.exe" ] || [ ! -f "$SNAP_TOOLS_DIR/snapwin.exe" ]; then
        fail "$label: the snapshot test tools are built" "missing in $SNAP_TOOLS_DIR"
        return 1
    fi
    if ! programs_with_settings "$@" || ! cp "$SNAP_TOOLS_DIR/Snapview.exe" "$PROGRAM_DIR/"; then
        fail "$label: the programs are copied beside a bkg.ini and Snapview.exe" "see $SCENARIO_DIR"
        return 1
    fi
    SNAP_MARK_FILE=$SCENARIO_DIR/snapview-mark.txt
    rm -f "$SNAP_MARK_FILE"
    SNAPVIEW_MARK=$(windows_path "$SNAP_MARK_FILE")
    export SNAPVIEW_MARK
}

# snap_control_key [key]: creates the per-user control key (an installer's part; the
# program only opens it).
snap_control_key() {
    reg_write "${1:-$SNAP_CONTROL_KEY}"
}

# snap_key_exists [key]: whether the control key is there at all.
snap_key_exists() {
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query "${1:-$SNAP_CONTROL_KEY}" </dev/null >/dev/null 2>&1
}

# snap_stored_path [key] [value]: the REG_SZ data of the store path value, blanks and
# all, or "missing".
snap_stored_path() {
    local key=${1:-$SNAP_CONTROL_KEY} name=${2:-$SNAP_DST_VALUE} out
    out=$(timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query "$key" /v "$name" </dev/null 2>>"$SCENARIO_DIR/reg.log" |
        tr -d '\r' | awk -v name="$name" 'index($0, "    " name "    REG_SZ    ") == 1 {
            print substr($0, length("    " name "    REG_SZ    ") + 1); found = 1; exit }
            END { if (!found) print "missing" }')
    echo "${out:-missing}"
}

# snap_choose <exe> tray|button <windows-path>|cancel: runs the store-path command
# (the tray item or the Browse button) and answers the open-file dialog; returns the
# probe's code (0 when the dialog was answered and closed).
snap_choose() {
    local exe=$1 how=$2 path=$3 command=$SNAP_CMD_TRAY
    [ "$how" = button ] && command=$SNAP_CMD_BUTTON
    probe post "$exe" 0x111 "$command" 0 || return 1
    if [ "$path" = cancel ]; then
        probe openfile-cancel "$SNAP_DIALOG_TIMEOUT_MS"
    else
        probe openfile "$path" "$SNAP_DIALOG_TIMEOUT_MS"
    fi
}

# snap_settled <exe>: returns once the main window answers a sent message again, i.e.
# the command that ran the dialog has returned to the message loop (bounded).
snap_settled() {
    probe send "$1" 0 0 0  # WM_NULL
}

# snap_pictures_folder: the user's pictures folder as the prefix reports it. Asked up
# to three times: once in a full run with the 32-bit programs the question failed while
# a program was starting under qemu, and passed in every run alone (probe.log has each).
snap_pictures_folder() {
    local attempt
    for attempt in 1 2 3; do
        probe specialfolder "$CSIDL_MYPICTURES" && { value path; return 0; }
        [ "$attempt" = 3 ] || sleep 1
    done
    return 1
}

# snap_upper <text>: the text with its ASCII letters upper-cased.
snap_upper() {
    # shellcheck disable=SC2018,SC2019  # ASCII only, as the program upper-cases
    LC_ALL=C tr 'a-z' 'A-Z' <<<"$1"
}

# snap_viewer_starts: how often Snapview.exe was started in this scenario.
snap_viewer_starts() {
    if [ -f "${SNAP_MARK_FILE:-}" ]; then grep -c '^cmdline=' "$SNAP_MARK_FILE"; else echo 0; fi
}

# snap_wait_viewer_starts <count> <timeout-ms>: waits until Snapview.exe was started
# at least <count> times.
snap_wait_viewer_starts() {
    local deadline=$((SECONDS + ($2 + 999) / 1000))
    while [ "$(snap_viewer_starts)" -lt "$1" ]; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}

# snap_window_start [lifetime-ms]: starts snapwin.exe (the "Snap" window) in the
# background, logging to SNAP_WINDOW_LOG, and waits until its window exists.
snap_window_start() {
    local lifetime=${1:-120000}
    SNAP_WINDOW_LOG=$SCENARIO_DIR/snapwin-log.txt
    rm -f "$SNAP_WINDOW_LOG"
    timeout -k 5 $((lifetime / 1000 + WINE_CALL_TIMEOUT)) "$WINE" "$SNAP_TOOLS_DIR/snapwin.exe" \
        "$(windows_path "$SNAP_WINDOW_LOG")" "$lifetime" </dev/null >>"$SCENARIO_DIR/snapwin.stderr" 2>&1 &
    SNAP_WINDOW_PID=$!
    snap_wait_window_line '^ready ' 10000
}

# snap_window_count <extended-regex>: how many lines of the "Snap" window's log match.
snap_window_count() {
    if [ -f "${SNAP_WINDOW_LOG:-}" ]; then tr -d '\r' <"$SNAP_WINDOW_LOG" | grep -cE "$1"; else echo 0; fi
}

# snap_wait_window_line <extended-regex> <timeout-ms>: waits until the log has such a line.
snap_wait_window_line() {
    local deadline=$((SECONDS + ($2 + 999) / 1000))
    while [ "$(snap_window_count "$1")" -eq 0 ]; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}

# snap_window_ended <seconds>: waits (bounded) for snapwin.exe to end; fails if it runs on.
snap_window_ended() {
    local i
    [ -n "${SNAP_WINDOW_PID:-}" ] || return 1
    for ((i = 0; i < $1 * 10; i++)); do
        kill -0 "$SNAP_WINDOW_PID" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# --- the audio effect channel (tools/afdrv, tools/afctl) ------------------------------
# afdrv.sys stands in for the camera microphone's audio driver: it answers the effect
# requests on "<audio interface path>\AF" and journals every request the channel
# receives (OPEN / CLOSE / GET / SET / IOCTL lines, see af_journal). afctl.exe installs
# it as a kernel service, creates the device ROOT\MEDIA\0000 with its audio interface,
# and reads and steers the driver through a control device of its own (those requests
# are not journaled). Wine ends the driver with the prefix's server, so af_install
# keeps one afctl.exe waiting in the background for the rest of the scenario.

AF_INTERFACE_PATH='\\?\root#media#0000#{2d94e7b1-3a60-4c8f-b5e2-91f0c6a8d47e}'
AF_DEFAULT_HARDWARE_ID='USB\VID_7C3E&PID_410B&MI_02'
AF_DEFAULT_DESCRIPTION='USB Camera Microphone'

# Beside probe.exe in the build, whatever programs_with_settings did to PROGRAM_DIR.
af_tools_dir() {
    printf '%s' "${AF_TOOLS_DIR:-$(dirname "$(dirname "$PROBE_EXE")")}"
}

# afctl <args...>: runs afctl.exe; its lines land in AF_OUT, its exit code is returned
# (124 when Wine itself hung).
afctl() {
    local exe
    exe=$(af_tools_dir)/afctl/afctl.exe
    AF_OUT=$(timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" "$exe" "$@" </dev/null 2>>"$SCENARIO_DIR/afctl.stderr")
    local rc=$?
    printf '%s\n' "--- afctl $* -> $rc" "$AF_OUT" >>"$SCENARIO_DIR/afctl.log"
    return $rc
}

# af_value <key>: the value of one key in the last afctl answer.
af_value() {
    sed -n "s/^$1=//p" <<<"$AF_OUT" | head -n 1
}

# One line of the last answer for a failure message.
af_summary() {
    tr '\n' ' ' <<<"$AF_OUT" | cut -c1-200
}

# af_install [options]: installs and starts the driver in the current prefix, with the
# device, its interface (listed as present) and the channel; sets AF_PATH (the
# interface path) and AF_INSTALL_MS. Options as afctl install takes them:
# --description TEXT (default "USB Camera Microphone"), --hwid TEXT (default
# USB\VID_7C3E&PID_410B&MI_02), --states BF,AEC,NS (initial states, e.g. 1,0,1; default
# all 0), --fail-get (every GET fails), --fail-set (every SET fails), --short-get (GET
# succeeds with 4 bytes returned), --odd-state (GET answers state 7), --refuse-open
# (the channel cannot be opened). A second call in the same scenario replaces the
# description, hardware id, states and modes of the running driver.
af_install() {
    local dir
    dir=$(af_tools_dir)
    local file
    for file in "$dir/afctl/afctl.exe" "$dir/afdrv/afdrv.sys"; do
        if [ ! -f "$file" ]; then
            echo "af_install: $file is missing" | tee -a "$SCENARIO_DIR/afctl.log" >&2
            return 1
        fi
    done
    if [ -z "${AF_HOLD_PID:-}" ] || ! kill -0 "$AF_HOLD_PID" 2>/dev/null; then
        timeout -k 5 "$PROGRAM_TIMEOUT" "$WINE" "$dir/afctl/afctl.exe" hold "$PROGRAM_TIMEOUT" \
            </dev/null >>"$SCENARIO_DIR/afctl-hold.log" 2>&1 &
        AF_HOLD_PID=$!
    fi
    afctl install "$(windows_path "$dir/afdrv/afdrv.sys")" "$@" || return 1
    AF_PATH=$(af_value path)
    AF_INSTALL_MS=$(af_value install_ms)
}

# af_path: the audio interface path the device's interface has under Wine.
af_path() {
    printf '%s' "${AF_PATH:-$AF_INTERFACE_PATH}"
}

# af_mode [--states BF,AEC,NS] [failure modes...]: the failure modes named are on, all
# others off; the states change only when given.
af_mode() {
    afctl mode "$@"
}

# af_journal: every request the channel received since the install or the last
# af_clear, one line each, in order:
#   OPEN status=ok                                    (a CreateFile of <path>\AF)
#   CLOSE                                             (its last handle closed)
#   GET <effect> in=<n> out=<n> sent=<state byte sent> tail=<0|1> info=<n> status=ok|0x...
#   SET <effect> <state> in=<n> out=<n> tail=<0|1> info=<n> status=ok|0x...
#   IOCTL 0x<code> in=<n> out=<n> info=<n> status=0x...    (any other request)
# in/out are the buffer lengths the caller gave; tail=1 when bytes 5..11 of the block
# were not all zero; "-" marks a field the input was too short to carry. Fails (and
# prints nothing) when the driver cannot be reached.
af_journal() {
    afctl journal || return 1
    grep -v -E '^(count|dropped)=' <<<"$AF_OUT"
}

# af_requests: the effect requests only, shortened to "GET <effect>" / "SET <effect>
# <state>", one a line.
af_requests() {
    af_journal | awk '$1 == "GET" { print $1, $2 } $1 == "SET" { print $1, $2, $3 }'
}

# af_requests_line: the same on one line, joined with ", ".
af_requests_line() {
    af_requests | paste -sd',' - | sed 's/,/, /g'
}

# af_count <extended-regex>: how many journal lines match.
af_count() {
    af_journal | grep -cE "$1"
}

# af_clear: empties the journal.
af_clear() {
    afctl clear
}

# af_states: the driver's current states as "AEC=x NS=y BF=z".
af_states() {
    afctl states && printf '%s' "$AF_OUT"
}

# af_get <effect> [--in N] [--out N]: one GET on the channel as the program sends it
# (one buffer for input and output); `af_value state` is the byte at offset 4 and
# `af_value returned` the bytes returned. Fails when the request fails.
af_get() {
    afctl get "$@" --path "$(af_path)"
}

# af_set <effect> <state> [--in N]: one SET on the channel.
af_set() {
    afctl set "$@" --path "$(af_path)"
}

# af_list: the present interfaces of the audio interface class, as a SetupDi listing
# shows them: "interface=", "description=", "hardware_id=" lines each, then "count=".
af_list() {
    afctl list
}

# af_unlink / af_link: the interface stops (starts) being listed as present; the
# channel itself stays openable (af_mode --refuse-open closes it).
af_unlink() {
    afctl unlink
}

af_link() {
    afctl link
}

# --- the Windows 8 branch: the prefix's version, the app-visibility test class -------
# A fresh prefix reports 6.1; at "win10" (or "win8") a program without a supported-OS
# list in its manifest sees 6.2, as on a real Windows 8.1, 10 or 11, and takes its
# Windows 8 branch: it creates CLSID_AppVisibility and subscribes to its events. Wine
# has no such class; tools/avis is one, tools/avctl raises its changes (see avis.cpp).

APPVISIBILITY_CLSID='{7E5FE3D9-985F-4908-91F9-EE19F9FD1514}'

# prefix_windows_version <win10|win8|win7>: the version the current prefix reports to
# the programs started after this.
prefix_windows_version() {
    reg_write 'HKCU\Software\Wine' /v Version /d "$1"
}

# avis_register: registers the app-visibility test class of the programs' own build
# in the current prefix, `Apartment` as the shell's own; its journal goes to
# AVIS_JOURNAL_FILE (exported to the programs as AVIS_JOURNAL).
avis_register() {
    local dll=${AVIS_DLL:-}
    if [ ! -f "$dll" ]; then
        echo "avis_register: '$dll' is missing" | tee -a "$SCENARIO_DIR/reg.log" >&2
        return 1
    fi
    local reg
    reg=$(mktemp "$SCENARIO_DIR/avis-XXXXXX.reg")
    {
        printf 'REGEDIT4\r\n\r\n'
        printf '[%s\\CLSID\\%s\\InprocServer32]\r\n' "$(classes_root)" "$APPVISIBILITY_CLSID"
        printf '@=%s\r\n' "$(reg_file_string "$(windows_path "$dll")")"
        printf '"ThreadingModel"="Apartment"\r\n\r\n'
    } >"$reg"
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" regedit /S "$(windows_path "$reg")" \
        </dev/null >>"$SCENARIO_DIR/reg.log" 2>&1
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query "HKCR\\CLSID\\$APPVISIBILITY_CLSID\\InprocServer32" \
        "/reg:$WINE_PROGRAM_BITS" </dev/null >>"$SCENARIO_DIR/reg.log" 2>&1 || return 1
    avis_journal_path
}

# avis_journal_path: the class journals to the scenario's folder from now on.
avis_journal_path() {
    AVIS_JOURNAL_FILE=$SCENARIO_DIR/avis-journal.txt
    rm -f "$AVIS_JOURNAL_FILE"
    AVIS_JOURNAL=$(windows_path "$AVIS_JOURNAL_FILE")
    export AVIS_JOURNAL
}

# avis_lines: the class's journal, one line each (create, IsLauncherVisible visible=n,
# GetAppVisibilityOnMonitor mode=n, Advise cookie=n thread=t, event <n> launcher
# visible=n sinks=n thread=t, event <n> monitor previous=n current=n sinks=n thread=t,
# Unadvise cookie=n, release).
avis_lines() {
    [ -f "${AVIS_JOURNAL_FILE:-}" ] && tr -d '\r' <"$AVIS_JOURNAL_FILE"
    return 0
}

# avis_wait_line <extended-regex> <timeout-ms>: waits until the journal has such a line.
avis_wait_line() {
    local deadline=$((SECONDS + ($2 + 999) / 1000))
    until avis_lines | grep -qE "$1"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.05
    done
}

# avctl <args...>: runs avctl.exe (launcher 1|0, monitor <mode>, state); its lines land
# in AVCTL_OUT. A change returns 0 once the sinks have had it.
avctl() {
    AVCTL_OUT=$(timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" "$WINE_TOOLS_DIR/avctl/avctl.exe" "$@" \
        </dev/null 2>>"$SCENARIO_DIR/avctl.stderr")
    local rc=$?
    printf '%s\n' "--- avctl $* -> $rc" "$AVCTL_OUT" >>"$SCENARIO_DIR/avctl.log"
    return $rc
}

# program_output <exe>: what the program wrote to its standard output (and error).
program_output() {
    [ -f "$SCENARIO_DIR/$1.log" ] && tr -d '\r' <"$SCENARIO_DIR/$1.log"
    return 0
}
