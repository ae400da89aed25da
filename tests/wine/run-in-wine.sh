#!/usr/bin/env bash
# run-in-wine.sh EXE [ARGS...]: runs a cross-built console program (a GoogleTest suite, say)
# under Wine in a fresh prefix of this machine's Wine path (tests/wine/wine-path.sh) on a private X display, and passes its output and exit
# code through. Works without a display, without stdin and in CI; never waits forever.
#   QUORIX_WINE_TIMEOUT  seconds before the program is killed (default 300; exit code 124)
#   QUORIX_WINE_KEEP=1   keep the prefix (its path is printed) for a look afterwards
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/lib.sh"

if [ $# -lt 1 ]; then
    echo "usage: run-in-wine.sh EXE [ARGS...]" >&2
    exit 2
fi
exe="$1"
shift
if [ ! -f "$exe" ]; then
    echo "run-in-wine.sh: no such program: $exe" >&2
    exit 2
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quorix-run-in-wine.XXXXXX")" || exit 2
remove_scratch() {
    if [ "${QUORIX_WINE_KEEP:-}" = 1 ]; then
        echo "run-in-wine.sh: prefix kept in $scratch/prefix" >&2
    else
        rm -rf "$scratch"
    fi
}
trap 'wine_cleanup; remove_scratch' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

quorix_wine_path_line >&2
start_xvfb || exit 2
make_prefix "$scratch/prefix" || exit 2
use_prefix "$scratch/prefix"

wine_run "$exe" "$@"
rc=$?
[ $rc -eq 124 ] && echo "run-in-wine.sh: $exe timed out" >&2
exit $rc
