# The command surface from outside: the tray callback shows the popup and its first
# item opens the console; a double click opens it too; another icon id shows nothing.
# Without the icon a notice opens no window; with ShowIcon=1 the icon is in the
# notification area and every notice shows a balloon with its text. Screenshots of the
# console, in English and in German, are kept under build/.

TRAY_CALLBACK=0x496  # WM_USER+150
TRAY_ID=129
WM_LBUTTONDBLCLK=0x203
WM_RBUTTONUP=0x205
DEVICE_NOTICE=0x469  # WM_USER+105
WM_COMMAND=0x111
ID_CONSOLE=32771
VK_DOWN=0x28
VK_RETURN=0x0D
SCREENSHOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/screenshots
LANGUAGE_FILES=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/dist/Language" && pwd)

screenshot() {  # file
    mkdir -p "$SCREENSHOT_DIR"
    if command -v xwd >/dev/null && command -v convert >/dev/null; then
        xwd -root -silent | convert xwd:- "$SCREENSHOT_DIR/$1" 2>/dev/null
    fi
}

# The notices and the English text each must show in a balloon on the icon.
NOTICE_BALLOONS=(
    "0x469 1|Detect New Device"
    "0x469 0|Device Remove"
    "0x46A 1|Device Apply Error, please retry"
    "0x46A 0|Device Remove Error, please retry"
    "0x46B 0|Setting invalid Please Retry"
)
BALLOON_TIMEOUT_MS=15000  # the shell shows one about 2 s after the request

# check_balloons <label> <exe>: sends each notice and checks that the shell shows a
# balloon with its text (each new notice replaces the balloon before).
check_balloons() {
    local label=$1 exe=$2 row notice text
    for row in "${NOTICE_BALLOONS[@]}"; do
        notice=${row%%|*}
        text=${row#*|}
        # shellcheck disable=SC2086  # message and wParam
        probe send "$exe" $notice 0
        if [ "$(value result)" != 1 ]; then
            fail "$label: notice $notice is accepted" "$(probe_summary)"
            continue
        fi
        if probe balloon "$text" $BALLOON_TIMEOUT_MS; then
            pass "$label: notice $notice shows a balloon with \"$text\""
            [ "$text" = "Detect New Device" ] && screenshot "balloon-$WINE_PROGRAM_BITS.png"
        else
            fail "$label: notice $notice shows a balloon with \"$text\"" "$(probe_summary)"
        fi
    done
}

scenario_tray_callback() {
    programs_with_settings '[Rotation]' 'Delay=0' || { fail "tray: programs copied" ""; return; }
    start_and_wait Tiltmate.exe || { fail "tray: Tiltmate starts" "$(probe_summary)"; return; }

    probe post Tiltmate.exe $TRAY_CALLBACK 130 $WM_RBUTTONUP
    probe popup 1500
    check_eq "tray: a callback for another icon id shows no popup" "0" "$(value visible)"

    probe post Tiltmate.exe $TRAY_CALLBACK $TRAY_ID $WM_RBUTTONUP
    probe popup 5000
    check_eq "tray: a right-button release on icon 129 shows the popup menu (#32768)" "1" "$(value visible)"
    probe popupkey $VK_DOWN
    sleep 0.3
    probe popupkey $VK_RETURN
    if wait_state Tiltmate.exe visible 1 5000; then
        pass "tray: picking the popup's first item shows the console"
    else
        fail "tray: picking the popup's first item shows the console" "$(probe_summary)"
    fi

    probe send Tiltmate.exe 0x10 0 0  # WM_CLOSE hides it again
    wait_state Tiltmate.exe visible 0 5000
    probe post Tiltmate.exe $TRAY_CALLBACK $TRAY_ID $WM_LBUTTONDBLCLK
    if wait_state Tiltmate.exe visible 1 5000; then
        pass "tray: a double click on the icon shows the console"
    else
        fail "tray: a double click on the icon shows the console" "$(probe_summary)"
    fi

    probe send Tiltmate.exe $DEVICE_NOTICE 1 0
    local result=$(value result)
    probe window "Device"
    check_eq "tray: without the icon a notice fails quietly and opens no window" "0 0" "$result $(value found)"
}

scenario_tray_icon() {
    programs_with_settings '[Tray]' 'ShowIcon=1' '[Language]' 'LanguageCount=2' 'Default=1' \
        'Language1=English.ini' 'Language2=Deutsch.ini' || { fail "tray: programs copied" ""; return; }
    mkdir -p "$PROGRAM_DIR/Language"
    cp "$LANGUAGE_FILES"/*.ini "$PROGRAM_DIR/Language/"
    # Wine draws the frames itself, so the screenshots show the caption.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    start_and_wait Tiltmate.exe || { fail "tray: Tiltmate starts" "$(probe_summary)"; return; }
    probe trayicon Tiltmate.exe $TRAY_ID
    check_eq "tray: with ShowIcon=1 icon 129 is in the notification area" "1" "$(value exists)" "$(probe_summary)"
    check_balloons "tray" Tiltmate.exe

    probe send Tiltmate.exe $WM_COMMAND $ID_CONSOLE 0
    wait_state Tiltmate.exe visible 1 5000
    sleep 1
    screenshot console-english.png
    probe send Tiltmate.exe $WM_COMMAND 35001 0  # Deutsch
    sleep 1
    screenshot console-deutsch.png
    probe state Tiltmate.exe
    check_eq "tray: the console switched to German" "Tavrin PC-Kamerakonsole" "$(value caption)"
}

add_scenario scenario_tray_callback
add_scenario scenario_tray_icon
