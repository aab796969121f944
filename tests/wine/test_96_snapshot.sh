# The snapshot store path and the hand-over of a taken snapshot: the store-path
# command (tray item or Browse button) opens the open-file dialog, and the chosen path
# lands in the per-user control key (upper-cased, with ".bmp") and in edit 1004 (as
# chosen, with ".bmp"); a protected folder gives the pictures folder's Snap.bmp; a
# missing key or a closed gate stores nothing. A snapshot message goes to an open
# "Snap" window, else starts Snapview.exe; a missing file starts nothing; the exit
# closes the "Snap" window, and after a restart the stored path is still used.

snap_text_is() {  # name expected: edit 1004 shows the text (bounded wait)
    if wait_state Tiltmate.exe text_1004 "$2" 10000; then
        pass "$1"
    else
        fail "$1" "edit 1004 shows '$(value text_1004)', expected '$2'"
    fi
}

scenario_snapshot_store() {
    snap_setup "snapshot" || return
    snap_control_key || { fail "snapshot: the control key is created" "see reg.log"; return; }
    reg_write "$SNAP_CONTROL_KEY" /v "$SNAP_OK_VALUE" /t REG_DWORD /d 0
    start_and_wait Tiltmate.exe || { fail "snapshot: Tiltmate starts" "$(probe_summary)"; return; }
    local shots=$SCENARIO_DIR/Shots win_shots pictures windows_dir
    mkdir -p "$shots"
    win_shots=$(windows_path "$shots")
    pictures=$(snap_pictures_folder) || { fail "snapshot: the pictures folder is known" "$(probe_summary)"; return; }
    probe windowsdir
    windows_dir=$(value windows_dir)

    if snap_choose Tiltmate.exe tray "$win_shots\\a"; then
        pass "snapshot: tray item 32778 opens the open-file dialog, which takes a typed path"
    else
        fail "snapshot: tray item 32778 opens the open-file dialog, which takes a typed path" "$(probe_summary)"
        return
    fi
    snap_settled Tiltmate.exe
    probe state Tiltmate.exe
    check_eq "snapshot: with $SNAP_OK_VALUE=0 nothing is stored and edit 1004 stays empty" \
        "missing|" "$(snap_stored_path)|$(value text_1004)"

    reg_write "$SNAP_CONTROL_KEY" /v "$SNAP_OK_VALUE" /t REG_DWORD /d 1
    # how|chosen|stored|shown; consecutive rows show different texts, so each wait
    # sees its own row's result.
    local rows=(
        "tray|$win_shots\\a|$(snap_upper "$win_shots\\a.bmp")|$win_shots\\a.bmp"
        "button|C:\\Program Files\\x.bmp|$pictures\\Snap.bmp|$pictures\\Snap.bmp"
        "button|$win_shots\\b.BMP|$(snap_upper "$win_shots\\b.BMP.bmp")|$win_shots\\b.BMP.bmp"
        "tray|$windows_dir\\y.bmp|$pictures\\Snap.bmp|$pictures\\Snap.bmp"
    )
    local row how chosen stored shown label
    for row in "${rows[@]}"; do
        IFS='|' read -r how chosen stored shown <<<"$row"
        # The scenario's folder changes from run to run: the names say <shots>.
        label="snapshot: $how, '${chosen/"$win_shots"/<shots>}'"
        if ! snap_choose Tiltmate.exe "$how" "$chosen"; then
            fail "$label: the dialog takes the path" "$(probe_summary)"
            continue
        fi
        snap_text_is "$label: edit 1004 shows '${shown/"$win_shots"/<shots>}'" "$shown"
        check_eq "$label: the control key holds '${stored/"$(snap_upper "$win_shots")"/<SHOTS>}'" "$stored" \
            "$(snap_stored_path)"
    done
}

scenario_snapshot_nokey() {
    snap_setup "snapshot" || return
    start_and_wait Tiltmate.exe || { fail "snapshot: Tiltmate starts" "$(probe_summary)"; return; }
    local shots=$SCENARIO_DIR/Shots win_shots
    mkdir -p "$shots"
    : >"$shots/a.bmp"
    win_shots=$(windows_path "$shots")

    snap_choose Tiltmate.exe tray "$win_shots\\a" || { fail "snapshot: the dialog takes the path" "$(probe_summary)"; return; }
    snap_settled Tiltmate.exe
    probe state Tiltmate.exe
    local text key=absent
    text=$(value text_1004)
    snap_key_exists && key=present
    check_eq "snapshot: without the control key nothing is stored, no key is made, edit 1004 stays empty" \
        "absent|" "$key|$text"
    probe send Tiltmate.exe "$SNAP_TAKEN" 0 0
    check_eq "snapshot: a snapshot message before any store answers 1" "1" "$(value result)" "$(probe_summary)"

    # The key appears (a repair install); a cancelled dialog stores the path kept from before.
    snap_control_key
    snap_choose Tiltmate.exe button cancel || { fail "snapshot: the dialog cancels" "$(probe_summary)"; return; }
    snap_settled Tiltmate.exe
    check_eq "snapshot: cancelling the dialog stores the path chosen before" \
        "$(snap_upper "$win_shots\\a.bmp")" "$(snap_stored_path)"
    check_eq "snapshot: no viewer was started" "0" "$(snap_viewer_starts)"
}

