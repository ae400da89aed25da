#!/usr/bin/env bash
# The embedded packages written to files on the real system, through quorix-probe with the
# product's own executable as the payload: the base package into the hidden data folder
# (byte for byte the package the build embedded), again over itself, beside a copy that is
# held open, and to the user's folder when the all-users one is blocked; the language pack
# into fresh temporary files; a missing resource ends with the error box.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_PROBE:-}" "quorix-probe.exe (QUORIX_PROBE)"
packages="${QUORIX_PACKAGES_DIR:-}"
require_file "$packages/quorix_base.msi" "the demo packages (QUORIX_PACKAGES_DIR)"
QUORIX_PROBE_PAYLOAD="$(product_exe QuorixSetup.exe)" || exit 1
export QUORIX_PROBE_PAYLOAD
wineserver -p

this_code="$BASE_CODE"
stem='{6513270E-269E-0D37-F2A7-4DE452E6B438}'
common="C:\\ProgramData\\$this_code\\"
user_folder="C:\\users\\$(id -un)\\AppData\\Roaming\\$this_code\\"

unix_of() { # a C:\ path of the prefix -> its file
    local p="${1#C:\\}"
    printf '%s/drive_c/%s\n' "$WINEPREFIX" "${p//\\//}"
}
same_bytes() { # windows-path reference label
    if cmp -s "$(unix_of "$1")" "$2"; then
        echo "ok: $3"
    else
        scenario_fail "$3: $1 differs from $2"
    fi
}
hidden_and_system() { # folder label
    local out flags
    out="$(probe attributes "$1")"
    expect_eq "$(value "$out" directory)/$(value "$out" hidden)/$(value "$out" system)" 1/1/1 \
        "$2: GetFileAttributesW says directory, hidden, system"
    # The system's own tool, as a user would look: the flags stand before the path.
    flags="$(wine_run -t 60 attrib "${1%\\}" 2>/dev/null | tr -d '\r')"
    flags="${flags%%C:*}"
    expect_eq "$(printf '%s' "$flags" | tr -cd 'HS' | fold -w1 | sort | tr -d '\n')" HS \
        "$2: attrib shows H and S"
}

echo "== the all-users folder is blocked by a file of its name: the user's folder is used"
touch "$(unix_of "${common%\\}")"
out="$(probe data-folder common)"
expect_eq "$(value "$out" result)" 0x80070005 \
    "data folder on a file: no safe all-users folder, E_ACCESSDENIED"
expect_eq "$(value "$out" folder)" "<unchanged>" "data folder on a file: folder not set"
out="$(probe extract-base)"
expect_eq "$(value "$out" basePackage)" "$user_folder$stem.msi" \
    "base package in the user's folder"
same_bytes "$(value "$out" basePackage)" "$packages/quorix_base.msi" "user's copy byte-identical"
hidden_and_system "$user_folder" "user's data folder"
rm -f "$(unix_of "${common%\\}")"

echo "== first extraction into the all-users folder"
out="$(probe data-folder common)"
expect_eq "$(value "$out" result)" 0x00000000 "GetDataFolder(all users): result"
expect_eq "$(value "$out" folder)" "$common" "GetDataFolder(all users): folder"
out="$(probe data-folder user)"
expect_eq "$(value "$out" result)" 0x00000000 "GetDataFolder(per user): result"
expect_eq "$(value "$out" folder)" "$user_folder" "GetDataFolder(per user): folder"
# The folder made just now by GetDataFolder goes again, so that the extraction creates it.
rm -rf "$(unix_of "$common")"
out="$(probe extract-base)"
base="$(value "$out" basePackage)"
expect_eq "$base" "$common$stem.msi" "base package path"
same_bytes "$base" "$packages/quorix_base.msi" \
    "extracted base package byte-identical to the embedded one"
hidden_and_system "$common" "data folder"

