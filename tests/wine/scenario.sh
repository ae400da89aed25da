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
#   skip ID DETAILS              end as skipped (CTest SKIP_RETURN_CODE 77) for a reason listed in
#                                tests/allowed-skips.txt; an unlisted ID, or a skip after a failed
#                                expectation, fails the scenario. Call it from the scenario's own
#                                shell, not inside $(...)
#   require_file PATH WHAT       PATH (a file the build writes) must be there; else FAIL, exit 1
#   require_command NAME PACKAGE the command must be installed (scripts/setup.sh installs the
#                                Debian PACKAGE); else FAIL, exit 1
#   scenario_fail TEXT           one failed expectation: a FAIL line, counted also when it
#                                happens inside $(...) or a pipeline
#   product_exe NAME             Windows path of a product file; FAIL and exit 1 when it is not
#                                built (use it as exe="$(product_exe NAME)" || exit 1)
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
DA_DK_PACK_CODE="$(_demo_value LANGUAGE_PACK_CODE_da-DK)"
FR_FR_PACK_CODE="$(_demo_value LANGUAGE_PACK_CODE_fr-FR)"
PREVIOUS_CODE="$(_demo_value PREVIOUS_GENERATION_PRODUCT_CODE)"
COMPATIBILITY_CODE="$(_demo_value COMPATIBILITY_PRODUCT_CODE)"
# This release's version (cmake/Release.cmake, handed on with the packages). Unset when the
# build wrote none: a scenario that uses it then stops at that line (set -u, exit 1) instead of
# comparing against an empty text.
RELEASE_VERSION="$(_demo_value BASE_VERSION)"
# The other releases the installed-version scenarios install, and their versions. The paths are
# empty when the build wrote no packages; the scenarios then fail at require_file.
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

# Failed expectations are counted in a file of the scratch folder as well as in
# SCENARIO_FAILURES: a reader that fails inside $(...) or a pipeline runs in a subshell, whose
# variables are gone when it ends, and its failure must count all the same.
scenario_fail() {
    if [ "${BASH_SUBSHELL:-0}" -gt 0 ]; then
        echo "FAIL: $*" >&2  # stdout is what the caller's $(...) reads
    else
        echo "FAIL: $*"
    fi
    mkdir -p "$SCRATCH" && printf '%s\n' "$*" >>"$SCRATCH/failures.txt"
    SCENARIO_FAILURES=$((SCENARIO_FAILURES + 1))
}
scenario_failures() {
    local counted=0
    [ -f "$SCRATCH/failures.txt" ] && counted=$(grep -c '' "$SCRATCH/failures.txt")
    echo $((counted > SCENARIO_FAILURES ? counted : SCENARIO_FAILURES))
}

# The one list of reasons a test may skip; an id is its first word on a line.
QUORIX_ALLOWED_SKIPS="$_scenario_here/../allowed-skips.txt"
skip_listed() {
    [[ ${1:-} =~ ^[a-z0-9][a-z0-9-]*$ ]] &&
        awk -v id="$1" '!/^#/ && $1 == id { found = 1 } END { exit !found }' \
            "$QUORIX_ALLOWED_SKIPS" 2>/dev/null
}
skip() {
    local id="${1:-}" failures
    shift
    failures="$(scenario_failures)"
    if [ "$failures" -ne 0 ]; then
        echo "FAIL: skip '$id' after $failures failed expectation(s): a failed run is no skip"
        echo "$failures expectation(s) failed; logs in $SCRATCH"
        exit 1
    fi
    if ! skip_listed "$id"; then
        echo "FAIL: skip '$id' ($*): no such reason in $QUORIX_ALLOWED_SKIPS"
        exit 1
    fi
    echo "QUORIX_SKIP $id: $*"
    exit 77
}

# The prefix user's temporary folder: sets win_temp (as Windows names it) and temp (its unix
# path, no trailing "/"); a folder that is not found fails the scenario.
prefix_temp() {
    win_temp="$(wine_run -t 60 cmd /c echo %TEMP% 2>/dev/null | tr -d '\r' | tail -n 1)"
    temp="$(wine_run -t 60 winepath -u "$win_temp" 2>/dev/null | tr -d '\r' | tail -n 1)"
    temp="${temp%/}"
    if [ -z "$temp" ] || [ ! -d "$temp" ]; then
        scenario_fail "the temporary folder ($win_temp) was not found on the unix side ($temp)"
        scenario_end
    fi
}

