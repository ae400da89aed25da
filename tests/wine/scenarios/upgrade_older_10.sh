#!/usr/bin/env bash
# An older build of this generation (10.0.4400.0, this release's product code) is installed.
# The setup asks whether to remove it (also in a silent run, which spares the welcome dialog
# afterwards). Yes: the old copy's helper closes the product's programs, its service is
# stopped, its COM object called, the copy removed as an upgrade ("AutoUninst" = "1") and this
# release installed. No, in a fresh prefix: nothing of the old copy is touched and nothing is
# installed.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
require_file "$OLDER_MSI" "the demo package OLDER_MSI (QUORIX_PACKAGES_DIR)"

base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
folder='C:\Program Files\Velora\Quorix 2011'
received='HKLM\Software\Velora\QuorixDemo\Received'

prepare() { # fresh prefix with the older build installed and its service running
    make_prefix "$SCRATCH/prefix" || exit 1
    use_prefix "$SCRATCH/prefix"
    wineserver -p
    demo_install "$OLDER_MSI" LANGSTRING=en-US
    demo_wait_event "service start in $folder"
    expect_eq "$?" 0 "$1: the $OLDER_VERSION service started"
    demo_events_clear
}

question() { # run label: the one box is the removal question naming the installed version
    expect_eq "$(window_count "$LOG")" 1 "$1: windows shown"
    expect_eq "$(field "$LOG" 0 .icon)" question "$1: the box's icon"
    expect_eq "$(field "$LOG" 0 .caption)" "Velora Quorix" "$1: the box's caption"
    expect_contains "$(field "$LOG" 0 .text)" "version $OLDER_VERSION is already installed" \
        "$1: the installed version in the question"
    expect_eq "$(driver_errors "$LOG")" 0 "$1: driver errors"
}

echo "== answered Yes: the old build goes, this release comes"
prepare yes
drive yes --on kind=messagebox --press IDYES -- "$exe" /silent
expect_eq "$?" 0 "yes: exit code (driver)"
question yes
demo_wait_event "service start in $folder"
demo_events >"$SCRATCH/events-yes.txt"
expect_eq "$(paste -sd '|' "$SCRATCH/events-yes.txt")" \
    "helper closed 0 product window(s)|helper --close-vlqapps in $folder exit 0|service stop in $folder|object slot 36 in $folder|service start in $folder" \
    "yes: what the programs recorded, in order"
expect_eq "$(demo_value 'HKCU\Software\Velora\Setup' AutoUninst)" 1 "yes: AutoUninst"
expect_eq "$(product_installed "$base_code")" yes "yes: base package installed"
expect_eq "$(product_installed "$pack_code")" yes "yes: en-US pack installed"
expect_eq "$(demo_value "$received" ProductVersion)" "$RELEASE_VERSION" "yes: installed version"
expect_eq "$(demo_value "$received" VLUPGRADE)" "" "yes: no VLUPGRADE for a 10.x copy"

echo "== answered No, in a fresh prefix: nothing happens"
prepare no
drive no --on kind=messagebox --press IDNO -- "$exe" /silent
expect_eq "$?" 0 "no: exit code (driver)"
question no
# The run has ended; a stop or start it asked for is recorded before the service leaves the
# pending state.
demo_service_settled
expect_eq "$(demo_events | paste -sd '|')" "" "no: nothing recorded by the programs"
expect_eq "$(demo_value 'HKCU\Software\Velora\Setup' AutoUninst)" "<absent>" "no: AutoUninst"
expect_eq "$(demo_value "$received" ProductVersion)" "$OLDER_VERSION" "no: the old build stays"
expect_eq "$(product_installed "$pack_code")" no "no: no language pack installed"
scenario_end
