# Pictures for the README, taken of the real program under Wine with the virtual
# camera and the microphone's test driver present: the console with the camera in
# its list, the tray menu, and the audio effect dialog. Each picture is checked for
# what it must show before it is kept (build/screenshots/; the README's copies in
# docs/ come from there).

SHOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/screenshots
SHOT_TRAY_CALLBACK=0x496  # WM_USER+150
SHOT_TRAY_ID=129
SHOT_WM_RBUTTONUP=0x205
SHOT_WM_COMMAND=0x111
SHOT_ID_CONSOLE=32771
SHOT_ID_AUDIO=32773
SHOT_ID_VIDEO=32772
SHOT_VK_ESCAPE=0x1B

# shot <file> [tray]: the screen, cut to the windows on it; without "tray" the
# notification area's window in the top left corner is left out.
shot() {
    mkdir -p "$SHOT_DIR"
    local blank=(-fill black -draw "rectangle 0,0 200,50")
    [ "${2:-}" = tray ] && blank=()
    xwd -root -silent | convert xwd:- "${blank[@]}" -trim +repage "$SHOT_DIR/$1" 2>/dev/null
}

scenario_screenshots() {
    local label="screenshots"
    command -v xwd >/dev/null && command -v convert >/dev/null ||
        { fail "$label: xwd and convert" "missing (scripts/setup installs them)"; return; }
    # Wine draws the frames itself, so the pictures show the captions.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$SCENARIO_DIR/reg.log" 2>&1
    camera_setup "$label" "" '[Snap]' 'VideoFriendly=Integrated Camera' '[Tray]' 'ShowIcon=1' || return
    # The microphone's effects as the driver starts: beam forming and echo cancellation on.
    if ! af_install --states 1,1,0; then
        fail "$label: the microphone's test driver installs" "$(af_summary)"
        return
    fi
    start_bringup "$label" Tiltmate.exe 1 || return

    # The console lists the cameras while a command works with them: its Video Setting
    # lists them and opens the driver's pages over the chosen one.
    probe send Tiltmate.exe $SHOT_WM_COMMAND $SHOT_ID_CONSOLE 0
    wait_state Tiltmate.exe visible 1 5000
    probe post Tiltmate.exe $SHOT_WM_COMMAND $SHOT_ID_VIDEO 0
    if probe waitwindow '#32770' "Integrated Camera" 20000 && probe state Tiltmate.exe &&
       [ "$(value text_1002) $(value visible)" = "Integrated Camera 1" ]; then
        sleep 1
        shot console.png tray
        pass "$label: the console lists the camera, its video settings open (console.png)"
    else
        fail "$label: the console lists the camera, its video settings open" "$(probe_summary)"
    fi
    probe closewindow '#32770' "Integrated Camera"
    probe waitgone '#32770' "Integrated Camera" 20000
    probe send Tiltmate.exe 0x10 0 0  # WM_CLOSE hides the console again
    wait_state Tiltmate.exe visible 0 5000
    # The command returns a little after the frame is gone.
    sleep 2

    probe post Tiltmate.exe $SHOT_TRAY_CALLBACK $SHOT_TRAY_ID $SHOT_WM_RBUTTONUP
    if probe popup 5000 && [ "$(value visible)" = 1 ]; then
        sleep 1
        shot tray-menu.png
        pass "$label: the tray menu (tray-menu.png)"
        probe popupkey $SHOT_VK_ESCAPE
    else
        fail "$label: the tray menu" "$(probe_summary)"
    fi

    probe post Tiltmate.exe $SHOT_WM_COMMAND $SHOT_ID_AUDIO 0
    local caption="${AF_DEFAULT_DESCRIPTION}Property"
    if probe waitwindow '#32770' "$caption" 20000 && probe dlgstate "$caption" 20000 1008 1009 1010 &&
       [ "$(value check_1008) $(value check_1009) $(value check_1010)" = "1 0 1" ]; then
        sleep 1
        shot audio.png
        pass "$label: the audio dialog with the device's states (audio.png)"
    else
        fail "$label: the audio dialog with the device's states" "$(probe_summary)"
    fi
}

add_scenario scenario_screenshots
