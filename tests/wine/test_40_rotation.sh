# Rotation: the program tells the camera how to turn its picture (custom property 7)
# when the display settings change and, debounced, on gravity-rotate events. Xvfb's
# display never turns, so the values here come from the policy alone; orientations
# are covered by the simulated machine.

WM_SETTINGCHANGE=0x1A
WM_DISPLAYCHANGE=0x7E
WM_GRAVITY_ROTATE=0x2C8
PROP_ROTATION=7
NO_ROTATE=8  # the policy's default when no value says otherwise

# The USB form of a camera's device path, as the driver registers it.
TAVRIN_PATH='\\?\usb#vid_7c3e&pid_410b&mi_00#6&2d8a7d2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'

# How long a message that must journal nothing more is given to do so: the gravity
# debounce is 300 ms.
QUIET_WAIT=1

# The rotation values the camera has received, on one line.
rotation_values() {
    vcam_values $PROP_ROTATION | tr '\n' ' ' | sed 's/ $//'
}

# rotation_start <scenario-label> <friendly-name>: a camera, a journal, Tiltmate
# resting hidden.
rotation_start() {
    if ! vcam_register camera0 "$2" "$TAVRIN_PATH"; then
        fail "$1: the virtual camera registers" "see $SCENARIO_DIR/vcam.log"
        return 1
    fi
    vcam_journal_path
    start_and_wait Tiltmate.exe || { fail "$1: Tiltmate starts" "$(probe_summary)"; return 1; }
}

# settings_change_twice: two display-settings changes, each answered before the
# next is sent; waits (bounded) for <count> rotation values in all.
settings_change_twice() {
    probe send Tiltmate.exe $WM_SETTINGCHANGE 0 0
    probe send Tiltmate.exe $WM_SETTINGCHANGE 0 0
    vcam_wait_values $PROP_ROTATION 2 5000
}

# gravity_burst: posts five gravity-rotate events 100 ms apart from one probe process
# and prints the milliseconds measured between the posts.
gravity_burst() {
    probe postburst Tiltmate.exe $WM_GRAVITY_ROTATE 5 100 | sed -n 's/^gap_ms=//p' | tr '\n' ' '
}

scenario_rotation_default() {
    rotation_start "rotation" "Tavrin Camera" || return
    settings_change_twice
    check_eq "rotation: the first value after start is 0, then no policy value means no-rotate" \
        "0 $NO_ROTATE" "$(rotation_values)"

    # Five gravity events 100 ms apart: each restarts the debounce, so one value.
    local gaps
    gaps=$(gravity_burst)
    echo "ms between gravity posts: $gaps" >>"$SCENARIO_DIR/gravity.log"
    vcam_wait_values $PROP_ROTATION 3 5000
    sleep $QUIET_WAIT
    check_eq "rotation: five gravity-rotate events in a burst set the camera once" \
        "0 $NO_ROTATE $NO_ROTATE" "$(rotation_values)" "ms between posts: $gaps"

    probe send Tiltmate.exe $WM_DISPLAYCHANGE 32 $(((768 << 16) | 1024))
    vcam_wait_values $PROP_ROTATION 4 5000
    check_eq "rotation: a display mode change (WM_DISPLAYCHANGE) sets the camera again" \
        "0 $NO_ROTATE $NO_ROTATE $NO_ROTATE" "$(rotation_values)"
}

scenario_rotation_policy() {
    if ! timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg add 'HKLM\SOFTWARE\Harbek\Camera\Integrated' \
        /v NoRotationInMetro /t REG_DWORD /d 0 /reg:64 /f </dev/null >>"$SCENARIO_DIR/reg.log" 2>&1; then
        fail "rotation policy: the policy value is written" "see $SCENARIO_DIR/reg.log"
        return
    fi
    rotation_start "rotation policy" "Tavrin Camera" || return
    settings_change_twice
    check_eq "rotation policy: NoRotationInMetro=0 lets the camera rotate after the first value" \
        "0 0" "$(rotation_values)"
}

scenario_rotation_other_camera() {
    rotation_start "rotation, other camera" "Other Camera" || return
    probe send Tiltmate.exe $WM_SETTINGCHANGE 0 0
    probe send Tiltmate.exe $WM_SETTINGCHANGE 0 0
    sleep $QUIET_WAIT
    local journal=
    [ -f "$VCAM_JOURNAL_FILE" ] && journal=$(tr '\n\t' '|:' <"$VCAM_JOURNAL_FILE")
    check_eq "rotation, other camera: a camera whose name does not match is left alone" "" "$journal"
}

add_scenario scenario_rotation_default
add_scenario scenario_rotation_policy
add_scenario scenario_rotation_other_camera
