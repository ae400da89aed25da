#!/usr/bin/env bash
# The Wine-path check on made-up machines: loaders that start, and an i386 loader that the
# kernel refuses with "Exec format error" (a binary of a machine type no kernel runs stands in
# for it, so the refusal is the kernel's own on any machine).
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0

printf '#!/bin/sh\necho wine-8.0\n' >"$scratch/runs"
# An ELF header whose machine field (0xFFFF) no kernel executes: execve fails with ENOEXEC.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\377\377\001\000\000\000' \
    >"$scratch/refused"
chmod +x "$scratch/runs" "$scratch/refused"

# decide WINE32 WINE64 [REQUEST]: prints "BITS LOADER | REASON" or "fails".
decide() {
    QUORIX_TEST_WINE32_LOADER="$1" QUORIX_TEST_WINE64_LOADER="$2" QUORIX_WINE_BITS="${3:-}" \
        QUORIX_WINE_DECIDED="" bash -c '. "$0/wine-path.sh" && quorix_wine_path 2>/dev/null &&
            echo "$QUORIX_WINE_BITS $(basename "$QUORIX_WINE_LOADER") $QUORIX_PRODUCT_PRESET | $QUORIX_WINE_REASON" ||
            echo fails' "$here"
}

expect() { # what actual expected-pattern
    case "$2" in
        $3) echo "ok: $1 ($2)" ;;
        *) echo "FAIL: $1: got '$2', expected '$3'"; failures=$((failures + 1)) ;;
    esac
}

runs="$scratch/runs" refused="$scratch/refused" missing="$scratch/none"
expect "both loaders start" "$(decide "$runs" "$runs")" "32 runs win32 | *runs 32-bit*"
expect "32-bit loader refused by the kernel" "$(decide "$refused" "$runs")" \
    "64 runs win64 | *does not start*Exec format error*"
expect "32-bit loader not installed" "$(decide "$missing" "$runs")" "64 runs win64 | *does not start*No such file*"
expect "64-bit path asked for" "$(decide "$runs" "$runs" 64)" "64 runs win64 | QUORIX_WINE_BITS=64*"
expect "32-bit path asked for where it cannot run" "$(decide "$refused" "$runs" 32)" fails
expect "no loader starts" "$(decide "$refused" "$missing")" fails
expect "an unknown request" "$(decide "$runs" "$runs" 48)" fails

# A decision is inherited by child shells, unless a child asks for the other path (CTest does,
# for the tests of each build).
inherited="$(QUORIX_TEST_WINE32_LOADER="$runs" QUORIX_TEST_WINE64_LOADER="$runs" bash -c '
    . "$0/wine-path.sh"; quorix_wine_path
    bash -c ". \"$0/wine-path.sh\"; quorix_wine_path; echo \$QUORIX_WINE_BITS"
    QUORIX_WINE_BITS=64 bash -c ". \"$0/wine-path.sh\"; quorix_wine_path; echo \$QUORIX_WINE_BITS"
' "$here" | tr '\n' ' ')"
expect "inherited, then overridden" "$inherited" "32 64 "

[ "$failures" -eq 0 ] && echo "wine-path: all passed" || echo "wine-path: $failures failed"
[ "$failures" -eq 0 ]
