#!/usr/bin/env bash
# A signed copy whose tag was rewritten to add installer properties of its own: an install
# folder every user can write and a restart instruction. stamp-tag refuses such a tag (and says
# which pair), so the copy is written with --unchecked. The program drops exactly those pairs and
# keeps the affiliate: in a silent run the product goes to its own folder, the package receives
# neither property, and the session is recorded under the tag's affiliate with its flags.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_STAMP_TAG:-}" "stamp-tag (QUORIX_STAMP_TAG)"
product_exe QuorixSetup-tagged.exe >/dev/null

base_code="$BASE_CODE"
received='HKLM\Software\Velora\QuorixDemo\Received'
tag='AFFILIATEID=x&INSTALLDIR=C:\Users\Public\Evil\&REBOOT=ReallySuppress&AFFILIATEIDFLAGS=.1'
injecting="$SCRATCH/QuorixSetup-injecting.exe"

echo "== stamp-tag refuses the tag and names the pair"
stamp_refused "$injecting" "$tag"
expect_contains "$(cat "$injecting.refused")" \
    'drop the pair "INSTALLDIR=C:\Users\Public\Evil\": the key is not in the product'"'"'s list' \
    "the refusal names the pair and why"
expect_eq "$([ -e "$injecting" ] && echo written || echo none)" none "nothing written"

echo "== the copy written anyway; what stamp-tag --show says the program makes of it"
stamp_unchecked "$injecting" "$tag"
shown="$("$QUORIX_STAMP_TAG" --show "$injecting")"
printf '%s\n' "$shown" >"$SCRATCH/shown.txt"
for line in "tag: $tag" \
    'dropped: INSTALLDIR=C:\Users\Public\Evil\ (the key is not in the product'"'"'s list of tag keys)' \
    "dropped: REBOOT=ReallySuppress (the key is not in the product's list of tag keys)" \
    'properties passed on: AFFILIATEID=x AFFILIATEIDFLAGS=#1' 'affiliate id: x' 'flags: 1'; do
    expect_eq "$(printf '%s\n' "$shown" | grep -c -x -F -- "$line")" 1 "--show: $line"
done

echo "== silent run of the rewritten copy"
drive injecting -- "$(winpath "$injecting")" /silent
expect_eq "$?" 0 "exit code"
expect_eq "$(window_count "$LOG")" 0 "windows shown (no tag warning: the affiliate survived)"
expect_eq "$(product_installed "$base_code")" yes "base package installed"
values="$(reg_values "$received")"
printf '%s\n' "$values" >"$SCRATCH/received.txt"
for pair in 'AFFILIATEID=REG_SZ=x' 'AFFILIATEIDFLAGS=REG_SZ=#1' \
    'INSTALLDIR=REG_SZ=C:\Program Files\Velora\Quorix 2011\'; do
    expect_eq "$(printf '%s\n' "$values" | grep -c -x -F -- "$pair")" 1 "received: $pair"
done
expect_eq "$(printf '%s\n' "$values" | grep -c -E '^REBOOT=REG_SZ=.+')" 0 "no REBOOT received"
expect_eq "$(printf '%s\n' "$values" | grep -c -i 'Evil\|ReallySuppress')" 0 \
    "nothing of the dropped pairs received"
expect_eq "$([ -e "$WINEPREFIX/drive_c/users/Public/Evil" ] && echo present || echo absent)" \
    absent "nothing under C:\\Users\\Public\\Evil"
expect_eq "$([ -d "$WINEPREFIX/drive_c/Program Files/Velora/Quorix 2011" ] && echo yes || echo no)" \
    yes "the product's own folder"
record="$(reg_values 'HKLM\SOFTWARE\Velora\Quorix\SIDData\x')"
printf '%s\n' "$record" >"$SCRATCH/record.txt"
expect_eq "$(printf '%s\n' "$record" | grep -c -x -F 'SID=REG_SZ=x')" 1 "SIDData\\x: SID"
expect_eq "$(printf '%s\n' "$record" | grep -c -x -F 'Flags=REG_DWORD=0x1')" 1 "SIDData\\x: Flags 1"
scenario_end
