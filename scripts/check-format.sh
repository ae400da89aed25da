#!/usr/bin/env bash
# The checked-in clang-format style (.clang-format) holds for every C and C++ file of the
# repository: prints the first differences and fails when one does not.
set -euo pipefail
cd "$(dirname "$0")/.."
# A process substitution would lose git's exit code: outside a checkout nothing would be
# listed and nothing checked.
if ! listed="$(git ls-files '*.c' '*.cpp' '*.h')"; then
    echo "format check: git ls-files failed (not a checkout?)" >&2
    exit 1
fi
mapfile -t files <<<"$listed"
if [ -z "$listed" ] || [ ${#files[@]} -eq 0 ]; then
    echo "format check: no C or C++ file to check" >&2
    exit 1
fi
if ! out="$(clang-format --dry-run --Werror "${files[@]}" 2>&1)"; then
    printf '%s\n' "$out" | head -n 40
    echo "format check: $(printf '%s\n' "$out" | grep -c 'error:') line(s) differ from .clang-format" \
        "in $(printf '%s\n' "$out" | grep 'error:' | cut -d: -f1 | sort -u | wc -l) file(s);" \
        "clang-format -i them"
    exit 1
fi
echo "format check: ${#files[@]} files follow .clang-format"
