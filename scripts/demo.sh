#!/usr/bin/env bash
# The main job: set up what is missing, build the signed and tagged product, and run it under
# Wine on a fresh prefix, unattended, then show what the run did. Where this machine runs 32-bit
# code that is the 32-bit product in a 32-bit prefix; where it runs none, the x86-64 build of
# the same sources in a 64-bit prefix (tests/wine/wine-path.sh; QUORIX_WINE_BITS=64 forces it).
#   bash scripts/demo.sh [ARGUMENTS...]      (default: /silent)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

. "$repo/tests/wine/wine-path.sh"
requested="${QUORIX_WINE_BITS:-}"
if quorix_wine_path 2>/dev/null; then
    echo "=== $(quorix_wine_path_line)"
    echo "=== the demo runs build/$QUORIX_PRODUCT_PRESET/QuorixSetup-tagged.exe"
fi
bash scripts/setup.sh
# Setup may just have installed Wine: decide again on what is there now.
QUORIX_WINE_BITS="$requested"
unset QUORIX_WINE_DECIDED
quorix_wine_path
product="$QUORIX_PRODUCT_PRESET"
tests="$QUORIX_TESTS_PRESET"
echo "=== building the product ($product: signed, tagged) and the UI driver ($tests)"
cmake --preset "$product" >/dev/null && cmake --build --preset "$product" >/dev/null
cmake --preset "$tests" >/dev/null && cmake --build --preset "$tests" --target ui-driver >/dev/null

args=("$@")
[ ${#args[@]} -gt 0 ] || args=(/silent)

work="$repo/build/demo"
rm -rf "$work"
mkdir -p "$work"
export QUORIX_WINE_CACHE_DIR="$repo/build/wine-cache"
. "$repo/tests/wine/lib.sh"
wine_traps
start_xvfb
echo "=== fresh Wine prefix ($WINEARCH)"
make_prefix "$work/prefix"
use_prefix "$work/prefix"

exe="$repo/build/$product/QuorixSetup-tagged.exe"
driver="$repo/build/$tests/tools/ui_driver/ui-driver.exe"

# The language list needs a real console: `script` gives Wine a terminal, so cmd gets one.
echo "=== from a console: QuorixSetup-tagged.exe /supportedlang"
printf -v listing '%q ' "$QUORIX_WINE_LOADER" cmd /c "$(winpath "$exe")" /supportedlang
SHELL=/bin/bash timeout -k 10 120 script -qfec "$listing" /dev/null </dev/null 2>&1 \
    | sed -E 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b\][^\x07]*\x07//g' | tr -d '\r' | sed '/^$/d' || true

echo
echo "=== running unattended: build/$product/QuorixSetup-tagged.exe ${args[*]}"
set +e
wine_run -t 600 "$driver" --log "$(winpath "$work/run.jsonl")" --timeout 540 --default press \
    -- "$(winpath "$exe")" "${args[@]}" >"$work/driver.out" 2>&1
set -e

echo
echo "=== what the run did"
jq -r 'select(.event == "exit") | "exit code: \(.code)"' "$work/run.jsonl"
boxes=$(jq -s '[.[] | select(.event == "window")] | length' "$work/run.jsonl")
echo "windows shown: $boxes"
jq -r 'select(.event == "window") | "  [\(.kind)] \(.caption): \(.text // "" | gsub("\r?\n"; " / "))"' "$work/run.jsonl"

query() { wine_run -t 60 reg query "$@" 2>/dev/null | tr -d '\r' | sed '/^$/d; /^reg: /d' || true; }
echo
echo "products installed (Windows Installer):"
query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' | grep -i '{' | sed 's/^/  /' || echo "  none"
echo
echo "registry records written by the setup:"
for key in 'HKLM\Software\Velora\Quorix\SIDData' 'HKLM\Software\Velora\Quorix\10.0' \
           'HKLM\Software\Velora\Setup' 'HKCU\Software\Velora\Setup'; do
    out=$(query "$key" /s)
    [ -n "$out" ] && printf '%s\n' "$out" | sed 's/^/  /'
done
[ -n "$(query 'HKLM\Software\Velora' /s)$(query 'HKCU\Software\Velora' /s)" ] || echo "  none"
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