scenario_snapshot_handover() {
    snap_setup "snapshot" || return
    snap_control_key || { fail "snapshot: the control key is created" "see reg.log"; return; }
    start_and_wait Tiltmate.exe || { fail "snapshot: Tiltmate starts" "$(probe_summary)"; return; }
    local shots=$SCENARIO_DIR/Shots win_shots
    mkdir -p "$shots"
    win_shots=$(windows_path "$shots")
    snap_choose Tiltmate.exe tray "$win_shots\\pic" || { fail "snapshot: the dialog takes the path" "$(probe_summary)"; return; }
    snap_text_is "snapshot: the store path is chosen" "$win_shots\\pic.bmp"

    probe send Tiltmate.exe "$SNAP_TAKEN" 0 0
    check_eq "snapshot: with the snapshot file missing the message answers 0" "0" "$(value result)" "$(probe_summary)"

    : >"$shots/pic.bmp"  # what the camera's driver writes; Wine finds it as PIC.BMP too
    probe send Tiltmate.exe "$SNAP_TAKEN" 0 0
    local result
    result=$(value result)
    if [ "$result" = 1 ] && snap_wait_viewer_starts 1 10000; then
        pass "snapshot: without a \"Snap\" window the message starts Snapview.exe"
    else
        fail "snapshot: without a \"Snap\" window the message starts Snapview.exe" \
            "result '$result', $(snap_viewer_starts) starts"
    fi
    check_eq "snapshot: Snapview.exe gets the command line \"Snapview.exe\"" "cmdline=Snapview.exe" \
        "$(head -n 1 "$SNAP_MARK_FILE" 2>/dev/null | tr -d '\r')"

    snap_window_start || { fail "snapshot: the \"Snap\" window opens" "see $SCENARIO_DIR/snapwin.stderr"; return; }
    probe send Tiltmate.exe "$SNAP_TAKEN" 0 0
    result=$(value result)
    if [ "$result" = 1 ] && snap_wait_window_line "^msg=$SNAP_READY wparam=0x0 lparam=0x0\$" 5000; then
        pass "snapshot: with a \"Snap\" window open the message goes to it as 0x465 (0, 0)"
    else
        fail "snapshot: with a \"Snap\" window open the message goes to it as 0x465 (0, 0)" \
            "result '$result', log: $(tr '\n' ' ' <"$SNAP_WINDOW_LOG" 2>/dev/null)"
    fi

    stop_program Tiltmate.exe
    if snap_wait_window_line '^msg=0x10 wparam=0x0 lparam=0x0$' 5000 && snap_window_ended 10; then
        pass "snapshot: the exit closes the \"Snap\" window (WM_CLOSE)"
    else
        fail "snapshot: the exit closes the \"Snap\" window (WM_CLOSE)" \
            "log: $(tr '\n' ' ' <"$SNAP_WINDOW_LOG" 2>/dev/null)"
    fi

    start_and_wait Tiltmate.exe || { fail "snapshot: Tiltmate starts again" "$(probe_summary)"; return; }
    probe state Tiltmate.exe
    check_eq "snapshot: after a restart edit 1004 shows the stored path" \
        "$(snap_upper "$win_shots\\pic.bmp")" "$(value text_1004)"
    probe send Tiltmate.exe "$SNAP_TAKEN" 0 0
    result=$(value result)
    if [ "$result" = 1 ] && snap_wait_viewer_starts 2 10000; then
        pass "snapshot: after a restart the message starts Snapview.exe without choosing again"
    else
        fail "snapshot: after a restart the message starts Snapview.exe without choosing again" \
            "result '$result', $(snap_viewer_starts) starts"
    fi
    stop_program Tiltmate.exe
    check_eq "snapshot: Snapview.exe was started exactly twice" "2" "$(snap_viewer_starts)"
}

add_scenario scenario_snapshot_store
add_scenario scenario_snapshot_nokey
add_scenario scenario_snapshot_handover
