#!/usr/bin/env bash
# The release kit, with real parts: the release check (scripts/check-release.sh) on the throwaway
# build, then a release engineer's configurations of a second build folder, each signed by the
# build and checked the same way:
#   1. build/win32 as built: SHA-1 + nested SHA-256, the throwaway certificate, no timestamp;
#   2. a PKCS#12 file made here (a test CA and its code-signing certificate), its password in an
#      environment variable, timestamps from a local RFC 3161 authority (tests/release/
#      tsa_server.py on 127.0.0.1, its own CA) behind a first URL that is down; a distributor's
#      tagged copy of it, and two copies the check must refuse (a changed byte, the wrong
#      timestamp roots);
#   3. PEM chain and encrypted key, the password in a file, SHA-256 alone;
#   4. the key in a SoftHSM2 token through PKCS#11 (the OpenSSL pkcs11 engine), the PIN in an
#      environment variable;
# and that a password given as a cache variable is refused and not kept.
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

echo "== 1. the throwaway build: $(sed -n 's/^QUORIX_SIGNING_DIGESTS_LIST=//p' build/win32/signing/signing.txt)"
bash scripts/check-release.sh build/win32

echo "== 2. PKCS#12, timestamps from a local authority"
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
    "-DQUORIX_TIMESTAMP_URLS=$tsa/unavailable;$tsa/" -DQUORIX_TIMESTAMP_CA="$work/tsa/tsa-ca.crt"
if grep -r -q -F "$QUORIX_RELEASE_TEST_PASSWORD" "$second/CMakeCache.txt" "$second/signing" \
    "$second/CMakeFiles/QuorixSetup_signed.dir"; then
    failed "the PKCS#12 password was written into the build folder"
fi
# Each signature asked the authority that is down first, then the next one.
cat "$work/tsa/requests.log"
[ "$(grep -c '^/unavailable .*: unavailable$' "$work/tsa/requests.log")" -ge 2 ] &&
    [ "$(grep -c '^/ .*: answered$' "$work/tsa/requests.log")" -ge 2 ] ||
    failed "the timestamp URLs were not tried in order"
partner="$work/QuorixSetup-partner.exe"
"$second/tools/stamp-tag" "$second/QuorixSetup.exe" "$partner" 'AFFILIATEID=abc&AFFILIATEIDFLAGS=.1'
"$second/tools/stamp-tag" --show "$partner"
osslsigncode verify -CAfile "$work/ca.crt" -TSA-CAfile "$work/tsa/tsa-ca.crt" -in "$partner" \
    >"$work/partner-verify.txt" 2>&1 || { cat "$work/partner-verify.txt"; failed "osslsigncode verify $partner"; }
bash scripts/check-release.sh "$second" "$partner"

# The check must be able to fail: a byte changed after signing, and timestamps checked against
# roots that did not issue them (osslsigncode alone still says ok to that one).
changed="$work/QuorixSetup-changed.exe"
cp "$partner" "$changed"
printf '\x90' | dd of="$changed" bs=1 seek=4096 conv=notrunc status=none
if bash scripts/check-release.sh "$second" "$changed" >"$work/changed.log" 2>&1; then
    cat "$work/changed.log"
    failed "the release check accepted a file changed after signing"
fi
grep -q -F 'FAIL: QuorixSetup-changed.exe: stamp-tag --show' "$work/changed.log" ||
    { cat "$work/changed.log"; failed "stamp-tag --show did not see the changed byte"; }
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
grep -q 'not every signature has a timestamp that verifies' "$work/wrong.log" ||
    { cat "$work/wrong.log"; failed "the failed timestamps were not named"; }
echo "ok: the release check refuses a changed file and timestamps from unknown roots"

echo "== 3. PEM chain and encrypted key, password in a file, SHA-256 alone"
openssl rand -hex 12 >"$work/key-password.txt"
chmod 600 "$work/key-password.txt"
openssl pkey -in "$work/signer.key" -aes256 -passout "file:$work/key-password.txt" \
    -out "$work/signer-encrypted.key"
build_signed -DQUORIX_SIGNING_SOURCE=pem -DQUORIX_SIGNING_CERTS="$work/chain.pem" \
    -DQUORIX_SIGNING_KEY_FILE="$work/signer-encrypted.key" -DQUORIX_SIGNING_PASSWORD_ENV= \
    -DQUORIX_SIGNING_PASSWORD_FILE="$work/key-password.txt" -DQUORIX_SIGNING_DIGESTS=sha256 \
    -DQUORIX_TIMESTAMP_URLS= -DQUORIX_TIMESTAMP_CA=
bash scripts/check-release.sh "$second"

echo "== 4. the key in a SoftHSM2 token (PKCS#11)"
export SOFTHSM2_CONF="$work/softhsm2.conf"
mkdir -p "$work/tokens"
printf '%s\n' "directories.tokendir = $work/tokens" "objectstore.backend = file" \
    "log.level = ERROR" >"$SOFTHSM2_CONF"
QUORIX_RELEASE_TEST_PIN="$(openssl rand -hex 4)"
export QUORIX_RELEASE_TEST_PIN
openssl pkcs8 -topk8 -nocrypt -in "$work/signer.key" -out "$work/signer-pkcs8.key"
(
    softhsm2-util --init-token --free --label quorix-release-test --pin "$QUORIX_RELEASE_TEST_PIN" \
        --so-pin "$(openssl rand -hex 4)"
    softhsm2-util --import "$work/signer-pkcs8.key" --token quorix-release-test --label signer \
        --id 51 --pin "$QUORIX_RELEASE_TEST_PIN"
) >"$work/softhsm.log" 2>&1 || { cat "$work/softhsm.log"; failed "preparing the SoftHSM2 token"; }
rm -f "$work/signer-pkcs8.key"
engine="$(find /usr/lib -path '*engines-3/pkcs11.so' -print -quit)"
[ -n "$engine" ] || failed "the OpenSSL PKCS#11 engine (libengine-pkcs11-openssl) is not installed"
build_signed -DQUORIX_SIGNING_SOURCE=pkcs11 -DQUORIX_SIGNING_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so \
    -DQUORIX_SIGNING_PKCS11_ENGINE="$engine" \
    "-DQUORIX_SIGNING_PKCS11_KEY=pkcs11:token=quorix-release-test;object=signer;type=private" \
    -DQUORIX_SIGNING_CERTS="$work/chain.pem" -DQUORIX_SIGNING_PASSWORD_ENV=QUORIX_RELEASE_TEST_PIN \
    -DQUORIX_SIGNING_PASSWORD_FILE= -DQUORIX_SIGNING_DIGESTS=sha1+sha256
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
