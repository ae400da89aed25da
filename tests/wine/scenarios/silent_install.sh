#!/usr/bin/env bash
# A silent run of the tagged product on a fresh machine: the en-US pack and the base package
# installed with the unattended language, the session recorded under the tag's affiliate, one
# installation GUID that a second run keeps. The second silent run over the same release is a
# maintenance removal: the install helper agrees (its own answer, 1), so nothing is asked and
# base package and pack are gone afterwards. Then the same run of an exe stamped with another
# affiliate installs again.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
require_file "${QUORIX_STAMP_TAG:-}" "stamp-tag (QUORIX_STAMP_TAG)"

base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
received='HKLM\Software\Velora\QuorixDemo\Received'
sid_data='HKLM\SOFTWARE\Velora\Quorix\SIDData'
setup_key='HKLM\Software\Velora\Setup'

installation_guid() {
    reg_values "$setup_key" | sed -n 's/^(Default)=REG_SZ=//p'
}

echo "== silent run of the tagged exe on a fresh prefix"
drive first -- "$exe" /silent
expect_eq "$?" 0 "exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "windows shown"
expect_eq "$(product_installed "$base_code")" yes "base package installed"
expect_eq "$(product_installed "$pack_code")" yes "en-US pack installed"
expect_values "$received" "base received" LANGSTRING=REG_SZ=silent \
    AFFILIATEID=REG_SZ=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=REG_SZ=#0' \
    TRANSFORMS=REG_SZ=:silent AppliedTransform=REG_SZ=silent
record="$(reg_values "$sid_data\\vlq2011aid30017xx-XX")"
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

echo "== second silent run: the maintenance removal"
demo_events_clear
drive second -- "$exe" /silent
expect_eq "$?" 0 "second run: exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "second run: windows shown (the helper agreed)"
expect_eq "$(demo_events | grep -c -E '^helper --uninstall-lullex in .* exit 1$')" 1 \
    "second run: the helper's uninstallation step answered 1"
expect_eq "$(product_installed "$base_code")" no "second run: base package removed"
expect_eq "$(product_installed "$pack_code")" no "second run: en-US pack removed"
expect_eq "$(installation_guid)" "$guid" "second run: installation GUID kept"

echo "== the exe stamped with affiliate abc, after the removal"
stamped="$SCRATCH/QuorixSetup-abc.exe"
"$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$stamped" \
    "AFFILIATEID=abc&AFFILIATEIDFLAGS=.1" || exit 1
drive stamped -- "$(winpath "$stamped")" /silent
expect_eq "$?" 0 "stamped run: exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "stamped run: windows shown"
expect_eq "$(product_installed "$base_code")" yes "stamped run: base package installed"
expect_values "$received" "stamped base received" AFFILIATEID=REG_SZ=abc \
    'AFFILIATEIDFLAGS=REG_SZ=#1' LANGSTRING=REG_SZ=silent
expect_values "$sid_data\\abc" "stamped session record" SID=REG_SZ=abc Flags=REG_DWORD=0x1
expect_values 'HKLM\SOFTWARE\Velora\Quorix\10.0' "stamped current session" CurSID=REG_SZ=abc
expect_eq "$(installation_guid)" "$guid" "stamped run: installation GUID kept"
scenario_end
