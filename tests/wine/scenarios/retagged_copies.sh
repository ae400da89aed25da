#!/usr/bin/env bash
# Signed copies re-tagged by a distributor. The installer skips the blanks after "=": a pair
# passed on with an empty value would swallow the property behind it, so the program drops such
# a pair (stamp-tag refuses it; those copies are written with --unchecked). A readable tag never
# stops an unattended run with a box, whatever it keeps: without an affiliate of its own, the
# default one is passed first and recorded, and the tag's flags still count.
#   AFFILIATEID=x&AFFILIATEIDFLAGS=    only the empty pair goes: a silent run installs with the
#                                      "silent" transform, under the affiliate x
#   AFFILIATEID=&AFFILIATEIDFLAGS=.1   refused; --show: the default affiliate, flags 1
#   (empty tag), AFFILIATEIDFLAGS=.4   stamped as they are; silent runs install with no window
#                                      under the default affiliate, the second with flags 4
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

echo "== AFFILIATEID=&AFFILIATEIDFLAGS=.1: refused, --show says the default affiliate stands"
retag "$SCRATCH/QuorixSetup-no-affiliate.exe" 'AFFILIATEID=&AFFILIATEIDFLAGS=.1' AFFILIATEID= \
    'dropped: AFFILIATEID= (the value is empty)' \
    'the tag keeps no AFFILIATEID: the program passes its default affiliate first' \
    'properties passed on: AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#1' \
    'affiliate id: vlq2011aid30017xx-XX' 'flags: 1'

# default_affiliate NAME TAG FLAGS RECEIVED...: a copy stamped with TAG (stamp-tag takes it),
# run /silent on a fresh machine: no window, exit 0, the base package installed with the default
# affiliate and the RECEIVED values; the session recorded under it with FLAGS.
default_affiliate() {
    local name="$1" tag="$2" flags="$3" copy="$SCRATCH/QuorixSetup-$1.exe" values pair
    shift 3
    "$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$copy" "$tag" ||
        scenario_fail "$name: stamp-tag refused the tag '$tag'"
    expect_contains "$("$QUORIX_STAMP_TAG" --show "$copy")" "affiliate id: vlq2011aid30017xx-XX
flags: $flags" "$name: --show"
    make_prefix "$SCRATCH/prefix" || exit 1
    drive "$name" -- "$(winpath "$copy")" /silent
    expect_eq "$?" 0 "$name: exit code (driver)"
    expect_eq "$(exit_code "$LOG")" 0 "$name: exit code"
    expect_eq "$(window_count "$LOG")" 0 "$name: windows shown"
    expect_eq "$(product_installed "$BASE_CODE")" yes "$name: base package installed"
    values="$(reg_values "$received")"
    printf '%s\n' "$values" >"$SCRATCH/received-$name.txt"
    for pair in AFFILIATEID=REG_SZ=vlq2011aid30017xx-XX "$@"; do
        expect_eq "$(printf '%s\n' "$values" | grep -c -x -F -- "$pair")" 1 "$name: received $pair"
    done
    expect_values "$sid_data\\vlq2011aid30017xx-XX" "$name: session record" \
        SID=REG_SZ=vlq2011aid30017xx-XX "Flags=REG_DWORD=0x$flags"
    expect_values "$product_key\\10.0" "$name: current session" CurSID=REG_SZ=vlq2011aid30017xx-XX
}

echo "== an empty tag: no box, the default affiliate"
default_affiliate empty-tag '' 0 AFFILIATEIDFLAGS=REG_SZ=
echo "== a flags-only tag: no box, the default affiliate with the tag's flags"
default_affiliate flags-only 'AFFILIATEIDFLAGS=.4' 4 'AFFILIATEIDFLAGS=REG_SZ=#4'
expect_eq "$(reg_values "$sid_data")" "" "no session values in SIDData itself"
scenario_end
