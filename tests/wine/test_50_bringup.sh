# Camera bring-up: 5 s after start the program opens the camera's firmware channel,
# records the camera's identity, gives a newly seen camera the driver defaults, keeps
# the LED byte of its flash in step with the registry, and rotates it once. A second
# start with the same camera changes nothing; a video-interface arrival runs the
# bring-up again, other device notices do not.

DRIVER_KEY='HKCU\SOFTWARE\Velnor VNUVCb'
LED_ADDRESS=0xD000
# The defaults a new camera gets: every proc-amp property at the default its range
# reports (manual), Hue included, then white balance to automatic.
NEW_CAMERA_PROCAMP='procamp 0 128 2|procamp 1 50 2|procamp 2 0 2|procamp 3 64 2|procamp 4 3 2|procamp 5 100 2|procamp 8 1 2|procamp 13 1 2|procamp 7 0 1'
# The custom properties, in the order they reach the camera: the mounting probe's
# rotation, the four driver defaults, the rotation pass of the bring-up.
NEW_CAMERA_SETS='set 7 0|set 0 0|set 6 0|set 5 0|set 4 10|set 7 0'
NOTICE_QUIET_WAIT=1

# The journal lines of one kind, joined with '|'.
journal_joined() {
    vcam_lines | grep -E "$1" | paste -sd'|' -
}

scenario_bringup() {
    camera_setup "bring-up" "ctrl=85" || return
    # The mounting probe's value, then the bring-up's rotation pass.
    start_bringup "bring-up" Tiltmate.exe 2 || return

    reg_read "$DRIVER_KEY"
    check_eq "bring-up: the camera's USB ids are recorded in the driver settings key" \
        "0x7c3e 0x410b" "$(reg_data Camera_VID) $(reg_data Camera_PID)" "$REG_OUT"
    check_eq "bring-up: a new camera gets the proc-amp defaults its ranges report, white balance automatic" \
        "$NEW_CAMERA_PROCAMP" "$(journal_joined '^procamp ')"
    check_eq "bring-up: mounting probe, driver defaults 0/6/5/4, then the first rotation (0)" \
        "$NEW_CAMERA_SETS" "$(journal_joined '^set [0-9]+ ')"
    check_eq "bring-up: the extension unit is reached through its topology node" \
        "1 0" "$(vcam_count '^xu path node$') $(vcam_count '^xu path tunnel$')"
    # No SMBIOS OEM record: the LED default is off.
    check_eq "bring-up: without an OEM record the LED is off: registry, LED register and flash byte 0xD000" \
        "0x0 0x0 led 250d 00 00" \
        "$(reg_data LED_Setting) $(reg_data LED_Def) $(journal_joined '^led ') $(vcam_flash_byte "$CAMERA_USB_PATH" $LED_ADDRESS)"

    # Device notices, each answered before the probe returns.
    local before after
    before=$(vcam_lines | wc -l)
    device_change Tiltmate.exe arrival video
    check_eq "notices: a video interface's arrival is answered 1" "1" "$(value result)" "$(probe_summary)"
    vcam_wait_values "$PROP_ROTATION" 3 5000
    # The same camera: no defaults, but the channel is opened and the LED checked again;
    # no policy value, so the rotation carries the no-rotate flag.
    local added
    added=$(vcam_lines | tail -n +$((before + 1)))
    check_eq "notices: the arrival runs one more bring-up (extension unit, one rotation, no defaults)" \
        "yes 8 0" \
        "$(grep -q '^xu ' <<<"$added" && echo yes || echo no) $(grep -E '^set 7 ' <<<"$added" | cut -d' ' -f3 | paste -sd' ' -) $(grep -cE '^(procamp|set [0456]) ' <<<"$added")"

    before=$(vcam_lines | wc -l)
    local other header
    device_change Tiltmate.exe arrival other
    other=$(value result)
    device_change Tiltmate.exe arrival header-only
    header=$(value result)
    sleep $NOTICE_QUIET_WAIT
    after=$(vcam_lines | wc -l)
    check_eq "notices: another interface class (1) and a volume header (0) run no bring-up" \
        "1 0 0" "$other $header $((after - before))"

    stop_program Tiltmate.exe || { fail "second start: the first Tiltmate ends" "$(probe_summary)"; return; }

    # Second start against the same camera and flash image.
    vcam_journal_path vcam-journal-2.txt
    start_bringup "second start" Tiltmate.exe 1 || return
    check_eq "second start: the same camera gets no defaults and no second mounting probe" \
        "0 set 7 0" "$(vcam_count '^(procamp|set [0456]) ') $(journal_joined '^set [0-9]+ ')"
    reg_read "$DRIVER_KEY"
    check_eq "second start: the LED byte is left as it is (flash loaded with 00, no LED write)" \
        "vcam flash loaded, d000 00 0 0x0 00" \
        "$(journal_joined '^vcam flash') $(vcam_count '^led ') $(reg_data LED_Setting) $(vcam_flash_byte "$CAMERA_USB_PATH" $LED_ADDRESS)"
}

add_scenario scenario_bringup
