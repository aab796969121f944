# The video settings command from outside: tray item 32772 lists the cameras itself
# and opens the system's property frame over the virtual camera's own page, with the
# camera's name as the caption. While the frame is open the tray menu stays shut;
# after it closes the menu opens again and the program answers as before, and an exit
# request closes an open frame. Without a
# matching camera the command greys button 1000; a driver without pages shows nothing.

VS_TRAY_CALLBACK=0x496  # WM_USER+150
VS_TRAY_ID=129
VS_WM_RBUTTONUP=0x205
VS_WM_COMMAND=0x111
VS_ID_VIDEO_SETTING=32772
VS_VK_ESCAPE=0x1B
VS_FRAME_WAIT_MS=20000

scenario_video_settings() {
    camera_setup "video settings" "" || return
    start_bringup "video settings" Tiltmate.exe 2 || return

    probe post Tiltmate.exe $VS_WM_COMMAND $VS_ID_VIDEO_SETTING 0
    if ! probe waitwindow '#32770' "Integrated Camera" $VS_FRAME_WAIT_MS; then
        fail "video settings: 32772 opens a property frame captioned with the camera's name" "$(probe_summary)"
        return
    fi
    pass "video settings: 32772 opens a property frame captioned with the camera's name"
    local caption
    caption=$(value caption)
    case "$caption" in
        *"Integrated Camera"*) pass "video settings: the caption holds 'Integrated Camera' ('$caption')" ;;
        *) fail "video settings: the caption holds 'Integrated Camera'" "caption '$caption'" ;;
    esac
    check_eq "video settings: the frame shows the camera's own page, given the filter" \
        "1 1" "$(vcam_count '^page objects 1$') $(vcam_count '^page activate$')"

    probe post Tiltmate.exe $VS_TRAY_CALLBACK $VS_TRAY_ID $VS_WM_RBUTTONUP
    probe popup 1500
    check_eq "video settings: while the frame is open a right click on the icon shows no menu" "0" "$(value visible)"

    probe closewindow '#32770' "Integrated Camera"
    if probe waitgone '#32770' "Integrated Camera" $VS_FRAME_WAIT_MS; then
        pass "video settings: WM_CLOSE closes the frame"
    else
        fail "video settings: WM_CLOSE closes the frame" "$(probe_summary)"
        return
    fi
    # The frame releases its page a moment after its window is gone.
    local i
    for ((i = 0; i < 50; i++)); do
        [ "$(vcam_count '^page deactivate$')" -ge 1 ] && break
        sleep 0.1
    done
    check_eq "video settings: the page was taken down with the frame" "1" "$(vcam_count '^page deactivate$')"

    # The command returns a little after the frame is gone: wait for the menu with a bound.
    local shown=0
    for ((i = 0; i < 10; i++)); do
        probe post Tiltmate.exe $VS_TRAY_CALLBACK $VS_TRAY_ID $VS_WM_RBUTTONUP
        probe popup 1500
        if [ "$(value visible)" = 1 ]; then
            shown=1
            break
        fi
    done
    check_eq "video settings: after the frame closes the tray menu opens again" "1" "$shown"
    probe popupkey $VS_VK_ESCAPE
    probe state Tiltmate.exe
    check_eq "video settings: the program answers as before, button 1000 still enabled" \
        "1" "$(value enabled_1000)" "$(probe_summary)"
    probe send Tiltmate.exe $VS_WM_COMMAND $VS_ID_VIDEO_SETTING 0 &
    local sender=$!
    if probe waitwindow '#32770' "Integrated Camera" $VS_FRAME_WAIT_MS; then
        pass "video settings: the command opens the frame a second time"
        probe closewindow '#32770' "Integrated Camera"
        probe waitgone '#32770' "Integrated Camera" $VS_FRAME_WAIT_MS
    else
        fail "video settings: the command opens the frame a second time" "$(probe_summary)"
    fi
    wait $sender

    # An exit request while the frame is open closes the frame and ends the program.
    probe post Tiltmate.exe $VS_WM_COMMAND $VS_ID_VIDEO_SETTING 0
    probe waitwindow '#32770' "Integrated Camera" $VS_FRAME_WAIT_MS
    probe post Tiltmate.exe 0x49B 0 0  # WM_USER+155
    wait_program_exit Tiltmate.exe 20
    check_eq "video settings: an exit request while the frame is open ends the program with 0" "0" "$PROGRAM_RC"
}

scenario_video_settings_none() {
    # No camera of the configured name: the command's own pass lists nothing.
    camera_setup "video settings, no camera" "" '[Snap]' 'VideoFriendly=Nothing Like It' '[Rotation]' 'Delay=100' \
        || return
    start_and_wait Tiltmate.exe || { fail "video settings: Tiltmate starts" "$(probe_summary)"; return; }
    probe send Tiltmate.exe $VS_WM_COMMAND $VS_ID_VIDEO_SETTING 0
    probe state Tiltmate.exe
    check_eq "video settings: with no matching camera the command greys button 1000" \
        "0" "$(value enabled_1000)" "$(probe_summary)"
    probe waitwindow '#32770' "Integrated Camera" 1500
    check_eq "video settings: ... and opens no frame" "0" "$(value found)"
}

scenario_video_settings_nopages() {
    camera_setup "video settings, no pages" "nopages" || return
    start_bringup "video settings, no pages" Tiltmate.exe 2 || return
    probe send Tiltmate.exe $VS_WM_COMMAND $VS_ID_VIDEO_SETTING 0
    check_eq "video settings: a driver without pages: the command returns at once" "0" "$(value result)" \
        "$(probe_summary)"
    probe waitwindow '#32770' "Integrated Camera" 1500
    check_eq "video settings: ... no frame, and button 1000 stays enabled" "0 1" \
        "$(value found) $(probe state Tiltmate.exe >/dev/null; value enabled_1000)"
}

add_scenario scenario_video_settings
add_scenario scenario_video_settings_none
add_scenario scenario_video_settings_nopages