# What the test command builds or scripts/setup.sh installs is never a reason to skip: when it
# is missing, the run is broken, and says so.
require_file() {
    [ -n "${1:-}" ] && [ -f "$1" ] && return 0
    scenario_fail "$2 is missing (${1:-<path unset>}): the test command builds it"
    exit 1
}
require_command() {
    command -v "$1" >/dev/null && return 0
    scenario_fail "command '$1' is missing: scripts/setup.sh installs it (Debian package $2)"
    exit 1
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
    if [ -n "${WINEPREFIX:-}" ]; then wine_stop; fi
    rm -rf "$SCRATCH"
    mkdir -p "$SCRATCH" || exit 1
    require_command jq jq
    wine_traps
    trap _scenario_cleanup EXIT
    [ "${1:-}" = "--no-wine" ] && return 0
    require_file "${QUORIX_UI_DRIVER:-}" "ui-driver.exe (QUORIX_UI_DRIVER)"
    start_xvfb || exit 1
    make_prefix "$SCRATCH/prefix" || exit 1
    use_prefix "$SCRATCH/prefix"
}

product_exe() {
    local file="${QUORIX_PRODUCT_DIR:-}/$1"
    require_file "$file" "the product file $1"
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
        scenario_fail "$3: got '$1', expected '$2'"
    fi
}

expect_contains() {
    case "$1" in
        *"$2"*) echo "ok: $3" ;;
        *)
            scenario_fail "$3: '$2' not found in:"
            printf '%s\n' "$1" | sed 's/^/    /'
            ;;
    esac
}

bmp_to_png() {
    require_command convert imagemagick
    convert "$1" "${1%.bmp}.png" 2>/dev/null || true
}

scenario_end() {
    local failures
    failures="$(scenario_failures)"
    if [ "$failures" -ne 0 ]; then
        echo "$failures expectation(s) failed; logs in $SCRATCH"
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
#   demo_wait_event LINE         waits for LINE; 0 when it came, 1 when it had not come within
#                                two minutes (a ceiling for hangs only)
#   demo_service_settled         waits until the demo service is neither starting nor stopping,
#                                so that a stop or start it was asked for is in the log
#   demo_setting NAME DWORD      sets a REG_DWORD setting; demo_settings_clear removes them all
#   demo_install FILE [PROPS...] msiexec /i FILE /qn, checked with expect_eq
#   demo_uninstall CODE          msiexec /x CODE /qn, checked with expect_eq
#   demo_value KEY NAME          data of a REG_SZ value, "<absent>" when it is not there
#
# Every registry reader tells "not there" (reg's own answer: exit code 1 and its "Unable to find
# the specified registry key/value" line) from a query that failed (a timeout, a crash, any
# other answer of Wine): the latter is a FAIL, and the reader answers "<query failed>" (or
# nothing where the answer is a list), never "no".
#
#   reg_query KEY [ARGS...]      reg query's output without CRs; returns 0 when found, 1 when
#                                not there, 2 after a failed query (counted as a FAIL)
#   reg_key_exists KEY           yes / no / <query failed>
#   reg_delete_key KEY           removes the key when it is there; a failed delete is a FAIL
reg_query() {
    local out rc err="$SCRATCH/reg-query.err"
    out="$(wine_run -t 60 reg query "$@" 2>"$err")"
    rc=$?
    out="${out//$'\r'/}"
    if [ $rc -eq 0 ]; then
        printf '%s\n' "$out"
        return 0
    fi
    # Wine's reg.exe says so on its standard output, Windows' on its error output.
    if [ $rc -eq 1 ] && { printf '%s\n' "$out"; tr -d '\r' <"$err"; } |
        grep -q -i -E '^(reg|error): (unable|the system was unable) to find the specified registry (key|value)'; then
        return 1
    fi
    scenario_fail "reg query $*: exit code $rc: $(printf '%s ' "$out" "$(tr -d '\r' <"$err")")"
    return 2
}
reg_key_exists() {
    reg_query "$1" >/dev/null
    case $? in
        0) echo yes ;;
        1) echo no ;;
        *) echo "<query failed>" ;;
    esac
}
reg_delete_key() {
    local out rc
    out="$(wine_run -t 60 reg delete "$1" /f 2>&1)"
    rc=$?
    [ $rc -eq 0 ] && return 0
    [ $rc -eq 1 ] && printf '%s\n' "$out" | grep -q -i 'unable to find the specified registry key' &&
        return 0
    scenario_fail "reg delete $1: exit code $rc: ${out//$'\r'/}"
}

