#!/usr/bin/env bash
# "/reducedui" on the multi-language copy: no welcome dialog and no box of the setup's own, the
# packs chosen as in a silent run ("/language fr-FR": that pack alone), the base package with
# the unattended language but without FASTOEM (the installer's basic UI, not none), and, unlike
# a silent run, the install-help page after the success. Given together with "/silent", in
# either order, silent wins: FASTOEM and no page.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
exe="$(product_exe QuorixSetup-multi-tagged.exe)" || exit 1

received='HKLM\Software\Velora\QuorixDemo\Received'
packs_key='HKLM\Software\Velora\QuorixDemo\LanguagePacks'
links_capture


echo "== /reducedui /language fr-FR"
drive reduced -- "$exe" /reducedui /language fr-FR
expect_eq "$?" 0 "reduced: exit code"
# Wine's installer shows no window of its own at the basic UI level, so every window here
# would be the setup's.
expect_eq "$(window_count "$LOG")" 0 "reduced: windows shown (no dialog, no box)"
expect_eq "$(packs_installed)" fr-FR "reduced: packs installed"
expect_eq "$(product_installed "$BASE_CODE")" yes "reduced: base package installed"
expect_values --untyped "$received" "reduced: base received" LANGSTRING=silent \
    TRANSFORMS=:silent AppliedTransform=silent FASTOEM= USERDEFINST=2 \
    AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0'
expect_values --untyped "$packs_key\\fr-FR" "reduced: the pack received" \
    "ProductCode=$FR_FR_PACK_CODE" ALLUSERS=1
links_settled
url="$(links_opened)"
expect_eq "$(printf '%s\n' "$url" | grep -c .)" 1 "reduced: one page opened"
expect_contains "$url" "https://link.velora.example/link/?target=installhelp&errorcode=0&action=1&" \
    "reduced: the install-help page after the success"

echo "== /reducedui /silent, on a fresh machine: silent wins"
make_prefix "$SCRATCH/prefix" || exit 1
use_prefix "$SCRATCH/prefix"
rm -f "$SCRATCH/links.txt"
links_capture
drive both -- "$exe" /reducedui /silent /language de-DE
expect_eq "$?" 0 "both: exit code"
expect_eq "$(window_count "$LOG")" 0 "both: windows shown"
expect_eq "$(packs_installed)" de-DE "both: packs installed"
expect_values --untyped "$received" "both: base received" LANGSTRING=silent FASTOEM=1
links_settled
expect_eq "$(links_opened | grep -c .)" 0 "both: pages opened"
scenario_end
