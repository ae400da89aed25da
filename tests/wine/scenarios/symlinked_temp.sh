#!/usr/bin/env bash
# The prefix user's temporary folder replaced by a symbolic link to another folder of that user:
# a /silent run still installs, writes nothing into that other folder (no language pack, no
# log), and its log, in the administrators' own folder then, names where each package went.
# Wine reports the link (a unix symbolic link in the prefix) as a reparse point to the program;
# where it does not, the run's log says so by lying in %TEMP% and this scenario fails.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1

win_temp="$(wine_run -t 60 cmd /c echo %TEMP% 2>/dev/null | tr -d '\r' | tail -n 1)"
temp="$(wine_run -t 60 winepath -u "$win_temp" 2>/dev/null | tr -d '\r' | tail -n 1)"
temp="${temp%/}"
if [ -z "$temp" ] || [ ! -d "$temp" ]; then
    scenario_fail "the temporary folder ($win_temp) was not found on the unix side ($temp)"
    scenario_end
fi
other="$(dirname "$temp")/elsewhere"
mkdir -p "$other"
rm -rf "$temp"
ln -s "$other" "$temp"
restore_temp() { rm -f "$temp"; mkdir -p "$temp"; }
trap 'rc=$?; restore_temp; (exit $rc); _scenario_cleanup' EXIT
echo "temporary folder: $win_temp, a symbolic link to $other"

admin_folder="$WINEPREFIX/drive_c/ProgramData/$BASE_CODE"

echo "== /silent install"
drive install -- "$exe" /silent
expect_eq "$?" 0 "install: exit code"
expect_eq "$(product_installed "$BASE_CODE")" yes "install: base package installed"
written="$(find "$other" -mindepth 1 | sort)"
expect_eq "$written" "" "nothing written into the folder the link leads to"

log="$(ls -t "$admin_folder"/QuorixSetup_*.log 2>/dev/null | head -n 1)"
if [ -z "$log" ]; then
    scenario_fail "no run log in the administrators' folder ($admin_folder)"
    scenario_end
fi
tr -d '\r' <"$log"
extracts="$(tr -d '\r' <"$log" | grep -E '^[0-9.]+ extract: ')"
expect_eq "$(printf '%s\n' "$extracts" | grep -c .)" 2 "the log names two extracted packages"
expect_eq "$(printf '%s\n' "$extracts" | grep -c -F "C:\\ProgramData\\$BASE_CODE\\")" 2 \
    "both went to the administrators' folder"
scenario_end
