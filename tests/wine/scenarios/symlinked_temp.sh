#!/usr/bin/env bash
# With the prefix user's temporary folder replaced by a symbolic link to another folder of the
# user's, a /silent run installs, writes nothing into that other folder, and its log, then in the
# administrators' own folder, names where each package went (both there).
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
prefix_temp
other="$(dirname "$temp")/elsewhere"
mkdir -p "$other" && rm -rf "$temp" && ln -s "$other" "$temp"
trap 'rc=$?; rm -f "$temp"; mkdir -p "$temp"; (exit $rc); _scenario_cleanup' EXIT

drive install -- "$exe" /silent
expect_eq "$?" 0 "exit code"
expect_eq "$(product_installed "$BASE_CODE")" yes "base package installed"
expect_eq "$(find "$other" -mindepth 1)" "" "nothing written where the link leads"
log="$(ls -t "$WINEPREFIX/drive_c/ProgramData/$BASE_CODE"/QuorixSetup_*.log 2>/dev/null | head -n 1)"
[ -n "$log" ] || { scenario_fail "no run log in the administrators' folder"; scenario_end; }
tr -d '\r' <"$log"
expect_eq "$(tr -d '\r' <"$log" | grep -E '^[0-9.]+ extract: ' | grep -c -i -F \
    -e "to C:\\ProgramData\\$BASE_CODE\\" -e "to C:\\windows\\$BASE_CODE\\")" \
    2 "the log names both packages in an administrators' folder"
scenario_end
