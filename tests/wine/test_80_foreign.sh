# Messages from another process: a forged start timer, a device-change record of four
# bytes and a second WM_INITDIALOG change nothing; the program's own bring-up and
# device notices go on as before.

FOREIGN_QUIET_WAIT=2

scenario_foreign_messages() {
    camera_setup "foreign" "ctrl=85" || return
    start_bringup "foreign" Tiltmate.exe 2 || return
    local before
    before=$(vcam_lines | wc -l)

    local i
    for i in 1 2 3; do
        probe post Tiltmate.exe 0x113 1224 0  # WM_TIMER, the start timer's id
    done
    sleep $FOREIGN_QUIET_WAIT
    check_eq "foreign: a forged WM_TIMER 1224 after the bring-up runs no second bring-up" \
        "0" "$(vcam_lines | tail -n +$((before + 1)) | grep -cE '^(xu|set) ')"

    device_change Tiltmate.exe arrival short4
    local short=$(value result)
    check_eq "foreign: a 4-byte WM_DEVICECHANGE record is answered 0 and the program stays" \
        "0 1" "$short $(window_count Tiltmate.exe)" "$(probe_summary)"

    probe send Tiltmate.exe 0x110 0 0  # WM_INITDIALOG
    sleep $FOREIGN_QUIET_WAIT
    check_eq "foreign: a WM_INITDIALOG from another process starts nothing" \
        "0" "$(vcam_lines | tail -n +$((before + 1)) | grep -cE '^(xu|set) ')"

    # Still one device registration: one arrival, one bring-up (one more rotation).
    device_change Tiltmate.exe arrival video
    vcam_wait_values "$PROP_ROTATION" 3 5000
    sleep $FOREIGN_QUIET_WAIT
    local added
    added=$(vcam_lines | tail -n +$((before + 1)))
    check_eq "foreign: after it, one video arrival still runs exactly one bring-up (one rotation, the extension unit reached)" \
        "3 yes" "$(vcam_values "$PROP_ROTATION" | wc -w) $(grep -q '^xu ' <<<"$added" && echo yes || echo no)"
}

add_scenario scenario_foreign_messages
