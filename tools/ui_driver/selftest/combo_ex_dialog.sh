#!/usr/bin/env bash
# The driver on a dialog shaped like a welcome dialog: a ComboBoxEx32 whose items (texts and
# pictures) live in the other process, a notice panel holding two controls, no Cancel button.
# It picks an item by text, opens the list for a screenshot, cancels by Escape, WM_CLOSE and
# IDCANCEL, answers the question that follows (No keeps the dialog, Yes ends it), and saves a
# PNG of every state with --shots.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_UI_PROBE:-}" "ui-probe.exe (QUORIX_UI_PROBE)"
probe="$(winpath "$QUORIX_UI_PROBE")"
echo "== select, open the list, Escape + No, Escape + Yes"
drive escape --shots "$(shots_for escape)" \
    --on kind=dialog --select 1011=Deutsch --check 1004 --snapshot --drop 1011 --snapshot \
    --closeup 1011 --key escape --wait-alone --snapshot --key escape \
    --on caption="Probe cancel" --press IDNO \
    --on caption="Probe cancel" --press IDYES \
    -- "$probe" --dialog-ex --exit-with-answer
rc=$?
expect_eq "$(control 1011 window '"\(.class) \(.items | join(",")) \(.images | map(tostring) | join(",")) \(.selected)"')" \
    "ComboBoxEx32 Dansk,Deutsch,English 0,1,2 2" "ComboBoxEx32: items, pictures, selection"
expect_eq "$(jq -s -r '[.[] | select(.event == "window")][0].controls[] | select(.class == "ComboBox") | "\(.parent) \(.items // [] | length) \(.text)"' "$LOG")" \
    "1011 0 " "the combo box inside it: recorded without the texts it does not own"
expect_eq "$(control 1014 window '"\(.parent) \(.visible) \(.text)"')" "1012 true Notice in the panel" \
    "notice text inside the panel"
expect_eq "$(control 1013 window '"\(.parent) \(.visible)"')" "1012 true" "notice picture inside the panel"
expect_eq "$(control 1010 window '.parent // "dialog"')" dialog "a control left on the dialog has no parent id"
expect_eq "$(jq -s -r '[.[] | select(.event == "snapshot")][0] | .caption' "$LOG")" \
    "Probe dialog: Deutsch" "the dialog was told of the selection"
expect_eq "$(control 1011 snapshot .selected)" 1 "selection after --select 1011=Deutsch"
expect_eq "$(control 1004 snapshot .checked)" 1 "check box after --check"
expect_eq "$(jq -s -r '[.[] | select(.event == "window") | .caption] | join(",")' "$LOG")" \
    "Probe dialog ex,Probe cancel,Probe cancel" "windows: the dialog and two questions (no list window)"
expect_eq "$(jq -s '[.[] | select(.event == "snapshot")] | length' "$LOG")" 3 \
    "the snapshot after No: the dialog is still up"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$rc" 2 "exit code: cancelled"

first="$(shot_of "$LOG" '.event == "window" and .kind == "dialog"')"
closed="$(shot_of "$LOG" '.event == "snapshot"')"
dropped="$(jq -s -r '[.[] | select(.event == "snapshot")][1].screenshot' "$LOG" | sed 's/^Z://; s#\\#/#g')"
question="$(shot_of "$LOG" '.event == "window" and .kind == "messagebox"')"
expect_eq "$(png_size "$first")" "$(png_size "$dropped")" "screenshots: the same window, the same size"
expect_eq "$(png_size "$first" | grep -c -E '^[1-9][0-9]*x[1-9][0-9]*$')" 1 "screenshot of the dialog is a PNG"
expect_eq "$(png_size "$question" | grep -c -E '^[1-9][0-9]*x[1-9][0-9]*$')" 1 "screenshot of the question is a PNG"
expect_eq "$(cmp -s "$closed" "$dropped" && echo same || echo differ)" differ "the open list shows"
# The item pictures are plain colours: with the list open all three are on the screen, with it
# closed only the selected item's (Deutsch, 255,206,0).
red_open="$(png_colour_count "$dropped" 200 16 46)"
if [ "$red_open" != n/a ]; then
    expect_eq "$([ "$red_open" -ge 100 ] && echo shown || echo "$red_open px")" shown "open list: Dansk's picture"
    expect_eq "$(png_colour_count "$closed" 200 16 46)" 0 "closed list: no Dansk picture"
    yellow="$(png_colour_count "$closed" 255 206 0)"
    expect_eq "$([ "$yellow" -ge 100 ] && echo shown || echo "$yellow px")" shown "closed list: Deutsch's picture"
fi

echo "== the close box (WM_CLOSE) and IDCANCEL ask too"
drive close --on kind=dialog --close --on caption="Probe cancel" --press IDYES \
    -- "$probe" --dialog-ex --exit-with-answer
expect_eq "$?" 2 "WM_CLOSE + Yes: exit code"
expect_eq "$(jq -s -r '[.[] | select(.event == "action") | .action] | join(",")' "$LOG")" "close,press" "WM_CLOSE: actions"
drive command --on kind=dialog --command IDCANCEL --on caption="Probe cancel" --press IDYES \
    -- "$probe" --dialog-ex --exit-with-answer
expect_eq "$?" 2 "IDCANCEL without a Cancel button + Yes: exit code"
expect_eq "$(window_count "$LOG")" 2 "IDCANCEL: the dialog and the question"

echo "== by index, and Next"
drive next --on kind=dialog --select 1011#0 --check 1004 --press IDOK -- "$probe" --dialog-ex --exit-with-answer
expect_eq "$?" 101 "Next with item 0 and the box ticked"
drive missing --on kind=dialog --select 1011=Klingon --press IDOK -- "$probe" --dialog-ex --exit-with-answer
expect_eq "$(jq -s -r '[.[] | select(.event == "action")][0] | "\(.action) \(.ok) \(.error)"' "$LOG")" \
    "select false no item with that text" "a missing item is an error"
scenario_end
