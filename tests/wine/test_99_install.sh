# Installing: each program's installer (scripts/make-msi, the 64-bit build here, into
# the 64-bit Program Files) installed silently into a fresh prefix, the program
# started from where it was installed, a major upgrade to a higher version and the
# removal, which leaves nothing but the user's own settings.

REPO_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WM_COMMAND=0x111
WM_QUERYENDSESSION=0x11
WM_ENDSESSION=0x16
ENDSESSION_CLOSEAPP=1
LANGUAGE_DEUTSCH=35001
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

# install_payload <program> <dir> [mark]: the files an installer carries; with a mark,
# every file differs from the unmarked payload (bytes after the program's image, which
# the loader ignores; a comment line in the .ini files), so a test can tell which
# package's files are in place.
install_payload() {
    local program=$1 dir=$2 mark=${3:-}
    mkdir -p "$dir/Language"
    cp "$PROGRAM_DIR/$program.exe" "$REPO_TOP/resources/dist/bkg.ini" "$dir/" &&
        cp "$REPO_TOP"/resources/dist/Language/*.ini "$dir/Language/" || return 1
    if [ -n "$mark" ]; then
        printf '%s\n' "$mark" >>"$dir/$program.exe"
        local ini
        for ini in "$dir/bkg.ini" "$dir"/Language/*.ini; do printf '; %s\r\n' "$mark" >>"$ini"; done
    fi
}

# msiexec <args...>: runs Wine's msiexec silently and bounded; MSI_RC is its code.
msiexec() {
    timeout -k 5 120 "$WINE" msiexec "$@" /qn </dev/null >>"$SCENARIO_DIR/msiexec.log" 2>&1
    MSI_RC=$?
}

# uninstall_entries <program>: one "<key> <DisplayVersion>" line per entry of Programs
# and Features whose DisplayName is the program.
uninstall_entries() {
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query "$UNINSTALL_KEY" /s </dev/null 2>/dev/null | tr -d '\r' |
        awk -v name="$1" '
            /^HKEY/ { key = $0; next }
            $1 == "DisplayName" && $2 == "REG_SZ" { sub(/^ +DisplayName +REG_SZ +/, ""); shown[key] = $0 }
            $1 == "DisplayVersion" && $2 == "REG_SZ" { version[key] = $3 }
            END { for (k in shown) if (shown[k] == name) print k, version[k] }'
}

# run_value <program>: the data of the program's value under the machine's Run key.
run_value() {
    timeout -k 5 "$WINE_CALL_TIMEOUT" "$WINE" reg query "$RUN_KEY" /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
        awk -v name="$1" '$1 == name && $2 == "REG_SZ" { sub(/^ +[^ ]+ +REG_SZ +/, ""); print }'
}

# start_menu_shortcut <program>: the shortcut's Unix path, wherever this Wine puts the
# Start menu of all users ("" when there is none).
start_menu_shortcut() {
    find "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/ProgramData" -path "*Start Menu/Programs/$1.lnk" \
        2>/dev/null | head -n 1
}

# start_installed <program>: starts it from the Program Files folder, as the Run value
# does at logon, and waits until its main window rests hidden.
start_installed() {
    (cd "$WINEPREFIX/drive_c" && exec timeout -k 5 "$PROGRAM_TIMEOUT" "$WINE" "C:\\Program Files\\$1\\$1.exe") \
        </dev/null >>"$SCENARIO_DIR/$1.log" 2>&1 &
    PROGRAM_PIDS[$1.exe]=$!
    probe wait "$1.exe" "$START_TIMEOUT_MS" "$SETTLE_MS"
}

# close_as_restart_manager <program>: what Windows Installer's Restart Manager does to a
# running program whose files an upgrade or removal must replace: WM_QUERYENDSESSION
# with ENDSESSION_CLOSEAPP, then WM_ENDSESSION. Wine's msiexec has no Restart Manager.
close_as_restart_manager() {
    local program=$1
    probe send "$program.exe" $WM_QUERYENDSESSION 0 $ENDSESSION_CLOSEAPP
    local agreed
    agreed=$(value result)
    probe send "$program.exe" $WM_ENDSESSION 1 $ENDSESSION_CLOSEAPP
    if wait_program_exit "$program.exe" 15 && [ "$agreed" = 1 ]; then return 0; fi
    echo "query answered ${agreed:-nothing}, program $PROGRAM_RC" >"$SCENARIO_DIR/close.txt"
    return 1
}

# prefix_files: every path of the prefix's C: drive, one a line, sorted.
prefix_files() {
    (cd "$WINEPREFIX/drive_c" && find . | LC_ALL=C sort)
}

install_scenario() {
    local program=$1
    local name="install $program"
    local version v2
    version=$(head -n 1 "$REPO_TOP/VERSION")
    v2=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$version")
    if ! install_payload "$program" "$SCENARIO_DIR/v1" || ! install_payload "$program" "$SCENARIO_DIR/v2" "$v2" ||
       ! bash "$REPO_TOP/scripts/make-msi" "$program" x64 "$version" "$SCENARIO_DIR/v1" "$SCENARIO_DIR/v1.msi" \
            >>"$SCENARIO_DIR/make-msi.log" 2>&1 ||
       ! bash "$REPO_TOP/scripts/make-msi" "$program" x64 "$v2" "$SCENARIO_DIR/v2" "$SCENARIO_DIR/v2.msi" \
            >>"$SCENARIO_DIR/make-msi.log" 2>&1; then
        fail "$name: the installers are built" "$(tail -n 3 "$SCENARIO_DIR/make-msi.log" 2>/dev/null)"
        return
    fi
    # Wine's menu builder would write Linux menu entries outside the prefix.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d"
    local installed=$WINEPREFIX/drive_c/Program\ Files/$program
    wineserver_kill
    prefix_files >"$SCENARIO_DIR/files-before.txt"

    msiexec /i "$(windows_path "$SCENARIO_DIR/v1.msi")"
    check_eq "$name: msiexec /i /qn succeeds" 0 "$MSI_RC"
    local missing=() file
    for file in "$program.exe" bkg.ini Language/English.ini Language/Deutsch.ini Language/Francais.ini; do
        cmp -s "$installed/$file" "$SCENARIO_DIR/v1/$file" || missing+=("$file")
    done
    check_eq "$name: the program, bkg.ini and the languages are in Program Files\\$program" "" "${missing[*]}"
    local shortcut
    shortcut=$(start_menu_shortcut "$program")
    if [ -n "$shortcut" ] && LC_ALL=C grep -a -q "$program\\.exe" "$shortcut"; then
        pass "$name: a Start-menu shortcut leads to the program"
    else
        fail "$name: a Start-menu shortcut leads to the program" "shortcut '${shortcut#"$WINEPREFIX"/}'"
    fi
    check_eq "$name: the machine's Run value starts it at every logon" \
        "\"C:\\Program Files\\$program\\$program.exe\"" "$(run_value "$program")"
    check_eq "$name: one entry in Programs and Features" "1 $version" \
        "$(uninstall_entries "$program" | wc -l) $(uninstall_entries "$program" | awk '{ print $NF }')"

    if start_installed "$program"; then
        pass "$name: started from Program Files, its window appears"
    else
        fail "$name: started from Program Files, its window appears" "$(probe_summary)"
        return
    fi
    # A language choice: the user's own settings, which must outlive the removal.
    probe send "$program.exe" $WM_COMMAND $LANGUAGE_DEUTSCH 0
    local own
    own=$(find "$WINEPREFIX/drive_c/users" -path "*/AppData/Roaming/$program/bkg.ini" 2>/dev/null | head -n 1)
    check_eq "$name: the language switch writes the user's own bkg.ini" "Default=2" \
        "$(tr -d '\r' <"${own:-/dev/null}" | grep '^Default=')"

    if close_as_restart_manager "$program"; then
        pass "$name: asked as Restart Manager asks, the program agrees and ends"
    else
        fail "$name: asked as Restart Manager asks, the program agrees and ends" "$(cat "$SCENARIO_DIR/close.txt")"
    fi

    msiexec /i "$(windows_path "$SCENARIO_DIR/v2.msi")"
    check_eq "$name: the upgrade to $v2 succeeds without a restart" 0 "$MSI_RC"
    check_eq "$name: after the upgrade one entry, of $v2" "1 $v2" \
        "$(uninstall_entries "$program" | wc -l) $(uninstall_entries "$program" | awk '{ print $NF }')"
    missing=()
    for file in "$program.exe" bkg.ini Language/English.ini Language/Deutsch.ini Language/Francais.ini; do
        cmp -s "$installed/$file" "$SCENARIO_DIR/v2/$file" || missing+=("$file")
    done
    check_eq "$name: every file is the new package's" "" "${missing[*]}"
    msiexec /i "$(windows_path "$SCENARIO_DIR/v1.msi")"
    # 1603, which a Unix shell sees modulo 256.
    check_eq "$name: the older package is refused (1603) and $v2 stays" "67 1 $v2" \
        "$MSI_RC $(uninstall_entries "$program" | wc -l) $(uninstall_entries "$program" | awk '{ print $NF }')"
    if start_installed "$program"; then
        probe state "$program.exe"
        check_eq "$name: the upgraded program starts in the user's language" \
            "Tavrin PC-Kamerakonsole" "$(value caption)" "$(probe_summary)"
        close_as_restart_manager "$program" || true
    else
        fail "$name: the upgraded program starts" "$(probe_summary)"
    fi

    msiexec /x "$(windows_path "$SCENARIO_DIR/v2.msi")"
    check_eq "$name: msiexec /x /qn succeeds" 0 "$MSI_RC"
    check_eq "$name: no entry in Programs and Features, no Run value" "0|" \
        "$(uninstall_entries "$program" | wc -l)|$(run_value "$program")"
    wineserver_kill
    prefix_files >"$SCENARIO_DIR/files-after.txt"
    # What stays: the user's own settings, and Windows Installer's (empty) cache folder.
    local left
    left=$(LC_ALL=C comm -13 "$SCENARIO_DIR/files-before.txt" "$SCENARIO_DIR/files-after.txt" |
        grep -v -E "^\./users/[^/]+/AppData/Roaming/$program(/bkg\.ini)?$|^\./windows/Installer$" | tr '\n' ' ')
    check_eq "$name: the removal leaves no file but the user's own settings" "" "$left"
    local registry
    registry=$(LC_ALL=C grep -a -i -c -E "$program|Tavrin" "$WINEPREFIX/system.reg")
    check_eq "$name: the removal leaves no machine registry entry naming the program" 0 "$registry"
    [ -n "$own" ] && [ -f "$own" ] && pass "$name: the user's own settings stay" ||
        fail "$name: the user's own settings stay" "no ${own:-user bkg.ini}"
}

