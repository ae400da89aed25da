#!/usr/bin/env bash
# The signed exe without a tag, started without arguments: exactly one warning box that says
# the tag is missing, before anything else; the run then goes on with the default affiliate to
# the welcome dialog, and Next installs (exit code 0).
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup.exe)" || exit 1
base_code="$BASE_CODE"

drive untagged --on caption=extract_aidconfig2 --screenshot "$(winpath "$SCRATCH/box.bmp")" \
    --press OK --on kind=dialog --press IDOK -- "$exe"
rc=$?
bmp_to_png "$SCRATCH/box.bmp"

expect_eq "$(window_count "$LOG")" 2 "windows shown: the box, then the welcome dialog"
expect_eq "$(field "$LOG" 0 .kind)" messagebox "kind"
expect_eq "$(field "$LOG" 0 .caption)" extract_aidconfig2 "caption"
expect_eq "$(field "$LOG" 0 .text)" "No AID Config found.  Using default values." "text"
expect_eq "$(field "$LOG" 0 .icon)" warning "icon"
expect_eq "$(field "$LOG" 0 '[.buttons[].text] | join(",")')" OK "buttons"
expect_eq "$(field "$LOG" 1 '"\(.kind) \(.caption)"')" "dialog $(catalog_text en-US DialogTitle)" \
    "after the box: the welcome dialog"
expect_eq "$(driver_errors "$LOG")" 0 "driver errors"
expect_eq "$(exit_code "$LOG")" 0 "exit code (log)"
expect_eq "$rc" 0 "exit code (driver)"
expect_eq "$(product_installed "$base_code")" yes "installed after the warning"
release_key='HKLM\SOFTWARE\Velora\Quorix\10.0'
expect_eq "$(reg_values "$release_key" | grep -c -x -F 'CurSID=REG_SZ=vlq2011aid30017xx-XX')" 1 \
    "the run went on under the default affiliate"
scenario_end
