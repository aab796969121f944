# Ending: the message the companion's own tools send ends a program, sent or
# posted, and so does the end of a session; the other program stays.

WM_ENDSESSION=0x16
WM_QUIT_COMPANION=0x49B  # WM_USER+155

scenario_exit() {
    start_and_wait Tiltmate.exe || { fail "exit: Tiltmate starts" "$(probe_summary)"; return; }
    start_and_wait Viewmate.exe || { fail "exit: Viewmate starts" "$(probe_summary)"; return; }

    # The answer does not matter: a program may end before it replies.
    probe send Tiltmate.exe $WM_QUIT_COMPANION 0 0
    check_probe "exit: WM_USER+155 sent from another process ends Tiltmate" waitexit Tiltmate.exe 10000
    wait_program_exit Tiltmate.exe 10
    check_eq "exit: Tiltmate's exit code is 0, Viewmate still runs" \
        "0 1" "$PROGRAM_RC $(window_count Viewmate.exe)"

    probe send Viewmate.exe $WM_ENDSESSION 0 0
    check_probe "exit: WM_ENDSESSION(FALSE) ends Viewmate" waitexit Viewmate.exe 10000

    start_and_wait Tiltmate.exe || { fail "exit: Tiltmate starts again" "$(probe_summary)"; return; }
    probe post Tiltmate.exe $WM_QUIT_COMPANION 0 0
    check_probe "exit: WM_USER+155 posted from another process ends Tiltmate" waitexit Tiltmate.exe 10000
}

add_scenario scenario_exit
