#!/usr/bin/env bash
# DLL planting: a msi.dll and a version.dll of an attacker's lie beside the setup in its
# downloads folder, which is also the current folder, and Wine is told to prefer such files
# to its own. The silent install must still succeed with the system's libraries and load no
# planted copy. Control runs show that the planted copies are real bait: a program that loads
# the names plainly picks them up, the same program after the setup's own narrowing of the
# search does not.
#
# version.dll can only be baited for the control runs: Wine's own user32 imports it, so under
# "version=n,b" every windowed program in that folder loads the planted copy while Wine
# resolves its imports, before the program's first instruction (the user32 stub below shows
# it; Windows' user32 imports no version.dll). For the setup's run it stays built-in, which
# leaves msi.dll, the library the setup itself loads, as the bait.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
product="$QUORIX_PRODUCT_DIR/QuorixSetup-tagged.exe"
require_file "$product" "the product file QuorixSetup-tagged.exe"
planted="${QUORIX_PLANTED_DIR:-}"
for file in msi.dll version.dll naive-loader.exe user32-stub.exe; do
    require_file "$planted/$file" "the planting fixture $file (QUORIX_PLANTED_DIR)"
done

base_code="$BASE_CODE"
downloads="$SCRATCH/downloads"
mkdir -p "$downloads" || exit 1
cp "$product" "$downloads/QuorixSetup.exe" || exit 1
cp "$planted/msi.dll" "$planted/version.dll" "$planted/naive-loader.exe" \
    "$planted/user32-stub.exe" "$downloads/" || exit 1

# Native (a file found on the search path) before Wine's built-in copies.
planted_overrides="$QUORIX_WINE_OVERRIDES;msi,version=n,b"
setup_overrides="$QUORIX_WINE_OVERRIDES;msi=n,b;version=b"
markers() { (cd "$downloads" && ls -- *.loaded 2>/dev/null | tr '\n' ' '); }
clear_markers() { rm -f "$downloads"/*.loaded; }

echo "== what the exe imports: system libraries only, none that is loaded by path at run time"
require_command "$QUORIX_OBJDUMP" \
    "binutils-mingw-w64-$([ "$QUORIX_OBJDUMP" = i686-w64-mingw32-objdump ] && echo i686 || echo x86-64)"
imports="$("$QUORIX_OBJDUMP" -p "$product" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')"
echo "imports: $imports"
expect_eq "$(printf '%s\n' $imports | grep -c -x kernel32.dll)" 1 "the import table was read"
expect_eq "$(printf '%s\n' $imports | grep -c -E '^(msi|version|wtsapi32)\.dll$')" 0 \
    "msi, version and wtsapi32 are not imported"
# Known libraries are always taken from the system folder; comctl32 comes from the
# side-by-side store through the manifest's Common Controls 6 dependency.
known='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|msvcrt|comctl32)\.dll$'
expect_eq "$(printf '%s\n' $imports | grep -c -v -E "$known")" 0 \
    "every import is a known system library"
if printf '%s\n' $imports | grep -q -x comctl32.dll; then
    expect_eq "$(grep -c -a 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
        "$product")" 1 "the manifest's Common Controls 6 dependency"
fi

cd "$downloads" || exit 1

echo "== control: a plain LoadLibrary picks up the planted copies"
WINEDLLOVERRIDES="$planted_overrides" wine_run -t 60 "$(winpath naive-loader.exe)" \
    msi.dll version.dll
expect_eq "$?" 2 "naive loader: planted libraries loaded"
expect_eq "$(markers)" "msi.dll.loaded version.dll.loaded " "naive loader: markers"
clear_markers

echo "== control: after narrowing the search as the setup does, the same loads miss them"
WINEDLLOVERRIDES="$planted_overrides" wine_run -t 60 "$(winpath naive-loader.exe)" \
    --restricted msi.dll version.dll
expect_eq "$?" 0 "restricted loader: planted libraries loaded"
expect_eq "$(markers)" "" "restricted loader: markers"
clear_markers

echo "== control: Wine's user32 itself pulls in a version.dll found beside the program"
WINEDLLOVERRIDES="$planted_overrides" wine_run -t 60 "$(winpath user32-stub.exe)" \
    >/dev/null 2>&1
expect_eq "$(markers)" "version.dll.loaded " "user32 stub: markers"
clear_markers

echo "== the silent install from the downloads folder"
export WINEDLLOVERRIDES="$setup_overrides"
drive planted -- "$(winpath QuorixSetup.exe)" /silent
rc=$?
export WINEDLLOVERRIDES="$QUORIX_WINE_OVERRIDES"
expect_eq "$rc" 0 "exit code (driver)"
expect_eq "$(exit_code "$LOG")" 0 "exit code of the setup"
expect_eq "$(window_count "$LOG")" 0 "windows shown"
expect_eq "$(markers)" "" "planted libraries loaded by the setup"
expect_eq "$(product_installed "$base_code")" yes "base package installed with the system's msi.dll"
scenario_end
