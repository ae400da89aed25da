# The one capability check of every Wine run (setup, test, demo, bench and the harness): can this
# machine run 32-bit x86 code under Wine? Source it from bash, then call quorix_wine_path.
#
#   quorix_runs_32bit_code  true when the kernel runs a tiny static i386 program; otherwise
#                           false, with the kernel's answer in QUORIX_32BIT_REFUSAL. Needs no
#                           Wine: setup asks it before anything is installed.
#   quorix_wine_path        sets and exports
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
# QUORIX_NO_32BIT_CODE=1 plays a machine that runs no 32-bit code: the i386 probe and the 32-bit
# loader are replaced by a program of a machine type no kernel executes, so the refusal ("Exec
# format error") is the kernel's own, exactly as on such a machine; quorix_without_32bit_code
# covers the installed Wine's own 32-bit programs too. The test command ends with the demo
# played this way.
#
# Every function here works bare or inside `if`, under `set -euo pipefail` or without it.
# The answer is computed once per shell and kept in the environment, so child scripts (CTest's
# scenarios) take the same path as the command that started them.

# (Overridable only for the check's own test, tests/wine/wine-path-test.sh: the loaders, and the
# program that stands in for the i386 probe.)
_QUORIX_I386_PROBE="${QUORIX_TEST_I386_PROBE:-}"
_QUORIX_WINE32_LOADER="${QUORIX_TEST_WINE32_LOADER:-/usr/lib/wine/wine}"
_QUORIX_WINE64_LOADER="${QUORIX_TEST_WINE64_LOADER:-/usr/lib/wine/wine64}"

# Writes a program that the kernel either runs (exit 0) or refuses: a 93-byte static i386 ELF
# that only calls exit(0), or with $2 = refused the same header with machine type 0xFFFF.
_quorix_write_probe() {
    local machine='\x03\x00'
    [ "${2:-}" = refused ] && machine='\xff\xff'
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00'"$machine"'\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' \
        >"$1" && chmod +x "$1"
}

_quorix_playing_no_32bit() {
    [ "${QUORIX_NO_32BIT_CODE:-}" = 1 ]
}

# The refused stand-in for the 32-bit loader while playing a machine without 32-bit code.
_quorix_refused_loader() {
    local file="${TMPDIR:-/tmp}/quorix-refused-i386-loader"
    [ -x "$file" ] || _quorix_write_probe "$file" refused || return 1
    printf '%s\n' "$file"
}

_quorix_wine32_loader() {
    if _quorix_playing_no_32bit; then
        _quorix_refused_loader
    else
        printf '%s\n' "$_QUORIX_WINE32_LOADER"
    fi
}

# True for a 32-bit x86 ELF program (class 1, machine 3).
_quorix_is_i386_elf() {
    local head
    [ -f "$1" ] && [ ! -L "$1" ] || return 1
    head="$(od -An -tx1 -N20 "$1" 2>/dev/null | tr -d ' \n')"
    [ "${head:0:10}" = 7f454c4601 ] && [ "${head:36:4}" = 0300 ]
}

