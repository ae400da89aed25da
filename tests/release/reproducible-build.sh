#!/usr/bin/env bash
# Reproducible build: a clean build of the 32-bit product in a second folder (build/win32-second,
# the win32 preset's configuration with only the folder changed) gives the same unsigned
# executable as build/win32, byte for byte, and the same embedded packages. Only the product
# target is built there: the program and what it embeds, not the signed copies or the test
# variant. Run after the win32 build (scripts/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/../.."
first=build/win32
second=build/win32-second
for file in unsigned/QuorixSetup.exe packages/quorix_base.msi packages/langpack_en-US.msi; do
    if [ ! -f "$first/$file" ]; then
        echo "reproducible build: $first/$file is missing: build the win32 preset first" >&2
        exit 1
    fi
done

rm -rf "$second"
cmake --preset win32 -B "$second" >/dev/null
cmake --build "$second" -j2 --target QuorixSetup

failures=0
for file in packages/quorix_base.msi packages/langpack_en-US.msi unsigned/QuorixSetup.exe; do
    if cmp -s "$first/$file" "$second/$file"; then
        echo "ok: $file: identical in $first and $second ($(stat -c %s "$first/$file") bytes)"
    else
        echo "FAIL: $file differs between $first and $second" \
            "($(cmp -l "$first/$file" "$second/$file" 2>/dev/null | wc -l) bytes; the first ones:)"
        cmp -l "$first/$file" "$second/$file" 2>&1 | head -n 8
        failures=$((failures + 1))
    fi
done
[ "$failures" = 0 ] || exit 1
echo "reproducible build: the unsigned product and its packages are the same in both folders"
