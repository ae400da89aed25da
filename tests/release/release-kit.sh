#!/usr/bin/env bash
# The release kit, with real parts: the release check (scripts/check-release.sh) on the throwaway
# build, then a release engineer's configurations of a second build folder, each signed by the
# build and checked the same way:
#   1. build/win32 as built: SHA-1 + nested SHA-256, the throwaway certificate, no timestamp;
#      refused without --allow-throwaway;
#   2. a PKCS#12 file made here (a test CA and its code-signing certificate), its password in an
#      environment variable, a legacy counter-signature on the SHA-1 signature and an RFC 3161
#      timestamp on the nested SHA-256 one, from a local authority (tests/release/tsa_server.py
#      on 127.0.0.1, its own CA) behind a first URL of each kind that is down; a distributor's
#      tagged copy of it, and copies the check must refuse (a changed byte, the wrong timestamp
#      roots, another build signed by the same root, a tag the program would cut);
#   3. RFC 3161 URLs alone with sha1+sha256: refused at configure;
#   4. PEM chain and encrypted key, the password in a file, SHA-256 alone;
#   5. the key in a SoftHSM2 token through PKCS#11 (the OpenSSL pkcs11 engine), the PIN in an
#      environment variable, QUORIX_TIMESTAMP_LEGACY_URLS=none (said at signing); a PIN in the
#      key's URI is refused;
# and that a password given as a cache variable is refused and not kept. No secret may be found
# anywhere in the second folder.
# The second folder is build/win32-second (tests/release/reproducible-build.sh builds it; here
# only its signing is configured again, so only the signed files are made again).
set -euo pipefail
cd "$(dirname "$0")/../.."
repo="$PWD"
second=build/win32-second
work="$repo/build/release-kit"
rm -rf "$work"
mkdir -p "$work"

failed() {
    echo "release kit: FAILED: $*" >&2
    exit 1
}
build_signed() {  # configure the second folder with the given options, then sign and tag there
    cmake --preset win32 -B "$second" "$@" >"$work/configure.log" ||
        { cat "$work/configure.log"; failed "configuring $second with $*"; }
    cmake --build "$second" -j2 --target QuorixSetup_tagged >"$work/build.log" 2>&1 ||
        { cat "$work/build.log"; failed "building the signed product in $second"; }
}

# The folder's signing settings keep no secret, and neither does anything else in it.
no_secret_in_second() {  # no_secret_in_second WHAT SECRET
    if grep -r -l -F -e "$2" "$second"; then
        failed "the $1 was written into $second (the files above)"
    fi
}
# expect_refused NAME WHAT PATTERN FILE...: the release check fails and names why.
expect_refused() {
    local name="$1" what="$2" pattern="$3"
    shift 3
    if bash scripts/check-release.sh "$second" "$@" >"$work/$name.log" 2>&1; then
        cat "$work/$name.log"
        failed "the release check accepted $what"
    fi
    grep -q -e "$pattern" "$work/$name.log" || { cat "$work/$name.log"; failed "$what: not named"; }
}

echo "== 1. the throwaway build: $(sed -n 's/^QUORIX_SIGNING_DIGESTS_LIST=//p' build/win32/signing/signing.txt)"
if bash scripts/check-release.sh build/win32 >"$work/throwaway.log" 2>&1; then
    cat "$work/throwaway.log"
    failed "the release check passed a throwaway-signed build without --allow-throwaway"
fi
grep -q '^FAIL: build/win32 is signed with the throwaway certificate' "$work/throwaway.log" ||
    { cat "$work/throwaway.log"; failed "the throwaway certificate was not named"; }
bash scripts/check-release.sh --allow-throwaway build/win32

echo "== 2. PKCS#12, a legacy and an RFC 3161 timestamp from a local authority"
# The test CA and its code-signing certificate.
(
    cd "$work"
    openssl req -x509 -newkey rsa:2048 -noenc -sha256 -days 30 -keyout ca.key -out ca.crt \
        -subj "/CN=Quorix release test CA (throwaway)" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign"
    openssl req -new -newkey rsa:2048 -noenc -keyout signer.key -out signer.csr \
        -subj "/CN=Quorix release test signer (throwaway)/O=Velora test"
    printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
        "extendedKeyUsage=codeSigning" >signer.ext
    openssl x509 -req -in signer.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 30 \
        -sha256 -extfile signer.ext -out signer.crt
    cat signer.crt ca.crt >chain.pem
) >"$work/certificates.log" 2>&1 || { cat "$work/certificates.log"; failed "making the test certificates"; }
QUORIX_RELEASE_TEST_PASSWORD="$(openssl rand -hex 12)"
export QUORIX_RELEASE_TEST_PASSWORD
openssl pkcs12 -export -in "$work/chain.pem" -inkey "$work/signer.key" -out "$work/signer.p12" \
    -passout env:QUORIX_RELEASE_TEST_PASSWORD

