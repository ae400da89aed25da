#!/usr/bin/env bash
# check-release.sh [--allow-throwaway] BUILD_DIR [FILE...]: the release check of a product build
# (build/win32, or a release engineer's own build folder), with the signing choices that folder
# was configured with (BUILD_DIR/signing/signing.txt).
#
# A build signed with the throwaway certificate is no release: it fails unless --allow-throwaway
# is given (the tests do). For the signed product, its tagged copy and every FILE given (a
# distributor's tagged copy):
#   - `osslsigncode verify` against the signer's roots (QUORIX_SIGNING_CA) accepts it, with one
#     verified signature per configured digest, in order (SHA-1, then the nested SHA-256), and
#     every timestamp verifies against QUORIX_TIMESTAMP_CA (osslsigncode's exit code alone does
#     not say so: it falls back to the current time when a timestamp fails);
#   - the PE checksum matches;
#   - the signatures, as `stamp-tag --show` reads them from the file, have the configured digests
#     and timestamps of the configured kinds (the SHA-1 signature of a dual-signed file: a legacy
#     counter-signature, or none where QUORIX_TIMESTAMP_LEGACY_URLS=none; every other one:
#     RFC 3161), their signed hashes intact; which Windows versions read each is printed;
#   - its Authenticode hash is the build's own QuorixSetup.exe's: the file is this build (the tag
#     lies outside that hash, so a tagged copy has it too);
#   - every copy but the product itself carries a tag the program passes on whole;
#   - the import and PE header check passes (every import exists on the oldest Windows).
# Prints one line per check and exits 1 when one failed.
set -uo pipefail
allow_throwaway=0
if [ "${1:-}" = "--allow-throwaway" ]; then
    allow_throwaway=1
    shift
fi
build="${1:?usage: check-release.sh [--allow-throwaway] BUILD_DIR [FILE...]}"
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
legacy_urls="$(setting QUORIX_TIMESTAMP_LEGACY_URLS)"
[ "$legacy_urls" != none ] || legacy_urls=""
IFS=';' read -r -a digests <<<"$(setting QUORIX_SIGNING_DIGESTS_LIST)"
wanted="${#digests[@]}"
expected_digests="$(printf '%s\n' "${digests[@]}" | tr '[:lower:]' '[:upper:]')"
# What each signature must carry, as stamp-tag --show says it ("signature N: <digest> signature,
# <timestamp>:"): the same choice as the build's signing step.
expected_kinds=()
stamped_wanted=0
for digest in "${digests[@]}"; do
    name="$(tr '[:lower:]' '[:upper:]' <<<"$digest" | sed 's/^SHA/SHA-/')"
    if [ "$digest" = sha1 ] && [ "$wanted" -gt 1 ]; then
        kind_urls="$legacy_urls" kind="legacy timestamp (SHA-1)"
    else
        kind_urls="$urls" kind="RFC 3161 timestamp (SHA-256)"
    fi
    if [ -z "$kind_urls" ]; then
        kind="no timestamp"
    else
        stamped_wanted=$((stamped_wanted + 1))
    fi
    expected_kinds+=("$name signature, $kind")
done
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
        return 1
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
    [ "$(occurrences 'Timestamp Server Signature verification: ok' "$out")" = "$stamped_wanted" ] ||
        problems+=("not every timestamp verifies ($stamped_wanted expected)")
    if [ ${#problems[@]} -gt 0 ]; then
        printf '%s\n' "${problems[@]}" "--- osslsigncode verify:" "$out"
        return 1
    fi
}

show() { "$build/tools/stamp-tag" --show "$1"; }
starts_a_line() {  # starts_a_line PREFIX TEXT
    local line
    while IFS= read -r line; do
        [[ "$line" != "$1"* ]] || return 0
    done <<<"$2"
    return 1
}

structure() {  # the signatures as read from the file: digests, timestamp kinds, intact hashes
    local out index=0 expected problems=()
    out="$(show "$1")" || return 1
    [ "$(grep -c '^signature [0-9]* (' <<<"$out")" = "$wanted" ] ||
        problems+=("not $wanted signature(s)")
    for expected in "${expected_kinds[@]}"; do
        index=$((index + 1))
        grep -q -F -x -e "signature $index: signed hash matches the file" <<<"$out" ||
            problems+=("signature $index: its signed hash does not match the file")
        starts_a_line "signature $index: $expected:" "$out" ||
            problems+=("signature $index: not a $expected")
    done
    if [ ${#problems[@]} -gt 0 ]; then
        printf '%s\n' "${problems[@]}" "--- stamp-tag --show:" "$out"
        return 1
    fi
}

authenticode() { show "$1" | sed -n 's/^Authenticode SHA-256 of the file: //p'; }
this_build="$(authenticode "$build/QuorixSetup.exe")"
same_build() {
    local hash
    hash="$(authenticode "$1")"
    [ -n "$this_build" ] && [ "$hash" = "$this_build" ] ||
        { echo "its Authenticode SHA-256 is '$hash', $build/QuorixSetup.exe's '$this_build'"; return 1; }
}

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
passes_whole() {  # the program passes the file's tag on whole: stamp-tag would stamp it as is
    local out tag refusal
    out="$(show "$1")" || return 1
    tag="$(sed -n 's/^tag: //p' <<<"$out")"
    if [ -z "$tag" ]; then
        grep '^no tag' <<<"$out"
        return 1
    fi
    grep '^dropped: ' <<<"$out" && refusal=1
    "$build/tools/stamp-tag" "$1" "$scratch/copy.exe" "$tag" || refusal=1
    [ -z "${refusal:-}" ]
}

if [ "$(setting QUORIX_SIGNING_SOURCE)" = throwaway ]; then
    if [ "$allow_throwaway" = 1 ]; then
        echo "ok: signed with the throwaway certificate, allowed by --allow-throwaway (not a release)"
    else
        echo "FAIL: $build is signed with the throwaway certificate: not a release" \
            "(--allow-throwaway accepts it for a test)"
        failures=$((failures + 1))
    fi
fi
files=("$build/QuorixSetup.exe" "$build/QuorixSetup-tagged.exe" "$@")
timestamps="$stamped_wanted timestamp(s) verified"
for file in "${files[@]}"; do
    name="$(basename "$file")"
    if [ ! -f "$file" ]; then
        echo "FAIL: $name: no such file ($file)"
        failures=$((failures + 1))
        continue
    fi
    check "$name: $wanted signature(s) ($(echo $expected_digests)) verify against $ca; $timestamps" \
        verify_signatures "$file"
    check "$name: the signatures read from the file: $(printf '%s; ' "${expected_kinds[@]}")hashes intact" \
        structure "$file" && show "$file" |
        sed -n -e 's/^\(signature [0-9]*: [^ ]* signature, \)/    \1/p' -e 's/^\(signature [0-9]*: warning: \)/    \1/p'
    check "$name: this build's Authenticode hash" same_build "$file"
    [ "$file" = "$build/QuorixSetup.exe" ] ||
        check "$name: the program passes its tag on whole" passes_whole "$file"
    check "$name: imports and PE header" python3 tools/import_check/check_imports.py \
        "${import_args[@]}" "$file"
done
if [ "$failures" -gt 0 ]; then
    echo "release check: $failures check(s) failed"
    exit 1
fi
echo "release check: all passed"
