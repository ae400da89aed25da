# Shared shell functions of the Wine runs: a private X display, prefixes (copied from a cached
# pristine one), wine with time limits, and cleanup on every exit path.
# Source it from bash:  . "$(dirname "$0")/lib.sh"
#
#   start_xvfb                 own Xvfb on a free display; exports DISPLAY
#   stop_xvfb
#   make_prefix DIR            fresh prefix in DIR (a copy of the cached pristine one)
#   use_prefix DIR             export WINEPREFIX for wine_run and friends
#   wine_run [-t SECONDS] PROGRAM [ARGS...]   wine PROGRAM, no stdin, killed after SECONDS
#   wine_stop                  kill the current prefix's wineserver and its processes
#   wine_cleanup               wine_stop + stop_xvfb; installed as the EXIT trap by wine_traps
#   wine_traps                 install the traps (EXIT, INT, TERM, HUP)
#   winpath PATH               unix path -> the Z:\ path Wine programs see
#   wine, wineserver           the loader and server of this machine's Wine path (functions,
#                              exported to child shells such as `script -c`)
#
# The Wine path (tests/wine/wine-path.sh) is decided once: the 32-bit product in a 32-bit prefix
# where this machine runs 32-bit code, otherwise the x86-64 build in a 64-bit prefix under
# wine64. Everything that differs between the two is set here and nowhere else:
#   WINEARCH                   win32 or win64
#   QUORIX_WINE_LOADER / QUORIX_WINESERVER   which Wine runs the programs
#   QUORIX_PRODUCT_PRESET / QUORIX_TESTS_PRESET   which build's programs they are
#   QUORIX_OBJDUMP             the binutils objdump of that build's PE format
#
# Environment: QUORIX_WINE_BITS (32 or 64: take that path; default: what the machine can do),
# QUORIX_WINE_CACHE_DIR (where the pristine prefix is kept, default
# ${TMPDIR:-/tmp}/quorix-wine-cache-$UID), QUORIX_WINE_NO_CACHE=1 (always boot a new prefix),
# QUORIX_WINE_TIMEOUT (default seconds of wine_run, 300), WINEDEBUG (default -all).

. "$(dirname "${BASH_SOURCE[0]}")/wine-path.sh"
quorix_wine_path || return 1 2>/dev/null || exit 1
if [ "$QUORIX_WINE_BITS" = 64 ]; then
    export WINEARCH=win64
    # wine64 starts its own children through WINELOADER; the Debian wrappers (wine, wineboot,
    # winepath) would pick the 32-bit loader whenever wine32 is installed, so nothing here
    # calls them.
    export WINELOADER="$QUORIX_WINE_LOADER" WINESERVER="$QUORIX_WINESERVER"
    QUORIX_OBJDUMP=x86_64-w64-mingw32-objdump
else
    export WINEARCH=win32
    QUORIX_OBJDUMP=i686-w64-mingw32-objdump
fi
export QUORIX_OBJDUMP
wine() { "$QUORIX_WINE_LOADER" "$@"; }
wineserver() { "$QUORIX_WINESERVER" "$@"; }
export -f wine wineserver

export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install dialogs (they would wait for a click, and want the network), and no
# menu entries or file associations written into the user's desktop.
QUORIX_WINE_OVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-$QUORIX_WINE_OVERRIDES}"

_wine_log() { printf 'wine-lib: %s\n' "$*" >&2; }

_now_ms() { date +%s%3N; }

