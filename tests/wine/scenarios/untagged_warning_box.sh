#!/usr/bin/env bash
# The signed exe without a tag, started without arguments: exactly one warning box that says
# the tag is missing, then (nothing else to do yet) exit code 0.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup.exe)"

drive untagged --on caption=extract_aidconfig2 --screenshot "$(winpath "$SCRATCH/box.bmp")" \
    --press OK -- "$exe"
rc=$?
bmp_to_png "$SCRATCH/box.bmp"

expect_eq "$(window_count "$LOG")" 1 "windows shown"
expect_eq "$(field "$LOG" 0 .kind)" messagebox "kind"
expect_eq "$(field "$LOG" 0 .caption)" extract_aidconfig2 "caption"
expect_eq "$(field "$LOG" 0 .text)" "No AID Config found.  Using default values." "text"
expect_eq "$(field "$LOG" 0 .icon)" warning "icon"
expect_eq "$(field "$LOG" 0 '[.buttons[].text] | join(",")')" OK "buttons"
expect_eq "$(driver_errors "$LOG")" 0 "driver errors"
expect_eq "$(exit_code "$LOG")" 0 "exit code (log)"
expect_eq "$rc" 0 "exit code (driver)"
scenario_end
