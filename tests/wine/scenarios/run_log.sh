#!/usr/bin/env bash
# Every run leaves its own log in the user's temporary folder. A failing run (a language the copy
# does not carry) ends with exit code 1 and its reason; with the temporary folder read-only it
# makes no log and ends just the same: 1, nothing shown, nothing installed. (That run writes
# nothing else there; an installation's language packs and the installer's own work need the
# folder, with or without a log.) A /silent install names each step with its result, the
# installer calls with the system's text, and ends with the exit line; so does the maintenance
# removal after it.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1

prefix_temp
echo "temporary folder: $win_temp ($temp)"

logs() { find "$temp" -maxdepth 1 -name 'QuorixSetup_*.log' | sort; }
log_count() { logs | grep -c .; }
newest_log() { ls -t "$temp"/QuorixSetup_*.log 2>/dev/null | head -n 1; }

# The format every log keeps: the header, then "<seconds with 6 decimals> <step>: <text>", CRLF
# line ends, and the exit line last and only there.
check_log_format() { # FILE LABEL
    local file="$1" label="$2"
    expect_eq "$(head -n 1 "$file" | tr -d '\r')" \
        "QuorixSetup run log; times are seconds since the run started" "$label: header"
    expect_eq "$(grep -c -v $'\r$' "$file")" 0 "$label: lines without CRLF"
    expect_eq "$(tail -n +2 "$file" | tr -d '\r' | grep -c -v -E '^[0-9]+\.[0-9]{6} [a-z ]+: ')" 0 \
        "$label: lines not of the form '<seconds> <step>: <text>'"
    expect_eq "$(tr -d '\r' <"$file" | grep -c -E '^[0-9.]+ exit: ')" 1 "$label: exit lines"
    expect_eq "$(tail -n 1 "$file" | tr -d '\r' | grep -c -E '^[0-9.]+ exit: code ')" 1 \
        "$label: the exit line is the last"
}
# The step words of the log in order, one line.
steps_of() { tail -n +2 "$1" | tr -d '\r' | sed -E 's/^[0-9.]+ ([a-z ]+): .*/\1/' | uniq | paste -sd,; }
has_line() { tr -d '\r' <"$1" | grep -c -E "^[0-9]+\.[0-9]{6} $2"; }

echo "== a failing run on a fresh machine: /silent /language xx-XX"
drive failing -- "$exe" /silent /language xx-XX
expect_eq "$?" 1 "failing: exit code"
expect_eq "$(window_count "$LOG")" 0 "failing: windows shown"
expect_eq "$(product_installed "$BASE_CODE")" no "failing: nothing installed"
expect_eq "$(log_count)" 1 "failing: logs in the temporary folder"
failing_log="$(newest_log)"
cp "$failing_log" "$SCRATCH/failing.log"
tr -d '\r' <"$failing_log"
check_log_format "$failing_log" failing
expect_eq "$(has_line "$failing_log" 'decision: .*NotInstalled \(1\)$')" 1 "failing: the decision"
expect_eq "$(has_line "$failing_log" 'exit: code 1, the language "xx-XX" named by /language is not in this setup$')" \
    1 "failing: the exit line"

# Read-only for root too: the permission bits alone do not stop root, the immutable flag does.
readonly_temp() {
    chmod a-w "$temp"
    if touch "$temp/write-probe" 2>/dev/null; then
        rm -f "$temp/write-probe"
        chattr +i "$temp" 2>/dev/null
    fi
    if touch "$temp/write-probe" 2>/dev/null; then
        rm -f "$temp/write-probe"
        return 1
    fi
}
writable_temp() {
    chattr -i "$temp" 2>/dev/null
    chmod u+w "$temp"
}
trap 'rc=$?; writable_temp; (exit $rc); _scenario_cleanup' EXIT

echo "== the same failing run with the temporary folder read-only"
readonly_temp || { scenario_fail "the temporary folder could not be made read-only"; scenario_end; }
drive failing-readonly -- "$exe" /silent /language xx-XX
expect_eq "$?" 1 "failing, read-only: exit code as with a log"
expect_eq "$(window_count "$LOG")" 0 "failing, read-only: windows shown"
expect_eq "$(product_installed "$BASE_CODE")" no "failing, read-only: nothing installed"
expect_eq "$(log_count)" 1 "failing, read-only: no log was made"
writable_temp

echo "== /silent install"
drive install -- "$exe" /silent
expect_eq "$?" 0 "install: exit code"
expect_eq "$(log_count)" 2 "install: logs in the temporary folder"
install_log="$(newest_log)"
[ -n "$install_log" ] || { scenario_fail "install: no log"; scenario_end; }
cp "$install_log" "$SCRATCH/install.log"
tr -d '\r' <"$install_log"
check_log_format "$install_log" install
expect_eq "$(basename "$install_log" | grep -c -E '^QuorixSetup_[0-9]{8}_[0-9]{6}\.log$')" 1 \
    "install: the log's name ($(basename "$install_log"))"
expect_eq "$(steps_of "$install_log")" \
    "start,command line,tag,records,requirements,decision,data folder,extract,pending,language,extract,installer,records,exit" \
    "install: the steps in order"
expect_eq "$(has_line "$install_log" 'installer: language pack en-US, UI level none \(2\): result 0 \([^)]+\)$')" \
    1 "install: the pack's installer call with the system's text"
expect_eq "$(has_line "$install_log" 'installer: base package, UI level none \(2\): result 0 \([^)]+\)$')" \
    1 "install: the base package's installer call with the system's text"
expect_eq "$(has_line "$install_log" 'command line: ".*" "/silent"$')" 1 "install: the command line"
expect_eq "$(has_line "$install_log" 'decision: .*NotInstalled \(1\)$')" 1 "install: the decision"
expect_eq "$(has_line "$install_log" 'exit: code 0, the installation succeeded$')" 1 \
    "install: the exit line"
expect_eq "$(product_installed "$BASE_CODE")" yes "install: base package installed"

echo "== the maintenance removal (the helper agrees)"
drive removal -- "$exe" /silent
expect_eq "$?" 0 "removal: exit code"
expect_eq "$(window_count "$LOG")" 0 "removal: windows shown"
expect_eq "$(product_installed "$BASE_CODE")" no "removal: base package removed"
expect_eq "$(log_count)" 3 "removal: logs in the temporary folder"
removal_log="$(newest_log)"
cp "$removal_log" "$SCRATCH/removal.log"
tr -d '\r' <"$removal_log"
check_log_format "$removal_log" removal
expect_eq "$(has_line "$removal_log" 'removal: install helper --uninstall-lullex: ended with 1$')" 1 \
    "removal: the helper's answer"
expect_eq "$(has_line "$removal_log" 'installer: removal of \{[0-9A-F-]+\}, UI level basic \(3\): result 0 \([^)]+\)$')" \
    1 "removal: the installer's removal call"
expect_eq "$(has_line "$removal_log" 'exit: code 0, this release was removed \(maintenance removal\)$')" \
    1 "removal: the exit line"
scenario_end
