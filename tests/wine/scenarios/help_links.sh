#!/usr/bin/env bash
# The install-help page after a run. The prefix's https handler is replaced by a Unix shell
# script that appends the address to a file, so the address the product asks the shell to open
# can be read back. A Unix program, because the UI driver runs the product in a job that is
# killed when the product ends: a Windows handler (cmd /c echo) dies before it has written
# anything, a process Wine execs natively is outside the job.
#
# An interactive run that succeeds opens the page with errorcode=0; one whose base package
# fails explains the code in a box and opens the page with that code and the run's language;
# silent runs open nothing, whatever the result. Every check of the pages follows the end of
# the run: Wine has started the handler before ShellExecute returns, and links_settled waits
# for the recorders it started to end.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1

base_code="$BASE_CODE"
pack_code="$EN_US_PACK_CODE"
links="$SCRATCH/links.txt"  # where links_capture's handler writes
links_capture
# A property string the installer cannot parse (an unmatched quote): the base package fails
# with 1639 before it has changed anything.
bad_props='DEMOPROP="x'

echo "== the handler itself"
wine_run -t 60 rundll32 url.dll,FileProtocolHandler 'https://handler.test/?a=1&b=2'
links_settled
expect_eq "$(links_opened)" 'https://handler.test/?a=1&b=2' "the handler records the whole address"
rm -f "$links"

echo "== interactive run, installation succeeds"
drive interactive --on kind=dialog --press IDOK -- "$exe"
expect_eq "$?" 0 "interactive run: exit code"
expect_eq "$(window_count "$LOG")" 1 "interactive run: windows shown (the welcome dialog)"
expect_eq "$(field "$LOG" 0 .kind)" dialog "interactive run: no box"
links_settled
url="$(links_opened)"
expect_eq "$(printf '%s\n' "$url" | grep -c .)" 1 "interactive run: one page opened"
expect_contains "$url" "https://link.velora.example/link/?target=installhelp&errorcode=0&action=1&" \
    "interactive run: install-help page, errorcode=0, action=1 (not installed)"
expect_contains "$url" "&aid=vlq2011aid30017xx-XX" "interactive run: report query: the affiliate"
expect_contains "$url" "&vl_version=$RELEASE_VERSION" "interactive run: report query: the version"
# After a success the link names no language itself: the report's is the UILanguage the base
# package wrote, en-US.
expect_contains "$url" "&vl_lang=en-US&" "interactive run: report query: the installed language"
demo_uninstall "$base_code"
demo_uninstall "$pack_code"
rm -f "$links"

echo "== interactive run, the base package fails"
drive failing --on kind=dialog --press IDOK --on kind=messagebox --snapshot --press OK -- \
    "$exe" /bpprops "$bad_props"
expect_eq "$?" 1 "failing run: exit code"
expect_eq "$(window_count "$LOG")" 2 "failing run: windows shown (the dialog, one box)"
expect_eq "$(field "$LOG" 0 .kind)" dialog "failing run: the welcome dialog first"
expect_contains "$(field "$LOG" 1 .text)" "Invalid command line." \
    "failing run: the installer's error"
expect_eq "$(field "$LOG" 1 .icon)" warning "failing run: the box's icon"
links_settled
url="$(links_opened)"
expect_eq "$(printf '%s\n' "$url" | grep -c .)" 1 "failing run: one page opened"
expect_contains "$url" \
    "https://link.velora.example/link/?target=installhelp&errorcode=1639&action=1&" \
    "failing run: install-help page, errorcode=1639, action=1"
expect_contains "$url" "&aid=vlq2011aid30017xx-XX" "failing run: report query: the affiliate"
expect_contains "$url" "&vl_lang=en-US&" "failing run: report query: the dialog's language"
expect_eq "$(product_installed "$base_code")" no "failing run: base package not installed"
expect_eq "$(product_installed "$pack_code")" no "failing run: the pack installed before went again"
rm -f "$links"

echo "== silent run, the base package fails: no page"
drive failing_silent --on kind=messagebox --snapshot --press OK -- \
    "$exe" /silent /bpprops "$bad_props"
expect_eq "$?" 1 "failing silent run: exit code"
# The code is explained in a box in silent runs as well (the box is the product's, not the
# installer's: "/silent" quiets the installer and the browser only).
expect_eq "$(window_count "$LOG")" 1 "failing silent run: boxes shown"
links_settled  # the run has ended: what it opened is recorded by now
expect_eq "$(links_opened | grep -c .)" 0 "failing silent run: pages opened"

echo "== silent run, installation succeeds: no page"
drive silent -- "$exe" /silent
expect_eq "$?" 0 "silent run: exit code"
expect_eq "$(window_count "$LOG")" 0 "silent run: windows shown"
expect_eq "$(product_installed "$base_code")" yes "silent run: base package installed"
links_settled  # the run has ended: what it opened is recorded by now
expect_eq "$(links_opened | grep -c .)" 0 "silent run: pages opened"
scenario_end
