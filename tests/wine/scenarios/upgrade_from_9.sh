#!/usr/bin/env bash
# Upgrade from the previous generation: with 9.0.1234.5 installed (its service running), a
# silent run of the tagged product removes it and installs this release. What the old copy's
# programs record shows what the setup did to it, in this order: its install helper closed the
# product's programs ("--close-vlqapps", from the old copy's folder), its service was stopped,
# its COM object was called; after the installation this release's service starts. The removal
# is marked as an upgrade ("AutoUninst" = "1"), and the base package receives VLUPGRADE=9.
# The old service takes 1.5 s to stop (reporting a wait hint of 100 ms): the COM call after its
# stop line shows that the setup waited for the stop rather than giving up on STOP_PENDING.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
require_file "$PREVIOUS_MSI" "the demo package PREVIOUS_MSI (QUORIX_PACKAGES_DIR)"
wineserver -p

previous_code="$PREVIOUS_CODE"
base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
old='C:\Program Files\Velora\Quorix 2010'
new='C:\Program Files\Velora\Quorix 2011'
received='HKLM\Software\Velora\QuorixDemo\Received'

echo "== the previous generation installed, its service running"
demo_install "$PREVIOUS_MSI" LANGSTRING=en-US
demo_wait_event "service start in $old"
expect_eq "$?" 0 "the 9.x service started"
demo_events_clear
demo_setting ServiceStopDelayMs 1500

echo "== silent run of this release"
drive upgrade -- "$exe" /silent
expect_eq "$?" 0 "exit code (driver)"
expect_eq "$(exit_code "$LOG")" 0 "exit code (log)"
expect_eq "$(window_count "$LOG")" 0 "windows shown"
# The new service is started by its package without waiting: give it the time to say so.
demo_wait_event "service start in $new"
demo_events >"$SCRATCH/events.txt"
expect_eq "$(paste -sd '|' "$SCRATCH/events.txt")" \
    "helper closed 0 product window(s)|helper --close-vlqapps in $old exit 0|service stops slowly: 1500 ms|service stop in $old|object slot 36 in $old|service start in $new" \
    "what the programs recorded, in order"
expect_eq "$(demo_value 'HKCU\Software\Velora\Setup' AutoUninst)" 1 "AutoUninst"

echo "== the old copy is gone, this release is installed"
expect_eq "$(product_installed "$previous_code")" no "9.x Uninstall entry"
expect_eq "$(demo_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velora Quorix 2010' \
    InstallLocation)" "<absent>" "9.x InstallLocation entry"
expect_eq "$(demo_value "HKLM\\Software\\Velora\\QuorixDemo\\ReceivedBy\\$previous_code" \
    ProductCode)" "<absent>" "9.x record of its properties"
expect_eq "$(test -e "$WINEPREFIX/drive_c/Program Files/Velora/Quorix 2010" && echo present ||
    echo absent)" absent "9.x folder"
expect_eq "$(product_installed "$base_code")" yes "base package installed"
expect_eq "$(product_installed "$pack_code")" yes "en-US pack installed"
expect_eq "$(demo_value "$received" ProductVersion)" "$RELEASE_VERSION" "installed version"
expect_eq "$(demo_value "$received" VLUPGRADE)" 9 "base received VLUPGRADE"
expect_eq "$(demo_value "$received" FASTOEM)" 1 "base received FASTOEM"
expect_eq "$(demo_value "$received" LANGSTRING)" silent "base received LANGSTRING"
scenario_end
