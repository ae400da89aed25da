#!/usr/bin/env bash
# The stamped tag lives in the certificate table without breaking the signature: osslsigncode
# accepts both the signed and the tagged exe against the build's throwaway certificate (both
# signatures: SHA-1 and the nested SHA-256), and a copy stamped with another tag still verifies
# and still starts without a box: its one window is the welcome dialog, and the run records the
# new affiliate. The same program signed with SHA-256 alone, then tagged, verifies too and
# installs the demo product in a silent run.
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
    expect_contains "$out" "Number of verified signatures: ${2:-2}" \
        "osslsigncode verify $(basename "$1"): signatures"
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

echo "== signed with SHA-256 alone, then tagged: a silent run on a fresh prefix"
unsigned="$QUORIX_PRODUCT_DIR/unsigned/QuorixSetup.exe"
key="${QUORIX_SIGNING_CERT%.crt}.key"
require_file "$unsigned" "the unsigned product"
require_file "$key" "the build's throwaway signing key"
sha256="$SCRATCH/QuorixSetup-sha256.exe"
sha256_tagged="$SCRATCH/QuorixSetup-sha256-tagged.exe"
osslsigncode sign -certs "$QUORIX_SIGNING_CERT" -key "$key" -h sha256 -n "Velora Quorix" \
    -in "$unsigned" -out "$sha256" >"$SCRATCH/sign-sha256.log" 2>&1
expect_eq "$?" 0 "osslsigncode sign -h sha256"
verify "$sha256" 1
"$QUORIX_STAMP_TAG" "$sha256" "$sha256_tagged" "AFFILIATEID=sha256only&AFFILIATEIDFLAGS=.0"
expect_eq "$?" 0 "stamp-tag of the SHA-256 copy"
verify "$sha256_tagged" 1
make_prefix "$SCRATCH/prefix-sha256" || exit 1
use_prefix "$SCRATCH/prefix-sha256"
drive sha256 -- "$(winpath "$sha256_tagged")" /silent
expect_eq "$(window_count "$LOG")" 0 "SHA-256 copy: windows shown"
expect_eq "$(exit_code "$LOG")" 0 "SHA-256 copy: exit code"
expect_eq "$(product_installed "$BASE_CODE")" yes "SHA-256 copy: base package installed"
expect_eq "$(reg_values 'HKLM\SOFTWARE\Velora\Quorix\SIDData\sha256only' | grep -c -x -F 'SID=REG_SZ=sha256only')" \
    1 "SHA-256 copy: its affiliate was read"
scenario_end
