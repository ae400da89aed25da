#!/usr/bin/env bash
# Signed copies re-tagged with empty values, which stamp-tag refuses (so they are written with
# --unchecked). The installer skips the blanks after "=": a pair passed on with an empty value
# would swallow the property behind it. The program drops such a pair, and a tag left without
# its affiliate is no tag at all.
#   AFFILIATEID=x&AFFILIATEIDFLAGS=    only the empty pair goes: a silent run installs with the
#                                      "silent" transform, under the affiliate x
#   AFFILIATEID=&AFFILIATEIDFLAGS=.1   no affiliate left: the copy behaves exactly as the
#                                      untagged QuorixSetup.exe (the same warning, the same
#                                      properties received, the same registry records)
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"

# The test command builds and installs all of these: a missing one is a failure.
missing() {
    echo "FAIL: $1"
    exit 1
}
command -v jq >/dev/null || missing "jq is not installed"
[ -f "${QUORIX_UI_DRIVER:-}" ] || missing "ui-driver.exe not built (QUORIX_UI_DRIVER)"
[ -x "${QUORIX_STAMP_TAG:-}" ] || missing "stamp-tag not built (QUORIX_STAMP_TAG)"
for file in QuorixSetup.exe QuorixSetup-tagged.exe; do
    [ -f "${QUORIX_PRODUCT_DIR:-}/$file" ] || missing "$file not built in ${QUORIX_PRODUCT_DIR:-?}"
done
[ -n "$BASE_CODE" ] || missing "no base product code (demo_packages.cmake)"
scenario_begin

received='HKLM\Software\Velora\QuorixDemo\Received'
product_key='HKLM\SOFTWARE\Velora\Quorix'
sid_data="$product_key\\SIDData"

# Every key and value below the product's key, in reg's order, with the run's times masked:
# what two runs at different moments must have recorded alike.
records() {
    wine_run -t 60 reg query "$product_key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d' |
        sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}/<time>/'
}

# retag COPY TAG PAIR LINE...: stamp-tag refuses TAG for its empty PAIR; the copy is written
# anyway, and each LINE is a line of what stamp-tag --show says of it.
retag() {
    local copy="$1" tag="$2" pair="$3" shown line
    shift 3
    stamp_refused "$copy" "$tag"
    expect_contains "$(cat "$copy.refused")" "\"$pair\": the value is empty" \
        "the refusal names $pair and why"
    stamp_unchecked "$copy" "$tag"
    shown="$("$QUORIX_STAMP_TAG" --show "$copy")"
    printf '%s\n' "$shown" >"$copy.shown"
    for line in "$@"; do
        expect_eq "$(printf '%s\n' "$shown" | grep -c -x -F -- "$line")" 1 "--show: $line"
    done
}

echo "== AFFILIATEID=x&AFFILIATEIDFLAGS=: refused, --show names the pair"
flags_empty="$SCRATCH/QuorixSetup-flags-empty.exe"
retag "$flags_empty" 'AFFILIATEID=x&AFFILIATEIDFLAGS=' AFFILIATEIDFLAGS= \
    'dropped: AFFILIATEIDFLAGS= (the value is empty)' 'properties passed on: AFFILIATEID=x' \
    'affiliate id: x'

echo "== its silent run: the transform applied, nothing swallowed"
drive flags-empty -- "$(winpath "$flags_empty")" /silent
expect_eq "$?" 0 "exit code (driver)"
expect_eq "$(window_count "$LOG")" 0 "windows shown (the affiliate survived)"
expect_eq "$(product_installed "$BASE_CODE")" yes "base package installed"
values="$(reg_values "$received")"
printf '%s\n' "$values" >"$SCRATCH/received-flags-empty.txt"
for pair in LANGSTRING=REG_SZ=silent AFFILIATEID=REG_SZ=x AFFILIATEIDFLAGS=REG_SZ= \
    TRANSFORMS=REG_SZ=:silent AppliedTransform=REG_SZ=silent FASTOEM=REG_SZ=1; do
    expect_eq "$(printf '%s\n' "$values" | grep -c -x -F -- "$pair")" 1 "received: $pair"
done
# A property given an empty value takes the next one as its text: NAME=OTHER=...
expect_eq "$(printf '%s\n' "$values" | grep -c -E '^[^=]+=REG_SZ=[A-Z]+=')" 0 \
    "no property received another one as its value"
expect_values "$sid_data\\x" "session record" SID=REG_SZ=x
expect_values "$product_key\\10.0" "current session" CurSID=REG_SZ=x

echo "== the untagged QuorixSetup.exe on a fresh machine, for comparison"
make_prefix "$SCRATCH/prefix" || exit 1
drive untagged --on caption=extract_aidconfig2 --press OK -- \
    "$(winpath "$QUORIX_PRODUCT_DIR/QuorixSetup.exe")" /silent
expect_eq "$?" 0 "untagged: exit code (driver)"
untagged_windows="$(windows "$LOG" | jq -c '{kind, caption, text, icon}')"
expect_eq "$(window_count "$LOG")" 1 "untagged: windows shown"
expect_eq "$(field "$LOG" 0 .caption)" extract_aidconfig2 "untagged: the tag warning"
expect_eq "$(product_installed "$BASE_CODE")" yes "untagged: base package installed"
untagged_received="$(reg_values "$received")"
untagged_records="$(records)"
printf '%s\n' "$untagged_received" >"$SCRATCH/received-untagged.txt"
printf '%s\n' "$untagged_records" >"$SCRATCH/records-untagged.txt"
expect_eq "$(printf '%s\n' "$untagged_received" | grep -c -x -F 'AFFILIATEID=REG_SZ=vlq2011aid30017xx-XX')" \
    1 "untagged: the default affiliate received"

echo "== AFFILIATEID=&AFFILIATEIDFLAGS=.1: refused, --show says it counts as no tag"
no_affiliate="$SCRATCH/QuorixSetup-no-affiliate.exe"
retag "$no_affiliate" 'AFFILIATEID=&AFFILIATEIDFLAGS=.1' AFFILIATEID= \
    'dropped: AFFILIATEID= (the value is empty)' \
    'no usable AFFILIATEID: the program treats the file as untagged, warns "No AID Config found.  Using default values." and uses its default tag' \
    'affiliate id: vlq2011aid30017xx-XX' 'flags: 0'

echo "== its silent run on a fresh machine behaves as the untagged one"
make_prefix "$SCRATCH/prefix" || exit 1
drive no-affiliate --on caption=extract_aidconfig2 --press OK -- "$(winpath "$no_affiliate")" /silent
expect_eq "$?" 0 "no affiliate: exit code (driver)"
expect_eq "$(windows "$LOG" | jq -c '{kind, caption, text, icon}')" "$untagged_windows" \
    "no affiliate: the same windows as untagged"
expect_eq "$(product_installed "$BASE_CODE")" yes "no affiliate: base package installed"
retagged_received="$(reg_values "$received")"
retagged_records="$(records)"
printf '%s\n' "$retagged_received" >"$SCRATCH/received-no-affiliate.txt"
printf '%s\n' "$retagged_records" >"$SCRATCH/records-no-affiliate.txt"
expect_eq "$retagged_received" "$untagged_received" "no affiliate: the same properties received"
expect_eq "$retagged_records" "$untagged_records" "no affiliate: the same registry records"
expect_eq "$(reg_values "$sid_data")" "" "no session values in SIDData itself"
scenario_end
