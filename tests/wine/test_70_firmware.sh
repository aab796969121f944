# How the program reaches the camera's controller: through the topology node or,
# when the driver publishes no topology, through the custom property tunnel; and
# which controller families each program opens.

# The extension-unit requests of a journal as "<request> <selector>", each once.
xu_requests() {
    vcam_lines | awk '$1 == "xu" && ($2 == "set" || $2 == "get" || $2 == "len") { print $2, $3 }' |
        sort -u | paste -sd',' -
}

scenario_tunnel() {
    # The flash's LED byte is 1 before the program first sees the camera.
    camera_setup "tunnel" "notopology ledbyte=1" || return
    start_bringup "tunnel" Tiltmate.exe 2 || return
    check_eq "tunnel: without a topology every extension-unit request goes through property 35" \
        "1 0 yes" \
        "$(vcam_count '^xu path tunnel$') $(vcam_count '^xu path node$') $(vcam_count '^xu (set|get|len) ' >/dev/null && echo yes)"
    check_eq "tunnel: the controller is opened: the new camera gets its defaults" \
        "9 4" "$(vcam_count '^procamp ') $(vcam_count '^set [0456] ')"
    reg_read 'HKCU\SOFTWARE\Velnor VNUVCb'
    check_eq "tunnel: the LED check rewrites the flash's 1 with the registry's 0" \
        "0x0 led 250d 00 00" \
        "$(reg_data LED_Setting) $(vcam_lines | grep '^led ' | paste -sd'|' -) $(vcam_flash_byte "$CAMERA_USB_PATH" 0xD000)"
}

scenario_controller_family() {
    # Family 0xE0, behind a unit that answers the second property set after two
    # not-ready answers.
    camera_setup "family 0xE0" "ctrl=e5 secondset notready=2" || return
    vcam_journal_path vcam-journal-tiltmate.txt
    start_and_wait Tiltmate.exe || { fail "family 0xE0: Tiltmate starts" "$(probe_summary)"; return; }
    vcam_journal_path vcam-journal-viewmate.txt
    start_bringup "family 0xE0" Viewmate.exe 2 || return
    check_eq "family 0xE0: Viewmate opens the camera and writes the defaults of a new camera" \
        "9 4" "$(vcam_count '^procamp ') $(vcam_count '^set [0456] ')"
    reg_read 'HKCU\SOFTWARE\Velnor VNUVCb'
    check_eq "family 0xE0: Viewmate's LED check: register 0x250D and flash byte 0xD000 set to 0" \
        "0x0 led 250d 00 00" \
        "$(reg_data LED_Setting) $(vcam_lines | grep '^led ' | paste -sd'|' -) $(vcam_flash_byte "$CAMERA_USB_PATH" 0xD000)"

    VCAM_JOURNAL_FILE=$SCENARIO_DIR/vcam-journal-tiltmate.txt
    if ! vcam_wait_values "$PROP_ROTATION" 1 "$BRINGUP_TIMEOUT_MS"; then
        fail "family 0xE0: Tiltmate's start bring-up reaches the camera" "$(vcam_lines | wc -l) journal lines"
        return
    fi
    # Tiltmate reads the id register (twice: the reads must agree) and passes the
    # camera over: nothing follows but the rotation pass.
    check_eq "family 0xE0: Tiltmate only reads the id register (e5, twice), then rotates; no defaults, no LED" \
        "get 11,get 3,set 2 | 2 | 0 0 | set 7 0" \
        "$(xu_requests) | $(vcam_count '^xu get 3 -> e5$') | $(vcam_count '^(procamp|set [0456]) ') $(vcam_count '^led ') | $(vcam_lines | grep -E '^set [0-9]+ ' | paste -sd'|' -)"
}

add_scenario scenario_tunnel
add_scenario scenario_controller_family
