#!/usr/bin/env bash
# An unsupported parameter is answered on the console the program was started from.
# Under Wine a GUI program started by a console program (cmd, or the UI driver) is attached to
# that console already, so AttachConsole(ATTACH_PARENT_PROCESS) fails with
# ERROR_ACCESS_DENIED; the console is usable all the same when it is a real one (a terminal),
# and unusable when the standard handles are pipes (CI). Both cases are checked here.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_command script bsdutils
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1

strip_terminal() { sed -E 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b\][^\x07]*\x07//g' | tr -d '\r'; }

# A terminal: `script` gives wine a pseudo-terminal, so cmd gets a real console.
printf -v command '%q ' "$QUORIX_WINE_LOADER" cmd /c "$exe" /FOO
SHELL=/bin/bash timeout -k 10 90 script -qfec "$command" /dev/null </dev/null \
    >"$SCRATCH/terminal.raw" 2>&1
rc=$?
terminal="$(strip_terminal <"$SCRATCH/terminal.raw")"
expect_contains "$terminal" 'Parameter "/foo" is not supported!' \
    "the line is printed on the terminal, in lower case"
expect_eq "$rc" 0 "exit code on a terminal"

base_code="$BASE_CODE"
# Answered on the console, the run ends before any installation work.
expect_eq "$(product_installed "$base_code")" no "nothing installed from the terminal run"

# Pipes only: nothing to attach to, the parameter is ignored and the run goes on to the
# welcome dialog; Next installs.
DRIVE_TIMEOUT=60 drive piped --quiet --on kind=dialog --press IDOK -- "$exe" /foo \
    >"$SCRATCH/piped.out" 2>&1
rc=$?
expect_eq "$(grep -c 'not supported' "$SCRATCH/piped.out")" 0 "nothing written to the pipe"
expect_eq "$(window_count "$LOG")" 1 "windows shown with pipes: the welcome dialog alone"
expect_eq "$(field "$LOG" 0 .kind)" dialog "with pipes: the dialog, no box"
expect_eq "$rc" 0 "exit code with pipes"
expect_eq "$(product_installed "$base_code")" yes "with pipes: the run went on and installed"
scenario_end
