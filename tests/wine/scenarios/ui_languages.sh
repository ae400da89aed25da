#!/usr/bin/env bash
# The user's Windows UI language decides the language of the setup's own boxes (through the
# packs it carries) and of the string table (through the resource loader). Wine takes the UI
# language from the Unix locale of each process: LC_ALL is enough, the locale need not be
# installed on the host; the registry's International values are rewritten from it.
#
# The probe carries the packs da-DK, de-DE, en-GB, en-US, fr-FR and ja-JP and the product's
# string table. With a newer release of the product installed, it shows the installed-version
# boxes; their text must be the catalog's text of the UI language, drawn without boxes for
# missing glyphs. Japanese needs a CJK font: Wine maps the dialog font to "MS UI Gothic" for
# Japanese, which is replaced here by WenQuanYi Micro Hei (Debian fonts-wqy-microhei).
. "$QUORIX_WINE_TESTS_DIR/scenario.sh"
scenario_begin
require_file "${QUORIX_PROBE:-}" "quorix-probe.exe (QUORIX_PROBE)"
newer_msi="$NEWER_MSI"
require_file "$newer_msi" "the demo package NEWER_MSI (QUORIX_PACKAGES_DIR)"
resources="$QUORIX_WINE_TESTS_DIR/../../src/ui/resources"
strings_rc="$resources/strings.rc"
require_file "$strings_rc" "the string table source"
probe="$(winpath "$QUORIX_PROBE")"
product="Velora Quorix"
release="$RELEASE_VERSION"
cjk_face="WenQuanYi Micro Hei"

# in_language LC_ALL-VALUE COMMAND...: the command with Wine's user and UI language set.
in_language() {
    local locale="$1"
    shift
    # Bash itself complains that the host lacks the locale; Wine does not need it.
    (
        export LC_ALL="$locale" 2>/dev/null
        "$@"
    )
}

# probe_value LC_ALL-VALUE KEY COMMAND ARGS...: one key=value of a probe command's output.
probe_value() {
    local locale="$1" key="$2"
    shift 2
    in_language "$locale" wine_run -t 60 "$QUORIX_PROBE" "$@" | tr -d '\r' |
        sed -n "s/^$key=//p" | head -n 1
}

# The string-table texts, by the names strings.rc writes them with, and the numbers
# resource_ids.h gives those names (what windres substitutes, and what LoadStringW is asked for).
string_names="IDS_REQUIREMENTS_CAPTION IDS_WINDOWS_NOT_SUPPORTED IDS_WINDOWS_XP_UPDATE"
declare -A string_id
for name in $string_names; do string_id[$name]="${!name}"; done

