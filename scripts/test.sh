#!/usr/bin/env bash
# Every test: the format check, host unit and contract tests (plain and under ASan/UBSan, with
# the layering check of src/), fuzz smoke runs, both
# cross builds of the product (32-bit, and x86-64 for machines without 32-bit code) with their
# static checks, and the Wine end-to-end scenarios with the contract suite on the real Win32
# layer, run on the Wine path this machine has (tests/wine/wine-path.sh; QUORIX_WINE_BITS=64
# takes the 64-bit path on a machine that could run both). It ends with the README's main job
# as a machine without 32-bit code sees it, and with every skip and its reason: a skip whose
# reason is not on tests/allowed-skips.txt fails the run. The first step that fails ends it,
# named.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"

current="setup (scripts/setup.sh)"
step() {
    current="$*"
    printf '\n=== %s\n' "$*"
}
trap 'echo "test: FAILED at: $current (exit $?)" >&2' ERR

bash scripts/setup.sh

. tests/wine/wine-path.sh
current="deciding the Wine path"
quorix_wine_path
step "$(quorix_wine_path_line)"

results="$repo/build/test-results"
rm -rf "$results"
mkdir -p "$results"
# Each suite's results, with the output of passed tests too: the skip check reads them.
run_ctest() {
    local preset="$1"
    shift
    ctest --preset "$preset" --output-junit "$results/$preset.xml" \
        --test-output-size-passed 4194304 "$@"
}

step "format check (.clang-format)"
bash scripts/check-format.sh

step "host build and unit tests (with the layering and import-check tools' own tests)"
cmake --preset host >/dev/null
cmake --build --preset host
run_ctest host

step "host unit tests under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan
run_ctest asan

step "fuzz targets, smoke run"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
run_ctest fuzz

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
# Two at a time: the scenarios wait for events, never for a time, and each has its own prefix
# and X display.
run_ctest "$QUORIX_TESTS_PRESET" -j2

# Two clean builds of one commit give the same unsigned product: a second folder builds only the
# product target and compares it (and its packages) with build/win32's.
step "reproducible build: the 32-bit product built again in build/win32-second, byte for byte"
bash tests/release/reproducible-build.sh

# The release check on the throwaway build, then a release engineer's certificates (PKCS#12,
# PEM, a SoftHSM2 token) and timestamps from a local authority, in that second folder.
step "release check: signatures, timestamps, tagged copies, imports (scripts/check-release.sh)"
bash tests/release/release-kit.sh

# The README's main job, from setup's decision to the installed demo product, on a machine
# that runs no 32-bit code: played here by the capability check itself (the kernel refuses the
# stand-ins of the i386 probe and the 32-bit loader), whatever this machine is. None of this
# run's own decision is handed down.
step "the main job (scripts/demo.sh) as a machine without 32-bit code sees it"
demo_log="$results/demo-no-32bit.log"
env $(compgen -e | grep '^QUORIX_' | sed 's/^/-u /') QUORIX_NO_32BIT_CODE=1 \
    bash scripts/demo.sh 2>&1 | tee "$demo_log"
base_code="$(sed -n 's/^set(QUORIX_DEMO_BASE_PRODUCT_CODE "\(.*\)")$/\1/p' \
    build/win64/packages/demo_packages.cmake)"
for expected in "setup: this machine runs no 32-bit x86 code (an i386 program: Exec format error)" \
    "Wine path: 64-bit (win64 build, wine64)" "exit code: 0" "$base_code" \
    "the setup's own log (" "exit: code 0, the installation succeeded"; do
    current="the demo's output names: '$expected'"
    if [ -z "$expected" ] || ! grep -q -F -- "$expected" "$demo_log"; then false; fi
done

step "skips: every one with its reason (tests/allowed-skips.txt)"
python3 scripts/check-skips.py tests/allowed-skips.txt "$results"/*.xml

step "all tests passed ($(quorix_wine_path_line))"
