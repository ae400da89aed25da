#!/usr/bin/env bash
# The installer runs on the real Windows Installer, through quorix-probe: the product's option
# loop, the en-US language pack and the base package extracted from the product's executable
# (stamped with another tag), then the runs themselves. The packages record every property
# they received in the registry, which shows the property strings exactly as handed over; the
# logs show which installs "/loglp" and "/logbp" catch; the probe reports the UI levels.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_PROBE:-}" "quorix-probe.exe (QUORIX_PROBE)"
require_file "${QUORIX_STAMP_TAG:-}" "stamp-tag (QUORIX_STAMP_TAG)"
packages="${QUORIX_PACKAGES_DIR:-}"
require_file "$packages/quorix_base.msi" "the demo packages (QUORIX_PACKAGES_DIR)"
product_exe QuorixSetup.exe >/dev/null
stamped="$SCRATCH/QuorixSetup-abc.exe"
"$QUORIX_STAMP_TAG" "$QUORIX_PRODUCT_DIR/QuorixSetup.exe" "$stamped" \
    "AFFILIATEID=abc&AFFILIATEIDFLAGS=.1" || exit 1
QUORIX_PROBE_PAYLOAD="$(winpath "$stamped")"
export QUORIX_PROBE_PAYLOAD
wineserver -p

this_code="$BASE_CODE"
en_gb_code="$EN_GB_PACK_CODE"
received='HKLM\Software\Velora\QuorixDemo\Received'
pack_received='HKLM\Software\Velora\QuorixDemo\LanguagePacks\en-US'
default_tag='AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0'
mkdir -p "$WINEPREFIX/drive_c/logs"

logged() { # log-file windows-package-path -> yes/no
    grep -a -q -F "OriginalDatabase = $2" "$1" && echo yes || echo no
}
levels() { # run-output label base-level
    expect_eq "$(value "$1" result)" 0 "$2: result"
    expect_eq "$(value "$1" uiLevel.before)" 1 "$2: UI level before (a fresh process's)"
    expect_eq "$(value "$1" savedUiLevel)" 1 "$2: savedUiLevel (sweep and packs restored theirs)"
    expect_eq "$(value "$1" uiLevel.base)" "$3" "$2: base package's UI level"
    expect_eq "$(value "$1" uiLevel.restored)" 1 "$2: level after restoring savedUiLevel"
}

echo "== interactive English run, the stamped tag, /loglp alone"
# The log is appended to, never truncated. Wine's msi does not seek to the end of a log it
# appends to: each installation writes from the file's start over what was there, so a second
# header cannot be counted here. What Wine does keep apart is the truncation: without the
# append flag it deletes the file first. An earlier file longer than both logs keeps its end
# only when the flag was given.
{
    head -c 4194304 /dev/zero | tr '\0' ' '
    printf '\nearlier log kept\n'
} >"$WINEPREFIX/drive_c/logs/both.log"
out="$(probe install-runs --tag-file "$QUORIX_PROBE_PAYLOAD" -- /loglp 'C:\logs\both.log')"
printf '%s\n' "$out" >"$SCRATCH/run-interactive.txt"
expect_eq "$(value "$out" tagProperties)" "AFFILIATEID=abc AFFILIATEIDFLAGS=#1" "tag as properties"
levels "$out" interactive 5
pack="$(value "$out" languagePack.0)"
base="$(value "$out" basePackage)"
expect_values --untyped "$received" "base received" LANGSTRING=en-US USERDEFINST=2 \
    AFFILIATEID=abc 'AFFILIATEIDFLAGS=#1' TRANSFORMS=:en-US FASTOEM= VLUPGRADE= DEMOPROP= \
    ALLUSERS=1 AppliedTransform=en-US "ProductCode=$this_code"
# The tag belongs to the base package alone.
expect_values --untyped "$pack_received" "pack received" ALLUSERS=1 AFFILIATEID= \
    AFFILIATEIDFLAGS= LANGSTRING= USERDEFINST= TRANSFORMS= DEMOPROP=
