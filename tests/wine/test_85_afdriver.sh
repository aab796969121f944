# The audio effect channel's test equipment on its own (no companion program): the
# stand-in driver installs behind the microphone's audio interface, the interface is
# listed as present, the channel answers queries with the states it was given and
# keeps what is set, every request is journaled in order with its lengths, malformed
# requests are refused, and each failure mode does what the scenarios rely on.

AF_EXPECTED_GET='in=12 out=12 sent=0 tail=0 info=12 status=ok'

# af_get_answer <effect> [options]: "<state> <returned>" of one GET, or "failed".
af_get_answer() {
    if af_get "$@"; then echo "$(af_value state) $(af_value returned)"; else echo failed; fi
}

scenario_afdriver() {
    if ! af_install --states 1,0,1; then
        fail "afdriver: the driver installs and starts" "$(af_summary)"
        return
    fi
    pass "afdriver: the driver installs and starts"
    check_eq "afdriver: the interface path is the one of ROOT\\MEDIA\\0000" "$AF_INTERFACE_PATH" "$AF_PATH"

    af_list
    check_eq "afdriver: a present-interface listing shows the interface with its description and hardware id" \
        "1|$AF_INTERFACE_PATH|$AF_DEFAULT_DESCRIPTION|$AF_DEFAULT_HARDWARE_ID" \
        "$(af_value count)|$(af_value interface)|$(af_value description)|$(af_value hardware_id)"
    check_eq "afdriver: the initial states come from the install (BF 1, AEC 0, NS 1)" \
        "AEC=0 NS=1 BF=1" "$(af_states)"

    # The program's query order, then one change and a query of it.
    check_eq "afdriver: GET answers the states with 12 bytes (BF, AEC, NS)" \
        "1 12|0 12|1 12" "$(af_get_answer 3)|$(af_get_answer 1)|$(af_get_answer 2)"
    af_set 1 1
    check_eq "afdriver: SET changes the state, GET reports it" \
        "0 1 12 AEC=1 NS=1 BF=1" "$(af_value returned) $(af_get_answer 1) $(af_states)"
    check_eq "afdriver: the journal holds the effect requests in order" \
        "GET 3, GET 1, GET 2, SET 1 1, GET 1" "$(af_requests_line)"
    check_eq "afdriver: each GET is journaled with its lengths, the state sent and the answer" \
        "4" "$(af_count "^GET [0-9] $AF_EXPECTED_GET\$")" "$(af_journal | paste -sd'|' -)"
    check_eq "afdriver: each request comes with one OPEN and one CLOSE of the channel" \
        "5 5 OPEN status=ok" "$(af_count '^OPEN status=ok$') $(af_count '^CLOSE$') $(af_journal | head -n 1)"

    # Malformed requests: refused, journaled, nothing stored.
    af_clear
    local short_out short_in bad_effect
    short_out=$(af_get_answer 3 --out 4)
    short_in=$(af_set 2 0 --in 4 && echo ok || echo failed)
    bad_effect=$(af_get_answer 9)
    check_eq "afdriver: a short output, a short input and an unknown effect are refused" \
        "failed failed failed NS=1" "$short_out $short_in $bad_effect $(af_states | cut -d' ' -f2)"
    check_eq "afdriver: refused requests are journaled with their lengths and status" \
        "GET 3 in=12 out=4 |SET 2 - in=4 out=0 |GET 9 in=12 out=12 " \
        "$(af_journal | grep -E '^(GET|SET)' | sed -E 's/(out=[0-9]+ ).*/\1/' | paste -sd'|' -)"
    check_eq "afdriver: none of them succeeded" "0" "$(af_journal | grep -E '^(GET|SET)' | grep -c 'status=ok')"

    af_clear
    af_journal >/dev/null
    check_eq "afdriver: clearing empties the journal" "0" "$(af_value count)"

    # The failure modes, switched on a running driver.
    af_mode --fail-get
    check_eq "afdriver: with --fail-get every GET fails, SET still works" \
        "failed failed ok" "$(af_get_answer 3) $(af_get_answer 1) $(af_set 2 0 && echo ok || echo failed)"
    check_eq "afdriver: the failed GETs are journaled with a failure status" \
        "2" "$(af_count '^GET [0-9] .*info=0 status=0x')"
    af_mode --short-get
    check_eq "afdriver: with --short-get a GET returns 4 bytes, offset 4 keeps what was sent" \
        "0 4" "$(af_get_answer 3)"
    af_mode --odd-state
    check_eq "afdriver: with --odd-state a GET answers state 7" "7 12" "$(af_get_answer 2)"
    af_mode --fail-set
    check_eq "afdriver: with --fail-set a SET fails and stores nothing" \
        "failed NS=0" "$(af_set 2 1 && echo ok || echo failed) $(af_states | cut -d' ' -f2)"
    af_mode --refuse-open
    local refused=ok
    af_get 1 || refused=failed
    check_eq "afdriver: with --refuse-open the channel cannot be opened" \
        "failed CreateFile 2" "$refused $(af_value error)"
    af_mode
    check_eq "afdriver: with no mode the channel answers again" "1 12" "$(af_get_answer 1)"

    af_unlink
    af_list
    local unlinked
    unlinked=$(af_value count)
    af_link
    af_list
    check_eq "afdriver: an unlinked interface is not listed as present, linked again it is" \
        "0 1" "$unlinked $(af_value count)"
}

# The modes and texts given at install reach the driver through its service key.
scenario_afdriver_install_modes() {
    if ! af_install --states 0,1,1 --fail-get --description "Array Microphone" --hwid 'USB\VID_7C3E&PID_410B&MI_03'; then
        fail "afdriver modes: the driver installs with --fail-get" "$(af_summary)"
        return
    fi
    af_list
    check_eq "afdriver modes: the description and hardware id given are listed" \
        "Array Microphone|USB\\VID_7C3E&PID_410B&MI_03" "$(af_value description)|$(af_value hardware_id)"
    check_eq "afdriver modes: installed with --fail-get, the first GETs fail" \
        "failed failed failed" "$(af_get_answer 3) $(af_get_answer 1) $(af_get_answer 2)"
    check_eq "afdriver modes: the install's states are kept (BF 0, AEC 1, NS 1)" \
        "AEC=1 NS=1 BF=0" "$(af_states)"
    check_eq "afdriver modes: the three failed GETs are journaled in order" \
        "GET 3, GET 1, GET 2" "$(af_requests_line)"

    # Installed again while it runs: the new settings go to the running driver.
    if ! af_install --states 1,1,0; then
        fail "afdriver modes: a second install reaches the running driver" "$(af_summary)"
        return
    fi
    check_eq "afdriver modes: a second install reaches the running driver (states, modes, description)" \
        "already-running AEC=1 NS=0 BF=1 1 12 USB Camera Microphone" \
        "$(af_value service) $(af_states) $(af_get_answer 3) $(af_list && af_value description)"
}

add_scenario scenario_afdriver
add_scenario scenario_afdriver_install_modes
