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
#   wait_held HELD PID OUTPUT RELEASE SECONDS WHAT
#                                waits for a drive started in the background (PID, its output
#                                in OUTPUT) to --touch HELD; when it has not within SECONDS, or
#                                ended first: FAIL "WHAT", its output, RELEASE touched, exit 1
#   windows LOG                  the recorded windows, one JSON object a line
#   window_count LOG / exit_code LOG / driver_errors LOG
#   field LOG INDEX JQ-PATH      a field of the INDEX-th recorded window (.caption, .icon, ...)
#   control ID EVENT JQ [INDEX]  one control (by id) of the INDEX-th EVENT line of $LOG (default
#                                the first); the ComboBox inside a ComboBoxEx32 shares its id
#                                and is left out
#   expect_eq ACTUAL EXPECTED WHAT / expect_contains TEXT PART WHAT
#   bmp_to_png BMP               a PNG beside it when ImageMagick is there (for people to look at)
#   scenario_end                 exit 0, or 1 after any failed expectation
set -u
_scenario_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$_scenario_here/lib.sh"

SCENARIO_FAILURES=0

# The demo packages' product codes, as the product build wrote them (packages/CMakeLists.txt is
# their one source): this release, its language packs, the previous generation and the release
# found through the compatibility value.
_demo_value() {
    sed -n "s/^set(QUORIX_DEMO_$1 \"\(.*\)\")\$/\1/p" \
        "${QUORIX_PACKAGES_DIR:-/nonexistent}/demo_packages.cmake" 2>/dev/null
}
BASE_CODE="$(_demo_value BASE_PRODUCT_CODE)"
EN_US_PACK_CODE="$(_demo_value LANGUAGE_PACK_CODE_en-US)"
EN_GB_PACK_CODE="$(_demo_value LANGUAGE_PACK_CODE_en-GB)"
DE_DE_PACK_CODE="$(_demo_value LANGUAGE_PACK_CODE_de-DE)"
PREVIOUS_CODE="$(_demo_value PREVIOUS_GENERATION_PRODUCT_CODE)"
COMPATIBILITY_CODE="$(_demo_value COMPATIBILITY_PRODUCT_CODE)"
# This release's version (cmake/Release.cmake, handed on with the packages). Unset when the
# build wrote none: a scenario that uses it then stops at that line (set -u, exit 1) instead of
# comparing against an empty text.
RELEASE_VERSION="$(_demo_value BASE_VERSION)"
# The other releases the installed-version scenarios install, and their versions. The paths are
# empty when the build wrote no packages; the scenarios then skip.
OLDER_MSI="$(_demo_value OLDER_MSI)"
OLDER_VERSION="$(_demo_value OLDER_VERSION)"
PREVIOUS_MSI="$(_demo_value PREVIOUS_GENERATION_MSI)"
PREVIOUS_VERSION="$(_demo_value PREVIOUS_GENERATION_VERSION)"
COMPATIBILITY_MSI="$(_demo_value COMPATIBILITY_MSI)"
COMPATIBILITY_VERSION="$(_demo_value COMPATIBILITY_VERSION)"
NEWER_MSI="$(_demo_value NEWER_MSI)"
NEWER_VERSION="$(_demo_value NEWER_VERSION)"
[ -n "$RELEASE_VERSION" ] || unset RELEASE_VERSION
SCRATCH="${QUORIX_SCENARIO_DIR:-${TMPDIR:-/tmp}/quorix-scenario-$$}"
# Every number src/ui/resources/resource_ids.h defines, as a read-only variable of the same
# name (IDC_WELCOME_LANGUAGE_COMBO, IDS_REQUIREMENTS_CAPTION, ...): the ids the product's
# resources, its code and these scenarios share. Under set -u a name the header does not
# define ends the scenario.
while read -r _define _name _value _rest; do
    if [ "$_define" = "#define" ] && [[ $_value =~ ^[0-9]+$ ]] && [ -z "$_rest" ]; then
        declare -r "$_name=$_value"
    fi
done <"$_scenario_here/../../src/ui/resources/resource_ids.h"
unset _define _name _value _rest

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
    quorix_wine_path_line
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

wait_held() {
    local held="$1" pid="$2" output="$3" release="$4" tenths=$(($5 * 10)) what="$6"
    for _ in $(seq 1 "$tenths"); do
        [ -e "$held" ] && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -e "$held" ] && return 0
    echo "FAIL: $what"
    cat "$output"
    touch "$release"
    wait "$pid"
    exit 1
}

