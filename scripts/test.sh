#!/usr/bin/env bash
# Every test: host unit and contract tests (plain and under ASan/UBSan), the cross build of
# the product, and the Wine end-to-end scenarios with the contract suite on the real Win32 layer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

step() { printf '\n=== %s\n' "$*"; }

step "host build and unit tests"
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

step "product build (win32): signed and tagged"
cmake --preset win32 >/dev/null
cmake --build --preset win32
file build/win32/QuorixSetup.exe

step "cross-built tests and Wine end-to-end scenarios"
cmake --preset win32-tests >/dev/null
cmake --build --preset win32-tests
ctest --preset win32-tests

step "all tests passed"
