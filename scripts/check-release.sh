#!/usr/bin/env bash
# check-release.sh BUILD_DIR [FILE...]: the release check of a product build (build/win32, or a
# release engineer's own build folder), with the signing choices that folder was configured with
# (BUILD_DIR/signing/signing.txt).
#
# For the signed product, its tagged copy and every FILE given (a distributor's tagged copy):
#   - `osslsigncode verify` against the signer's roots (QUORIX_SIGNING_CA) accepts it, with one
#     verified signature per configured digest, in order (SHA-1, then the nested SHA-256);
#   - where timestamp URLs are configured, every signature carries a timestamp that verifies
#     against QUORIX_TIMESTAMP_CA (osslsigncode's exit code alone does not say so: it falls back
#     to the current time when a timestamp fails);
#   - the PE checksum matches;
#   - `stamp-tag --show` finds the signatures intact and the tag outside the signed hash;
#   - the import and PE header check passes (every import exists on the oldest Windows).
# Prints one line per check and exits 1 when one failed.
set -uo pipefail
build="${1:?usage: check-release.sh BUILD_DIR [FILE...]}"
shift
cd "$(dirname "$0")/.."
settings="$build/signing/signing.txt"
if [ ! -f "$settings" ]; then
    echo "FAIL: $settings: no signing settings (is $build a configured product build?)"
    exit 1
fi
setting() { sed -n "s/^$1=//p" "$settings"; }
ca="$(setting QUORIX_SIGNING_CA)"
tsa_ca="$(setting QUORIX_TIMESTAMP_CA)"
urls="$(setting QUORIX_TIMESTAMP_URLS)"
IFS=';' read -r -a digests <<<"$(setting QUORIX_SIGNING_DIGESTS_LIST)"
wanted="${#digests[@]}"
expected_digests="$(printf '%s\n' "${digests[@]}" | tr '[:lower:]' '[:upper:]')"
case "$(basename "$build")" in
    win64*) import_args=(--oldest 5.2 --machine amd64) ;;
    *) import_args=(--oldest 5.0 --machine i386) ;;
esac

failures=0
check() {  # check WHAT COMMAND...: runs the command, prints ok/FAIL with WHAT
    local what="$1"
    shift
    local out
    if out="$("$@" 2>&1)"; then
        echo "ok: $what"
    else
        printf 'FAIL: %s\n%s\n' "$what" "$out"
        failures=$((failures + 1))
    fi
}
occurrences() { grep -c -x -F -- "$1" <<<"$2" || true; }  # whole lines only

verify_signatures() {  # the osslsigncode verdicts of one file
    local file="$1" out rc=0
    local args=(verify -CAfile "$ca" -in "$file")
    [ -z "$tsa_ca" ] || args+=(-TSA-CAfile "$tsa_ca")
    out="$(osslsigncode "${args[@]}" 2>&1)" || rc=$?
    local found
    found="$(sed -n 's/^Message digest algorithm  : //p' <<<"$out")"
    local problems=()
    [ "$rc" = 0 ] || problems+=("osslsigncode exit code $rc")
    [ "$found" = "$expected_digests" ] ||
        problems+=("digests $(echo $found) (expected $(echo $expected_digests))")
    [ "$(occurrences 'Signature verification: ok' "$out")" = "$wanted" ] ||
        problems+=("not $wanted signature(s) verified")
    grep -q -x "Number of verified signatures: $wanted" <<<"$out" ||
        problems+=("osslsigncode did not count $wanted verified signature(s)")
    ! grep -q -i 'invalid PE checksum' <<<"$out" || problems+=("stale PE checksum")
    if [ -n "$urls" ]; then
        [ "$(occurrences 'Timestamp Server Signature verification: ok' "$out")" = "$wanted" ] ||
            problems+=("not every signature has a timestamp that verifies")
    fi
    if [ ${#problems[@]} -gt 0 ]; then
        printf '%s\n' "${problems[@]}" "--- osslsigncode verify:" "$out"
        return 1
    fi
}

show_intact() {  # stamp-tag --show: every signature's hash still matches the file
    local out
    out="$("$build/tools/stamp-tag" --show "$1")" || return 1
    printf '%s\n' "$out"
    [ "$(grep -c '^signature .*: signed hash matches the file$' <<<"$out")" = "$wanted" ]
}

files=("$build/QuorixSetup.exe" "$build/QuorixSetup-tagged.exe" "$@")
timestamps="no timestamp configured"
[ -z "$urls" ] || timestamps="timestamps verified"
for file in "${files[@]}"; do
    name="$(basename "$file")"
    if [ ! -f "$file" ]; then
        echo "FAIL: $name: no such file ($file)"
        failures=$((failures + 1))
        continue
    fi
    check "$name: $wanted signature(s) ($(echo $expected_digests)) verify against $ca; $timestamps" \
        verify_signatures "$file"
    check "$name: stamp-tag --show: the signed hash is untouched" show_intact "$file"
    check "$name: imports and PE header" python3 tools/import_check/check_imports.py \
        "${import_args[@]}" "$file"
done
if [ "$failures" -gt 0 ]; then
    echo "release check: $failures check(s) failed"
    exit 1
fi
echo "release check: all passed"
