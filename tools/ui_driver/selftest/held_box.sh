#!/usr/bin/env bash
# --touch and --wait-file hold a box while the scenario does something else: here a second
# copy of a program that takes a named mutex, which must end at once with 1 and no window.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_UI_PROBE:-}" "ui-probe.exe (QUORIX_UI_PROBE)"
probe="$(winpath "$QUORIX_UI_PROBE")"
held="$SCRATCH/held"
release="$SCRATCH/release"

drive first --on caption=held --touch "$(winpath "$held")" --wait-file "$(winpath "$release")" \
    --press OK -- "$probe" --mutex QuorixUiDriverSelfTest --box held "Held on purpose." 0x40 \
    >"$SCRATCH/first.out" 2>&1 &
first_pid=$!
for _ in $(seq 1 600); do
    [ -e "$held" ] && break
    kill -0 "$first_pid" 2>/dev/null || break
    sleep 0.1
done
expect_eq "$([ -e "$held" ] && echo yes || echo no)" yes "the first copy is held on its box"
expect_eq "$(jq -s '[.[] | select(.event == "waiting")] | length' "$SCRATCH/first.jsonl")" 1 \
    "the driver says what it waits for"

drive second -- "$probe" --mutex QuorixUiDriverSelfTest --box second "Must not appear." 0x40
expect_eq "$?" 1 "second copy: exit code"
expect_eq "$(window_count "$LOG")" 0 "second copy: windows"
# Held means held: a whole run of another program later, the box is still up.
expect_eq "$(jq -s '[.[] | select(.event == "closed")] | length' "$SCRATCH/first.jsonl")" 0 \
    "the box is still up"

touch "$release"
wait "$first_pid"
expect_eq "$?" 0 "first copy: exit code after the release"
expect_eq "$(jq -s -r '[.[] | select(.event == "action") | .action] | join(",")' "$SCRATCH/first.jsonl")" \
    "touch,wait-file,press" "first copy: actions in order"
scenario_end
