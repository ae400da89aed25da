#!/usr/bin/env bash
# While the welcome dialog waits, the extracted base package cannot be changed by anyone else:
# another process tries to append to it, to delete it and to rename it away, and all three fail
# (the program holds the file open, shared for reading only). After Next the bytes that were
# extracted are installed. Once the run has ended the same attempts work.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-tagged.exe)" || exit 1
packages="${QUORIX_PACKAGES_DIR:-}"
require_file "$packages/quorix_base.msi" "the demo packages (QUORIX_PACKAGES_DIR)"

base_code="$BASE_CODE"
stem='{6513270E-269E-0D37-F2A7-4DE452E6B438}'
package="C:\\ProgramData\\$base_code\\$stem.msi"
unix_package="$WINEPREFIX/drive_c/ProgramData/$base_code/$stem.msi"
renamed="$WINEPREFIX/drive_c/ProgramData/$base_code/swapped.msi"
held="$SCRATCH/dialog-shown"
release="$SCRATCH/press-next"

unchanged() { # label: the extracted package is still there and still the embedded one
    if [ -f "$unix_package" ] && cmp -s "$unix_package" "$packages/quorix_base.msi"; then
        echo "ok: $1"
    else
        scenario_fail "$1: the extracted package is gone or changed"
    fi
}
# The attempts of another process, each through cmd (the path holds no blanks: no quotes).
try_append() { wine_run -t 60 cmd /c "echo tampered>>$package" >"$SCRATCH/$1.out" 2>&1; }
try_delete() { wine_run -t 60 cmd /c "del /f /q $package" >"$SCRATCH/$1.out" 2>&1; }
try_rename() { wine_run -t 60 cmd /c "ren $package swapped.msi" >"$SCRATCH/$1.out" 2>&1; }

drive held --on kind=dialog --touch "$(winpath "$held")" --wait-file "$(winpath "$release")" \
    --press IDOK -- "$exe" >"$SCRATCH/held.out" 2>&1 &
driver_pid=$!
held_log="$SCRATCH/held.jsonl"  # drive ran in the background: its $LOG stayed there

wait_held "$held" "$driver_pid" "$SCRATCH/held.out" "$release" 90 \
    "the welcome dialog never showed"

echo "== another process, while the dialog waits"
unchanged "extracted before the dialog"
try_append append-held
unchanged "after another process tried to append to it"
try_delete delete-held
unchanged "after another process tried to delete it"
try_rename rename-held
unchanged "after another process tried to rename it"
expect_eq "$([ -e "$renamed" ] && echo yes || echo no)" no "no renamed copy"
for attempt in append delete rename; do
    echo "$attempt: $(tr -d '\r' <"$SCRATCH/$attempt-held.out" | head -n 1)"
done

touch "$release"
wait "$driver_pid"
rc=$?
expect_eq "$rc" 0 "exit code (driver)"
expect_eq "$(exit_code "$held_log")" 0 "exit code"
expect_eq "$(field "$held_log" 0 .kind)" dialog "the welcome dialog was shown"
expect_eq "$(driver_errors "$held_log")" 0 "failed actions"
expect_eq "$(product_installed "$base_code")" yes "base package installed"
unchanged "the package installed is the one extracted"

echo "== after the run, the same attempts"
# Nothing holds the file now: that they work shows they failed above because of the program's
# handle, not because of how they were made.
try_append append-after
expect_eq "$(cmp -s "$unix_package" "$packages/quorix_base.msi" && echo same || echo changed)" \
    changed "appending works"
try_rename rename-after
expect_eq "$([ -e "$renamed" ] && echo yes || echo no)" yes "renaming works"
mv "$renamed" "$unix_package"
try_delete delete-after
expect_eq "$([ -e "$unix_package" ] && echo present || echo deleted)" deleted "deleting works"
scenario_end
