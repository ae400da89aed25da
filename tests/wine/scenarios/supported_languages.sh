#!/usr/bin/env bash
# "/supportedlang" lists the codes of the packs the exe carries, in the order the resource
# directory keeps them, on the terminal the program was started from (see
# console_unsupported_parameter.sh for why a terminal). The product carries en-US only; the
# multi-language test build carries five packs, and their order comes from the loader.
# The probe's resources add the names the enumeration must pass over.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_command script bsdutils
single="$(product_exe QuorixSetup-tagged.exe)" || exit 1
multi="$(product_exe QuorixSetup-multi-tagged.exe)" || exit 1
require_file "${QUORIX_PROBE:-}" "quorix-probe.exe (QUORIX_PROBE)"

strip_terminal() { sed -E 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b\][^\x07]*\x07//g' | tr -d '\r'; }

# on_terminal NAME EXE ARGS...: the terminal's text in $SCRATCH/NAME.txt, the exit code in $rc.
on_terminal() {
    local name="$1" command
    shift
    printf -v command '%q ' "$QUORIX_WINE_LOADER" cmd /c "$@"
    SHELL=/bin/bash timeout -k 10 90 script -qfec "$command" /dev/null </dev/null \
        >"$SCRATCH/$name.raw" 2>&1
    rc=$?
    strip_terminal <"$SCRATCH/$name.raw" >"$SCRATCH/$name.txt"
}

listed() { grep -E '^- ' "$SCRATCH/$1.txt" | tr '\n' ' ' | sed 's/ $//'; }

on_terminal single "$single" /supportedlang
heading() { grep -c '^Supported languages:$' "$SCRATCH/$1.txt"; }
expect_eq "$(heading single)" 1 "product: heading printed once"
expect_eq "$(listed single)" "- en-US" "product: listed packs"
expect_eq "$rc" 0 "product: exit code"

on_terminal multi "$multi" /supportedlang
expect_eq "$(heading multi)" 1 "multi: heading printed once"
expect_eq "$(listed multi)" "- da-DK - de-DE - en-GB - en-US - fr-FR" \
    "multi: listed packs, in order"
expect_eq "$rc" 0 "multi: exit code"
expect_eq "$(grep -c 'not supported' "$SCRATCH/multi.txt")" 0 "multi: no complaint about the switch"

# The probe's packs are declared out of order, one with a hyphen (JA-JP), beside names that are
# no packs: VLLANGPACK_SV_SE (not in the language table), VLLANGPACK_EN_GBX (17 characters),
# MSI and the integer id 1.
wine_run -t 60 "$QUORIX_PROBE" packs >"$SCRATCH/packs.raw"
expect_eq "$?" 0 "probe: packs command"
tr -d '\r' <"$SCRATCH/packs.raw" >"$SCRATCH/packs.txt"
expected_packs="da-DK VLLANGPACK_DA_DK|de-DE VLLANGPACK_DE_DE|en-GB VLLANGPACK_EN_GB|"
expected_packs+="en-US VLLANGPACK_EN_US|fr-FR VLLANGPACK_FR_FR|ja-JP VLLANGPACK_JA-JP|"
expect_eq "$(sed -n 's/^count=//p' "$SCRATCH/packs.txt")" 6 "probe: packs found"
expect_eq "$(sed -n 's/^pack=//p' "$SCRATCH/packs.txt" | tr '\n' '|')" "$expected_packs" \
    "probe: packs in resource-directory order"
scenario_end
