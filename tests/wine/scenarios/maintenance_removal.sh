#!/usr/bin/env bash
# This release installed by a first silent run; later silent runs are maintenance removals,
# steered by the install helper's answer to "--uninstall-lullex" (a setting of the demo helper):
#   2  the helper stops the removal: no question, nothing removed, the service left alone;
#   0  the setup asks the user instead; No keeps the copy;
#   1  (the helper's own answer) the removal goes on without asking: programs closed, the
#      product's own step done, service stopped, COM object called, product and language pack
#      removed, exit code 0.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
wineserver -p

base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
folder='C:\Program Files\Velora\Quorix 2011'
unix_folder="$WINEPREFIX/drive_c/Program Files/Velora/Quorix 2011"
closed="helper closed 0 product window(s)|helper --close-vlqapps in $folder exit 0"

echo "== first run installs this release"
drive install -- "$exe" /silent
expect_eq "$?" 0 "install: exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "install: windows shown"
expect_eq "$(product_installed "$base_code")" yes "install: base package installed"
demo_wait_event "service start in $folder"
expect_eq "$?" 0 "install: the service started"

echo "== the helper answers 2: the removal stops"
demo_events_clear
demo_setting UninstallLullexExitCode 2
drive answer2 -- "$exe" /silent
expect_eq "$?" 0 "answer 2: exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "answer 2: windows shown"
expect_eq "$(demo_events | paste -sd '|')" \
    "$closed|helper answers 2 as the test asked|helper --uninstall-lullex in $folder exit 2" \
    "answer 2: what the programs recorded"
expect_eq "$(product_installed "$base_code")" yes "answer 2: base package kept"
expect_eq "$(test -f "$unix_folder/lullex.dat" && echo present)" present "answer 2: lullex.dat kept"

echo "== the helper answers 0: the setup asks, No keeps the copy"
demo_events_clear
demo_setting UninstallLullexExitCode 0
drive answer0 --on kind=messagebox --press IDNO -- "$exe" /silent
expect_eq "$?" 0 "answer 0: exit code (driver)"
expect_eq "$(window_count "$LOG")" 1 "answer 0: windows shown"
expect_eq "$(field "$LOG" 0 .icon)" question "answer 0: the box's icon"
expect_contains "$(field "$LOG" 0 .text)" "Would you like to uninstall" "answer 0: the question"
expect_eq "$(demo_events | paste -sd '|')" \
    "$closed|helper answers 0 as the test asked|helper --uninstall-lullex in $folder exit 0" \
    "answer 0: what the programs recorded"
expect_eq "$(product_installed "$base_code")" yes "answer 0: base package kept"

echo "== the helper's own answer, 1: the maintenance removal"
demo_events_clear
demo_settings_clear
drive removal -- "$exe" /silent
expect_eq "$?" 0 "removal: exit code (driver)"
expect_eq "$(exit_code "$LOG")" 0 "removal: exit code (log)"
expect_eq "$(window_count "$LOG")" 0 "removal: windows shown"
demo_events >"$SCRATCH/events-removal.txt"
expect_eq "$(paste -sd '|' "$SCRATCH/events-removal.txt")" \
    "$closed|lullex data removed|helper --uninstall-lullex in $folder exit 1|service stop in $folder|object slot 36 in $folder" \
    "removal: what the programs recorded, in order"
expect_eq "$(product_installed "$base_code")" no "removal: base package removed"
expect_eq "$(product_installed "$pack_code")" no "removal: en-US pack removed"
expect_eq "$(test -e "$unix_folder" && echo present || echo absent)" absent \
    "removal: installation folder"
expect_eq "$(demo_value 'HKCU\Software\Velora\Setup' AutoUninst)" "<absent>" \
    "removal: no AutoUninst (not an upgrade)"
scenario_end
