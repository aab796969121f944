# Settings a user keeps: with the program's folder closed to writes (as Program Files
# is to a standard user; `chattr +i`, since Wine itself protects nothing), a language
# switch still survives a restart, through the user's own bkg.ini in the application
# data.

WM_COMMAND=0x111
LANGUAGE_DEUTSCH=35001
REPO_LANGUAGES=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/dist/Language" && pwd)

# protect <path>... / unprotect <path>...: the immutable attribute, which even root's
# writes respect. unprotect runs however the scenario ends: the run deletes its folders.
protect() { chattr +i "$@"; }
unprotect() { chattr -i "$@" 2>/dev/null || true; }

scenario_languages_protected_folder() {
    programs_with_settings '[Language]' 'LanguageCount=3' 'Default=1' 'Language1=English.ini' \
        'Language2=Deutsch.ini' 'Language3=Francais.ini' || { fail "protected folder: programs copied" ""; return; }
    mkdir -p "$PROGRAM_DIR/Language"
    cp "$REPO_LANGUAGES"/*.ini "$PROGRAM_DIR/Language/"
    local guarded=("$PROGRAM_DIR/bkg.ini" "$PROGRAM_DIR")
    trap 'unprotect "${guarded[@]}"' EXIT INT TERM
    if ! protect "${guarded[@]}"; then
        fail "protected folder: chattr +i" "this file system or user cannot set the immutable attribute"
        return
    fi
    if ( : >>"$PROGRAM_DIR/bkg.ini" ) 2>/dev/null; then
        fail "protected folder: bkg.ini cannot be written" "a write still succeeded"
        return
    fi
    local before
    before=$(md5sum <"$PROGRAM_DIR/bkg.ini")

    start_and_wait Tiltmate.exe || { fail "protected folder: Tiltmate starts" "$(probe_summary)"; return; }
    probe send Tiltmate.exe $WM_COMMAND $LANGUAGE_DEUTSCH 0
    probe state Tiltmate.exe
    check_eq "protected folder: the switch applies Deutsch at once" "Tavrin PC-Kamerakonsole" "$(value caption)" \
        "$(probe_summary)"
    check_eq "protected folder: bkg.ini beside the program is unchanged" "$before" "$(md5sum <"$PROGRAM_DIR/bkg.ini")"
    local own
    own=$(find "$WINEPREFIX/drive_c/users" -path "*/AppData/Roaming/Tiltmate/bkg.ini" 2>/dev/null | head -n 1)
    check_eq "protected folder: the user's own bkg.ini holds the choice" "[Language]|Default=2" \
        "$(tr -d '\r' <"${own:-/dev/null}" | paste -sd '|')"

    probe post Tiltmate.exe $WM_COMMAND 32775 0  # Exit
    wait_program_exit Tiltmate.exe 15
    check_eq "protected folder: Tiltmate exits" 0 "$PROGRAM_RC"
    start_and_wait Tiltmate.exe || { fail "protected folder: Tiltmate starts again" "$(probe_summary)"; return; }
    probe state Tiltmate.exe
    check_eq "protected folder: after a restart the choice holds" "Tavrin PC-Kamerakonsole|Durchsuchen" \
        "$(value caption)|$(value text_1005)" "$(probe_summary)"
    unprotect "${guarded[@]}"
}

add_scenario scenario_languages_protected_folder
