#!/usr/bin/env bash
# check-product.sh BUILD_DIR: the static checks of a product build (build/win32 or build/win64),
# for the build that Wine does not run on this machine as much as for the one it does: PE header,
# resources and tags (tools/product_check/check_product.py) and the Authenticode signature of
# every signed file against the build's throwaway certificate.
set -euo pipefail
build="${1:?usage: check-product.sh BUILD_DIR}"
cd "$(dirname "$0")/.."

case "$(basename "$build")" in
    win64*) bits=64 ;;
    *) bits=32 ;;
esac
python3 tools/product_check/check_product.py "$build" --bits "$bits"

cert="$build/signing/quorix-test-signing.crt"
for exe in QuorixSetup QuorixSetup-tagged QuorixSetup-multi QuorixSetup-multi-tagged; do
    # Both must say yes: osslsigncode's exit code and its verdict line.
    if out="$(osslsigncode verify -CAfile "$cert" -in "$build/$exe.exe" 2>&1)" &&
        printf '%s\n' "$out" | grep -q 'Signature verification: ok'; then
        echo "ok: $exe.exe: osslsigncode verify"
    else
        printf 'FAIL: %s.exe: osslsigncode verify\n%s\n' "$exe" "$out"
        exit 1
    fi
done
