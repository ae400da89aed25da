# The one capability check of every Wine run (setup, test, demo, bench and the harness): can this
# machine run 32-bit x86 code under Wine? Source it from bash, then call quorix_wine_path.
#
#   quorix_wine_path   sets and exports
#     QUORIX_WINE_BITS        32: the 32-bit product in a 32-bit prefix (wine32)
#                             64: the x86-64 build in a 64-bit prefix (wine64)
#     QUORIX_WINE_REASON      one sentence: why this path
#     QUORIX_WINE_LOADER      the Wine loader of that path (/usr/lib/wine/wine or wine64)
#     QUORIX_WINESERVER       its wineserver
#     QUORIX_PRODUCT_PRESET   the product preset whose programs run there: win32 or win64
#     QUORIX_TESTS_PRESET     the matching test-programs preset: win32-tests or win64-tests
#   and returns 1 (after a message on stderr) when neither path can run here.
#
# Some kernels run no 32-bit x86 code at all: every i386 program fails with "Exec format
# error", so Wine's 32-bit loader cannot start, and Wine's WoW64 mode crashes at the switch to
# 32-bit code. Debian's wine64 works there. A machine that runs 32-bit code runs wine64 too, so
# QUORIX_WINE_BITS=64 in the environment takes the 64-bit path on purpose (QUORIX_WINE_BITS=32
# insists on the 32-bit one and fails loudly where it cannot run).
#
# The answer is computed once per shell and kept in the environment, so child scripts (CTest's
# scenarios) take the same path as the command that started them.

# (Overridable only for the check's own test, tests/wine/wine-path-test.sh.)
_QUORIX_WINE32_LOADER="${QUORIX_TEST_WINE32_LOADER:-/usr/lib/wine/wine}"
_QUORIX_WINE64_LOADER="${QUORIX_TEST_WINE64_LOADER:-/usr/lib/wine/wine64}"

# True when the loader starts and answers its version (an i386 loader fails with "Exec format
# error" on a kernel without 32-bit support).
_quorix_loader_runs() {
    [ -x "$1" ] && "$1" --version >/dev/null 2>&1
}

quorix_wine_path() {
    # Decided before, in this shell or a parent, and not overridden since (CTest sets
    # QUORIX_WINE_BITS for the tests of each build).
    if [ -n "${QUORIX_WINE_LOADER:-}" ] && [ -n "${QUORIX_WINE_REASON:-}" ] &&
        [ -n "${QUORIX_WINE_DECIDED:-}" ] && [ "${QUORIX_WINE_BITS:-}" = "$QUORIX_WINE_DECIDED" ]; then
        return 0
    fi
    local wanted="${QUORIX_WINE_BITS:-}"
    case "$wanted" in
        ""|32|64) ;;
        *) echo "wine-path: QUORIX_WINE_BITS must be 32 or 64, not '$wanted'" >&2; return 1 ;;
    esac
    local bits reason
    if [ "$wanted" = 64 ]; then
        bits=64
        reason="QUORIX_WINE_BITS=64 asks for the 64-bit path"
    elif _quorix_loader_runs "$_QUORIX_WINE32_LOADER"; then
        bits=32
        reason="this machine runs 32-bit x86 code ($_QUORIX_WINE32_LOADER starts)"
    elif [ "$wanted" = 32 ]; then
        echo "wine-path: QUORIX_WINE_BITS=32, but $_QUORIX_WINE32_LOADER does not start here" \
            "($("$_QUORIX_WINE32_LOADER" --version 2>&1 | head -n 1))" >&2
        return 1
    else
        bits=64
        reason="the 32-bit Wine loader does not start here ($_QUORIX_WINE32_LOADER: $(
            "$_QUORIX_WINE32_LOADER" --version 2>&1 | head -n 1 | sed 's/^.*: //'))"
    fi
    if [ "$bits" = 64 ]; then
        if ! _quorix_loader_runs "$_QUORIX_WINE64_LOADER"; then
            echo "wine-path: the 64-bit path needs $_QUORIX_WINE64_LOADER (Debian package" \
                "wine64), which does not start here" >&2
            return 1
        fi
        export QUORIX_WINE_LOADER="$_QUORIX_WINE64_LOADER"
        export QUORIX_WINESERVER=/usr/lib/wine/wineserver64
        export QUORIX_PRODUCT_PRESET=win64 QUORIX_TESTS_PRESET=win64-tests
    else
        export QUORIX_WINE_LOADER="$_QUORIX_WINE32_LOADER"
        export QUORIX_WINESERVER=/usr/lib/wine/wineserver32
        export QUORIX_PRODUCT_PRESET=win32 QUORIX_TESTS_PRESET=win32-tests
    fi
    [ -x "$QUORIX_WINESERVER" ] || QUORIX_WINESERVER="$(command -v wineserver || echo wineserver)"
    export QUORIX_WINE_BITS="$bits" QUORIX_WINE_DECIDED="$bits" QUORIX_WINE_REASON="$reason"
}

# One line for logs: which path a run takes, and why.
quorix_wine_path_line() {
    printf 'Wine path: %s-bit (%s build, %s), because %s\n' "$QUORIX_WINE_BITS" \
        "$QUORIX_PRODUCT_PRESET" "$(basename "$QUORIX_WINE_LOADER")" "$QUORIX_WINE_REASON"
}
