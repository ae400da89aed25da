#!/usr/bin/env bash
# The signed and tagged exe reads its tag silently: no message box at all. The one window of
# the interactive run is the welcome dialog; Next installs this release, exit code 0.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
base_code="$BASE_CODE"

drive tagged --on kind=dialog --press IDOK -- "$exe"
rc=$?

expect_eq "$(window_count "$LOG")" 1 "windows shown: the welcome dialog alone"
expect_eq "$(field "$LOG" 0 .kind)" dialog "the one window is a dialog, not a box"
expect_eq "$(field "$LOG" 0 .caption)" "$(catalog_text en-US DialogTitle)" \
    "the one window is the welcome dialog"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$(exit_code "$LOG")" 0 "exit code (log)"
expect_eq "$rc" 0 "exit code (driver)"
expect_eq "$(product_installed "$base_code")" yes "Next went on to the installation"
scenario_end
