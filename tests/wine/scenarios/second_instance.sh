#!/usr/bin/env bash
# While a first copy is held on its tag warning, a second copy ends at once with exit code 1
# and shows nothing; the first then goes on normally to the welcome dialog and installs.
# "At once" is shown by order, not by a clock: the second copy has ended while the first is
# still held, so it cannot have waited for it.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup.exe)" || exit 1
held="$SCRATCH/first-is-held"
release="$SCRATCH/release-first"

drive first --on caption=extract_aidconfig2 --touch "$(winpath "$held")" \
    --wait-file "$(winpath "$release")" --press OK --on kind=dialog --press IDOK \
    -- "$exe" >"$SCRATCH/first.out" 2>&1 &
first_pid=$!
first_log="$SCRATCH/first.jsonl"  # drive ran in the background: its $LOG stayed there

wait_held "$held" "$first_pid" "$SCRATCH/first.out" "$release" 60 \
    "the first copy never showed its box"

# The driver's default time limit stays: it only catches a copy that hangs.
drive second -- "$exe"
second_rc=$?
second_log="$SCRATCH/second.jsonl"
first_still_held="$(kill -0 "$first_pid" 2>/dev/null &&
    jq -s '[.[] | select(.event == "exit")] | length' "$first_log")"
touch "$release"
wait "$first_pid"
first_rc=$?

expect_eq "$(window_count "$second_log")" 0 "second copy: windows shown"
expect_eq "$(exit_code "$second_log")" 1 "second copy: exit code"
expect_eq "$second_rc" 1 "second copy: exit code (driver)"
expect_eq "$first_still_held" 0 "second copy ended while the first was still held on its box"
expect_eq "$(window_count "$first_log")" 2 "first copy: windows shown (the box, the dialog)"
expect_eq "$(field "$first_log" 0 .caption)" extract_aidconfig2 "first copy: caption"
expect_eq "$(field "$first_log" 1 .kind)" dialog "first copy: then the welcome dialog"
expect_eq "$(driver_errors "$first_log")" 0 "first copy: failed actions"
expect_eq "$(exit_code "$first_log")" 0 "first copy: exit code"
expect_eq "$first_rc" 0 "first copy: exit code (driver)"
scenario_end