demo_events() {
    reg_query 'HKLM\Software\Velora\QuorixDemo\Events' /v Log |
        sed -n 's/^ *Log *REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' | sed '/^$/d'
}

demo_events_clear() { reg_delete_key 'HKLM\Software\Velora\QuorixDemo\Events'; }

demo_wait_event() {
    local line="$1" i
    # The two minutes are a ceiling for a hang: a service starts in well under a second here.
    for i in $(seq 1 240); do
        demo_events | grep -q -x -F "$line" && return 0
        sleep 0.5
    done
    return 1
}

demo_service_settled() {
    local out state i
    # Two minutes: a ceiling for a hang only (the slowest stop a scenario asks for is 60 s).
    for i in $(seq 1 240); do
        out="$(wine_run -t 60 sc query Velora.QuorixSvc)" ||
            { scenario_fail "sc query Velora.QuorixSvc: exit code $?"; return 1; }
        state="$(printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^ *STATE *: *[0-9]* *//p')"
        case "$state" in
            RUNNING | STOPPED) return 0 ;;
            *_PENDING) sleep 0.5 ;;
            *) scenario_fail "sc query Velora.QuorixSvc: no state in: $out"; return 1 ;;
        esac
    done
    scenario_fail "the demo service was still $state after two minutes"
    return 1
}

demo_setting() {
    wine_run -t 60 reg add 'HKLM\Software\Velora\QuorixDemo\Settings' /v "$1" /t REG_DWORD \
        /d "$2" /f >/dev/null 2>&1
    expect_eq "$?" 0 "setting $1 = $2"
}

demo_settings_clear() { reg_delete_key 'HKLM\Software\Velora\QuorixDemo\Settings'; }

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
    local out rc
    out="$(reg_query "$1" /v "$2")"
    rc=$?
    [ $rc -eq 1 ] && { echo "<absent>"; return; }
    [ $rc -eq 0 ] || { echo "<query failed>"; return; }
    printf '%s\n' "$out" | awk -F '    ' -v n="$2" \
        'NF >= 3 && $1 == "" && tolower($2) == tolower(n) && $3 == "REG_SZ" { print $4; f = 1 }
         END { if (!f) print "<absent>" }'
}

