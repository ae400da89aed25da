#!/usr/bin/env bash
# The welcome dialog of an interactive run of the tagged product (one language pack): its
# texts are the catalog's English ones, the selector is hidden; Next installs en-US with the
# box's answer; a cancel asks first, and a confirmed cancel installs nothing and opens the
# cancellation page only when the previous product generation is installed. Every state is
# kept as a PNG in $SCRATCH/shots; with QUORIX_UPDATE_SCREENSHOTS=1 the dialog's picture is
# also copied to docs/screenshots/.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
previous_msi="$PREVIOUS_MSI"
require_file "$previous_msi" "the demo package PREVIOUS_MSI (QUORIX_PACKAGES_DIR)"
docs="$QUORIX_WINE_TESTS_DIR/../../docs/screenshots"

base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
previous_code="$PREVIOUS_CODE"
received='HKLM\Software\Velora\QuorixDemo\Received'
links_capture

en() { catalog_text en-US "$1"; }
fresh_prefix() {
    make_prefix "$SCRATCH/prefix" || exit 1
    use_prefix "$SCRATCH/prefix"
    rm -f "$SCRATCH/links.txt"
    links_capture
}

echo "== one pack: the dialog's texts and layout, Next"
drive next --shots "$(shots_for next)" --on kind=dialog --snapshot --press IDOK -- "$exe"
rc=$?
expect_eq "$(window_count "$LOG")" 1 "windows shown: the dialog alone"
expect_eq "$(field "$LOG" 0 .kind)" dialog "kind"
expect_eq "$(field "$LOG" 0 .caption)" "$(en DialogTitle)" "caption"
expect_eq "$(control $IDC_WELCOME_HEADLINE_ALONE window '"\(.visible) \(.text)"')" "true $(en WelcomeTitle)" \
    "headline in the upper position"
expect_eq "$(control $IDC_WELCOME_ADVICE_ALONE window '"\(.visible) \(.text)"')" "true $(en WelcomeAdvice)" \
    "advice in the upper position"
expect_eq "$(control $IDC_WELCOME_HEADLINE_WITH_SELECTOR window '"\(.visible) \(.text)"')" "false $(en WelcomeTitle)" \
    "headline of the selector layout: hidden, texted all the same"
expect_eq "$(control $IDC_WELCOME_ADVICE_WITH_SELECTOR window '"\(.visible) \(.text)"')" "false $(en WelcomeAdvice)" \
    "advice of the selector layout: hidden"
expect_eq "$(control $IDC_WELCOME_CUSTOM_INSTALLATION window '"\(.visible) \(.checked) \(.text)"')" "true 0 Custom installation" \
    "custom installation box, not ticked"
expect_eq "$(control 1 window '.text')" "$(en NextButton) >" "Next button"
expect_contains "$(control 1 window '.text')" " >" "Next ends in ' >'"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_COMBO window '"\(.class) \(.visible) \(.items | join(",")) \(.selected)"')" \
    "ComboBoxEx32 false English 0" "selector: hidden, the one pack"
expect_eq "$(control $IDC_WELCOME_LANGUAGE_LABEL window '"\(.visible) \(.text)"')" "false $(en LanguageLabel)" \
    "selector label: hidden"
expect_eq "$(control $IDC_WELCOME_NOTICE_PANEL window .visible)" false "no notice panel (nothing to remove)"
expect_eq "$(control $IDC_WELCOME_NOTICE_TEXT window '.parent // "dialog"')" dialog "the notice text stays on the dialog"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$rc" 0 "exit code after Next"
expect_eq "$(product_installed "$base_code")" yes "base package installed"
expect_eq "$(product_installed "$pack_code")" yes "en-US pack installed"
expect_eq "$(has_value "$received" LANGSTRING=REG_SZ=en-US)" 1 "base package: LANGSTRING=en-US"
expect_eq "$(has_value "$received" TRANSFORMS=REG_SZ=:en-US)" 1 "base package: TRANSFORMS=:en-US"
expect_eq "$(has_value "$received" USERDEFINST=REG_SZ=2)" 1 "base package: USERDEFINST=2 (not ticked)"
one_pack_shot="$(shot_of "$LOG" '.event == "window" and .kind == "dialog"')"
expect_eq "$(png_size "$one_pack_shot" | grep -c -E '^[1-9][0-9]*x[1-9][0-9]*$')" 1 \
    "screenshot of the dialog ($one_pack_shot)"

echo "== a fresh machine, custom installation ticked"
fresh_prefix
drive custom --shots "$(shots_for custom)" --on kind=dialog --check $IDC_WELCOME_CUSTOM_INSTALLATION --snapshot --press IDOK \
    -- "$exe"
expect_eq "$?" 0 "custom: exit code"
expect_eq "$(control $IDC_WELCOME_CUSTOM_INSTALLATION snapshot .checked)" 1 "custom: the box is ticked before Next"
expect_eq "$(has_value "$received" USERDEFINST=REG_SZ=1)" 1 "custom: base package: USERDEFINST=1"
expect_eq "$(has_value "$received" LANGSTRING=REG_SZ=en-US)" 1 "custom: base package: LANGSTRING=en-US"

