#!/usr/bin/env bash
# The stamped tag lives in the certificate table without breaking the signature: osslsigncode
# accepts both the signed and the tagged exe against the build's throwaway certificate, and a
# copy stamped with another tag still verifies and still starts without a box: its one
# window is the welcome dialog, and the run records the new affiliate.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin --no-wine
require_command osslsigncode osslsigncode
require_file "${QUORIX_SIGNING_CERT:-}" "the build's signing certificate (QUORIX_SIGNING_CERT)"
require_file "${QUORIX_STAMP_TAG:-}" "stamp-tag (QUORIX_STAMP_TAG)"
require_file "${QUORIX_UI_DRIVER:-}" "ui-driver.exe (QUORIX_UI_DRIVER)"
signed="$QUORIX_PRODUCT_DIR/QuorixSetup.exe"
tagged="$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe"
require_file "$signed" "the product file QuorixSetup.exe"
require_file "$tagged" "the product file QuorixSetup-tagged.exe"

verify() {
    local out rc
    out="$(osslsigncode verify -CAfile "$QUORIX_SIGNING_CERT" -in "$1" 2>&1)"
    rc=$?
    expect_eq "$rc" 0 "osslsigncode verify $(basename "$1"): exit code"
    expect_contains "$out" "Signature verification: ok" "osslsigncode verify $(basename "$1")"
}
verify "$signed"
verify "$tagged"
expect_contains "$(grep -a -o 'Gact..AFFILIATEID=[A-Za-z0-9.&=-]*' "$tagged" | head -1)" \
    "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0" "default tag stamped"

other="$SCRATCH/QuorixSetup-other.exe"
"$QUORIX_STAMP_TAG" "$signed" "$other" "AFFILIATEID=abc&AFFILIATEIDFLAGS=.1"
expect_eq "$?" 0 "stamp-tag with another tag"
verify "$other"
start_xvfb || exit 1
make_prefix "$SCRATCH/prefix" || exit 1
use_prefix "$SCRATCH/prefix"
drive other --on kind=dialog --press IDOK -- "$(winpath "$other")"
expect_eq "$(window_count "$LOG")" 1 "other tag: windows shown (the welcome dialog alone)"
expect_eq "$(field "$LOG" 0 .kind)" dialog "other tag: no box, the dialog"
expect_eq "$(exit_code "$LOG")" 0 "other tag: exit code"
record="$(reg_values 'HKLM\SOFTWARE\Velora\Quorix\SIDData\abc')"
expect_eq "$(printf '%s\n' "$record" | grep -c -x -F 'SID=REG_SZ=abc')" 1 \
    "other tag: its affiliate was read"
scenario_end