windows() { jq -c 'select(.event == "window")' "$1"; }
window_count() { jq -s '[.[] | select(.event == "window")] | length' "$1"; }
exit_code() { jq -s -r '[.[] | select(.event == "exit")] | if length == 1 then .[0].code else "none" end' "$1"; }
driver_errors() { jq -s '[.[] | select(.event == "action" and .ok == false)] | length' "$1"; }
field() { jq -s -r --argjson i "$2" "[.[] | select(.event == \"window\")][\$i] | $3" "$1"; }
control() {
    jq -s -r --argjson id "$1" "[.[] | select(.event == \"$2\")][${4:-0}].controls[] |
        select(.id == \$id and .class != \"ComboBox\") | $3" "$LOG"
}

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

# --- The demo product's own programs (packages/programs): the install helper, the service
# "Velora.QuorixSvc" and the COM object write one line per event into the REG_MULTI_SZ "Log"
# under HKLM\Software\Velora\QuorixDemo\Events, in the order they happened. Their answers are
# set below HKLM\Software\Velora\QuorixDemo\Settings.
#
#   demo_events                  the logged lines, one a line (nothing when there is no log)
#   demo_events_clear            starts the log afresh (before the run a scenario looks at)
#   demo_wait_event LINE [S]     waits up to S seconds (default 15) for LINE; 0 when it came
#   demo_setting NAME DWORD      sets a REG_DWORD setting; demo_settings_clear removes them all
#   demo_install FILE [PROPS...] msiexec /i FILE /qn, checked with expect_eq
#   demo_uninstall CODE          msiexec /x CODE /qn, checked with expect_eq
#   demo_value KEY NAME          data of a REG_SZ value, "<absent>" when it is not there
demo_events() {
    wine_run -t 60 reg query 'HKLM\Software\Velora\QuorixDemo\Events' /v Log 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *Log *REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' | sed '/^$/d'
}

demo_events_clear() {
    wine_run -t 60 reg delete 'HKLM\Software\Velora\QuorixDemo\Events' /f >/dev/null 2>&1
    return 0
}

demo_wait_event() {
    local line="$1" limit="${2:-15}" started
    started=$(date +%s)
    while :; do
        demo_events | grep -q -x -F "$line" && return 0
        [ $(($(date +%s) - started)) -ge "$limit" ] && return 1
        sleep 0.5
    done
}

demo_setting() {
    wine_run -t 60 reg add 'HKLM\Software\Velora\QuorixDemo\Settings' /v "$1" /t REG_DWORD \
        /d "$2" /f >/dev/null 2>&1
    expect_eq "$?" 0 "setting $1 = $2"
}

demo_settings_clear() {
    wine_run -t 60 reg delete 'HKLM\Software\Velora\QuorixDemo\Settings' /f >/dev/null 2>&1
    return 0
}

demo_install() {
    local file="$1"
    shift
    wine_run -t 120 msiexec /i "$(winpath "$file")" /qn "$@"
    expect_eq "$?" 0 "msiexec /i $(basename "$file")"
}

demo_uninstall() {
    wine_run -t 120 msiexec /x "$1" /qn
    expect_eq "$?" 0 "msiexec /x $1"
}

demo_value() {
    local out
    out="$(wine_run -t 60 reg query "$1" /v "$2" 2>/dev/null)" || { echo "<absent>"; return; }
    printf '%s\n' "$out" | tr -d '\r' | awk -F '    ' -v n="$2" \
        'NF >= 3 && $1 == "" && tolower($2) == tolower(n) && $3 == "REG_SZ" { print $4; f = 1 }
         END { if (!f) print "<absent>" }'
}

# Screenshots (the driver's --shots and --screenshot PATH.png):
#   png_size FILE                "WIDTHxHEIGHT" from the header, "none" when it is no PNG
#   png_colour_count FILE R G B  pixels of exactly that colour (needs ImageMagick; "n/a")
#   shot_of LOG JQ-FILTER        the screenshot path (Unix) of the first log line matching it
#   keep_png SRC DST             a compressed copy (ImageMagick), else a plain one
png_size() {
    [ "$(head -c 8 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        { echo none; return; }
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ print ($1 * 16777216 + $2 * 65536 + $3 * 256 + $4) "x" ($5 * 16777216 + $6 * 65536 + $7 * 256 + $8) }'
}
png_colour_count() {
    command -v convert >/dev/null || { echo n/a; return; }
    convert "$1" -fill black +opaque "rgb($2,$3,$4)" -fill white -opaque "rgb($2,$3,$4)" \
        -format '%[fx:int(mean*w*h+0.5)]' info: 2>/dev/null || echo n/a
}
shot_of() {
    local p
    p="$(jq -s -r "[.[] | select($2) | .screenshot // empty][0] // empty" "$1")"
    [ -n "$p" ] || { echo none; return; }
    p="${p#Z:}"
    printf '%s\n' "${p//\\//}"
}
keep_png() {
    mkdir -p "$(dirname "$2")"
    if command -v convert >/dev/null; then
        convert "$1" -strip -define png:compression-level=9 "$2" && return 0
    fi
    cp "$1" "$2"
}

# Pages the product opens, and what it installed:
#   links_capture      the prefix's https handler becomes a Unix script appending each address
#                      to $SCRATCH/links.txt (a Unix program: a Windows one would die with the
#                      driver's job before writing); call again after a new make_prefix
#   links_wait [S]     until a page was opened (at most S seconds, default 5); 1 when none came
#   links_opened       the addresses, one a line
#   reg_values [--untyped] KEY   the values of a key as NAME=TYPE=DATA lines (NAME=DATA with
#                      --untyped), "<absent>" for no key
#   expect_values [--untyped] KEY LABEL PAIR...   each pair, NAME=TYPE=DATA (NAME=DATA with
#                      --untyped), is among the key's values, exactly once
#   has_value KEY NAME=TYPE=DATA   1 when the key has exactly that value, 0 when not
#   product_installed CODE   yes/no: the Uninstall entry of a product code exists
#   probe ARGS...      quorix-probe (QUORIX_PROBE) with ARGS: its output without CRs, its
#                      errors in $SCRATCH/probe.err
#   value TEXT KEY     the value of the first KEY=VALUE line of TEXT (of the probe's output)
#   catalog_text LOCALE KEY  a text of the setup's own catalog as the product's logic reads it
#                      under Wine (the probe's "catalog LOCALE", once per locale and scenario):
#                      LOCALE a code (en-US, de-DE), KEY a message key (DialogTitle, ...)
links_capture() {
    local recorder="$SCRATCH/record-link.sh"
    printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$SCRATCH/links.txt" >"$recorder"
    chmod +x "$recorder"
    wine_run -t 60 reg add 'HKCR\https\shell\open\command' /ve \
        /d "Z:\\bin\\sh $recorder \"%1\"" /f >/dev/null 2>&1
}
links_wait() {
    local i
    for i in $(seq 1 $(( ${1:-5} * 2 ))); do
        [ -s "$SCRATCH/links.txt" ] && return 0
        sleep 0.5
    done
    return 1
}
links_opened() { cat "$SCRATCH/links.txt" 2>/dev/null; }
reg_values() {
    local out typed=1
    if [ "$1" = --untyped ]; then
        typed=0
        shift
    fi
    out="$(wine_run -t 60 reg query "$1" 2>/dev/null)" || { echo "<absent>"; return; }
    printf '%s\n' "$out" | tr -d '\r' | awk -F '    ' -v typed="$typed" \
        'NF >= 3 && $1 == "" { print typed ? $2 "=" $3 "=" $4 : $2 "=" $4 }'
}
expect_values() {
    local snapshot pair form=()
    if [ "$1" = --untyped ]; then
        form=(--untyped)
        shift
    fi
    local key="$1" label="$2"
    shift 2
    snapshot="$(reg_values "${form[@]}" "$key")"
    for pair in "$@"; do
        expect_eq "$(printf '%s\n' "$snapshot" | grep -c -x -F "$pair")" 1 "$label: $pair"
    done
}
has_value() { reg_values "$1" | grep -c -x -F "$2"; }
product_installed() {
    # An empty code would ask for the Uninstall key itself, which always exists.
    [ -n "$1" ] || { echo "no product code (is the product built?)" >&2; echo "<no code>"; return; }
    wine_run -t 60 reg query \
        "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" >/dev/null 2>&1 &&
        echo yes || echo no
}
# Up to 120 s a call: some probe commands install packages.
probe() { wine_run -t 120 "$QUORIX_PROBE" "$@" 2>"$SCRATCH/probe.err" | tr -d '\r'; }
value() { printf '%s\n' "$1" | sed -n "s/^$2=//p" | head -n 1; }
catalog_text() {
    [ -f "${QUORIX_PROBE:-}" ] || skip "quorix-probe.exe not built (QUORIX_PROBE)"
    local cache="$SCRATCH/catalog-$1.txt" line
    if [ ! -s "$cache" ]; then
        probe catalog "$1" >"$cache.new" &&
            mv "$cache.new" "$cache" || { echo "FAIL: the probe has no catalog for $1" >&2; return 1; }
    fi
    line="$(grep -m 1 "^$2=" "$cache")" || { echo "FAIL: no catalog key $2" >&2; return 1; }
    # The probe escapes backslash, CR and LF as \\, \r and \n.
    printf '%b' "${line#*=}"
}
# Copies of the tagged product with a tag stamp-tag refuses (QUORIX_STAMP_TAG), as someone
# editing a signed copy by hand would make them:
#   stamp_refused COPY TAG     stamp-tag must refuse TAG (exit 1); what it said is in COPY.refused
#   stamp_unchecked COPY TAG   the copy written anyway (--unchecked); with the build's certificate
#                              at hand it must still verify, the tag being outside the signed hash
stamp_refused() {
    "$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$1" "$2" 2>"$1.refused"
    expect_eq "$?" 1 "stamp-tag refuses the tag"
}
stamp_unchecked() {
    "$QUORIX_STAMP_TAG" --unchecked "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$1" "$2" ||
        exit 1
    [ -f "${QUORIX_SIGNING_CERT:-}" ] || return 0
    osslsigncode verify -CAfile "$QUORIX_SIGNING_CERT" -in "$1" >"$1.verify" 2>&1
    expect_eq "$?" 0 "the re-tagged copy still verifies"
}
# shots_for NAME: a fresh folder $SCRATCH/shots/NAME for one drive's --shots, as a Wine path.
shots_for() {
    rm -rf "$SCRATCH/shots/$1"
    mkdir -p "$SCRATCH/shots/$1"
    winpath "$SCRATCH/shots/$1"
}
