# The Windows 8 branch: with the prefix at Windows 10 the program sees 6.2 and follows
# the Start screen through the app-visibility class (tools/avis, raised by avctl). Each
# change runs the rotation pass, whose value carries the no-rotate flag exactly when
# the policy asks for it, Start screen or not; the watcher's lines go to standard
# output. Without the class the program runs on, with no watcher.

POLICY_KEY_64='HKLM\SOFTWARE\Harbek\Camera\Integrated'
START_SCREEN_WAIT_MS=20000

# start_screen_policy <0|1>: the NoRotationInMetro value the next pass reads.
start_screen_policy() {
    reg_write "$POLICY_KEY_64" /v NoRotationInMetro /t REG_DWORD /d "$1" /reg:64
}

# start_screen_setup <label>: the prefix at Windows 10, the camera, Tiltmate resting
# hidden; the first pass after start (which always sends 0) already done.
start_screen_setup() {
    local label=$1
    if ! prefix_windows_version win10; then
        fail "$label: the prefix is set to Windows 10" "see $SCENARIO_DIR/reg.log"
        return 1
    fi
    if ! vcam_register camera0 "Tavrin Camera" "$TAVRIN_PATH"; then
        fail "$label: the virtual camera registers" "see $SCENARIO_DIR/vcam.log"
        return 1
    fi
    vcam_journal_path
    start_and_wait Tiltmate.exe || { fail "$label: Tiltmate starts" "$(probe_summary)"; return 1; }
}

# first_pass: a settings change, waited for, so the next values are the policy's.
first_pass() {
    probe send Tiltmate.exe "$WM_SETTINGCHANGE" 0 0
    vcam_wait_values "$PROP_ROTATION" 1 10000
}

# raise_and_wait <label> <avctl args...> <values-expected>: raises a change and waits
# for that many rotation values in all.
raise_and_wait() {
    local label=$1 want=${*: -1}
    local args=("${@:2:$#-2}")
    if ! avctl "${args[@]}"; then
        fail "$label" "the program's sink did not take the change: $(tr '\n' ' ' <<<"$AVCTL_OUT")"
        return 1
    fi
    vcam_wait_values "$PROP_ROTATION" "$want" 10000
}

scenario_startscreen() {
    avis_register || { fail "start screen: the app-visibility class registers" "see reg.log"; return; }
    start_screen_policy 1 || { fail "start screen: the policy value is written" "see reg.log"; return; }
    start_screen_setup "start screen" || return

    if avis_wait_line '^Advise ' $START_SCREEN_WAIT_MS; then
        pass "start screen: at 6.2 Tiltmate creates the app-visibility object and subscribes"
    else
        fail "start screen: at 6.2 Tiltmate creates the app-visibility object and subscribes" \
            "journal: $(avis_lines | tr '\n' '|')"
        return
    fi
    check_eq "start screen: it asks each monitor's mode, then the launcher, then subscribes, on its own thread" \
        "create|GetAppVisibilityOnMonitor|IsLauncherVisible|Advise|1" \
        "$(avis_lines | awk '{ print $1 }' | paste -sd'|')|$(avis_lines | sed -n 's/.* thread=//p' | sort -u | wc -l)"
    local output
    output=$(program_output Tiltmate.exe)
    check_eq "start screen: the console output names the Start menu and its state at start" \
        "Toggle Start menu visibility 5 times to exit|The Start menu is currently not visible" \
        "$(grep -E '^(Toggle|The Start menu)' <<<"$output" | paste -sd'|')"

    first_pass
    raise_and_wait "start screen: the Start screen shows" launcher 1 2
    check_eq "start screen: showing the Start screen runs the rotation pass; NoRotationInMetro=1 adds the no-rotate flag" \
        "0 $NO_ROTATE" "$(rotation_values)"
    check_eq "start screen: the sink is called on the program's own thread" "1" \
        "$(avis_lines | sed -n 's/.* thread=//p' | sort -u | wc -l)" "$(avis_lines | tr '\n' '|')"

    start_screen_policy 0
    raise_and_wait "start screen: a monitor's app shows" monitor 2 3
    check_eq "start screen: a full-screen app showing runs the pass; NoRotationInMetro=0 lets the camera rotate" \
        "0 $NO_ROTATE 0" "$(rotation_values)"
    raise_and_wait "start screen: the Start screen hides" launcher 0 4
    check_eq "start screen: hiding it runs the pass again" "0 $NO_ROTATE 0 0" "$(rotation_values)"

    start_screen_policy 1
    raise_and_wait "start screen: the Start screen shows again" launcher 1 5
    check_eq "start screen: NoRotationInMetro=1 is read anew while the Start screen shows" \
        "0 $NO_ROTATE 0 0 $NO_ROTATE" "$(rotation_values)"

    output=$(program_output Tiltmate.exe)
    check_eq "start screen: each change is written to the console" \
        "The Start menu is now visible|previously had no apps visible and now has a visible app|The Start menu is now not visible|The Start menu is now visible" \
        "$(grep -oE 'The Start menu is now (not )?visible|previously had .* and now has .*' <<<"$output" | paste -sd'|')"

    stop_program Tiltmate.exe
    if avis_wait_line '^release' 5000; then
        pass "start screen: at exit the watcher unsubscribes and releases the object"
    else
        fail "start screen: at exit the watcher unsubscribes and releases the object" "$(avis_lines | tr '\n' '|')"
    fi
    check_eq "start screen: Unadvise names the cookie Advise gave" \
        "$(avis_lines | sed -n 's/^Advise cookie=\([0-9]*\).*/\1/p')" \
        "$(avis_lines | sed -n 's/^Unadvise cookie=\([0-9]*\)$/\1/p')"
}

scenario_startscreen_missing() {
    start_screen_setup "no app visibility" || return
    local output
    output=$(program_output Tiltmate.exe)
    check_eq "no app visibility: at 6.2 without the class the watcher announces itself and stops there" \
        "1 0" "$(grep -c '^Toggle Start menu visibility 5 times to exit' <<<"$output") $(grep -cE 'Start menu is|Monitor' <<<"$output")"
    settings_change_twice
    check_eq "no app visibility: rotation works on: 0, then no-rotate" "0 $NO_ROTATE" "$(rotation_values)"
    check_eq "no app visibility: Tiltmate still rests hidden, one window" "1" "$(window_count Tiltmate.exe)"
    stop_program Tiltmate.exe
    wait_program_exit Tiltmate.exe 10
    check_eq "no app visibility: Tiltmate ends with code 0" "0" "$PROGRAM_RC"
}

add_scenario scenario_startscreen
add_scenario scenario_startscreen_missing
