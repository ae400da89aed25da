#!/usr/bin/env bash
# The program started through a relative path with a folder part ("dist\QuorixSetup.exe"): the
# stamped tag is read through that path at start, and the current session still lands under the
# release key after the installation, although the program changed its current folder to the
# Windows folder on the way (it finds its own file through GetModuleFileNameW).
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_STAMP_TAG:-}" "stamp-tag (QUORIX_STAMP_TAG)"
product_exe QuorixSetup-tagged.exe >/dev/null

mkdir -p "$SCRATCH/dist"
"$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe" \
    "$SCRATCH/dist/QuorixSetup.exe" 'AFFILIATEID=rel&AFFILIATEIDFLAGS=.2' || exit 1

# The driver starts the program with the command line as given, in its own current folder.
(cd "$SCRATCH" && drive relative -- 'dist\QuorixSetup.exe' /silent)
expect_eq "$?" 0 "exit code (driver)"
LOG="$SCRATCH/relative.jsonl"
expect_eq "$(window_count "$LOG")" 0 "windows shown (the tag was found)"
expect_eq "$(product_installed "$BASE_CODE")" yes "base package installed"
expect_eq "$(reg_values 'HKLM\SOFTWARE\Velora\Quorix\10.0' | grep -c -x -F 'CurSID=REG_SZ=rel')" 1 \
    "CurSID under the release key"
expect_eq "$(reg_values 'HKLM\SOFTWARE\Velora\Quorix' | grep -c -F 'CurSID=')" 0 \
    "no CurSID in the unversioned key"
expect_eq "$(reg_values 'HKLM\SOFTWARE\Velora\Quorix\SIDData\rel' | grep -c -x -F 'Flags=REG_DWORD=0x2')" 1 \
    "session record of the tag's affiliate"
scenario_end