winpath() {
    local p="$1"
    case "$p" in
        /*) ;;
        *) p="$PWD/$p" ;;
    esac
    printf 'Z:%s\n' "${p//\//\\}"
}

start_xvfb() {
    [ -n "${QUORIX_XVFB_PID:-}" ] && kill -0 "$QUORIX_XVFB_PID" 2>/dev/null && return 0
    command -v Xvfb >/dev/null || { _wine_log "Xvfb not found (Debian package xvfb)"; return 1; }
    local fifo display="" i
    fifo="$(mktemp -u "${TMPDIR:-/tmp}/quorix-xvfb.XXXXXX")"
    mkfifo "$fifo" || return 1
    # -displayfd: Xvfb picks a free display itself and tells which, so parallel runs never race
    # for a number.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$fifo" </dev/null >/dev/null 2>&1 &
    QUORIX_XVFB_PID=$!
    read -r -t 15 display <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$display" ]; then
        _wine_log "Xvfb did not start"
        stop_xvfb
        return 1
    fi
    export DISPLAY=":$display" QUORIX_XVFB_PID
    # The server writes the number when it listens; wait for the socket all the same.
    for i in $(seq 1 50); do
        [ -S "/tmp/.X11-unix/X$display" ] && return 0
        sleep 0.1
    done
    return 0
}

stop_xvfb() {
    if [ -n "${QUORIX_XVFB_PID:-}" ]; then
        kill "$QUORIX_XVFB_PID" 2>/dev/null
        wait "$QUORIX_XVFB_PID" 2>/dev/null
        QUORIX_XVFB_PID=""
    fi
}

use_prefix() {
    export WINEPREFIX="$1"
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] || return 0
    timeout 20 "$QUORIX_WINESERVER" -k </dev/null >/dev/null 2>&1
    timeout 20 "$QUORIX_WINESERVER" -w </dev/null >/dev/null 2>&1
    return 0
}

wine_cleanup() {
    local rc=$?
    wine_stop
    stop_xvfb
    return $rc
}

wine_traps() {
    trap wine_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
}

wine_run() {
    local limit="${QUORIX_WINE_TIMEOUT:-300}"
    if [ "${1:-}" = "-t" ]; then
        limit="$2"
        shift 2
    fi
    # -k: a program that ignores the polite signal is killed 10 seconds later.
    timeout -k 10 "$limit" "$QUORIX_WINE_LOADER" "$@" </dev/null
}

_wine_version() { wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' '_'; }
# The pristine prefix of this path: one per prefix kind and Wine version.
_wine_prefix_kind() { printf '%s-%s\n' "$WINEARCH" "$(_wine_version)"; }

# Boots a new prefix in DIR: wineboot -i, then waits for the wineserver to finish writing it.
_boot_prefix() {
    local dir="$1" started
    started=$(_now_ms)
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    (
        export WINEPREFIX="$dir" WINEDLLOVERRIDES="$QUORIX_WINE_OVERRIDES"
        # No display: the boot needs none, and one left open would keep explorer.exe alive.
        unset DISPLAY
        timeout -k 10 240 "$QUORIX_WINE_LOADER" wineboot -i </dev/null >"$dir.boot.log" 2>&1 || exit 1
        # Unmanaged windows: with no window manager on the display, Wine waits 2 s for one
        # on every window it hides; unmanaged, it also draws the captions itself, as Windows.
        timeout -k 10 60 "$QUORIX_WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$dir.boot.log" 2>&1 || exit 1
        timeout 120 "$QUORIX_WINESERVER" -w </dev/null || exit 1
    )
    local rc=$?
    if [ $rc -ne 0 ] || [ ! -f "$dir/system.reg" ]; then
        _wine_log "wineboot failed in $dir (see $dir.boot.log)"
        (export WINEPREFIX="$dir"; timeout 20 "$QUORIX_WINESERVER" -k </dev/null >/dev/null 2>&1)
        rm -rf "$dir"
        return 1
    fi
    rm -f "$dir.boot.log"
    _wine_log "booted a new prefix in $(( $(_now_ms) - started )) ms"
}

# The pristine prefix is made once per Wine version and copied for every scenario: a copy
# takes about 2 s, a boot about 12 s.
_pristine_prefix() {
    local cache="${QUORIX_WINE_CACHE_DIR:-${TMPDIR:-/tmp}/quorix-wine-cache-$(id -u)}"
    local pristine="$cache/pristine-$(_wine_prefix_kind)"
    mkdir -p "$cache" || return 1
    (
        flock -w 300 9 || { _wine_log "timed out waiting for $cache/lock"; exit 1; }
        if [ ! -f "$pristine/.quorix-pristine" ]; then
            _boot_prefix "$pristine.new" || exit 1
            touch "$pristine.new/.quorix-pristine"
            rm -rf "$pristine"
            mv "$pristine.new" "$pristine"
        fi
    ) 9>"$cache/lock" || return 1
    printf '%s\n' "$pristine"
}

make_prefix() {
    local dir="$1" pristine started
    [ -n "$dir" ] || { _wine_log "make_prefix needs a folder"; return 1; }
    if [ -n "${WINEPREFIX:-}" ] && [ "$WINEPREFIX" = "$dir" ]; then wine_stop; fi
    if [ "${QUORIX_WINE_NO_CACHE:-}" = 1 ]; then
        _boot_prefix "$dir"
        return
    fi
    pristine="$(_pristine_prefix)" || return 1
    started=$(_now_ms)
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    cp -a --reflink=auto "$pristine" "$dir" || return 1
    rm -f "$dir/.quorix-pristine"
    _wine_log "copied the pristine prefix in $(( $(_now_ms) - started )) ms"
}
