# Start-up: each program rests hidden, one instance per executable, and the two
# programs run side by side.

scenario_startup() {
    start_program Tiltmate.exe
    check_probe "startup: Tiltmate's main window exists and rests hidden" \
        wait Tiltmate.exe "$START_TIMEOUT_MS" "$SETTLE_MS" || return

    run_program Tiltmate.exe 10
    local count
    count=$(window_count Tiltmate.exe)
    check_eq "startup: a second Tiltmate exits at once with code 0, the first stays alone" \
        "0 1" "$RUN_RC $count" "exit code, then windows; 124 means still running after 10 s"

    start_program Viewmate.exe
    check_probe "startup: Viewmate starts while Tiltmate runs" \
        wait Viewmate.exe "$START_TIMEOUT_MS" "$SETTLE_MS"
    check_eq "startup: Tiltmate and Viewmate side by side, one window each" \
        "1 1" "$(window_count Tiltmate.exe) $(window_count Viewmate.exe)"
}

add_scenario scenario_startup
