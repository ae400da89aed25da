#!/usr/bin/env bash
# The Help button of a message box (MB_HELP). On Windows the box sends WM_HELP to its owner
# when the button is pressed; Wine's box ignores the button (it only passes on a WM_HELP it
# receives itself, as F1 would send). So scripts ask with --help-request; this test holds Wine
# to that, so a change in Wine shows here. The driver posts its presses: the box handles Help
# before OK, and whatever Help did is counted by the time the box ends.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_UI_PROBE:-}" "ui-probe.exe (QUORIX_UI_PROBE)"
probe="$(winpath "$QUORIX_UI_PROBE")"

# The probe's exit code: the box's answer (OK = 1) + 10 * the WM_HELP its hidden owner got.
drive button --on caption=hb --press Help --press OK \
    -- "$probe" --help-box hb "Help me" --exit-with-answer
button_rc=$?
expect_eq "$(field "$LOG" 0 '[.buttons[] | "\(.id):\(.text)"] | join(",")')" "1:OK,9:Help" \
    "MB_HELP: the box has a Help button with id 9"
expect_eq "$(field "$LOG" 0 .icon)" error "icon"
expect_eq "$(driver_errors "$LOG")" 0 "pressing Help is no error"
expect_eq "$(( (button_rc - 1) / 10 ))" 0 "Wine's box sends no help request for its Help button"
expect_eq "$(( button_rc % 10 ))" 1 "the box still ends with OK after Help"

# Each request is sent, not posted: it has reached the owner when the driver goes on.
drive request --on caption=hb --help-request --help-request --press OK \
    -- "$probe" --help-box hb "Help me" --exit-with-answer
rc=$?
expect_eq "$(( rc % 10 ))" 1 "help requests: the box ends with OK"
# Wine delivers each request to the owner twice (the box passes it on, and so does the dialog
# manager's default handling, to the owner as the box's parent); Windows once.
expect_eq "$([ $(( rc / 10 )) -ge 2 ] && echo yes || echo "no: $(( rc / 10 ))")" yes \
    "two help requests reach the owner"
expect_eq "$(jq -s -r '[.[] | select(.event == "action") | .action + ":" + (.ok | tostring)] | join(" ")' "$LOG")" \
    "help-request:true help-request:true press:true" "actions"
scenario_end