# Screenshots (the driver's --shots and --screenshot PATH.png):
#   png_size FILE                "WIDTHxHEIGHT" from the header, "none" when it is no PNG
#   png_colour_count FILE R G B  pixels of exactly that colour (ImageMagick)
#   shot_of LOG JQ-FILTER        the screenshot path (Unix) of the first log line matching it
#   keep_png SRC DST             a compressed copy (ImageMagick)
png_size() {
    [ "$(head -c 8 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        { echo none; return; }
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ print ($1 * 16777216 + $2 * 65536 + $3 * 256 + $4) "x" ($5 * 16777216 + $6 * 65536 + $7 * 256 + $8) }'
}
png_colour_count() {
    require_command convert imagemagick
    convert "$1" -fill black +opaque "rgb($2,$3,$4)" -fill white -opaque "rgb($2,$3,$4)" \
        -format '%[fx:int(mean*w*h+0.5)]' info: 2>/dev/null || echo "<convert failed>"
}
shot_of() {
    local p
    p="$(jq -s -r "[.[] | select($2) | .screenshot // empty][0] // empty" "$1")"
    [ -n "$p" ] || { echo none; return; }
    p="${p#Z:}"
    printf '%s\n' "${p//\\//}"
}
keep_png() {
    require_command convert imagemagick
    mkdir -p "$(dirname "$2")"
    convert "$1" -strip -define png:compression-level=9 "$2"
}

# Pages the product opens, and what it installed:
#   links_capture      the prefix's https handler becomes a Unix script appending each address
#                      to $SCRATCH/links.txt (a Unix program: a Windows one would die with the
#                      driver's job before writing); call again after a new make_prefix
#   links_settled      after the program that opens pages has ended: waits until no recorder
#                      runs any more, so links.txt holds every page it opened (Wine execs the
#                      handler before ShellExecute returns); a FAIL when one still runs after
#                      a minute
#   links_opened       the addresses, one a line (call links_settled first)
#   reg_values [--untyped] KEY   the values of a key as NAME=TYPE=DATA lines (NAME=DATA with
#                      --untyped), "<absent>" for no key, "<query failed>" (and a FAIL)
#   expect_values [--untyped] KEY LABEL PAIR...   each pair, NAME=TYPE=DATA (NAME=DATA with
#                      --untyped), is among the key's values, exactly once
#   has_value KEY NAME=TYPE=DATA   1 when the key has exactly that value, 0 when not
#   product_installed CODE   yes/no: the Uninstall entry of a product code exists
#                      ("<query failed>" and a FAIL when reg could not tell)
#   packs_installed    the multi-language copy's locales whose pack is installed, one line
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
        /d "Z:\\bin\\sh $recorder \"%1\"" /f >/dev/null 2>&1 ||
        scenario_fail "reg add the https handler: exit code $?"
}
links_settled() {
    local pattern i
    pattern="$(printf '%s' "$SCRATCH/record-link.sh" | sed 's/[][\.*^$+?(){}|]/\\&/g')"
    # A minute is a ceiling for a hang only: a recorder writes one line and ends.
    for i in $(seq 1 120); do
        pgrep -f -- "$pattern" >/dev/null || return 0
        sleep 0.5
    done
    scenario_fail "a page recorder still runs after a minute: $(pgrep -a -f -- "$pattern")"
    return 1
}
links_opened() { cat "$SCRATCH/links.txt" 2>/dev/null; }
reg_values() {
    local out typed=1
    if [ "$1" = --untyped ]; then
        typed=0
        shift
    fi
    out="$(reg_query "$1")"
    case $? in
        0) ;;
        1) echo "<absent>"; return ;;
        *) echo "<query failed>"; return ;;
    esac
    printf '%s\n' "$out" | awk -F '    ' -v typed="$typed" \
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
    reg_key_exists "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"
}
# The locales of the multi-language copy whose language pack is installed, in the order it
# carries them, on one line (from their *_PACK_CODE above).
packs_installed() {
    local locale code list=""
    for locale in da-DK de-DE en-GB en-US fr-FR; do
        code="${locale//-/_}"
        code="${code^^}_PACK_CODE"
        [ "$(product_installed "${!code}")" = yes ] && list="$list$locale "
    done
    printf '%s\n' "${list% }"
}
# Up to 120 s a call: some probe commands install packages.
probe() { wine_run -t 120 "$QUORIX_PROBE" "$@" 2>"$SCRATCH/probe.err" | tr -d '\r'; }
value() { printf '%s\n' "$1" | sed -n "s/^$2=//p" | head -n 1; }
catalog_text() {
    require_file "${QUORIX_PROBE:-}" "quorix-probe.exe (QUORIX_PROBE)"
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
#   stamp_unchecked COPY TAG   the copy written anyway (--unchecked); it must still verify against
#                              the build's certificate, the tag being outside the signed hash
stamp_refused() {
    "$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$1" "$2" 2>"$1.refused"
    expect_eq "$?" 1 "stamp-tag refuses the tag"
}
stamp_unchecked() {
    "$QUORIX_STAMP_TAG" --unchecked "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" "$1" "$2" ||
        exit 1
    require_file "${QUORIX_SIGNING_CERT:-}" "the build's signing certificate (QUORIX_SIGNING_CERT)"
    require_command osslsigncode osslsigncode
    osslsigncode verify -CAfile "$QUORIX_SIGNING_CERT" -in "$1" >"$1.verify" 2>&1
    expect_eq "$?" 0 "the re-tagged copy still verifies"
}
# shots_for NAME: a fresh folder $SCRATCH/shots/NAME for one drive's --shots, as a Wine path.
shots_for() {
    rm -rf "$SCRATCH/shots/$1"
    mkdir -p "$SCRATCH/shots/$1"
    winpath "$SCRATCH/shots/$1"
}
