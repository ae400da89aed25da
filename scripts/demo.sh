#!/usr/bin/env bash
# The main job: set up what is missing, build the signed and tagged product, and run it under
# Wine on a fresh prefix, unattended, then show what the run did. Where this machine runs 32-bit
# code that is the 32-bit product in a 32-bit prefix; where it runs none, the x86-64 build of
# the same sources in a 64-bit prefix (tests/wine/wine-path.sh; QUORIX_WINE_BITS=64 forces it).
#   bash scripts/demo.sh [ARGUMENTS...]      (default: /silent)
set -Eeuo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

# Every step names itself; the first one that fails ends the demo with its name.
current="deciding the Wine path"
step() {
    current="$*"
    echo "=== $*"
}
trap 'echo "demo: FAILED at: $current (exit $?)" >&2' ERR

. "$repo/tests/wine/wine-path.sh"
requested="${QUORIX_WINE_BITS:-}"
if quorix_wine_path 2>/dev/null; then
    echo "=== $(quorix_wine_path_line)"
    echo "=== the demo runs build/$QUORIX_PRODUCT_PRESET/QuorixSetup-tagged.exe"
fi
step "setup (scripts/setup.sh)"
bash scripts/setup.sh
# Setup may just have installed Wine: decide again on what is there now.
current="deciding the Wine path after setup"
QUORIX_WINE_BITS="$requested"
unset QUORIX_WINE_DECIDED
quorix_wine_path
product="$QUORIX_PRODUCT_PRESET"
tests="$QUORIX_TESTS_PRESET"
step "building the product ($product: signed, tagged) and the UI driver ($tests)"
cmake --preset "$product" >/dev/null
cmake --build --preset "$product" >/dev/null
cmake --preset "$tests" >/dev/null
cmake --build --preset "$tests" --target ui-driver >/dev/null

args=("$@")
[ ${#args[@]} -gt 0 ] || args=(/silent)

work="$repo/build/demo"
rm -rf "$work"
mkdir -p "$work"
export QUORIX_WINE_CACHE_DIR="$repo/build/wine-cache"
. "$repo/tests/wine/lib.sh"
wine_traps
start_xvfb
step "fresh Wine prefix ($WINEARCH)"
make_prefix "$work/prefix"
use_prefix "$work/prefix"

exe="$repo/build/$product/QuorixSetup-tagged.exe"
driver="$repo/build/$tests/tools/ui_driver/ui-driver.exe"

# The language list needs a real console: `script` gives Wine a terminal, so cmd gets one.
step "from a console: QuorixSetup-tagged.exe /supportedlang"
printf -v listing '%q ' "$QUORIX_WINE_LOADER" cmd /c "$(winpath "$exe")" /supportedlang
# Shown, and kept in build/demo/supportedlang.txt for the test command to read line by line.
SHELL=/bin/bash timeout -k 10 120 script -qfec "$listing" /dev/null </dev/null 2>&1 \
    | sed -E 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b\][^\x07]*\x07//g' | tr -d '\r' | sed '/^$/d' \
    | tee "$work/supportedlang.txt" || true

echo
step "running unattended: build/$product/QuorixSetup-tagged.exe ${args[*]}"
# The driver reports the product's own exit code in its log; its own exit code only says
# whether it could drive the run at all. The ceiling only catches a hang.
if ! wine_run -t 600 "$driver" --log "$(winpath "$work/run.jsonl")" --timeout 540 --default press \
    -- "$(winpath "$exe")" "${args[@]}" >"$work/driver.out" 2>&1; then
    [ -s "$work/run.jsonl" ] || { cat "$work/driver.out"; false; }
fi

echo
step "what the run did"
code="$(jq -s -r '[.[] | select(.event == "exit")] | if length == 1 then .[0].code else "none" end' "$work/run.jsonl")"
echo "exit code: $code"
boxes=$(jq -s '[.[] | select(.event == "window")] | length' "$work/run.jsonl")
echo "windows shown: $boxes"
jq -r 'select(.event == "window") | "  [\(.kind)] \(.caption): \(.text // "" | gsub("\r?\n"; " / "))"' "$work/run.jsonl"

# A key that is not there is an empty answer; a query that fails otherwise ends the demo.
query() {
    local out
    if out="$(wine_run -t 60 reg query "$@" 2>&1)"; then
        printf '%s\n' "$out" | tr -d '\r' | sed '/^$/d'
    elif printf '%s\n' "$out" | grep -q 'Unable to find the specified registry key'; then
        return 0
    else
        echo "demo: reg query $* failed: $out" >&2
        return 1
    fi
}
echo
echo "products installed (Windows Installer):"
current="reading what the run left (reg query)"
products="$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall')"
printf '%s\n' "$products" | grep -i '{' | sed 's/^/  /' || echo "  none"
# The product codes alone, one a line (build/demo/installed-products.txt), from the key names.
printf '%s\n' "$products" | sed -n 's/^HKEY_LOCAL_MACHINE\\.*\\Uninstall\\\({[^\\]*}\)$/\1/Ip' \
    >"$work/installed-products.txt"
echo
echo "registry records written by the setup:"
for key in 'HKLM\Software\Velora\Quorix\SIDData' 'HKLM\Software\Velora\Quorix\10.0' \
           'HKLM\Software\Velora\Setup' 'HKCU\Software\Velora\Setup'; do
    out=$(query "$key" /s)
    if [ -n "$out" ]; then printf '%s\n' "$out" | sed 's/^/  /'; fi
done
machine_records="$(query 'HKLM\Software\Velora' /s)"
user_records="$(query 'HKCU\Software\Velora' /s)"
[ -n "$machine_records$user_records" ] || echo "  none"
echo
echo "properties the base package received:"
received=$(query 'HKLM\Software\Velora\QuorixDemo\Received')
printf '%s\n' "${received:-none}" | sed 's/^/  /'
echo
echo "files extracted:"
data="$WINEPREFIX/drive_c/ProgramData"
[ -d "$data" ] || data="$WINEPREFIX/drive_c/users/Public/Application Data"
find "$WINEPREFIX/drive_c" -path '*{7F150524-34B9-B5DF-9E77-69B10F4205B4}*' -type f -printf '  %p (%s bytes)\n' 2>/dev/null || true
find "$WINEPREFIX/drive_c/users" -name 'VLM*.tmp' -printf '  %p (%s bytes)\n' 2>/dev/null || true
echo
echo "(full log: $work/run.jsonl; prefix kept in $work/prefix)"
echo "($(quorix_wine_path_line))"

# Last, the setup's own log of the run: the newest one in the prefix user's temporary folder.
echo
current="reading the setup's own log"
run_log="$(find "$WINEPREFIX/drive_c/users" -name 'QuorixSetup_*.log' -type f -printf '%T@ %p\n' 2>/dev/null |
    sort -n | tail -n 1 | cut -d' ' -f2-)"
if [ -n "$run_log" ]; then
    echo "the setup's own log ($run_log):"
    tr -d '\r' <"$run_log" >"$work/run.log"
    sed 's/^/  /' "$work/run.log"
fi
if [ "$code" != 0 ]; then
    echo "demo: the setup's run ended with exit code $code" >&2
    exit 1
fi
if [ -z "$run_log" ]; then
    echo "demo: the setup wrote no log of its run in the temporary folder" >&2
    exit 1
fi
