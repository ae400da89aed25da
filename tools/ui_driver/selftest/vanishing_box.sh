#!/usr/bin/env bash
# A box that closes itself before the driver has judged it is still recorded, with the texts
# read when it appeared and "vanished": true.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_UI_PROBE:-}" "ui-probe.exe (QUORIX_UI_PROBE)"
probe="$(winpath "$QUORIX_UI_PROBE")"

# The box closes itself 100 ms after it is shown; the driver lets each window settle for
# 800 ms before it judges it.
drive vanish --settle 800 -- "$probe" --self-close 100 --box quick "Gone soon." 0x30 \
    --box after "Second box." 0x40
rc=$?

expect_eq "$(window_count "$LOG")" 2 "windows recorded"
# On a loaded machine the 20 ms box can close before its text control is read; that it was
# seen, and seen closing, is what the driver must never miss.
expect_eq "$(field "$LOG" 0 '"\(.caption)|\(.vanished)"')" "quick|true" "the vanished box"
expect_eq "$(field "$LOG" 1 '"\(.caption)|\(.icon)|\(.vanished)"')" "after|information|null" \
    "the box after it"
expect_eq "$(jq -s '[.[] | select(.event == "action")] | length' "$LOG")" 1 \
    "only the box still there is pressed"
expect_eq "$rc" 0 "exit code"
scenario_end
