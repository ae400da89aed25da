#!/usr/bin/env bash
# The driver on a dialog: every control is recorded with class, id, text and visibility; the
# script picks a combo-box item, ticks a check box, types into an edit field and presses Next;
# a snapshot and a screenshot show the changed state. A dialog that refuses Next is killed by
# the driver's hard timeout.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_UI_PROBE:-}" "ui-probe.exe (QUORIX_UI_PROBE)"
probe="$(winpath "$QUORIX_UI_PROBE")"
shot="$SCRATCH/dialog.bmp"

drive next --on "caption=Probe dialog" --select 1001=fr-FR --check 1002 --set-text 1003=hello \
    --snapshot --screenshot "$(winpath "$shot")" --press "Next >" \
    -- "$probe" --dialog --exit-with-answer
rc=$?
bmp_to_png "$shot"
control() { jq -s -r --argjson id "$1" \
    "[.[] | select(.event == \"$2\")][0].controls[] | select(.id == \$id) | $3" "$LOG"; }

expect_eq "$(field "$LOG" 0 .kind)" dialog "kind"
expect_eq "$(control 1000 window .text)" "Choose a language:" "label text"
expect_eq "$(control 1001 window '.class + " " + (.items | join(",")) + " " + (.selected | tostring)')" \
    "ComboBox en-US,de-DE,fr-FR 0" "combo box before"
expect_eq "$(control 1002 window '"\(.text) \(.checked)"')" "Custom installation 0" "check box before"
expect_eq "$(control 1004 window .visible)" false "hidden notice is recorded as hidden"
expect_eq "$(field "$LOG" 0 '[.buttons[] | "\(.id):\(.text):\(.default)"] | join(",")')" \
    "1:&Next >:true,2:Cancel:false" "buttons"
expect_eq "$(control 1001 snapshot .selected)" 2 "combo box after --select"
expect_eq "$(control 1002 snapshot .checked)" 1 "check box after --check"
expect_eq "$(control 1003 snapshot .text)" hello "edit after --set-text"
expect_eq "$(head -c 2 "$shot" 2>/dev/null)" BM "screenshot is a BMP"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$rc" 121 "exit code: Next with item 2 and the box ticked"

drive by_index --on kind=dialog --select 1001#1 --press IDCANCEL -- "$probe" --dialog --exit-with-answer
expect_eq "$?" 2 "Cancel ends the dialog with 2"
expect_eq "$(jq -s -r '[.[] | select(.event == "action")] | map(.action + ":" + (.ok | tostring)) | join(" ")' "$LOG")" \
    "select:true press:true" "actions by index"

drive missing_item --on kind=dialog --select 1001=xx-XX --press "Next >" \
    -- "$probe" --dialog --exit-with-answer
expect_eq "$(driver_errors "$LOG")" 1 "selecting a missing item is an error"
expect_eq "$(jq -s -r '[.[] | select(.event == "action")][1] | "\(.rule) \(.action) \(.button_id)"' "$LOG")" \
    "0 press 1" "after the error the default button moves the program on"
expect_eq "$(exit_code "$LOG")" 100 "exit code: Next with the first item"

# The driver's own timeout, not wine_run's kill 30 s later, must end this run: only the driver
# writes an exit line, and it says timed_out.
DRIVE_TIMEOUT=3 drive refused --on kind=dialog --set-text 1003=bad --press "Next >" \
    -- "$probe" --dialog --exit-with-answer
rc=$?
expect_eq "$rc" 124 "driver exit code after its timeout"
expect_eq "$(jq -s -r '[.[] | select(.event == "exit")][0].timed_out' "$LOG")" true \
    "the driver's timeout ended the run"
scenario_end
