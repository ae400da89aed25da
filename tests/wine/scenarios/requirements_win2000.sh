#!/usr/bin/env bash
# Windows 2000 does not meet the system requirements: the setup explains it in an error box
# with a Help button, owned by its hidden "hiddenwindow", installs nothing and ends with -1.
# A help request opens the requirements page of the link server with "&app=VLQ2011" and the
# report query; every request opens it again. Wine's message box does nothing when its Help
# button is pressed (Windows sends WM_HELP to the owner), so the help is asked for as F1 would
# (--help-request); Wine passes each such request to the owner twice.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
base_code="$BASE_CODE"
links_capture

wine_run -t 60 reg add 'HKCU\Software\Wine' /v Version /d win2k /f >/dev/null 2>&1
expect_eq "$?" 0 "reg add Version=win2k"

caption='System requirements are not met'
text=$'Your Windows version is not supported by this product.\r\n\r\nYou need at least Windows XP with Service Pack 2 or newer, or Windows Vista, to install this product.'

drive win2k --shots "$(shots_for win2k)" \
    --on "caption=$caption" --press Help --sleep 1000 --snapshot --help-request --sleep 500 \
    --press OK -- "$exe"
rc=$?
expect_eq "$(window_count "$LOG")" 1 "windows shown: the box alone"
expect_eq "$(field "$LOG" 0 .kind)" messagebox "kind"
expect_eq "$(field "$LOG" 0 .caption)" "$caption" "caption (string 104)"
expect_eq "$(field "$LOG" 0 .text)" "$text" "text (string 105, English)"
expect_eq "$(field "$LOG" 0 .icon)" error "icon"
expect_eq "$(field "$LOG" 0 '[.buttons[] | "\(.id):\(.text)"] | join(",")')" "1:OK,9:Help" \
    "buttons: OK and Help"
expect_eq "$(field "$LOG" 0 '.owner // "none"')" hiddenwindow "owned by the hidden window"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$(exit_code "$LOG")" -1 "exit code in the log"
expect_eq "$rc" 255 "exit code through Wine"
expect_eq "$(product_installed "$base_code")" no "nothing installed"
links_settled  # the run has ended: every request's page is recorded by now
pages="$(links_opened)"
printf '%s\n' "$pages" >"$SCRATCH/pages.txt"
count="$(printf '%s\n' "$pages" | grep -c .)"
expect_eq "$([ "$count" -ge 1 ] && echo opened || echo none)" opened "the help request opened a page ($count)"
expect_eq "$(printf '%s\n' "$pages" | sort -u | grep -c .)" 1 "every request opens the same page"
url="$(printf '%s\n' "$pages" | head -n 1)"
expect_contains "$url" "https://link.velora.example/link/?target=osrequirements&app=VLQ2011&" \
    "the requirements page with the application code"
expect_contains "$url" "&app=vlq2011&" "report query: its own (lower-case) app"
expect_contains "$url" "&aid=vlq2011aid30017xx-XX" "report query: the affiliate"
expect_contains "$url" "&os_ver=5.0." "report query: the Windows version"
expect_eq "$(png_size "$(shot_of "$LOG" '.event == "window"')" | grep -c x)" 1 "screenshot of the box"
scenario_end
