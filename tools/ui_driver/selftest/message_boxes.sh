#!/usr/bin/env bash
# The driver on the stand-in program: every icon kind and button set is recorded as shown, and
# each way of naming a button presses that very button.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_UI_PROBE:-}" "ui-probe.exe (QUORIX_UI_PROBE)"
probe="$(winpath "$QUORIX_UI_PROBE")"

# MB_ICONERROR 0x10, MB_ICONWARNING 0x30, MB_ICONINFORMATION 0x40, MB_OKCANCEL 0x1 without an
# icon, MB_YESNO|MB_ICONQUESTION 0x24, MB_YESNOCANCEL|MB_DEFBUTTON2 0x103.
drive boxes \
    --on caption=b-error --press OK \
    --on caption=b-warning --press id=1 \
    --on caption=b-info --press default \
    --on caption=b-none --press Cancel \
    --on caption=b-question --if text~question --press IDNO \
    -- "$probe" --box b-error "An error." 0x10 --box b-warning "A warning." 0x30 \
    --box b-info "Some information." 0x40 --box b-none "No icon." 0x1 \
    --box b-question "A question?" 0x24 --box b-unexpected "Not in the script." 0x103 \
    --exit-with-answer
rc=$?

expect_eq "$(window_count "$LOG")" 6 "windows recorded"
expect_eq "$(jq -s -r '[.[] | select(.event == "window") | .kind] | unique | join(",")' "$LOG")" \
    messagebox "all are message boxes"
expect_eq "$(jq -s -r '[.[] | select(.event == "window") | .caption + "=" + .icon] | join(" ")' "$LOG")" \
    "b-error=error b-warning=warning b-info=information b-none=none b-question=question b-unexpected=none" \
    "icons"
expect_eq "$(field "$LOG" 0 .text)" "An error." "text of the first box"
expect_eq "$(field "$LOG" 3 '[.buttons[].id] | join(",")')" "1,2" "OK/Cancel buttons"
expect_eq "$(field "$LOG" 4 '[.buttons[] | "\(.id):\(.text):\(.default)"] | join(",")')" \
    "6:&Yes:true,7:&No:false" "Yes/No buttons and the default"
expect_eq "$(field "$LOG" 5 '[.buttons[] | select(.default) | .id] | join(",")')" 7 \
    "MB_DEFBUTTON2 makes No the default"
expect_eq "$(jq -s -r '[.[] | select(.event == "action") | "\(.rule):\(.button_id)"] | join(" ")' "$LOG")" \
    "0:1 1:1 2:1 3:2 4:7 default:7" "buttons pressed, by rule"
expect_eq "$(jq -s '[.[] | select(.event == "unexpected")] | length' "$LOG")" 1 "unexpected boxes"
expect_eq "$(driver_errors "$LOG")" 0 "failed actions"
expect_eq "$rc" 7 "exit code: the answer to the last box (IDNO)"

# Exit codes beyond one byte: the log and the exit-code file keep them whole, the driver's own
# exit code (through Wine) is their low byte.
for code in -1 16389; do
    drive "exit$code" --exit-code-file "$(winpath "$SCRATCH/exit$code.txt")" -- "$probe" --exit "$code"
    rc=$?
    expect_eq "$(exit_code "$LOG")" "$code" "exit code $code in the log"
    expect_eq "$(tr -d '\r\n' <"$SCRATCH/exit$code.txt")" "$code" "exit code $code in the file"
    expect_eq "$rc" "$(( code & 255 ))" "exit code $code through Wine"
done
scenario_end
