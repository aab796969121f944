# Languages: without language files the main window carries the built-in texts; the
# language list of bkg.ini picks the current language, and a switch writes "Default"
# and applies the new texts, leaving a greyed button grey.

WM_COMMAND=0x111
GRAY_OUT=0x465  # WM_USER+101
LANGUAGE_FRANCAIS=35002
REPO_LANGUAGES=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/dist/Language" && pwd)

scenario_languages_builtin() {
    programs_with_settings '[Rotation]' 'Delay=0' || { fail "languages: programs copied" ""; return; }
    start_and_wait Tiltmate.exe || { fail "languages: Tiltmate starts" "$(probe_summary)"; return; }
    probe state Tiltmate.exe
    check_eq "languages: without language files the caption is the built-in one" \
        "Tavrin PC Camera Console" "$(value caption)" "$(probe_summary)"
}

scenario_languages_switch() {
    programs_with_settings '[Language]' 'LanguageCount=3' 'Default=2' 'Language1=English.ini' \
        'Language2=Deutsch.ini' 'Language3=Francais.ini' || { fail "languages: programs copied" ""; return; }
    mkdir -p "$PROGRAM_DIR/Language"
    cp "$REPO_LANGUAGES"/*.ini "$PROGRAM_DIR/Language/"
    start_and_wait Tiltmate.exe || { fail "languages: Tiltmate starts" "$(probe_summary)"; return; }
    probe state Tiltmate.exe
    check_eq "languages: Default 2 applies Deutsch.ini" \
        "Tavrin PC-Kamerakonsole|Durchsuchen" "$(value caption)|$(value text_1005)" "$(probe_summary)"

    probe send Tiltmate.exe $GRAY_OUT 1 0
    probe send Tiltmate.exe $WM_COMMAND $LANGUAGE_FRANCAIS 0
    probe state Tiltmate.exe
    local caption browse enabled
    caption=$(value caption) browse=$(value text_1005) enabled=$(value enabled_1000)
    check_eq "languages: the switch to Francais applies its texts and keeps the greyed button grey" \
        "Console de cam.ra PC Tavrin|Parcourir|0" "$(printf '%s' "$caption" | LC_ALL=C sed 's/[^ -~]/./g')|$browse|$enabled" \
        "$(probe_summary)"
    check_eq "languages: the switch writes Default=3 into bkg.ini" \
        "Default=3" "$(tr -d '\r' <"$PROGRAM_DIR/bkg.ini" | grep '^Default=')"
}

add_scenario scenario_languages_builtin
add_scenario scenario_languages_switch