echo "== second extraction: the same file, rewritten; the folder made hidden and system again"
printf 'stale' >"$(unix_of "$base")"
wine_run -t 60 attrib -h "${common%\\}" >/dev/null 2>&1
wine_run -t 60 attrib -s "${common%\\}" >/dev/null 2>&1
out="$(probe attributes "$common")"
expect_eq "$(value "$out" hidden)$(value "$out" system)" 00 \
    "attributes cleared before the second run"
# Wine keeps no access list given to CreateDirectoryW: the folder the first run made reads back
# as owned by this user with full control, which no all-users folder may be. The second run
# therefore turns to the user's own folder (on Windows the folder keeps its list and its owner,
# the Administrators, and is used again).
out="$(probe data-folder common)"
expect_eq "$(value "$out" result)" 0x80070005 "second run: the folder made by the first is not safe here"
out="$(probe extract-base)"
base="$(value "$out" basePackage)"
expect_eq "$base" "$user_folder$stem.msi" "second extraction: the user's folder"
same_bytes "$base" "$packages/quorix_base.msi" "second extraction: byte-identical"
printf 'stale' >"$(unix_of "$base")"
out="$(probe extract-base)"
expect_eq "$(value "$out" basePackage)" "$base" "third extraction: same path"
same_bytes "$base" "$packages/quorix_base.msi" "third extraction: written anew"
hidden_and_system "$user_folder" "user's data folder after the third run"
common="$user_folder"

echo "== the usual file held open without sharing: a numbered name beside it"
out="$(probe extract-base --lock-target)"
expect_eq "$(value "$out" locked)" "$base" "held file"
numbered="$(value "$out" basePackage)"
case "$numbered" in
    "$common${stem}_"[0-9]*.msi) echo "ok: numbered name ($numbered)" ;;
    *)
        scenario_fail "numbered name: got '$numbered'"
        ;;
esac
digits="${numbered#"$common${stem}_"}"
digits="${digits%.msi}"
expect_eq "$(printf '%s' "$digits" | tr -d '0-9')" "" "the number is plain decimal digits"
same_bytes "$numbered" "$packages/quorix_base.msi" "numbered copy byte-identical"

echo "== the language pack, twice: two temporary files, both kept"
first="$(value "$(probe extract-pack VLLANGPACK_EN_US)" languagePack)"
second="$(value "$(probe extract-pack VLLANGPACK_EN_US)" languagePack)"
temp="C:\\users\\$(id -un)\\Temp\\"
for pack in "$first" "$second"; do
    case "$pack" in
        "${temp}VLM"*.tmp) echo "ok: temporary file name ($pack)" ;;
        *)
            scenario_fail "temporary file name: got '$pack'"
            ;;
    esac
    same_bytes "$pack" "$packages/langpack_en-US.msi" "language pack $pack byte-identical"
done
if [ -n "$first" ] && [ "$first" != "$second" ]; then
    echo "ok: two different files"
else
    scenario_fail "the two extractions gave '$first' and '$second'"
fi

echo "== a language pack the executable does not carry: the error box, exit code 1814"
drive missing-pack --on kind=messagebox --press OK -- "$(winpath "$QUORIX_PROBE")" \
    extract-pack VLLANGPACK_XX_XX >/dev/null 2>&1
expect_eq "$(window_count "$LOG")" 1 "missing pack: boxes shown"
# The system's own text for 1814, as this system words it, behind the context.
system_text="$(value "$(probe system-text 1814)" text)"
expect_eq "$(field "$LOG" 0 '.text | gsub("\r"; "\\r") | gsub("\n"; "\\n")')" \
    "ResExportToFile$system_text" "missing pack: box text"
expect_eq "$(field "$LOG" 0 .icon)" error "missing pack: error icon"
expect_eq "$(exit_code "$LOG")" 1814 "missing pack: exit code ERROR_RESOURCE_NAME_NOT_FOUND"
scenario_end
