# The camera's microphone end to end, against the test kernel driver (tools/afdrv):
# the audio list is filled at start from the present interfaces; 32773 opens dialog
# 133 over the effect channel with the device's states; each click reaches the driver
# at once and closing sends nothing; a WM_USER+103 from another process changes
# nothing; the interface's removal greys the command; a driver failing every query
# gives a dialog with every box off; an exit request closes an open dialog.

AU_WM_COMMAND=0x111
AU_ID_AUDIO_SETTING=32773
AU_LIST_UPDATE=0x467  # WM_USER+103
AU_CLASS='{2d94e7b1-3a60-4c8f-b5e2-91f0c6a8d47e}'
AU_CAPTION="${AF_DEFAULT_DESCRIPTION}Property"
AU_WAIT_MS=20000

# au_start <label> [afctl install options...]: the driver and its interface, then the
# program beside a plain bkg.ini.
au_start() {
    local label=$1
    shift
    programs_with_settings '[Rotation]' 'Delay=0' || { fail "$label: programs copied" ""; return 1; }
    af_install "$@" || { fail "$label: the test driver installs" "$(af_summary)"; return 1; }
    start_and_wait Tiltmate.exe || { fail "$label: Tiltmate starts" "$(probe_summary)"; return 1; }
}

# au_boxes: "AEC NS BF" as the open dialog shows them.
au_boxes() {
    probe dlgstate "$AU_CAPTION" $AU_WAIT_MS 1008 1009 1010 || { echo "no dialog"; return; }
    echo "$(value check_1008) $(value check_1009) $(value check_1010)"
}

au_close_dialog() {
    probe closewindow '#32770' "$AU_CAPTION"
    probe waitgone '#32770' "$AU_CAPTION" $AU_WAIT_MS
}

scenario_audio_effects() {
    au_start "audio" --states 1,0,1 || return

    probe state Tiltmate.exe
    check_eq "audio: at start the list holds the interface (combo 1003 shows it, button 1001 enabled)" \
        "$AF_DEFAULT_DESCRIPTION 1" "$(value text_1003) $(value enabled_1001)" "$(probe_summary)"

    af_clear
    probe post Tiltmate.exe $AU_WM_COMMAND $AU_ID_AUDIO_SETTING 0
    if ! probe waitwindow '#32770' "$AU_CAPTION" $AU_WAIT_MS; then
        fail "audio: 32773 opens dialog 133 captioned '$AU_CAPTION'" "$(probe_summary)"
        return
    fi
    check_eq "audio: 32773 opens dialog 133 captioned '$AU_CAPTION'" "$AU_CAPTION" "$(value caption)"
    check_eq "audio: the boxes show the driver's states (AEC 0, NS 1, Bean Forming 1)" "0 1 1" "$(au_boxes)"
    probe dlgstate "$AU_CAPTION" $AU_WAIT_MS 1008 1009 1010
    check_eq "audio: the box texts" "AEC|NS|Bean Forming" \
        "$(value text_1008)|$(value text_1009)|$(value text_1010)"
    check_eq "audio: the driver was asked GET BF, AEC, NS in that order" "GET 3, GET 1, GET 2" "$(af_requests_line)"

    af_clear
    probe dlgclick "$AU_CAPTION" 1008
    probe dlgclick "$AU_CAPTION" 1008
    check_eq "audio: clicking AEC twice reaches the driver as SET (1,1) then (1,0)" "SET 1 1, SET 1 0" \
        "$(af_requests_line)"
    check_eq "audio: the driver keeps the last click" "AEC=0 NS=1 BF=1" "$(af_states)"

    af_clear
    au_close_dialog
    check_eq "audio: closing the dialog sends nothing" "" "$(af_requests_line)"

    # Reopened, the dialog shows what the device reports now.
    af_mode --states 0,1,0
    probe post Tiltmate.exe $AU_WM_COMMAND $AU_ID_AUDIO_SETTING 0
    check_eq "audio: reopened, the dialog shows the device's states (AEC 1, NS 0, BF 0)" "1 0 0" "$(au_boxes)"
    au_close_dialog

    probe send Tiltmate.exe $AU_LIST_UPDATE 0 0x12345678
    local removal=$(value result)
    probe send Tiltmate.exe $AU_LIST_UPDATE 1 1
    check_eq "audio: a WM_USER+103 from another process is answered 0" "0 0" "$removal $(value result)"
    probe state Tiltmate.exe
    check_eq "audio: ... and changes nothing" "$AF_DEFAULT_DESCRIPTION 1" "$(value text_1003) $(value enabled_1001)"

    probe devicechange Tiltmate.exe removal "$AU_CLASS" "$(af_path)"
    check_eq "audio: the interface's removal notice is answered" "1" "$(value result)" "$(probe_summary)"
    af_clear
    probe send Tiltmate.exe $AU_WM_COMMAND $AU_ID_AUDIO_SETTING 0
    probe waitwindow '#32770' "$AU_CAPTION" 1500
    local found=$(value found)
    probe state Tiltmate.exe
    check_eq "audio: after the removal 32773 opens no dialog, button 1001 is greyed, the driver hears nothing" \
        "0 0 " "$found $(value enabled_1001) $(af_requests_line)" "$(probe_summary)"
}

scenario_audio_failing_driver() {
    au_start "audio, failing driver" --states 1,1,1 --fail-get || return
    af_clear
    probe post Tiltmate.exe $AU_WM_COMMAND $AU_ID_AUDIO_SETTING 0
    check_eq "audio: a driver failing every GET: the dialog opens with every box off" "0 0 0" "$(au_boxes)"
    check_eq "audio: ... after three queries" "GET 3, GET 1, GET 2" "$(af_requests_line)"
    au_close_dialog
    probe state Tiltmate.exe
    check_eq "audio: ... and the program answers afterwards" "1" "$(value enabled_1001)" "$(probe_summary)"

    # An exit request while the dialog is open closes the dialog and ends the program.
    probe post Tiltmate.exe $AU_WM_COMMAND $AU_ID_AUDIO_SETTING 0
    probe waitwindow '#32770' "$AU_CAPTION" $AU_WAIT_MS
    probe post Tiltmate.exe 0x49B 0 0  # WM_USER+155
    wait_program_exit Tiltmate.exe 20
    check_eq "audio: an exit request while the dialog is open ends the program with 0" "0" "$PROGRAM_RC"
}

add_scenario scenario_audio_effects
add_scenario scenario_audio_failing_driver