scenario_install_tiltmate() { install_scenario Tiltmate; }
scenario_install_viewmate() { install_scenario Viewmate; }

# The package that ships: the 32-bit programs, into the 32-bit Program Files folder, the
# Run value in the registry's 32-bit view (which Windows runs at logon as well).
scenario_install_shipped_package() {
    local name="install the 32-bit package"
    local dist=$REPO_TOP/build/win32/dist version
    version=$(head -n 1 "$REPO_TOP/VERSION")
    if [ ! -f "$dist/Tiltmate.exe" ]; then
        fail "$name: the 32-bit build is there" "no $dist/Tiltmate.exe (cmake --build --preset win32)"
        return
    fi
    if ! bash "$REPO_TOP/scripts/make-msi" Tiltmate x86 "$version" "$dist" "$SCENARIO_DIR/x86.msi" \
            >>"$SCENARIO_DIR/make-msi.log" 2>&1; then
        fail "$name: the installer is built" "$(tail -n 3 "$SCENARIO_DIR/make-msi.log")"
        return
    fi
    export WINEDLLOVERRIDES="winemenubuilder.exe=d"
    msiexec /i "$(windows_path "$SCENARIO_DIR/x86.msi")"
    check_eq "$name: msiexec /i /qn succeeds" 0 "$MSI_RC"
    local installed="$WINEPREFIX/drive_c/Program Files (x86)/Tiltmate" missing=() file
    for file in Tiltmate.exe bkg.ini Language/English.ini Language/Deutsch.ini Language/Francais.ini; do
        cmp -s "$installed/$file" "$dist/$file" || missing+=("$file")
    done
    check_eq "$name: the files are in Program Files (x86)\Tiltmate" "" "${missing[*]}"
    RUN_KEY='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Run'
    UNINSTALL_KEY='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
    check_eq "$name: one entry in Programs and Features (32-bit view)" "1" "$(uninstall_entries Tiltmate | wc -l)"
    check_eq "$name: the Run value is in the 32-bit view" "\"C:\Program Files (x86)\Tiltmate\Tiltmate.exe\"" \
        "$(run_value Tiltmate)"
    msiexec /x "$(windows_path "$SCENARIO_DIR/x86.msi")"
    check_eq "$name: removed, nothing of it is left" "0|0|" \
        "$MSI_RC|$(uninstall_entries Tiltmate | wc -l)|$(run_value Tiltmate)$([ -e "$installed" ] && echo folder)"
}

add_scenario scenario_install_tiltmate
add_scenario scenario_install_viewmate
add_scenario scenario_install_shipped_package
