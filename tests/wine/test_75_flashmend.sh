# The camera's flash survives what real cameras and laptops do to a write in flight: a
# transfer acknowledged and never applied, the program ended, the camera unplugged.
# Each scenario runs the LED check's 0-to-1 change (an erase) on a register-level
# controller ('h') over a flash with firmware bytes in every sector, once without a
# fault to learn where the transfers fall, then with one fault at a chosen transfer,
# then again without one. Afterwards the whole 64 KB must be exactly the intended
# image (the LED byte 1, every other byte as it was) and no backup may be left.

MEND_LABEL=
MEND_ORIGINAL=
MEND_INTENDED=

# mend_images: a 64 KB image with 64 random bytes at the start of every sector (the
# firmware) and sector 13 nearly empty with the LED byte 0; the intended image has the
# LED byte 1. Both are kept in the scenario's folder; the camera starts from the first.
mend_images() {
    MEND_ORIGINAL=$SCENARIO_DIR/flash-original.bin
    MEND_INTENDED=$SCENARIO_DIR/flash-intended.bin
    head -c 65536 /dev/zero | tr '\0' '\377' >"$MEND_ORIGINAL"
    local sector
    for ((sector = 0; sector < 16; sector++)); do
        [ $sector -eq 13 ] && continue
        dd if=/dev/urandom of="$MEND_ORIGINAL" bs=64 count=1 seek=$((sector * 64)) conv=notrunc status=none
    done
    printf '\000\101\102\103' | dd of="$MEND_ORIGINAL" bs=1 seek=$((0xD000)) conv=notrunc status=none
    cp "$MEND_ORIGINAL" "$MEND_INTENDED"
    printf '\001' | dd of="$MEND_INTENDED" bs=1 seek=$((0xD000)) conv=notrunc status=none
}

mend_flash_file() { vcam_flash_file "$CAMERA_USB_PATH"; }

