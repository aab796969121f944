# The main window: the console command shows it centred, Return does nothing,
# Escape and WM_CLOSE only hide it.

WM_KEYDOWN=0x100
WM_CLOSE=0x10
WM_COMMAND=0x111
ID_CONSOLE=32771
VK_RETURN=0x0D
VK_ESCAPE=0x1B
KEY_REPEAT_ONCE=1

# How long a message that must change nothing is given to change something.
NO_CHANGE_WAIT=0.5

scenario_window() {
    start_and_wait Tiltmate.exe || { fail "window: Tiltmate starts" "$(probe_summary)"; return; }
    probe state Tiltmate.exe
    local hidden_size
    hidden_size="$(value w)x$(value h)"

    probe send Tiltmate.exe $WM_COMMAND $ID_CONSOLE 0
    if ! wait_state Tiltmate.exe visible 1 3000; then
        fail "window: the console command shows the main window" "$(probe_summary)"
        return
    fi
    pass "window: the console command shows the main window"
    # Centred by the client area, not the frame, with C's truncating division.
    local sw sh cw ch
    sw=$(value screenw) sh=$(value screenh) cw=$(value cw) ch=$(value ch)
    check_eq "window: shown centred on the screen by its client size, size kept" \
        "$(((sw - cw) / 2)),$(((sh - ch) / 2)) $hidden_size" "$(value x),$(value y) $(value w)x$(value h)" \
        "screen ${sw}x${sh}, client ${cw}x${ch}"

    probe post Tiltmate.exe $WM_KEYDOWN $VK_RETURN $KEY_REPEAT_ONCE
    sleep $NO_CHANGE_WAIT
    probe state Tiltmate.exe
    check_eq "window: Return leaves it shown" "1" "$(value visible)" "$(probe_summary)"

    probe post Tiltmate.exe $WM_KEYDOWN $VK_ESCAPE $KEY_REPEAT_ONCE
    if wait_state Tiltmate.exe visible 0 3000; then
        pass "window: Escape hides it"
    else
        fail "window: Escape hides it" "$(probe_summary)"
    fi

    probe send Tiltmate.exe $WM_COMMAND $ID_CONSOLE 0
    wait_state Tiltmate.exe visible 1 3000
    probe post Tiltmate.exe $WM_CLOSE 0 0
    if wait_state Tiltmate.exe visible 0 3000; then
        # Closing the window must not end the program: it stays resident.
        sleep $NO_CHANGE_WAIT
        check_eq "window: WM_CLOSE hides it and the program stays" "1" "$(window_count Tiltmate.exe)"
    else
        fail "window: WM_CLOSE hides it and the program stays" "$(probe_summary)"
    fi
}

add_scenario scenario_window
