#!/usr/bin/env bash
# Every test: the format check, host unit and contract tests (plain and under ASan/UBSan, with
# the layering check of src/), fuzz smoke runs, both
# cross builds of the product (32-bit, and x86-64 for machines without 32-bit code) with their
# static checks, and the Wine end-to-end scenarios with the contract suite on the real Win32
# layer, run on the Wine path this machine has (tests/wine/wine-path.sh; QUORIX_WINE_BITS=64
# takes the 64-bit path on a machine that could run both).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

step() { printf '\n=== %s\n' "$*"; }

. tests/wine/wine-path.sh
quorix_wine_path
step "$(quorix_wine_path_line)"

step "format check (.clang-format)"
bash scripts/check-format.sh

step "host build and unit tests (with the layering and import-check tools' own tests)"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

step "host unit tests under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "fuzz targets, smoke run"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

# Both builds always compile and pass their static checks, whichever one Wine runs here.
for preset in win32 win64; do
    step "product build ($preset): signed and tagged, static checks"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    bash scripts/check-product.sh "build/$preset"
done

for preset in win32-tests win64-tests; do
    step "cross-built test programs ($preset)"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

step "contract suite and Wine end-to-end scenarios: $QUORIX_TESTS_PRESET, $QUORIX_WINE_BITS-bit path"
ctest --preset "$QUORIX_TESTS_PRESET"

step "all tests passed ($(quorix_wine_path_line))"