python3 tests/release/tsa_server.py "$work/tsa" --lifetime 900 &
tsa_pid=$!
trap 'kill "$tsa_pid" 2>/dev/null || true' EXIT
# A ceiling that only catches a server that never comes up, not a measure of its speed.
for _ in $(seq 600); do
    [ -s "$work/tsa/port" ] || ! kill -0 "$tsa_pid" 2>/dev/null && break
    sleep 0.1
done
[ -s "$work/tsa/port" ] || failed "the local timestamp authority did not start"
tsa="http://127.0.0.1:$(cat "$work/tsa/port")"

build_signed -DQUORIX_SIGNING_SOURCE=pkcs12 -DQUORIX_SIGNING_PKCS12="$work/signer.p12" \
    -DQUORIX_SIGNING_PASSWORD_ENV=QUORIX_RELEASE_TEST_PASSWORD -DQUORIX_SIGNING_PASSWORD_FILE= \
    -DQUORIX_SIGNING_CA="$work/ca.crt" -DQUORIX_SIGNING_DIGESTS=sha1+sha256 \
    "-DQUORIX_TIMESTAMP_LEGACY_URLS=$tsa/unavailable;$tsa/legacy" \
    "-DQUORIX_TIMESTAMP_URLS=$tsa/unavailable;$tsa/" -DQUORIX_TIMESTAMP_CA="$work/tsa/tsa-ca.crt"
no_secret_in_second "PKCS#12 password" "$QUORIX_RELEASE_TEST_PASSWORD"
# Each kind asked the authority that is down first, then the next one; the SHA-1 signature
# asked the legacy ones only.
cat "$work/tsa/requests.log"
for kind in legacy 'RFC 3161'; do
    [ "$(grep -m 1 ", $kind: " "$work/tsa/requests.log")" = "$(grep -m 1 "^/unavailable .*, $kind: unavailable$" "$work/tsa/requests.log")" ] &&
        grep -q ", $kind: answered$" "$work/tsa/requests.log" ||
        failed "the $kind timestamp URLs were not tried in order"
done
grep -q '^/legacy .*, legacy: answered$' "$work/tsa/requests.log" &&
    ! grep -q '^/legacy .*RFC 3161' "$work/tsa/requests.log" ||
    failed "the SHA-1 signature was not stamped by the legacy authority alone"
partner="$work/QuorixSetup-partner.exe"
"$second/tools/stamp-tag" "$second/QuorixSetup.exe" "$partner" 'AFFILIATEID=abc&AFFILIATEIDFLAGS=.1'
"$second/tools/stamp-tag" --show "$partner"
osslsigncode verify -CAfile "$work/ca.crt" -TSA-CAfile "$work/tsa/tsa-ca.crt" -in "$partner" \
    >"$work/partner-verify.txt" 2>&1 || { cat "$work/partner-verify.txt"; failed "osslsigncode verify $partner"; }
bash scripts/check-release.sh "$second" "$partner" | tee "$work/partner.log"
# The test CA signs its signer with SHA-256, which the oldest versions cannot check.
grep -q '^    signature 1: warning: the certificate CN=Quorix release test signer (throwaway), O=Velora test is signed with SHA-256: Windows 2000 and XP before SP3' \
    "$work/partner.log" || failed "the SHA-256-signed chain of the SHA-1 signature was not named"

# The check must be able to fail: a byte changed after signing, and timestamps checked against
# roots that did not issue them (osslsigncode alone still says ok to that one).
changed="$work/QuorixSetup-changed.exe"
cp "$partner" "$changed"
printf '\x90' | dd of="$changed" bs=1 seek=4096 conv=notrunc status=none
expect_refused changed "a file changed after signing" \
    '^signature 1: its signed hash does not match the file' "$changed"
wrong="$work/wrong-timestamp-roots"
mkdir -p "$wrong/signing" "$wrong/tools"
sed "s|^QUORIX_TIMESTAMP_CA=.*|QUORIX_TIMESTAMP_CA=$work/ca.crt|" "$second/signing/signing.txt" \
    >"$wrong/signing/signing.txt"
