#!/usr/bin/env bash
# The welcome dialog of the multi-language build (packs da-DK, de-DE, en-GB, en-US, fr-FR):
# the selector and its label are shown with one item and one flag per pack, preselected for
# the user's language (en-US here); choosing "Deutsch" re-texts the whole dialog in German at
# once and Next installs the de-DE pack with LANGSTRING=de-DE. The cancel question keeps the
# automatically chosen language whatever was picked. Screenshots of every state stay in
# $SCRATCH/shots; with QUORIX_UPDATE_SCREENSHOTS=1 the open selector and the German dialog
# are copied to docs/screenshots/.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_command compare imagemagick
exe="$(product_exe QuorixSetup-multi-tagged.exe)" || exit 1
flags="$QUORIX_WINE_TESTS_DIR/../../src/ui/resources/flags"
docs="$QUORIX_WINE_TESTS_DIR/../../docs/screenshots"

base_code="$BASE_CODE"
de_pack_code="$DE_DE_PACK_CODE"
en_pack_code="$EN_US_PACK_CODE"
received='HKLM\Software\Velora\QuorixDemo\Received'
de_received='HKLM\Software\Velora\QuorixDemo\LanguagePacks\de-DE'
links_capture

en() { catalog_text en-US "$1"; }
de() { catalog_text de-DE "$1"; }
snapshot_path() { # INDEX of the snapshot -> Unix path of its PNG
    jq -s -r --argjson i "$1" '[.[] | select(.event == "snapshot")][$i].screenshot // "none"' "$LOG" |
        sed 's/^Z://; s#\\#/#g'
}
# Whether a flag picture appears somewhere in a screenshot (ImageMagick's sub-image search).
shows_flag() {
    [ -f "$2" ] || { echo "no picture $2"; return; }
    local differing
    differing="$(compare -metric AE -fuzz 8% -subimage-search "$1" "$2" null: 2>&1 | cut -d' ' -f1)"
    [ "$differing" = 0 ] && echo yes || echo "no ($differing pixels off)"
}

echo "== the selector, then Deutsch, then Next"
drive german --shots "$(shots_for german)" \
    --on kind=dialog --drop $IDC_WELCOME_LANGUAGE_COMBO --snapshot --closeup $IDC_WELCOME_LANGUAGE_COMBO --select $IDC_WELCOME_LANGUAGE_COMBO=Deutsch --snapshot \
    --press IDOK -- "$exe"
rc=$?
expect_eq "$(window_count "$LOG")" 1 "windows shown: the dialog alone"
expect_eq "$(field "$LOG" 0 .caption)" "$(en DialogTitle)" "caption before the choice: en-US"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_COMBO window '"\(.class) \(.visible) \(.items | join(","))"')" \
    "ComboBoxEx32 true Dansk,Deutsch,English,English,Français" "selector: one item per pack"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_COMBO window '.images | map(tostring) | join(",")')" "0,1,2,3,4" \
    "selector: item i shows picture i"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_COMBO window .selected)" 3 "selector: en-US (the user's language) preselected"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_LABEL window '"\(.visible) \(.text)"')" "true $(en LanguageLabel)" "label shown"
expect_eq "$(control $IDC_WELCOME_HEADLINE_WITH_SELECTOR window '"\(.visible) \(.text)"')" "true $(en WelcomeTitle)" \
    "headline in the lower position"
expect_eq "$(control $IDC_WELCOME_ADVICE_WITH_SELECTOR window '"\(.visible) \(.text)"')" "true $(en WelcomeAdvice)" \
    "advice in the lower position"
expect_eq "$(control $IDC_WELCOME_HEADLINE_ALONE window .visible),$(control $IDC_WELCOME_ADVICE_ALONE window .visible)" "false,false" \
    "the upper pair is hidden"

open_list="$(snapshot_path 0)"
expect_eq "$(png_size "$open_list" | grep -c x)" 1 "screenshot with the list open ($open_list)"
for flag in denmark germany united_kingdom usa france; do
    expect_eq "$(shows_flag "$open_list" "$flags/$flag.bmp")" yes "open list shows the $flag flag"
done

expect_eq "$(jq -s -r '[.[] | select(.event == "snapshot")][1].caption' "$LOG")" "$(de DialogTitle)" \
    "after Deutsch: caption"
expect_eq "$(control $IDC_WELCOME_HEADLINE_WITH_SELECTOR snapshot .text 1)" "$(de WelcomeTitle)" "after Deutsch: headline"
expect_eq "$(control $IDC_WELCOME_HEADLINE_ALONE snapshot .text 1)" "$(de WelcomeTitle)" "after Deutsch: hidden headline too"
expect_eq "$(control $IDC_WELCOME_ADVICE_WITH_SELECTOR snapshot .text 1)" "$(de WelcomeAdvice)" "after Deutsch: advice"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_LABEL snapshot .text 1)" "$(de LanguageLabel)" "after Deutsch: label"
expect_eq "$(control $IDC_WELCOME_CUSTOM_INSTALLATION snapshot .text 1)" "$(de CustomInstallation)" "after Deutsch: check box"
expect_eq "$(control 1 snapshot .text 1)" "$(de NextButton) >" "after Deutsch: Next, ending in ' >'"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_COMBO snapshot .selected 1)" 1 "after Deutsch: selector"
german_shot="$(snapshot_path 1)"
expect_eq "$(cmp -s "$open_list" "$german_shot" && echo same || echo differ)" differ \
    "the German dialog looks different"