# mend_backups: the backup files the program keeps, as "name size" lines.
mend_backups() {
    local file
    for file in "$WINEPREFIX"/drive_c/users/*/AppData/Local/Tiltmate/*; do
        [ -f "$file" ] && echo "$(basename "$file") $(stat -c %s "$file")"
    done
}

# mend_run <journal> [fault]: one start of Tiltmate over the camera: waits for the end
# of its start bring-up (or, for a kill, for the program's end), then stops it.
mend_run() {
    local journal=$1 fault=${2:-}
    vcam_journal_path "$journal"
    if [ -n "$fault" ]; then export VCAM_FAULT=$fault; else unset VCAM_FAULT; fi
    start_and_wait Tiltmate.exe || { unset VCAM_FAULT; fail "$MEND_LABEL: Tiltmate starts ($journal)" "$(probe_summary)"; return 1; }
    unset VCAM_FAULT
    if [[ $fault == kill@* ]]; then
        if ! probe waitexit Tiltmate.exe 120000; then
            fail "$MEND_LABEL: the program is ended at the chosen transfer" "$(vcam_lines | tail -n 3 | paste -sd'|' -)"
            return 1
        fi
        return 0
    fi
    if ! vcam_wait_values "$PROP_ROTATION" 1 180000; then
        fail "$MEND_LABEL: the bring-up ends ($journal)" "$(vcam_lines | wc -l) journal lines"
        return 1
    fi
    stop_program Tiltmate.exe
}

# mend_find <awk program>: the transfer number the awk program picks from the
# fault-free run's request log ("<k> <set|get|len> <selector> <bytes>").
mend_find() {
    awk "$1" "$SCENARIO_DIR/xulog.txt"
}

# mend_scenario <label> <mode> <awk program picking k> <what the fault did>: the last
# is an extended regex the fault run's journal must match, or "backup" when the fault
# run must leave the backup on disk and sector 13 erased (the program or the camera
# gone between the erase and the rewrite).
mend_scenario() {
    MEND_LABEL=$1
    local mode=$2 pick=$3 damage=$4 k
    camera_setup "$MEND_LABEL" "" || return
    mend_images
    reg_write 'HKCU\SOFTWARE\Velnor VNUVCb' /v LED_Setting /t REG_DWORD /d 1 ||
        { fail "$MEND_LABEL: the LED setting is stored" "see reg.log"; return; }
    cp "$MEND_ORIGINAL" "$(mend_flash_file)"

    # Without a fault: where the transfers fall.
    export VCAM_XULOG
    VCAM_XULOG=$(windows_path "$SCENARIO_DIR/xulog.txt")
    mend_run vcam-journal-reference.txt || return
    unset VCAM_XULOG
    if ! cmp -s "$(mend_flash_file)" "$MEND_INTENDED"; then
        fail "$MEND_LABEL: without a fault the flash becomes the intended image" "$(cmp "$(mend_flash_file)" "$MEND_INTENDED" | head -n 1)"
        return
    fi
    k=$(mend_find "$pick")
    if [ -z "$k" ]; then
        fail "$MEND_LABEL: the transfer to fault is found" "no match in xulog.txt"
        return
    fi
    cp "$MEND_ORIGINAL" "$(mend_flash_file)"

    # With the fault at k, then once more without one.
    mend_run vcam-journal-fault.txt "$mode@$k" || return
    if [ "$damage" = backup ]; then
        check_eq "$MEND_LABEL: the fault leaves sector 13 erased and the backup on disk" \
            "ff flash-7c3e-410b.bak 65568" "$(vcam_flash_byte "$CAMERA_USB_PATH" 0xD001) $(mend_backups)"
    else
        check_eq "$MEND_LABEL: the fault did its damage (journal: $damage)" yes \
            "$([ "$(vcam_count "$damage")" -gt 0 ] && echo yes || echo no)"
    fi
    mend_run vcam-journal-after.txt || return
    if cmp -s "$(mend_flash_file)" "$MEND_INTENDED"; then
        pass "$MEND_LABEL ($mode at request $k): the whole flash is exactly the intended image afterwards"
    else
        fail "$MEND_LABEL ($mode at request $k): the whole flash is exactly the intended image afterwards" \
            "$(cmp -l "$(mend_flash_file)" "$MEND_INTENDED" | wc -l) bytes differ, first: $(cmp -l "$(mend_flash_file)" "$MEND_INTENDED" | head -n 1)"
    fi
    check_eq "$MEND_LABEL: no backup is left once the flash is whole" "" "$(mend_backups)"
}

# The step-index write "7" of the erase's table load: lost, the block-erase opcode
# lands in the sector-erase slot and the erase wipes all 64 KB.
scenario_mend_step_index_drop() {
    mend_scenario "mend: step-index drop" drop \
        '$2 == "set" && $3 == 7 && $4 == "07" { last = $1 } $2 == "set" && $3 == 13 { print last; exit }' \
        '^flash erase 0000-ffff$'
}

# The high address byte of the second page program after the erase (the bytes after
# the LED byte): lost, the next bytes become the address and the program lands in
# sector 0.
scenario_mend_page_header_drop() {
    mend_scenario "mend: page-program header drop" drop \
        'erased && $2 == "set" && $3 == 3 && $4 == "d0" && ++seen == 2 { print $1; exit } $2 == "set" && $3 == 13 { erased = 1 }' \
        '^flash program ([0-9a-c]|[ef])[0-9a-f]{3} '
}

# Right after the erase: the sector is empty, only the backup on disk holds its data.
scenario_mend_kill_after_erase() {
    mend_scenario "mend: kill after the erase" kill '$2 == "set" && $3 == 13 { print $1 + 1; exit }' backup
}

scenario_mend_unplug_after_erase() {
    mend_scenario "mend: unplug after the erase" unplug '$2 == "set" && $3 == 13 { print $1 + 1; exit }' backup
}

add_scenario scenario_mend_step_index_drop
add_scenario scenario_mend_page_header_drop
add_scenario scenario_mend_kill_after_erase
add_scenario scenario_mend_unplug_after_erase