log="$WINEPREFIX/drive_c/logs/both.log"
expect_eq "$(logged "$log" "$pack")" yes "/loglp: the language pack logged"
expect_eq "$(logged "$log" "$base")" yes "/loglp: the base package logged into the same file"
expect_eq "$(grep -a -c -x 'earlier log kept' "$log")" 1 "/loglp: appended, not truncated"
demo_uninstall "$this_code"

echo "== silent run: custom installation, previous generation installed, /bpprops, /lpprops,"
echo "   /logbp alone"
wine_run -t 120 msiexec /i "$(winpath "$PREVIOUS_MSI")" /qn
expect_eq "$?" 0 "msiexec /i the previous generation"
wine_run -t 120 msiexec /i "$(winpath "$packages/langpack_en-GB.msi")" /qn
expect_eq "$?" 0 "msiexec /i the en-GB pack (for the sweep to remove)"
expect_values --untyped 'HKLM\Software\Velora\QuorixDemo\LanguagePacks\en-GB' \
    "en-GB pack before the run" "ProductCode=$en_gb_code"
# The en-US pack of the first run is still installed as well.
out="$(probe install-runs --language-name silent --custom --decide -- /silent \
    /bpprops DEMOPROP=1 /lpprops DEMOPROP=7 /logbp 'C:\logs\base.log')"
printf '%s\n' "$out" >"$SCRATCH/run-silent.txt"
expect_eq "$(value "$out" tagProperties)" "$default_tag" "no tag read: the default one"
expect_eq "$(value "$out" decision.action)" 3 "decision: previous generation"
expect_eq "$(value "$out" installedMajorVersion)" 9 "installedMajorVersion"
expect_eq "$(value "$out" options.basePackageProps)" "DEMOPROP=1 " "/bpprops text"
levels "$out" silent 2
pack="$(value "$out" languagePack.0)"
base="$(value "$out" basePackage)"
expect_values --untyped "$received" "silent base received" DEMOPROP=1 LANGSTRING=silent \
    USERDEFINST=1 AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0' TRANSFORMS=:silent \
    FASTOEM=1 VLUPGRADE=9 AppliedTransform=silent
expect_values --untyped "$pack_received" "silent pack received" DEMOPROP=7 ALLUSERS=1 \
    AFFILIATEID=
expect_eq "$(reg_values 'HKLM\Software\Velora\QuorixDemo\LanguagePacks\en-GB')" "<absent>" \
    "the sweep removed the en-GB pack"
out="$(probe product-info "$en_gb_code" VersionString 32)"
expect_eq "$(value "$out" result)" 1605 "en-GB pack no longer known to the installer"
log="$WINEPREFIX/drive_c/logs/base.log"
expect_eq "$(logged "$log" "$base")" yes "/logbp: the base package logged"
expect_eq "$(logged "$log" "$pack")" no "/logbp: the language pack not logged"
demo_uninstall "$this_code"
demo_uninstall "$PREVIOUS_CODE"

echo "== reduced-UI run: basic UI, no FASTOEM"
out="$(probe install-runs --language-name silent -- /reducedui)"
printf '%s\n' "$out" >"$SCRATCH/run-reduced.txt"
expect_eq "$(value "$out" tagProperties)" "$default_tag" "default tag as properties"
levels "$out" "reduced UI" 3
expect_values --untyped "$received" "reduced-UI base received" LANGSTRING=silent \
    USERDEFINST=2 AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0' TRANSFORMS=:silent \
    FASTOEM= VLUPGRADE= AppliedTransform=silent
demo_uninstall "$this_code"

echo "== interactive run on a machine in preinstall mode: basic UI"
wine_run -t 60 reg add 'HKLM\Software\Velora' /v PreinstallMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
expect_eq "$?" 0 "reg add PreinstallMode=1"
out="$(probe install-runs --language-name de-DE --pack VLLANGPACK_EN_US)"
printf '%s\n' "$out" >"$SCRATCH/run-preinstall.txt"
levels "$out" preinstall 3
expect_values --untyped "$received" "preinstall base received" LANGSTRING=de-DE \
    TRANSFORMS=:de-DE AppliedTransform=de-DE FASTOEM=
scenario_end
