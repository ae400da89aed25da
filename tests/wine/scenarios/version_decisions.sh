#!/usr/bin/env bash
# The installed-version decision on the real Windows Installer: each test release installed
# with msiexec, then GetRequiredMsiConfigureAction through quorix-probe. One prefix for all:
# releases under other product codes stay installed beside each other, so the order below
# also checks which code is asked first (this release's, the compatibility value's, the
# previous generation's). Also the version query itself: MsiGetProductInfoW's answers for a
# buffer of 32 characters and for buffers that are too small.
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_PROBE:-}" "quorix-probe.exe (QUORIX_PROBE)"
packages="${QUORIX_PACKAGES_DIR:-}"
require_file "$packages/quorix_base.msi" "the demo packages (QUORIX_PACKAGES_DIR)"
# Many short wine runs follow: one server for all of them instead of one per run.
wineserver -p

this_code="$BASE_CODE"
previous_code="$PREVIOUS_CODE"
compat_code="$COMPATIBILITY_CODE"
compat_key='HKLM\Software\Velora\Setup\Compatibility\1'



decide() { # label action product-code major [version]
    local out
    out="$(probe decision)"
    printf '%s\n' "$out" >"$SCRATCH/decision-$1.txt"
    expect_eq "$(value "$out" result)" 0x00000000 "$1: result"
    expect_eq "$(value "$out" action)" "$2" "$1: action"
    expect_eq "$(value "$out" installedProductCode)" "$3" "$1: installedProductCode"
    expect_eq "$(value "$out" installedMajorVersion)" "$4" "$1: installedMajorVersion"
    if [ $# -ge 5 ]; then
        expect_eq "$(value "$out" installedVersion)" "$5" "$1: installed version"
    fi
}

echo "== nothing installed"
decide "nothing" 1 "$this_code" 0

echo "== previous generation"
demo_install "$PREVIOUS_MSI"
decide "$PREVIOUS_VERSION" 3 "$previous_code" "${PREVIOUS_VERSION%%.*}" "$PREVIOUS_VERSION"

echo "== an 8.x release that names its code in the compatibility value (asked before 9.x)"
demo_install "$COMPATIBILITY_MSI"
decide "$COMPATIBILITY_VERSION" 2 "$compat_code" "${COMPATIBILITY_VERSION%%.*}" "$COMPATIBILITY_VERSION"

echo "== an older build under this release's code (asked before both)"
demo_install "$OLDER_MSI"
decide "$OLDER_VERSION" 2 "$this_code" "${OLDER_VERSION%%.*}" "$OLDER_VERSION"
demo_uninstall "$this_code"

echo "== a newer release"
demo_install "$NEWER_MSI"
decide "$NEWER_VERSION" 5 "$this_code" "${NEWER_VERSION%%.*}" "$NEWER_VERSION"
demo_uninstall "$this_code"

echo "== this release's base package, installed as the setup installs it"
demo_install "$packages/quorix_base.msi" LANGSTRING=en-US USERDEFINST=2 \
    AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0' TRANSFORMS=:en-US
decide "$RELEASE_VERSION" 7 "$this_code" 10 "$RELEASE_VERSION"

echo "== MsiGetProductInfoW(VersionString) of the installed base, by buffer capacity"
length=${#RELEASE_VERSION}
query() { # label capacity result reported-capacity [buffer]
    local out
    out="$(probe product-info "$this_code" VersionString "$2")"
    expect_eq "$(value "$out" result)" "$3" "$1: result"
    expect_eq "$(value "$out" capacity)" "$4" "$1: reported length"
    if [ $# -ge 5 ]; then
        expect_eq "$(value "$out" buffer)" "$5" "$1: buffer"
    fi
    printf '%s\n' "$out" | sed 's/^/    /'
}
query "capacity 32 (the decision's buffer)" 32 0 "$length" "$RELEASE_VERSION"
query "capacity $((length + 1)) (text and terminator)" $((length + 1)) 0 "$length" \
    "$RELEASE_VERSION"
# 234 = ERROR_MORE_DATA. Wine then leaves the buffer as it was (the simulated installer fills
# in what fits); the decision reads the buffer only after ERROR_SUCCESS.
query "capacity $length (no room for the terminator)" "$length" 234 "$length"
query "capacity 4" 4 234 "$length"
query "no buffer (length only)" null 0 "$length"
out="$(probe product-info "$this_code" NoSuchProperty 32)"
expect_eq "$(value "$out" result)" 1608 "unknown property: ERROR_UNKNOWN_PROPERTY"
out="$(probe product-info '{00000000-1111-2222-3333-444444444444}' VersionString 32)"
expect_eq "$(value "$out" result)" 1605 "product not installed: ERROR_UNKNOWN_PRODUCT"
out="$(probe product-info 'not-a-code' VersionString 32)"
expect_eq "$(value "$out" result)" 87 "malformed product code: ERROR_INVALID_PARAMETER"
demo_uninstall "$this_code"

echo "== back to what is left: the 8.x release through the compatibility value"
decide "$COMPATIBILITY_VERSION again" 2 "$compat_code" "${COMPATIBILITY_VERSION%%.*}"

echo "== the compatibility value as REG_EXPAND_SZ: not a REG_SZ, so it counts as absent"
wine_run -t 60 reg add "$compat_key" /v ProductCode /t REG_EXPAND_SZ /d "$compat_code" /f \
    >/dev/null 2>&1
expect_eq "$?" 0 "reg add the compatibility value as REG_EXPAND_SZ"
decide "compatibility value REG_EXPAND_SZ" 3 "$previous_code" "${PREVIOUS_VERSION%%.*}" \
    "$PREVIOUS_VERSION"

echo "== a compatibility value naming a product that is not installed: 9.x decides"
demo_uninstall "$compat_code"
wine_run -t 60 reg add "$compat_key" /v ProductCode /d "$compat_code" /f >/dev/null 2>&1
expect_eq "$?" 0 "reg add the stale compatibility value"
decide "stale compatibility value" 3 "$previous_code" "${PREVIOUS_VERSION%%.*}" \
    "$PREVIOUS_VERSION"

echo "== nothing left"
demo_uninstall "$previous_code"
decide "all removed" 1 "$this_code" 0
scenario_end
