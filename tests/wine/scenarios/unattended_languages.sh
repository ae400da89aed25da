#!/usr/bin/env bash
# Silent runs of the multi-language copy (packs da-DK, de-DE, en-GB, en-US, fr-FR) choose their
# packs from "/language": every name is checked before anything is installed, so "all" followed
# by a name no pack has installs nothing and ends with 1; "de-DE" installs that pack alone; "all"
# installs every pack. The base package gets the unattended language either way, and a silent
# run shows nothing and opens no page.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-multi-tagged.exe)" || exit 1

received='HKLM\Software\Velora\QuorixDemo\Received'
packs_key='HKLM\Software\Velora\QuorixDemo\LanguagePacks'
declare -A pack_code=([da-DK]="$DA_DK_PACK_CODE" [de-DE]="$DE_DE_PACK_CODE"
    [en-GB]="$EN_GB_PACK_CODE" [en-US]="$EN_US_PACK_CODE" [fr-FR]="$FR_FR_PACK_CODE")
links_capture

silent_outcome() { # LABEL: what every silent run here shows
    expect_eq "$(window_count "$LOG")" 0 "$1: windows shown"
    links_settled
    expect_eq "$(links_opened | grep -c .)" 0 "$1: pages opened"
}

echo "== /language all;xx-XX: an unknown name after all still stops the run"
drive unknown -- "$exe" /silent /language 'all;xx-XX'
expect_eq "$?" 1 "unknown: exit code"
silent_outcome unknown
expect_eq "$(packs_installed)" "" "unknown: packs installed"
expect_eq "$(product_installed "$BASE_CODE")" no "unknown: base package installed"

echo "== /language de-DE: that pack alone"
drive german -- "$exe" /silent /language de-DE
expect_eq "$?" 0 "de-DE: exit code"
silent_outcome de-DE
expect_eq "$(packs_installed)" de-DE "de-DE: packs installed"
expect_eq "$(product_installed "$BASE_CODE")" yes "de-DE: base package installed"
expect_values --untyped "$received" "de-DE: base received" LANGSTRING=silent \
    TRANSFORMS=:silent AppliedTransform=silent FASTOEM=1 USERDEFINST=2 \
    AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0'
expect_values --untyped "$packs_key\\de-DE" "de-DE: the pack received" \
    "ProductCode=${pack_code[de-DE]}" ALLUSERS=1 LANGSTRING=

echo "== /language all, on a fresh machine: every pack"
make_prefix "$SCRATCH/prefix" || exit 1
use_prefix "$SCRATCH/prefix"
rm -f "$SCRATCH/links.txt"
links_capture
drive all -- "$exe" /silent /language all
expect_eq "$?" 0 "all: exit code"
silent_outcome all
expect_eq "$(packs_installed)" "da-DK de-DE en-GB en-US fr-FR" "all: packs installed"
expect_eq "$(product_installed "$BASE_CODE")" yes "all: base package installed"
for locale in da-DK de-DE en-GB en-US fr-FR; do
    expect_values --untyped "$packs_key\\$locale" "all: the $locale pack received" \
        "ProductCode=${pack_code[$locale]}" ALLUSERS=1
done
expect_values --untyped "$received" "all: base received" LANGSTRING=silent \
    TRANSFORMS=:silent AppliedTransform=silent FASTOEM=1 USERDEFINST=2
scenario_end