expect_eq "$(shows_flag "$german_shot" "$flags/germany.bmp")" yes "closed selector shows the German flag"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$rc" 0 "exit code after Next"
expect_eq "$(product_installed "$base_code")" yes "base package installed"
expect_eq "$(product_installed "$de_pack_code")" yes "de-DE pack installed"
expect_eq "$(product_installed "$en_pack_code")" no "en-US pack not installed"
expect_eq "$(has_value "$received" LANGSTRING=REG_SZ=de-DE)" 1 "base package: LANGSTRING=de-DE"
expect_eq "$(has_value "$received" TRANSFORMS=REG_SZ=:de-DE)" 1 "base package: TRANSFORMS=:de-DE"
# The packs get no language of their own: only ALLUSERS=1 (and "/lpprops").
expect_eq "$(has_value "$de_received" "ProductCode=REG_SZ=$de_pack_code")" 1 "de-DE pack: its record"
expect_eq "$(has_value "$de_received" ALLUSERS=REG_SZ=1)" 1 "de-DE pack: ALLUSERS=1"

echo "== a fresh machine: Deutsch, then Escape: the question stays in the automatic language"
make_prefix "$SCRATCH/prefix" || exit 1
use_prefix "$SCRATCH/prefix"
rm -f "$SCRATCH/links.txt"
links_capture
drive cancel --shots "$(shots_for cancel)" \
    --on kind=dialog --select $IDC_WELCOME_LANGUAGE_COMBO=Deutsch --snapshot --key escape \
    --on kind=messagebox --press IDYES -- "$exe"
rc=$?
expect_eq "$(jq -s -r '[.[] | select(.event == "snapshot")][0].caption' "$LOG")" "$(de DialogTitle)" \
    "cancel: the dialog is German"
expect_eq "$(field "$LOG" 1 .caption)" "$(en DialogTitle)" "cancel: the question's caption is en-US"
expect_eq "$(field "$LOG" 1 .text)" "$(en CancelConfirm)" "cancel: the question is en-US"
expect_eq "$rc" 1 "cancel: exit code"
expect_eq "$(product_installed "$base_code")" no "cancel: nothing installed"

if [ "${QUORIX_UPDATE_SCREENSHOTS:-}" = 1 ]; then
    keep_png "$open_list" "$docs/welcome-multipack-selector.png" &&
        echo "wrote $docs/welcome-multipack-selector.png"
    keep_png "$german_shot" "$docs/welcome-multipack-german.png" &&
        echo "wrote $docs/welcome-multipack-german.png"
fi
scenario_end