# quorix_without_32bit_code COMMAND...: runs COMMAND; while playing a machine without 32-bit
# code, with every 32-bit program of the installed Wine (its 32-bit loader and preloader)
# covered by the refused stand-in, in a mount namespace of COMMAND's own. wine64 starts a
# 32-bit child through such a loader whatever WINELOADER says, so swapping the scripts' own
# loader path is not enough. Covering needs root (as setup does) where such a loader is installed.
quorix_without_32bit_code() {
    if ! _quorix_playing_no_32bit; then
        "$@"
        return
    fi
    local file refused loaders=()
    for file in ${QUORIX_TEST_WINE_PROGRAMS:-/usr/lib/wine/* /usr/bin/wine*}; do
        if _quorix_is_i386_elf "$file"; then loaders+=("$file"); fi
    done
    if [ ${#loaders[@]} -eq 0 ]; then
        "$@"
        return
    fi
    refused="$(_quorix_refused_loader)" || return 1
    unshare --mount --propagation private -- bash -c '
        refused="$1" count="$2"
        shift 2
        for ((i = 0; i < count; i++)); do
            mount --bind "$refused" "$1" || exit 1
            shift
        done
        exec "$@"' quorix-no-32bit "$refused" "${#loaders[@]}" "${loaders[@]}" "$@"
}

# The first line a program prints when asked for its version, with the shell's "name: " prefixes
# taken off; never fails, whatever the program does (missing, refused, crashing).
_quorix_first_answer() {
    local out
    out="$("$1" --version 2>&1 </dev/null)" || true
    out="${out%%$'\n'*}"
    printf '%s\n' "${out##*: }"
}

quorix_runs_32bit_code() {
    local probe out
    probe="$(mktemp "${TMPDIR:-/tmp}/quorix-i386-probe.XXXXXX")" || return 1
    if [ -n "$_QUORIX_I386_PROBE" ] && ! _quorix_playing_no_32bit; then
        { cp "$_QUORIX_I386_PROBE" "$probe" && chmod +x "$probe"; } || { rm -f "$probe"; return 1; }
    elif _quorix_playing_no_32bit; then
        _quorix_write_probe "$probe" refused || { rm -f "$probe"; return 1; }
    else
        _quorix_write_probe "$probe" || { rm -f "$probe"; return 1; }
    fi
    if out="$( ("$probe") 2>&1 </dev/null)"; then
        rm -f "$probe"
        QUORIX_32BIT_REFUSAL=""
        return 0
    fi
    rm -f "$probe"
    out="${out%%$'\n'*}"
    QUORIX_32BIT_REFUSAL="${out##*: }"
    [ -n "$QUORIX_32BIT_REFUSAL" ] || QUORIX_32BIT_REFUSAL="it did not exit cleanly"
    return 1
}

# True when the loader starts and answers its version (an i386 loader fails with "Exec format
# error" on a kernel without 32-bit support).
_quorix_loader_runs() {
    [ -x "$1" ] && "$1" --version >/dev/null 2>&1 </dev/null
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
        "" | 32 | 64) ;;
        *)
            echo "wine-path: QUORIX_WINE_BITS must be 32 or 64, not '$wanted'" >&2
            return 1
            ;;
    esac
    local bits reason loader32 refusal=""
    loader32="$(_quorix_wine32_loader)" || return 1
    if [ "$wanted" = 64 ]; then
        bits=64
        reason="QUORIX_WINE_BITS=64 asks for the 64-bit path"
    elif ! quorix_runs_32bit_code; then
        refusal="this machine runs no 32-bit x86 code (an i386 program: $QUORIX_32BIT_REFUSAL)"
    elif _quorix_loader_runs "$loader32"; then
        bits=32
        reason="this machine runs 32-bit x86 code ($loader32 starts)"
    else
        refusal="the 32-bit Wine loader does not start here ($loader32: $(_quorix_first_answer "$loader32"))"
    fi
    if [ -n "$refusal" ]; then
        _quorix_playing_no_32bit && refusal="$refusal; QUORIX_NO_32BIT_CODE=1 plays a machine without 32-bit code"
        if [ "$wanted" = 32 ]; then
            echo "wine-path: QUORIX_WINE_BITS=32, but $refusal" >&2
            return 1
        fi
        bits=64
        reason="$refusal"
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
        export QUORIX_WINE_LOADER="$loader32"
        export QUORIX_WINESERVER=/usr/lib/wine/wineserver32
        export QUORIX_PRODUCT_PRESET=win32 QUORIX_TESTS_PRESET=win32-tests
    fi
    if [ ! -x "$QUORIX_WINESERVER" ]; then
        QUORIX_WINESERVER="$(command -v wineserver || echo wineserver)"
    fi
    export QUORIX_WINE_BITS="$bits" QUORIX_WINE_DECIDED="$bits" QUORIX_WINE_REASON="$reason"
}

# One line for logs: which path a run takes, and why.
quorix_wine_path_line() {
    printf 'Wine path: %s-bit (%s build, %s), because %s\n' "$QUORIX_WINE_BITS" \
        "$QUORIX_PRODUCT_PRESET" "$(basename "$QUORIX_WINE_LOADER")" "$QUORIX_WINE_REASON"
}
