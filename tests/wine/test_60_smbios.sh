# The machine's OEM record in the SMBIOS table: its mounting code turns the camera's
# picture (the mounting probe of a new camera and every rotation pass after the
# first), and its LED bit is the LED setting a camera gets on its first bring-up.

SMBIOS_KEY='HKLM\SYSTEM\CurrentControlSet\Services\mssmbios\Data'
POLICY_KEY='HKLM\SOFTWARE\Harbek\Camera\Integrated'
WM_SETTINGCHANGE=0x1A

# The raw SMBIOS data as Windows keeps it: an 8-byte header, a system structure as
# filler, the OEM structure of type 0x85 with the marker at its offset 5, the record
# (type 0x85, length 15, handle, 2, 5, byte 6, devInfo 0x00000206: mounting code 6 and
# the LED bit 9, four more bytes), and the end-of-table structure; each structure is
# followed by the empty string set (00 00).
smbios_oem_data() {
    local filler='0104010000 00'
    local marker='850D020001 5F51585F4F454D5F 0000'
    local record='850F030002 0500 06020000 00000000 0000'
    local end='7F04FFFF 0000'
    local table="$filler$marker$record$end"
    table=${table// /}
    printf '00020800%02X000000%s' $((${#table} / 2)) "$table"
}

scenario_smbios() {
    # The flash holds LED byte 0, so setting it to 1 raises a bit: only an erase does that.
    camera_setup "smbios" "ctrl=b0 flash=7c ledbyte=0" || return
    if ! reg_write "$SMBIOS_KEY" /v SMBiosData /t REG_BINARY /d "$(smbios_oem_data)" ||
        ! reg_write "$POLICY_KEY" /v NoRotationInMetro /t REG_DWORD /d 0 /reg:64; then
        fail "smbios: the OEM record and the policy value are written" "see $SCENARIO_DIR/reg.log"
        return
    fi
    start_bringup "smbios" Tiltmate.exe 2 || return
    # Mounting code 6 is a half turn: the probe sends 2; the rotation pass after start
    # always sends 0.
    check_eq "smbios: mounting code 6 makes the mounting probe send 2, then the start value 0" \
        "2 0" "$(rotation_values_line)"

    probe send Tiltmate.exe $WM_SETTINGCHANGE 0 0
    vcam_wait_values "$PROP_ROTATION" 3 5000
    # Xvfb's orientation 0, remapped for code 6, and no no-rotate flag (policy 0).
    check_eq "smbios: a settings change then sends orientation 0 remapped for code 6: 2" \
        "2 0 2" "$(rotation_values_line)"

    # Family 0xB0 keeps its LED in 0x250F; flash 0x7C erases sectors with D7.
    reg_read 'HKCU\SOFTWARE\Velnor VNUVCb'
    check_eq "smbios: LED bit 9 set: LED_Setting 1, LED_Def 1, register 0x250F 1, flash byte 0xD000 1" \
        "0x1 0x1 led 250f 01 01" \
        "$(reg_data LED_Setting) $(reg_data LED_Def) $(vcam_lines | grep '^led ' | paste -sd'|' -) $(vcam_flash_byte "$CAMERA_USB_PATH" 0xD000)"
    check_eq "smbios: the LED sector is erased with the erase opcode of the flash found (D7)" \
        "1" "$(vcam_lines | grep -A3 '^fw spi d7 00 d0 00$' | grep -c '^flash erase d000-dfff$')"
}

add_scenario scenario_smbios