ln -s "$repo/$second/QuorixSetup.exe" "$repo/$second/QuorixSetup-tagged.exe" "$wrong/"
ln -s "$repo/$second/tools/stamp-tag" "$wrong/tools/"
if bash scripts/check-release.sh "$wrong" >"$work/wrong.log" 2>&1; then
    cat "$work/wrong.log"
    failed "the release check accepted timestamps against roots that did not issue them"
fi
grep -q 'not every timestamp verifies' "$work/wrong.log" ||
    { cat "$work/wrong.log"; failed "the failed timestamps were not named"; }
# Another build, validly signed under the same root: one byte of the unsigned product changed
# (its link time), signed the same way.
other="$work/QuorixSetup-other.exe"
cp "$second/unsigned/QuorixSetup.exe" "$work/other-unsigned.exe"
pe="$(od -An -tu4 -j 60 -N 4 "$work/other-unsigned.exe" | tr -d ' ')"
printf '\x01' | dd of="$work/other-unsigned.exe" bs=1 seek=$((pe + 8)) conv=notrunc status=none
printenv QUORIX_RELEASE_TEST_PASSWORD | osslsigncode sign -pkcs12 "$work/signer.p12" -readpass - \
    -h sha1 -in "$work/other-unsigned.exe" -out "$work/other-sha1.exe" >/dev/null
printenv QUORIX_RELEASE_TEST_PASSWORD | osslsigncode sign -pkcs12 "$work/signer.p12" -readpass - \
    -nest -h sha256 -in "$work/other-sha1.exe" -out "$work/other-signed.exe" >/dev/null
"$second/tools/stamp-tag" "$work/other-signed.exe" "$other" 'AFFILIATEID=abc&AFFILIATEIDFLAGS=.1'
expect_refused other "another build signed by the same root" \
    "^FAIL: QuorixSetup-other.exe: this build's Authenticode hash" "$other"
# A tag the program would not pass on whole, stamped past stamp-tag's own check.
cut="$work/QuorixSetup-cut.exe"
"$second/tools/stamp-tag" --unchecked "$second/QuorixSetup.exe" "$cut" \
    'AFFILIATEID=abc&PROMOCODE=x1&AFFILIATEIDFLAGS=.1'
expect_refused cut "a copy whose tag the program would cut" 'PROMOCODE=x1' "$cut"
grep -q "^FAIL: QuorixSetup-cut.exe: the program passes its tag on whole" "$work/cut.log" ||
    { cat "$work/cut.log"; failed "the cut tag was not what failed"; }
echo "ok: the release check refuses a changed file, timestamps from unknown roots, another" \
    "build of the same root and a tag the program would cut"

echo "== 3. RFC 3161 URLs alone with sha1+sha256: refused"
if cmake --preset win32 -B "$second" -DQUORIX_TIMESTAMP_LEGACY_URLS= "-DQUORIX_TIMESTAMP_URLS=$tsa/" \
    >"$work/rfc3161-only.log" 2>&1; then
    failed "sha1+sha256 with RFC 3161 URLs and no legacy one was accepted"
fi
grep -q 'Windows 2000, XP and Vista' "$work/rfc3161-only.log" &&
    grep -q 'QUORIX_TIMESTAMP_LEGACY_URLS' "$work/rfc3161-only.log" ||
    { cat "$work/rfc3161-only.log"; failed "the refusal does not say which Windows would lose the signature"; }
echo "ok: refused, naming Windows 2000, XP and Vista"

echo "== 4. PEM chain and encrypted key, password in a file, SHA-256 alone"
openssl rand -hex 12 >"$work/key-password.txt"
chmod 600 "$work/key-password.txt"
openssl pkey -in "$work/signer.key" -aes256 -passout "file:$work/key-password.txt" \
    -out "$work/signer-encrypted.key"
build_signed -DQUORIX_SIGNING_SOURCE=pem -DQUORIX_SIGNING_CERTS="$work/chain.pem" \
    -DQUORIX_SIGNING_KEY_FILE="$work/signer-encrypted.key" -DQUORIX_SIGNING_PASSWORD_ENV= \
    -DQUORIX_SIGNING_PASSWORD_FILE="$work/key-password.txt" -DQUORIX_SIGNING_DIGESTS=sha256 \
    -DQUORIX_TIMESTAMP_URLS= -DQUORIX_TIMESTAMP_LEGACY_URLS= -DQUORIX_TIMESTAMP_CA=
no_secret_in_second "key's password" "$(cat "$work/key-password.txt")"
bash scripts/check-release.sh "$second"

