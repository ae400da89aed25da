#!/usr/bin/env bash
# The Wine-path check on made-up machines: i386 probes and loaders that start, an i386 program
# that the kernel refuses with "Exec format error" (a binary of a machine type no kernel runs
# stands in for it, so the refusal is the kernel's own on any machine), and missing loaders.
# Hermetic: nothing of the decision of the shell that started it, nor this machine's own kind,
# reaches a case. Every case runs the check the ways its callers do: bare, inside `if` and with
# `||` under `set -euo pipefail` (test.sh, demo.sh, setup.sh, bench/run.sh, the harness), and
# with no shell options at all.
set -u
shopt -s extglob
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
for name in $(compgen -e | grep '^QUORIX_'); do unset "$name"; done
export TMPDIR="$scratch"

printf '#!/bin/sh\necho wine-8.0\n' >"$scratch/runs"
# An ELF header whose machine field (0xFFFF) no kernel executes: execve fails with ENOEXEC.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\377\377\001\000\000\000' \
    >"$scratch/refused"
chmod +x "$scratch/runs" "$scratch/refused"

# How each caller calls the check; each prints "BITS LOADER PRESET | REASON" or "fails".
report='echo "$QUORIX_WINE_BITS $(basename "$QUORIX_WINE_LOADER") $QUORIX_PRODUCT_PRESET | $QUORIX_WINE_REASON"'
declare -A callers=(
    [bare]="set -euo pipefail; . \"\$0/wine-path.sh\"; quorix_wine_path 2>/dev/null; $report"
    [if]="set -euo pipefail; . \"\$0/wine-path.sh\"; if quorix_wine_path 2>/dev/null; then $report; else echo fails; fi"
    [or]="set -euo pipefail; . \"\$0/wine-path.sh\"; quorix_wine_path 2>/dev/null || { echo fails; exit 0; }; $report"
    [plain]=". \"\$0/wine-path.sh\"; quorix_wine_path 2>/dev/null && $report || echo fails"
)

# decide PROBE WINE32 WINE64 [REQUEST]: the answer, the same for every caller, or "callers
# disagree: ..." (a caller whose shell ended half-way prints "fails" for a path that exists).
decide() {
    local answers=() way out
    for way in bare if or plain; do
        out="$(QUORIX_TEST_I386_PROBE="$1" QUORIX_TEST_WINE32_LOADER="$2" \
            QUORIX_TEST_WINE64_LOADER="$3" QUORIX_WINE_BITS="${4:-}" \
            bash -c "${callers[$way]}" "$here" 2>&1)" || out="fails"
        answers+=("$way: $out")
    done
    if [ "$(printf '%s\n' "${answers[@]}" | sed 's/^[a-z]*: //' | sort -u | wc -l)" -eq 1 ]; then
        printf '%s\n' "${answers[0]#*: }"
    else
        printf 'callers disagree: %s\n' "${answers[*]}"
    fi
}

expect() { # what actual expected-pattern
    case "$2" in
        $3) echo "ok: $1 ($2)" ;;
        *)
            echo "FAIL: $1: got '$2', expected '$3'"
            failures=$((failures + 1))
            ;;
    esac
}

runs="$scratch/runs" refused="$scratch/refused" missing="$scratch/none"
expect "32-bit code and both loaders start" "$(decide "$runs" "$runs" "$runs")" \
    "32 runs win32 | *runs 32-bit*"
expect "the kernel refuses i386 programs" "$(decide "$refused" "$runs" "$runs")" \
    "64 runs win64 | *no 32-bit x86 code*Exec format error*"
expect "32-bit loader refused by the kernel" "$(decide "$runs" "$refused" "$runs")" \
    "64 runs win64 | *does not start*Exec format error*"
expect "32-bit loader not installed" "$(decide "$runs" "$missing" "$runs")" \
    "64 runs win64 | *does not start*No such file*"
expect "64-bit path asked for" "$(decide "$runs" "$runs" "$runs" 64)" \
    "64 runs win64 | QUORIX_WINE_BITS=64*"
expect "32-bit path asked for where it cannot run" "$(decide "$refused" "$runs" "$runs" 32)" fails
expect "32-bit path asked for without its loader" "$(decide "$runs" "$missing" "$runs" 32)" fails
expect "no loader starts" "$(decide "$refused" "$refused" "$missing")" fails
expect "an unknown request" "$(decide "$runs" "$runs" "$runs" 48)" fails
expect "playing a machine without 32-bit code" \
    "$(QUORIX_NO_32BIT_CODE=1 decide "$runs" "$runs" "$runs")" \
    "64 runs win64 | *no 32-bit x86 code*Exec format error*plays a machine without 32-bit code"
expect "playing, the 32-bit path cannot be insisted on" \
    "$(QUORIX_NO_32BIT_CODE=1 decide "$runs" "$runs" "$runs" 32)" fails

# This machine's own probe (the 93-byte i386 program), asked as setup asks it: whatever the
# kernel answers, the answer arrives under the strictest options, with a reason when it is no.
own="$(bash -c 'set -euo pipefail; . "$0/wine-path.sh"
    if quorix_runs_32bit_code; then echo runs; else echo "refused: $QUORIX_32BIT_REFUSAL"; fi' \
    "$here" 2>&1)"
expect "this machine's i386 probe answers" "$own" "@(runs|refused: ?*)"

# A decision is inherited by child shells, unless a child asks for the other path (CTest does,
# for the tests of each build).
inherited="$(QUORIX_TEST_I386_PROBE="$runs" QUORIX_TEST_WINE32_LOADER="$runs" \
    QUORIX_TEST_WINE64_LOADER="$runs" bash -c '
    set -euo pipefail
    . "$0/wine-path.sh"; quorix_wine_path
    bash -c ". \"$0/wine-path.sh\"; quorix_wine_path; echo \$QUORIX_WINE_BITS"
    QUORIX_WINE_BITS=64 bash -c ". \"$0/wine-path.sh\"; quorix_wine_path; echo \$QUORIX_WINE_BITS"
' "$here" | tr '\n' ' ')"
expect "inherited, then overridden" "$inherited" "32 64 "

[ "$failures" -eq 0 ] && echo "wine-path: all passed" || echo "wine-path: $failures failed"
[ "$failures" -eq 0 ]