# rc_string LANGID NAME: the text of a string-table entry as written in strings.rc (escapes
# kept, which is how the probe prints texts too).
rc_string() {
    local want_language="$1" want_name="$2" line language=""
    while IFS= read -r line; do
        if [[ $line =~ ^LANGUAGE\ +0x([0-9A-Fa-f]+),\ *0x([0-9A-Fa-f]+) ]]; then
            language=$(printf '0x%04X' $(( (16#${BASH_REMATCH[2]} << 10) | 16#${BASH_REMATCH[1]} )))
        elif [ "$language" = "$want_language" ] &&
            [[ $line =~ ^\ +([A-Za-z_][A-Za-z0-9_]*)\ +\"(.*)\"$ ]] &&
            [ "${BASH_REMATCH[1]}" = "$want_name" ]; then
            printf '%s\n' "${BASH_REMATCH[2]}"
            return 0
        fi
    done <"$strings_rc"
    echo "<no string $want_name for $want_language in strings.rc>"
}

# fill TEXT ARGS...: the "%s" placeholders filled in order, as the setup formats its boxes.
fill() {
    local text="$1" arg
    shift
    for arg in "$@"; do text="${text/\%s/$arg}"; done
    printf '%s\n' "$text"
}

# The recorded text of the first window, escaped as the probe escapes texts.
box_text() {
    jq -s -r '[.[] | select(.event == "window")][0].text // "<no window>"
        | gsub("\\\\"; "\\\\") | gsub("\r"; "\\r") | gsub("\n"; "\\n")' "$1"
}

check_ui_language() {  # LC_ALL-VALUE LANGID CODE BEST-PACK
    local locale="$1" langid="$2" code="$3" best="$4"
    expect_eq "$(probe_value "$locale" ui_language ui-locale)" "$langid" \
        "$code: GetUserDefaultUILanguage"
    expect_eq "$(probe_value "$locale" ui_locale ui-locale)" "$code" "$code: locale name"
    expect_eq "$(probe_value "$locale" best_locale ui-locale)" "$best" "$code: automatic choice"
}

check_string_table() {  # LC_ALL-VALUE CODE TABLE-LANGID
    local locale="$1" code="$2" table="$3" name id
    for name in $string_names; do
        id="${string_id[$name]}"
        expect_eq "$(probe_value "$locale" text load-string "$id")" "$(rc_string "$table" "$name")" \
            "$code: LoadStringW($id, $name) from the $table table"
    done
}

# check_box NAME LC_ALL-VALUE LOCALE KIND KEY ICON ANSWER EXIT-CODE ARGS...: the box of that
# kind, answered with ANSWER; its text must be the catalog text of LOCALE filled with ARGS.
check_box() {
    local name="$1" locale="$2" code="$3" kind="$4" key="$5" icon="$6" answer="$7" exit="$8"
    shift 8
    local expected
    expected="$(fill "$(probe_value "$locale" text catalog-text "$key" "$code")" "$@")"
    in_language "$locale" drive "$name" --quiet --on kind=messagebox \
        --screenshot "$(winpath "$SCRATCH/$name.bmp")" --press "$answer" \
        -- "$probe" installed-version-message "$kind" >/dev/null
    LOG="$SCRATCH/$name.jsonl"  # drive ran in a subshell
    bmp_to_png "$SCRATCH/$name.bmp"
    expect_eq "$(window_count "$LOG")" 1 "$name: windows shown"
    expect_eq "$(field "$LOG" 0 .caption)" "$product" "$name: caption"
    expect_eq "$(box_text "$LOG")" "$expected" "$name: text is the $code catalog text"
    expect_eq "$(field "$LOG" 0 .icon)" "$icon" "$name: icon"
    expect_eq "$(driver_errors "$LOG")" 0 "$name: driver errors"
    expect_eq "$(exit_code "$LOG")" "$exit" "$name: the answer is returned"
}

# Rendering: every character of the text has a glyph in the box's font (or a face Wine links to
# it). Without a CJK font the Japanese text comes out as boxes and 45 of its characters miss.
check_glyphs() {  # LC_ALL-VALUE LOCALE KEY
    expect_eq "$(probe_value "$1" missing message-font-glyphs "$3" "$2")" 0 \
        "$2: characters of $3 without a glyph"
}

require_command fc-list fontconfig
fc-list | grep -q "$cjk_face" || {
    scenario_fail "font '$cjk_face' is missing: scripts/setup.sh installs it (Debian package fonts-wqy-microhei)"
    exit 1
}
wine_run -t 60 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" \
    /d "$cjk_face" /f >/dev/null 2>&1
expect_eq "$?" 0 "font replacement for MS UI Gothic written"
wine_run -t 120 msiexec /i "$(winpath "$newer_msi")" /qn
expect_eq "$?" 0 "newer release $NEWER_VERSION installed"

# German: the UI language has a pack and a string table of its own.
check_ui_language de_DE.UTF-8 0x0407 de-DE de-DE
check_string_table de_DE.UTF-8 de-DE 0x0407
check_box newer_de de_DE.UTF-8 de-DE 0 NewerVersionInstalled information IDOK 1 \
    "$product" "$release" "$product"
check_box older_de de_DE.UTF-8 de-DE 1 OlderVersionInstalled question IDNO 7 \
    "$product" "$NEWER_VERSION" "$product" "$release" "$product"
check_glyphs de_DE.UTF-8 de-DE OlderVersionInstalled

# Japanese: the same with a script the default fonts lack.
check_ui_language ja_JP.UTF-8 0x0411 ja-JP ja-JP
check_string_table ja_JP.UTF-8 ja-JP 0x0411
check_box newer_ja ja_JP.UTF-8 ja-JP 0 NewerVersionInstalled information IDOK 1 \
    "$product" "$release" "$product"
check_glyphs ja_JP.UTF-8 ja-JP NewerVersionInstalled

# English (Australia): no pack and no table of its own. The choice falls to the first pack of
# the same language, the loader to the neutral English table.
check_ui_language en_AU.UTF-8 0x0C09 en-AU en-GB
check_string_table en_AU.UTF-8 en-AU 0x0009

# Swedish: neither a pack nor a table of the language. The choice falls to English (the first
# English pack). The loader tries sv-SE, neutral Swedish, the neutral language and en-US
# (0x0409): the English copy kept under 0x0409 for exactly this case.
check_ui_language sv_SE.UTF-8 0x041D sv-SE en-GB
check_string_table sv_SE.UTF-8 sv-SE 0x0409

scenario_end
