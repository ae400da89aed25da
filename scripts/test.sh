#!/usr/bin/env bash
# Every test: the format check, host unit and contract tests (plain and under ASan/UBSan, with
# the layering check of src/), fuzz smoke runs, both
# cross builds of the product (32-bit, and x86-64 for machines without 32-bit code) with their
# static checks (the 32-bit setup's own code held to its size limit), and the Wine end-to-end
# scenarios with the contract suite on the real Win32 layer, run on the 64-bit path always and
# on the 32-bit path too where this machine runs 32-bit code (tests/wine/wine-path.sh). It ends
# with the README's main job as a machine without 32-bit code sees it, and with every suite's
# results against tests/expected-results.txt and every skip with its reason: a missing or short
# suite, or a skip whose reason is not on tests/allowed-skips.txt, fails the run. The first step
# that fails ends it, named.
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

# Both builds always compile and pass their static checks, whichever one Wine runs here. The
# checks print the setup's own code size; the 32-bit one fails over its limit.
for preset in win32 win64; do
    step "product build ($preset): signed and tagged, static checks, code size"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    bash scripts/check-product.sh "build/$preset"
done

for preset in win32-tests win64-tests; do
    step "cross-built test programs ($preset)"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# Two at a time: the scenarios wait for events, never for a time, and each has its own prefix
# and X display. The 64-bit path is the one of every machine without 32-bit code, so it runs
# everywhere (its tests set QUORIX_WINE_BITS=64 themselves); a machine that runs 32-bit code
# runs the shipped 32-bit product's path as well.
step "contract suite and Wine end-to-end scenarios: win64-tests, 64-bit path"
run_ctest win64-tests -j2
runs_32bit=()
if [ "$QUORIX_WINE_BITS" = 32 ]; then
    runs_32bit=(--runs-32bit)
    step "contract suite and Wine end-to-end scenarios: win32-tests, 32-bit path"
    run_ctest win32-tests -j2
fi

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
# stand-ins of the i386 probe and the 32-bit loader, which also cover the installed Wine's own
# 32-bit programs), whatever this machine is. None of this run's own decision is handed down.
step "the main job (scripts/demo.sh) as a machine without 32-bit code sees it"
played=(env $(compgen -e | sed -n 's/^QUORIX_/-u QUORIX_/p') QUORIX_NO_32BIT_CODE=1)
demo_log="$results/demo-no-32bit.log"
"${played[@]}" bash -c '. tests/wine/wine-path.sh && quorix_without_32bit_code bash scripts/demo.sh' \
    2>&1 | tee "$demo_log"
# What the demo left in build/demo, read by structure: the Uninstall keys, the console list's
# lines, the exit code line and the log's exit line.
demo="$repo/build/demo"
base_code="$(sed -n 's/^set(QUORIX_DEMO_BASE_PRODUCT_CODE "\(.*\)")$/\1/p' \
    build/win64/packages/demo_packages.cmake)"
demo_check() { # what COMMAND...
    current="the played demo: $1"
    shift
    "$@"
    echo "ok: the played demo: ${current#the played demo: }"
}
demo_check "this machine runs no 32-bit code" grep -q -x -F \
    "setup: this machine runs no 32-bit x86 code (an i386 program: Exec format error): no i386 architecture, no wine32; the 64-bit Wine path" "$demo_log"
demo_check "Wine path line" grep -q "^=== Wine path: 64-bit (win64 build, wine64), because" "$demo_log"
demo_check "exit code line" grep -q -x -F "exit code: 0" "$demo_log"
demo_check "the demo's base product code" test -n "$base_code"
demo_check "base product $base_code in the Uninstall keys" grep -q -x -F -- "$base_code" \
    "$demo/installed-products.txt"
demo_check "the console list, line for line" diff <(printf 'Supported languages:\n- en-US\n') \
    <(grep -x -E 'Supported languages:|- .*' "$demo/supportedlang.txt")
demo_check "the log's exit line" grep -q -x -E '[^ ]+ exit: code 0, the installation succeeded' \
    <(tail -n 1 "$demo/run.log")
# No 32-bit program starts in the played prefix, not even one started by wine64 itself.
child="$(mktemp)"
current="the played demo: a 32-bit program started from inside its prefix fails"
if "${played[@]}" WINEPREFIX="$demo/prefix" bash -c '. tests/wine/lib.sh &&
    quorix_without_32bit_code timeout -k 5 120 "$QUORIX_WINE_LOADER" cmd /c "$(winpath "$1")" \
    /supportedlang' played "$repo/build/win32/QuorixSetup.exe" \
    </dev/null >"$child" 2>&1 || grep -q 'Supported languages' "$child"; then
    cat "$child"
    false
fi
echo "ok: the played demo: a 32-bit program fails to start: $(tr -d '\r' <"$child" | head -n 1)"
rm -f "$child"

step "results and skips: every suite whole (tests/expected-results.txt), every skip with its reason (tests/allowed-skips.txt)"
python3 scripts/check-skips.py "${runs_32bit[@]}" tests/allowed-skips.txt \
    tests/expected-results.txt "$results"

step "all tests passed ($(quorix_wine_path_line))"
