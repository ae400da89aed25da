#!/usr/bin/env bash
# A silent run of the tagged product on a fresh machine: the en-US pack and the base package
# installed with the unattended language, the session recorded under the tag's affiliate, one
# installation GUID that a second run keeps. Then the same run of an exe stamped with another
# affiliate, after the first copy is gone.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)"
[ -x "${QUORIX_STAMP_TAG:-}" ] || skip "stamp-tag not built (QUORIX_STAMP_TAG)"

base_code='{7F150524-34B9-B5DF-9E77-69B10F4205B4}'
pack_code='{18F135D2-5F55-7203-3018-50C5A38FD547}'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
received='HKLM\Software\Velora\QuorixDemo\Received'
sid_data='HKLM\SOFTWARE\Velora\Quorix\SIDData'
setup_key='HKLM\Software\Velora\Setup'

# The values of a key as NAME=TYPE=DATA lines ("<absent>" alone when the key is not there).
values_of() {
    local out
    out="$(wine_run -t 60 reg query "$1" 2>/dev/null)" || { echo "<absent>"; return; }
    printf '%s\n' "$out" | tr -d '\r' |
        awk -F '    ' 'NF >= 3 && $1 == "" { print $2 "=" $3 "=" $4 }'
}
expect_values() { # key label NAME=TYPE=DATA...
    local snapshot pair key="$1" label="$2"
    shift 2
    snapshot="$(values_of "$key")"
    for pair in "$@"; do
        expect_eq "$(printf '%s\n' "$snapshot" | grep -c -x -F "$pair")" 1 "$label: $pair"
    done
}
installed() { # product code -> yes/no
    wine_run -t 60 reg query "$uninstall_key\\$1" >/dev/null 2>&1 && echo yes || echo no
}
installation_guid() {
    values_of "$setup_key" | sed -n 's/^(Default)=REG_SZ=//p'
}
uninstall() {
    wine_run -t 120 msiexec /x "$1" /qn
    expect_eq "$?" 0 "msiexec /x $1"
}

echo "== silent run of the tagged exe on a fresh prefix"
drive first -- "$exe" /silent
expect_eq "$?" 0 "exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "windows shown"
expect_eq "$(installed "$base_code")" yes "base package installed"
expect_eq "$(installed "$pack_code")" yes "en-US pack installed"
expect_values "$received" "base received" LANGSTRING=REG_SZ=silent \
    AFFILIATEID=REG_SZ=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=REG_SZ=#0' \
    TRANSFORMS=REG_SZ=:silent AppliedTransform=REG_SZ=silent
record="$(values_of "$sid_data\\vlq2011aid30017xx-XX")"
printf '%s\n' "$record" >"$SCRATCH/record-first.txt"
expect_eq "$(printf '%s\n' "$record" | grep -c -x -F 'SID=REG_SZ=vlq2011aid30017xx-XX')" 1 \
    "session record: SID"
expect_eq "$(printf '%s\n' "$record" | grep -c -x -F 'Flags=REG_DWORD=0x0')" 1 \
    "session record: Flags = 0"
expect_eq "$(printf '%s\n' "$record" |
    grep -c -E '^(Install|Download)=REG_SZ=[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$')" \
    2 "session record: Install and Download times"
expect_values 'HKLM\SOFTWARE\Velora\Quorix\10.0' "current session" \
    CurSID=REG_SZ=vlq2011aid30017xx-XX
guid="$(installation_guid)"
expect_eq "$(printf '%s' "$guid" |
    grep -c -E '^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$')" 1 \
    "installation GUID ($guid)"

# The same release installed: even a silent run asks whether to remove it (a message box,
# not suppressed by "/silent"). No keeps the copy and the GUID.
echo "== second silent run: the removal question, answered No"
drive second --on kind=messagebox --press IDNO -- "$exe" /silent
expect_eq "$?" 0 "second run: exit code (driver)"
expect_eq "$(window_count "$LOG")" 1 "second run: windows shown"
expect_eq "$(field "$LOG" 0 .icon)" question "second run: the box's icon"
expect_contains "$(field "$LOG" 0 .text)" "Would you like to uninstall" "second run: the question"
expect_eq "$(driver_errors "$LOG")" 0 "second run: driver errors"
expect_eq "$(installed "$base_code")" yes "second run: base package still installed"
expect_eq "$(installation_guid)" "$guid" "second run: installation GUID kept"

echo "== the exe stamped with affiliate abc, after removing the first copy"
uninstall "$base_code"
uninstall "$pack_code"
expect_eq "$(installed "$base_code")" no "base package removed"
stamped="$SCRATCH/QuorixSetup-abc.exe"
"$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$stamped" \
    "AFFILIATEID=abc&AFFILIATEIDFLAGS=.1" || exit 1
drive stamped -- "$(winpath "$stamped")" /silent
expect_eq "$?" 0 "stamped run: exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "stamped run: windows shown"
expect_eq "$(installed "$base_code")" yes "stamped run: base package installed"
expect_values "$received" "stamped base received" AFFILIATEID=REG_SZ=abc \
    'AFFILIATEIDFLAGS=REG_SZ=#1' LANGSTRING=REG_SZ=silent
expect_values "$sid_data\\abc" "stamped session record" SID=REG_SZ=abc Flags=REG_DWORD=0x1
expect_values 'HKLM\SOFTWARE\Velora\Quorix\10.0' "stamped current session" CurSID=REG_SZ=abc
expect_eq "$(installation_guid)" "$guid" "stamped run: installation GUID kept"
scenario_end
