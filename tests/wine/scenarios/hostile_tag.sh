#!/usr/bin/env bash
# A re-tagged copy whose tag would add its own installer properties through a quote and a blank:
# the signature still holds (the tag is outside the signed hash), but the program drops the pair
# whose value is not plain. Nothing is left of the tag: the run shows no box, installs with the
# default affiliate, and hands nothing of the tag to the installer. stamp-tag refuses the tag, so
# the copy is written with --unchecked.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_STAMP_TAG:-}" "stamp-tag (QUORIX_STAMP_TAG)"
product_exe QuorixSetup-tagged.exe >/dev/null

received='HKLM\Software\Velora\QuorixDemo\Received'
hostile="$SCRATCH/QuorixSetup-hostile.exe"
stamp_refused "$hostile" 'AFFILIATEID=x" REBOOT=Force'
stamp_unchecked "$hostile" 'AFFILIATEID=x" REBOOT=Force'

drive hostile -- "$(winpath "$hostile")" /silent
rc=$?
expect_eq "$rc" 0 "exit code"
expect_eq "$(window_count "$LOG")" 0 "windows shown"

values="$(reg_values "$received")"
printf '%s\n' "$values" >"$SCRATCH/received.txt"
expect_eq "$(printf '%s\n' "$values" | grep -c -x -F 'AFFILIATEID=REG_SZ=vlq2011aid30017xx-XX')" 1 \
    "the default affiliate reached the package"
expect_eq "$(printf '%s\n' "$values" | grep -c 'Force\|x"\|^REBOOT=REG_SZ=.')" 0 \
    "nothing of the hostile tag reached the package"
expect_eq "$(reg_key_exists 'HKLM\SOFTWARE\Velora\Quorix\SIDData\vlq2011aid30017xx-XX')" yes \
    "the session recorded under the default affiliate"
expect_eq "$(reg_key_exists 'HKLM\SOFTWARE\Velora\Quorix\SIDData\x"')" no \
    "no session record under the hostile affiliate"
scenario_end
