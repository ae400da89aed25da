#!/usr/bin/env bash
# A rename waiting for the next start that names a file of the base package: the product asks
# for a restart first, in a /silent run too. Answered No, it ends with 0 and installs nothing;
# answered Yes, it asks Windows to restart and goes on with the installation. Its log names
# the question and then the answer. A waiting rename of some other file asks nothing.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1

base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
session_manager='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager'

# pending ENTRY...: PendingFileRenameOperations as Windows writes it, a REG_MULTI_SZ of
# source/destination pairs (an empty destination is a deletion). reg.exe refuses empty strings
# in a REG_MULTI_SZ, so the value goes in through a .reg file (REGEDIT4: the data as ANSI
# bytes, which regedit widens).
pending() {
    local file="$SCRATCH/pending.reg"
    {
        printf 'REGEDIT4\r\n\r\n'
        printf '[%s]\r\n' 'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager'
        printf '"PendingFileRenameOperations"=hex(7):%s\r\n' "$(
            printf '%s\0' "$@" | od -An -v -tx1 |
                tr -s ' \n' ' ' | sed 's/^ //; s/ $/,00/; s/ /,/g')"
    } >"$file"
    wine_run -t 60 regedit /s "$(winpath "$file")" >/dev/null 2>&1
    expect_eq "$(reg_query "$session_manager" /v PendingFileRenameOperations | grep -c -F "$1")" 1 \
        "PendingFileRenameOperations written"
}

echo "== a deletion of readme.txt (a file of the base package) waits for the restart"
# A deletion is the source name followed by an empty destination.
pending '\??\C:\x\readme.txt' ''
drive pending --on kind=messagebox --snapshot --press IDNO -- "$exe"
expect_eq "$?" 0 "exit code (driver)"
expect_eq "$(window_count "$LOG")" 1 "boxes shown"
expect_eq "$(field "$LOG" 0 .icon)" warning "the box's icon"
expect_contains "$(field "$LOG" 0 .text)" "Would you like to restart your computer now?" \
    "the restart question"
expect_eq "$(field "$LOG" 0 '[.buttons[].id] | join(",")')" "6,7" "the box's buttons (Yes, No)"
expect_eq "$(driver_errors "$LOG")" 0 "driver errors"
expect_eq "$(product_installed "$base_code")" no "base package not installed"
expect_eq "$(product_installed "$pack_code")" no "en-US pack not installed"
expect_eq "$(reg_key_exists 'HKLM\Software\Velora\Setup')" no "no installation GUID written"

echo "== a waiting rename of another file: no question"
pending '\??\C:\x\unrelated.txt' '' '\??\C:\x\old.txt' '!\??\C:\x\other.txt'
drive unrelated -- "$exe" /silent
expect_eq "$?" 0 "unrelated: exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "unrelated: boxes shown"
expect_eq "$(product_installed "$base_code")" yes "unrelated: base package installed"
demo_uninstall "$pack_code"
demo_uninstall "$base_code"

# The log of the newest run, its pending and exit steps only, in the prefix's temporary folder.
prefix_temp
steps() { ls -t "$temp"/QuorixSetup_*.log | head -n 1 | xargs -d '\n' cat | tr -d '\r' |
    sed -n -E 's/^[^ ]+ ((pending|exit): .*)$/\1/p'; }
asked="pending: a restart still waits to replace a file of the base package; the user is asked whether to restart now"
for answer in IDNO IDYES; do
    echo "== /silent, answered $answer: an unattended run is asked all the same"
    pending '\??\C:\x\readme.txt' ''
    drive "silent_$answer" --on kind=messagebox --press "$answer" -- "$exe" /silent
    expect_eq "$?" 0 "silent $answer: exit code (driver)"
    expect_eq "$(exit_code "$LOG")" 0 "silent $answer: the product's exit code"
    expect_eq "$(window_count "$LOG")" 1 "silent $answer: boxes shown"
    expect_contains "$(field "$LOG" 0 .text)" "Would you like to restart your computer now?" \
        "silent $answer: the restart question"
    if [ "$answer" = IDNO ]; then
        expect_eq "$(steps)" "$asked
pending: the user did not choose to restart
exit: code 0, an installation waits for a restart and the user did not choose to restart" \
            "silent No: the log's question, answer and exit"
        expect_eq "$(product_installed "$base_code")" no "silent No: base package not installed"
    else
        expect_eq "$(steps)" "$asked
pending: the user chose to restart; the run goes on meanwhile
exit: code 0, the installation succeeded" "silent Yes: the log's question, answer and exit"
        expect_eq "$(product_installed "$base_code")" yes "silent Yes: base package installed"
    fi
done
scenario_end