echo "== a fresh machine: Escape, No keeps the dialog; the close box, Yes ends the run"
fresh_prefix
drive cancel --shots "$(shots_for cancel)" \
    --on kind=dialog --key escape --wait-alone --snapshot --close \
    --on kind=messagebox --snapshot --press IDNO \
    --on kind=messagebox --press IDYES -- "$exe"
rc=$?
expect_eq "$(jq -s -r '[.[] | select(.event == "window") | .kind] | join(",")' "$LOG")" \
    "dialog,messagebox,messagebox" "cancel: the dialog and two questions"
expect_eq "$(jq -s -r '[.[] | select(.event == "action") | .action] | join(",")' "$LOG")" \
    "key,press,close,press" "cancel: Escape, No, the close box, Yes"
expect_eq "$(field "$LOG" 2 .text)" "$(en CancelConfirm)" "cancel: the close box asks the same"
expect_eq "$(field "$LOG" 1 .caption)" "$(en DialogTitle)" "cancel question: caption"
expect_eq "$(field "$LOG" 1 .text)" "$(en CancelConfirm)" \
    "cancel question: the question alone (no previous generation installed)"
expect_eq "$(field "$LOG" 1 '"\(.icon) \([.buttons[].id] | map(tostring) | join(","))"')" \
    "question 6,7" "cancel question: icon and Yes/No"
expect_eq "$(field "$LOG" 1 '.owner // "none"')" "#32770" "cancel question: owned by the dialog"
expect_eq "$(jq -s -r '[.[] | select(.event == "snapshot" and .kind == "dialog")] | length' "$LOG")" 1 \
    "cancel: the dialog is still up after No"
expect_eq "$(driver_errors "$LOG")" 0 "cancel: failed actions"
expect_eq "$rc" 1 "cancel: exit code"
expect_eq "$(product_installed "$base_code")" no "cancel: base package not installed"
expect_eq "$(product_installed "$pack_code")" no "cancel: en-US pack not installed"
# The run has ended: every page it asked for has reached the recorder.
links_settled
expect_eq "$(links_opened | grep -c .)" 0 "cancel: no page (nothing of major version 9 installed)"

echo "== the previous generation installed: the notice, the longer question, the page"
wine_run -t 120 msiexec /i "$(winpath "$previous_msi")" /qn
expect_eq "$?" 0 "msiexec /i the previous generation ($PREVIOUS_VERSION)"
drive previous --shots "$(shots_for previous)" --on kind=dialog --snapshot --key escape \
    --on kind=messagebox --press IDYES -- "$exe"
rc=$?
expect_eq "$(control $IDC_WELCOME_NOTICE_PANEL window .visible)" true "previous: the notice panel is shown"
expect_eq "$(control $IDC_WELCOME_NOTICE_TEXT window '"\(.parent) \(.text)"')" "$IDC_WELCOME_NOTICE_PANEL $(en AutoRemovalNotice)" \
    "previous: the notice text, inside the panel"
expect_eq "$(control $IDC_WELCOME_NOTICE_PICTURE window '"\(.parent) \(.visible)"')" "$IDC_WELCOME_NOTICE_PANEL true" \
    "previous: the notice picture, inside the panel"
expect_eq "$(field "$LOG" 1 .text)" "$(en CancelConfirm)"$'\n\n'"$(en ReturnToPreviousNote)" \
    "previous: the question ends with the note on the previous version"
expect_eq "$rc" 1 "previous: exit code"
links_settled
url="$(links_opened)"
expect_eq "$(printf '%s\n' "$url" | grep -c .)" 1 "previous: one page opened"
expect_contains "$url" "https://link.velora.example/link/?target=cancelationduringupgrade&" \
    "previous: the cancellation page"
expect_eq "$(printf '%s\n' "$url" | grep -c 'uninstalledversion')" 0 \
    "previous: no uninstalledversion from the dialog"
expect_contains "$url" "&aid=vlq2011aid30017xx-XX" "previous: report query: the affiliate"
expect_eq "$(product_installed "$previous_code")" yes "previous: the 9.x copy is still there"
expect_eq "$(product_installed "$base_code")" no "previous: base package not installed"
notice_shot="$(shot_of "$LOG" '.event == "window" and .kind == "dialog"')"
expect_eq "$(png_size "$notice_shot" | grep -c x)" 1 "previous: screenshot ($notice_shot)"

if [ "${QUORIX_UPDATE_SCREENSHOTS:-}" = 1 ]; then
    keep_png "$one_pack_shot" "$docs/welcome-one-pack.png" &&
        echo "wrote $docs/welcome-one-pack.png"
    keep_png "$notice_shot" "$docs/welcome-removal-notice.png" &&
        echo "wrote $docs/welcome-removal-notice.png"
fi
scenario_end