echo "== 5. the key in a SoftHSM2 token (PKCS#11), no legacy timestamp (none)"
export SOFTHSM2_CONF="$work/softhsm2.conf"
mkdir -p "$work/tokens"
printf '%s\n' "directories.tokendir = $work/tokens" "objectstore.backend = file" \
    "log.level = ERROR" >"$SOFTHSM2_CONF"
QUORIX_RELEASE_TEST_PIN="$(openssl rand -hex 12)"
export QUORIX_RELEASE_TEST_PIN
openssl pkcs8 -topk8 -nocrypt -in "$work/signer.key" -out "$work/signer-pkcs8.key"
# softhsm2-util takes PINs as arguments or from its terminal: a pseudo-terminal (script) gets
# them from the environment, so they never show in the process list.
so_pin="$(openssl rand -hex 12)"
(
    printf '%s\n' "$so_pin" "$so_pin" "$QUORIX_RELEASE_TEST_PIN" "$QUORIX_RELEASE_TEST_PIN" |
        timeout 60 script -q -e -c "softhsm2-util --init-token --free --label quorix-release-test" /dev/null
    printf '%s\n' "$QUORIX_RELEASE_TEST_PIN" "$QUORIX_RELEASE_TEST_PIN" |
        timeout 60 script -q -e -c "softhsm2-util --import '$work/signer-pkcs8.key' \
            --token quorix-release-test --label signer --id 51" /dev/null
) >"$work/softhsm.log" 2>&1 || { cat "$work/softhsm.log"; failed "preparing the SoftHSM2 token"; }
rm -f "$work/signer-pkcs8.key"
engine="$(find /usr/lib -path '*engines-3/pkcs11.so' -print -quit)"
[ -n "$engine" ] || failed "the OpenSSL PKCS#11 engine (libengine-pkcs11-openssl) is not installed"
pkcs11_options=(-DQUORIX_SIGNING_SOURCE=pkcs11 -DQUORIX_SIGNING_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so
    -DQUORIX_SIGNING_PKCS11_ENGINE="$engine" -DQUORIX_SIGNING_CERTS="$work/chain.pem"
    -DQUORIX_SIGNING_PASSWORD_ENV=QUORIX_RELEASE_TEST_PIN -DQUORIX_SIGNING_PASSWORD_FILE=
    -DQUORIX_SIGNING_DIGESTS=sha1+sha256 -DQUORIX_TIMESTAMP_LEGACY_URLS=none
    "-DQUORIX_TIMESTAMP_URLS=$tsa/" -DQUORIX_TIMESTAMP_CA="$work/tsa/tsa-ca.crt")
key="pkcs11:token=quorix-release-test;object=signer;type=private"
# Not the token's PIN: this one is on a command line on purpose.
for attribute in "pin-value=not-kept-$$" "pin-source=file:/not-kept-$$"; do
    if cmake --preset win32 -B "$second" "${pkcs11_options[@]}" \
        "-DQUORIX_SIGNING_PKCS11_KEY=$key;$attribute" >"$work/pin-in-uri.log" 2>&1; then
        failed "a pkcs11: URI with $attribute was accepted"
    fi
    grep -q 'with pin-value or pin-source' "$work/pin-in-uri.log" ||
        { cat "$work/pin-in-uri.log"; failed "the $attribute refusal does not say why"; }
    ! grep -q -F "not-kept-$$" "$second/CMakeCache.txt" || failed "the refused $attribute stayed in the cache"
done
build_signed "${pkcs11_options[@]}" "-DQUORIX_SIGNING_PKCS11_KEY=$key"
grep -q 'QUORIX_TIMESTAMP_LEGACY_URLS=none: the SHA-1 signature' "$work/build.log" ||
    { cat "$work/build.log"; failed "signing with QUORIX_TIMESTAMP_LEGACY_URLS=none did not say so"; }
no_secret_in_second "token's PIN" "$QUORIX_RELEASE_TEST_PIN"
bash scripts/check-release.sh "$second"

echo "== a password as a cache variable is refused and not kept"
if cmake --preset win32 -B "$second" -DQUORIX_SIGNING_PASSWORD=not-kept >"$work/refused.log" 2>&1; then
    failed "a password given as a cache variable was accepted"
fi
grep -q 'a password is never kept in the cache' "$work/refused.log" ||
    { cat "$work/refused.log"; failed "the refusal does not say why"; }
! grep -q -F 'not-kept' "$second/CMakeCache.txt" || failed "the refused password stayed in the cache"
echo "ok: QUORIX_SIGNING_PASSWORD refused, not in CMakeCache.txt"

echo "release kit: all passed"
