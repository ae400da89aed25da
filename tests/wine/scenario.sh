# What every end-to-end scenario shares. Source it first thing:
#   . "$QUORIX_WINE_TESTS_DIR/scenario.sh"
#
# CTest gives each scenario (tests/wine/CMakeLists.txt):
#   QUORIX_PRODUCT_DIR   build folder of the product (QuorixSetup.exe, QuorixSetup-tagged.exe)
#   QUORIX_UI_DRIVER     ui-driver.exe         QUORIX_UI_PROBE   ui-probe.exe (driver tests)
#   QUORIX_STAMP_TAG     the host tag stamper  QUORIX_SIGNING_CERT  the build's throwaway cert
#   QUORIX_SCENARIO_DIR  the scenario's own scratch folder (emptied at the start)
#
#   scenario_begin [--no-wine]   scratch folder, traps, Xvfb, fresh prefix ($SCRATCH/prefix)
#   skip REASON                  end as skipped (CTest SKIP_RETURN_CODE 77)
#   product_exe NAME             Windows path of a product file; skips when it is not built
#   drive NAME DRIVER-ARGS... -- PROGRAM ARGS...
#                                runs ui-driver; the log is $SCRATCH/NAME.jsonl ($LOG)
#   windows LOG                  the recorded windows, one JSON object a line
#   window_count LOG / exit_code LOG / driver_errors LOG
#   field LOG INDEX JQ-PATH      a field of the INDEX-th recorded window (.caption, .icon, ...)
#   expect_eq ACTUAL EXPECTED WHAT / expect_contains TEXT PART WHAT
#   bmp_to_png BMP               a PNG beside it when ImageMagick is there (for people to look at)
#   scenario_end                 exit 0, or 1 after any failed expectation
set -u
_scenario_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$_scenario_here/lib.sh"

SCENARIO_FAILURES=0
SCRATCH="${QUORIX_SCENARIO_DIR:-${TMPDIR:-/tmp}/quorix-scenario-$$}"

skip() {
    echo "SKIP: $*"
    exit 77
}

# The logs stay for a look after a failure; the prefix (about 600 MB) goes unless
# QUORIX_WINE_KEEP=1.
_scenario_cleanup() {
    local rc=$?
    wine_cleanup
    if [ "${QUORIX_WINE_KEEP:-}" != 1 ]; then rm -rf "$SCRATCH/prefix"; fi
    return $rc
}

scenario_begin() {
    command -v jq >/dev/null || skip "jq is not installed"
    if [ -n "${WINEPREFIX:-}" ]; then wine_stop; fi
    rm -rf "$SCRATCH"
    mkdir -p "$SCRATCH" || exit 1
    wine_traps
    trap _scenario_cleanup EXIT
    [ "${1:-}" = "--no-wine" ] && return 0
    [ -f "${QUORIX_UI_DRIVER:-}" ] || skip "ui-driver.exe not built (QUORIX_UI_DRIVER)"
    start_xvfb || exit 1
    make_prefix "$SCRATCH/prefix" || exit 1
    use_prefix "$SCRATCH/prefix"
}

product_exe() {
    local file="${QUORIX_PRODUCT_DIR:-}/$1"
    [ -f "$file" ] || skip "$1 is not built in ${QUORIX_PRODUCT_DIR:-<QUORIX_PRODUCT_DIR unset>}"
    winpath "$file"
}

# drive NAME DRIVER-ARGS... -- PROGRAM ARGS...: the driver's own time limit is
# DRIVE_TIMEOUT (default 60 s); wine itself is killed 30 s after that.
drive() {
    local name="$1"
    shift
    LOG="$SCRATCH/$name.jsonl"
    local limit="${DRIVE_TIMEOUT:-60}"
    wine_run -t $((limit + 30)) "$QUORIX_UI_DRIVER" --log "$(winpath "$LOG")" \
        --timeout "$limit" "$@"
}

windows() { jq -c 'select(.event == "window")' "$1"; }
window_count() { jq -s '[.[] | select(.event == "window")] | length' "$1"; }
exit_code() { jq -s -r '[.[] | select(.event == "exit")] | if length == 1 then .[0].code else "none" end' "$1"; }
driver_errors() { jq -s '[.[] | select(.event == "action" and .ok == false)] | length' "$1"; }
field() { jq -s -r --argjson i "$2" "[.[] | select(.event == \"window\")][\$i] | $3" "$1"; }

expect_eq() {
    if [ "$1" == "$2" ]; then
        echo "ok: $3 ($1)"
    else
        echo "FAIL: $3: got '$1', expected '$2'"
        SCENARIO_FAILURES=$((SCENARIO_FAILURES + 1))
    fi
}

expect_contains() {
    case "$1" in
        *"$2"*) echo "ok: $3" ;;
        *)
            echo "FAIL: $3: '$2' not found in:"
            printf '%s\n' "$1" | sed 's/^/    /'
            SCENARIO_FAILURES=$((SCENARIO_FAILURES + 1))
            ;;
    esac
}

bmp_to_png() {
    command -v convert >/dev/null || return 0
    convert "$1" "${1%.bmp}.png" 2>/dev/null || true
}

scenario_end() {
    if [ "$SCENARIO_FAILURES" -ne 0 ]; then
        echo "$SCENARIO_FAILURES expectation(s) failed; logs in $SCRATCH"
        exit 1
    fi
    echo "passed"
    exit 0
}
