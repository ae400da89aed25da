#!/usr/bin/env bash
# The signed and tagged exe reads its tag silently: no window at all, exit code 0.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)"

drive tagged -- "$exe"
rc=$?

expect_eq "$(window_count "$LOG")" 0 "windows shown"
expect_eq "$(exit_code "$LOG")" 0 "exit code (log)"
expect_eq "$rc" 0 "exit code (driver)"
scenario_end
