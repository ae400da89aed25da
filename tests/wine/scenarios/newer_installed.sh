#!/usr/bin/env bash
# A newer release (11.0.0.0, this release's product code) is installed: an interactive run
# shows the information box and ends with 0. The installed copy is not touched: its programs
# record nothing (no helper run, no service stop, no COM call) and nothing is installed.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
require_file "$NEWER_MSI" "the demo package NEWER_MSI (QUORIX_PACKAGES_DIR)"
wineserver -p

pack_code="$EN_US_PACK_CODE"
folder='C:\Program Files\Velora\Quorix 2012'
received='HKLM\Software\Velora\QuorixDemo\Received'

demo_install "$NEWER_MSI" LANGSTRING=en-US
demo_wait_event "service start in $folder"
expect_eq "$?" 0 "the 11.0 service started"
demo_events_clear

drive newer --on kind=messagebox --press IDOK -- "$exe"
expect_eq "$?" 0 "exit code (driver)"
expect_eq "$(window_count "$LOG")" 1 "windows shown"
expect_eq "$(field "$LOG" 0 .icon)" information "the box's icon"
expect_eq "$(field "$LOG" 0 .caption)" "Velora Quorix" "the box's caption"
expect_eq "$(field "$LOG" 0 .text)" \
    "Velora Quorix version $RELEASE_VERSION cannot be installed because a more recent version of Velora Quorix is already installed." \
    "the box's text"
expect_eq "$(driver_errors "$LOG")" 0 "driver errors"
# The run has ended, and the helper and the COM object answer while it waits. A stop it asked
# for is recorded before the service leaves STOP_PENDING.
demo_service_settled
expect_eq "$(demo_events | paste -sd '|')" "" "nothing recorded by the programs"
expect_eq "$(demo_value "$received" ProductVersion)" "$NEWER_VERSION" "the newer release stays"
expect_eq "$(product_installed "$pack_code")" no "no language pack installed"
scenario_end
