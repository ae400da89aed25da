#!/usr/bin/env bash
# Installs and removes every demo package under Wine (32-bit prefix of its own, Xvfb) and checks
# what each one leaves behind: the recorded properties, the release key, the Uninstall entries
# the setup reads, the files, the applied transform, and that removal takes all of it away.
#
#   packages/check-packages.sh [PACKAGES_DIR]
#
# PACKAGES_DIR is a build's packages folder (build/win32/packages); without it the packages are
# built from this folder into $CHECK_WORK/build. CHECK_WORK (default /tmp/packages/check) holds
# the Wine prefix and the probe program. Exit code 0 when every check passed.
set -u

here=$(cd "$(dirname "$0")" && pwd)
release_version=$(sed -n 's/^set(QUORIX_RELEASE_VERSION \(.*\))$/\1/p' "$here/../cmake/Release.cmake")
[ -n "$release_version" ] || { echo "no release version in cmake/Release.cmake" >&2; exit 1; }
work=${CHECK_WORK:-/tmp/packages/check}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a "$0" "$@"
fi

mkdir -p "$work"
if [ $# -ge 1 ]; then
    pkgdir=$(cd "$1" && pwd)
else
    pkgdir=$work/build
    cmake -S "$here" -B "$pkgdir" >/dev/null && cmake --build "$pkgdir" -j2 >/dev/null || {
        echo "building the packages failed" >&2
        exit 2
    }
fi
i686-w64-mingw32-gcc -municode -O2 -Wall -Wextra -o "$work/msi_probe.exe" "$here/msi_probe.c" \
    -lole32 || {
    echo "building msi_probe.exe failed" >&2
    exit 2
}

passed=0
failed=0
expect() { # label actual expected
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
        printf 'PASS  %s: %s\n' "$1" "$2"
    else
        failed=$((failed + 1))
        printf 'FAIL  %s: got [%s], expected [%s]\n' "$1" "$2" "$3"
    fi
}

echo "== embedding the transforms keeps every table and stream of the package"
plain=$pkgdir/obj/quorix_base-plain.msi
base=$pkgdir/quorix_base.msi
expect "table list" "$(msiinfo tables "$base" | sort | md5sum)" \
    "$(msiinfo tables "$plain" | sort | md5sum)"
for table in $(msiinfo tables "$plain"); do
    expect "table $table" "$(msiinfo export "$base" "$table" | md5sum)" \
        "$(msiinfo export "$plain" "$table" | md5sum)"
done
expect "cabinet" "$(msiinfo extract "$base" quorix.cab | md5sum)" \
    "$(msiinfo extract "$plain" quorix.cab | md5sum)"
expect "summary" "$(msiinfo suminfo "$base" | md5sum)" "$(msiinfo suminfo "$plain" | md5sum)"

export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
# The boot goes on in the background for a while; a service created meanwhile can vanish again
# (Wine's installer then fails StartServices with 1627).
wineserver -w
# One server for the whole run: without it the server ends whenever no program of ours runs for
# a few seconds, and takes the packages' running service with it.
wineserver -p
drop=$WINEPREFIX/drive_c/check
mkdir -p "$drop"
cp "$pkgdir"/*.msi "$pkgdir"/test/*.msi "$plain" "$work/msi_probe.exe" "$drop/"
trap 'wineserver -k 2>/dev/null' EXIT

pf='C:\Program Files\Velora'
unix_pf=$WINEPREFIX/drive_c/Program\ Files/Velora
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
this_code='{7F150524-34B9-B5DF-9E77-69B10F4205B4}'
previous_code='{D23F0824-128B-2F33-0C5C-7FD0A6A3A450}'
compat_code='{38D433A6-C8EA-48BA-ACA3-CB149363F660}'
en_us_code='{18F135D2-5F55-7203-3018-50C5A38FD547}'
received='HKLM\Software\Velora\QuorixDemo\Received'
default_tag='AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0'

probe() { wine 'C:\check\msi_probe.exe' "$@" 2>/dev/null | tr -d '\r'; }

# The values of one key as "name<TAB>type<TAB>data" lines, names lower-cased.
snapshot() {
    wine reg query "$1" 2>/dev/null | tr -d '\r' |
        awk -F '    ' 'NF >= 3 && $1 == "" { print tolower($2) "\t" $3 "\t" $4 }'
}
value() { # snapshot-text name -> data of the REG_SZ value, or <none>/<type>
    local line
    line=$(printf '%s\n' "$1" | awk -F '\t' -v n="$(echo "$2" | tr 'A-Z' 'a-z')" '$1 == n')
    if [ -z "$line" ]; then
        echo "<none>"
    elif [ "$(printf '%s' "$line" | cut -f2)" != REG_SZ ]; then
        printf '<%s>\n' "$(printf '%s' "$line" | cut -f2)"
    else
        printf '%s\n' "$line" | cut -f3
    fi
}
key_state() { wine reg query "$1" >/dev/null 2>&1 && echo present || echo absent; }

# The demo programs' event log (packages/programs/demo_events.h), one line per event.
events_key='HKLM\Software\Velora\QuorixDemo\Events'
settings_key='HKLM\Software\Velora\QuorixDemo\Settings'
object_key='HKCR\CLSID\{5BE19F12-4C30-4D6B-B458-BE0D081D58AB}'
events() {
    wine reg query "$events_key" /v Log 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *Log *REG_MULTI_SZ *//p' | sed 's/\\0/\n/g'
}
clear_events() { wine reg delete "$events_key" /f >/dev/null 2>&1; }
# The service is started without waiting for it: give it up to 10 s to say so.
service_state() { # expected state -> the state seen last
    local i seen
    for i in $(seq 1 20); do
        seen=$(probe service Velora.QuorixSvc)
        [ "$seen" == "service=$1" ] && break
        sleep 0.5
    done
    echo "$seen"
}
helper() { # folder args... -> exit code
    wine "C:\\Program Files\\Velora\\$1\\VLInstallHelper.exe" "${@:2}" </dev/null >/dev/null 2>&1
    echo $?
}

# The product's programs of one installed release: files, the running service, the COM class.
check_programs() { # label folder
    local label=$1 folder=$2 file
    for file in VLQuorixSvc.exe VLQuorixObject.dll lullex.dat; do
        expect "$label $file" "$(test -f "$unix_pf/$folder/$file" && echo present)" present
    done
    expect "$label service running" "$(service_state 4)" "service=4"
    expect "$label service start recorded" \
        "$(events | grep -c -x -F "service start in $pf\\$folder")" 1
    expect "$label object server" "$(value "$(snapshot "$object_key\\InprocServer32")" '(Default)')" \
        "$pf\\$folder\\VLQuorixObject.dll"
    expect "$label object threading" \
        "$(value "$(snapshot "$object_key\\InprocServer32")" ThreadingModel)" Apartment
}

# Wine's installer asks the service to stop and goes on without waiting for it.
last_event() { # expected line -> the last line seen, within 10 s
    local i seen
    for i in $(seq 1 20); do
        seen=$(events | tail -n 1)
        [ "$seen" == "$1" ] && break
        sleep 0.5
    done
    echo "$seen"
}

check_programs_gone() { # label folder
    expect "$1 service stop recorded" "$(last_event "service stop in $pf\\$2")" \
        "service stop in $pf\\$2"
    expect "$1 service after removal" "$(probe service Velora.QuorixSvc)" "service=absent"
    expect "$1 object class after removal" "$(key_state "$object_key")" absent
    clear_events
}

check_received() { # key label then name=value pairs
    local key=$1 label=$2 snap pair
    shift 2
    snap=$(snapshot "$key")
    for pair in "$@"; do
        expect "$label ${pair%%=*}" "$(value "$snap" "${pair%%=*}")" "${pair#*=}"
    done
}

# A product release after installation: version, registry records, Uninstall layout, files.
check_release() { # label code version name folder release-key language received-key
    local label=$1 code=$2 version=$3 name=$4 folder=$5 release=$6 language=$7 rkey=$8
    expect "$label state" "$(probe state "$code")" "MsiQueryProductStateW=5"
    expect "$label VersionString" "$(probe version "$code")" "VersionString=$version"
    expect "$label UILanguage" \
        "$(value "$(snapshot "HKLM\\Software\\Velora\\Quorix\\$release")" UILanguage)" "$language"
    expect "$label displayName" "$(value "$(snapshot "$uninstall\\$code")" displayName)" "$name"
    expect "$label InstallLocation" \
        "$(value "$(snapshot "$uninstall\\$name")" InstallLocation)" "$pf\\$folder\\"
    expect "$label helper file" \
        "$(test -f "$unix_pf/$folder/VLInstallHelper.exe" && echo present)" present
    check_received "$rkey" "$label received" "ProductCode=$code" "ProductVersion=$version"
}

check_release_gone() { # label code name folder release-key received-key
    expect "$1 state after removal" "$(probe state "$2")" "MsiQueryProductStateW=-1"
    expect "$1 Uninstall key after removal" "$(key_state "$uninstall\\$2")" absent
    expect "$1 named Uninstall key after removal" "$(key_state "$uninstall\\$3")" absent
    expect "$1 release key after removal" "$(key_state "HKLM\\Software\\Velora\\Quorix\\$5")" absent
    expect "$1 received key after removal" "$(key_state "$6")" absent
    expect "$1 folder after removal" "$(test -e "$unix_pf/$4" && echo present || echo absent)" absent
}

echo "== base package through msiexec, the setup's interactive English properties"
wine msiexec /i 'C:\check\quorix_base.msi' /qn LANGSTRING=en-US USERDEFINST=2 \
    AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0' TRANSFORMS=:en-US
expect "msiexec /i exit" $? 0
check_release base "$this_code" "$release_version" "Velora Quorix 2011" "Quorix 2011" 10.0 en-US \
    "$received"
check_received "$received" "base received" LANGSTRING=en-US USERDEFINST=2 \
    AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0' TRANSFORMS=:en-US FASTOEM= \
    VLUPGRADE= ALLUSERS=1 DEMOPROP= AppliedTransform=en-US
expect "base readme" "$(test -f "$unix_pf/Quorix 2011/readme.txt" && echo present)" present
check_programs base "Quorix 2011"

echo "== the product's COM object, called as the setup calls it"
expect "object created" "$(probe object | sed -n 's/^CoCreateInstance=//p')" 0x00000000
expect "object slot 36" "$(events | tail -n 1)" "object slot 36 in $pf\\Quorix 2011"

echo "== the install helper's switches and answers"
helper_folder="$pf\\Quorix 2011"
expect "helper --close-vlqapps" "$(helper "Quorix 2011" --close-vlqapps)" 0
expect "helper --close-vlqapps recorded" "$(events | tail -n 1)" \
    "helper --close-vlqapps in $helper_folder exit 0"
expect "helper --uninstall-lullex" "$(helper "Quorix 2011" --uninstall-lullex)" 1
expect "helper --uninstall-lullex recorded" "$(events | tail -n 2 | paste -sd '|')" \
    "lullex data removed|helper --uninstall-lullex in $helper_folder exit 1"
expect "lullex.dat after the helper" \
    "$(test -e "$unix_pf/Quorix 2011/lullex.dat" && echo present || echo absent)" absent
expect "helper --uninstall-lullex again" "$(helper "Quorix 2011" --uninstall-lullex)" 1
expect "helper without a switch" "$(helper "Quorix 2011")" 87
expect "helper with an unknown switch" "$(helper "Quorix 2011" --uninstall)" 87
expect "helper with a switch and more" "$(helper "Quorix 2011" --close-vlqapps x)" 87
wine reg add "$events_key" /v Log /t REG_SZ /d 'not a list' /f >/dev/null
expect "helper over a log of another type" "$(helper "Quorix 2011" --close-vlqapps)" 0
expect "log of another type started afresh" "$(events | paste -sd '|')" \
    "helper closed 0 product window(s)|helper --close-vlqapps in $helper_folder exit 0"
for answer in 2 0 5; do
    wine reg add "$settings_key" /v UninstallLullexExitCode /t REG_DWORD /d $answer /f >/dev/null
    expect "helper told to answer $answer" "$(helper "Quorix 2011" --uninstall-lullex)" $answer
done
wine reg delete "$settings_key" /f >/dev/null
wine msiexec /x 'C:\check\quorix_base.msi' /qn
expect "msiexec /x exit" $? 0
check_release_gone base "$this_code" "Velora Quorix 2011" "Quorix 2011" 10.0 "$received"
check_programs_gone base "Quorix 2011"
expect "Velora folder after removal" "$(test -e "$unix_pf" && echo present || echo absent)" absent

echo "== base package through MsiInstallProductW (UI level 2), removal by MsiConfigureProductW"
expect "MsiInstallProductW" "$(probe install 2 'C:\check\quorix_base.msi' \
    ' LANGSTRING=en-US USERDEFINST=2 AFFILIATEID=x AFFILIATEIDFLAGS=#0 TRANSFORMS=:en-US')" \
    "MsiInstallProductW=0"
check_received "$received" "probe received" LANGSTRING=en-US USERDEFINST=2 AFFILIATEID=x \
    'AFFILIATEIDFLAGS=#0' TRANSFORMS=:en-US AppliedTransform=en-US
expect "MsiConfigureProductW absent" "$(probe remove 2 "$this_code")" "MsiConfigureProductW=0"
check_release_gone probe "$this_code" "Velora Quorix 2011" "Quorix 2011" 10.0 "$received"

echo "== silent run's string: transform 'silent', FASTOEM, VLUPGRADE, /bpprops text in front"
expect "MsiInstallProductW silent" "$(probe install 2 'C:\check\quorix_base.msi' \
    "DEMOPROP=1  LANGSTRING=silent USERDEFINST=1 $default_tag TRANSFORMS=:silent FASTOEM=1 VLUPGRADE=9")" \
    "MsiInstallProductW=0"
check_received "$received" "silent received" DEMOPROP=1 LANGSTRING=silent USERDEFINST=1 \
    AFFILIATEID=vlq2011aid30017xx-XX 'AFFILIATEIDFLAGS=#0' TRANSFORMS=:silent FASTOEM=1 \
    VLUPGRADE=9 AppliedTransform=silent
expect "silent UILanguage" \
    "$(value "$(snapshot 'HKLM\Software\Velora\Quorix\10.0')" UILanguage)" silent
probe remove 2 "$this_code" >/dev/null

echo "== Wine's property parser: an empty value followed by a blank takes the next word"
expect "MsiInstallProductW empty value" "$(probe install 2 'C:\check\quorix_base.msi' \
    ' LANGSTRING= USERDEFINST=2 TRANSFORMS=:en-US')" "MsiInstallProductW=0"
check_received "$received" "empty value" LANGSTRING=USERDEFINST=2 USERDEFINST= \
    TRANSFORMS=:en-US
probe remove 2 "$this_code" >/dev/null

echo "== every embedded locale transform applies"
for locale in da-DK de-DE en-GB es-ES fr-FR it-IT ja-JP ko-KR nl-NL pl-PL pt-BR ru-RU zh-CN zh-TW; do
    probe install 2 'C:\check\quorix_base.msi' " LANGSTRING=$locale TRANSFORMS=:$locale" >/dev/null
    expect "transform $locale" "$(value "$(snapshot "$received")" AppliedTransform)" "$locale"
    probe remove 2 "$this_code" >/dev/null
done

echo "== a transform the package does not hold (Wine's msi installs anyway; Windows fails, 1624)"
expect "MsiInstallProductW missing transform" "$(probe install 2 'C:\check\quorix_base.msi' \
    ' LANGSTRING=xx-XX TRANSFORMS=:xx-XX')" "MsiInstallProductW=0"
expect "missing transform AppliedTransform" "$(value "$(snapshot "$received")" AppliedTransform)" none
expect "missing transform removal" "$(probe remove 2 "$this_code")" "MsiConfigureProductW=0"

echo "== a package without embedded transforms, asked for one (Wine: installs; Windows: 1624)"
wine msiexec /i 'C:\check\quorix_base-plain.msi' /qn LANGSTRING=en-US TRANSFORMS=:en-US
expect "plain msiexec /i exit" $? 0
expect "plain msiexec AppliedTransform" "$(value "$(snapshot "$received")" AppliedTransform)" none
wine msiexec /x 'C:\check\quorix_base-plain.msi' /qn
expect "plain msiexec /x exit" $? 0
expect "plain MsiInstallProductW" "$(probe install 2 'C:\check\quorix_base-plain.msi' \
    ' LANGSTRING=en-US USERDEFINST=2 AFFILIATEID=x AFFILIATEIDFLAGS=#0 TRANSFORMS=:en-US')" \
    "MsiInstallProductW=0"
expect "plain probe AppliedTransform" "$(value "$(snapshot "$received")" AppliedTransform)" none
expect "plain MsiConfigureProductW" "$(probe remove 2 "$this_code")" "MsiConfigureProductW=0"

echo "== another package with the same product code while the base is installed"
probe install 2 'C:\check\quorix_base.msi' ' LANGSTRING=en-US TRANSFORMS=:en-US' >/dev/null
expect "MsiInstallProductW same code" "$(probe install 2 'C:\check\quorix_10.0.4400.0.msi' '')" \
    "MsiInstallProductW=1638"
expect "same code keeps version" "$(probe version "$this_code")" "VersionString=$release_version"
probe remove 2 "$this_code" >/dev/null

echo "== en-US language pack, the setup's language-pack string"
expect "MsiInstallProductW langpack" "$(probe install 2 'C:\check\langpack_en-US.msi' ' ALLUSERS=1')" \
    "MsiInstallProductW=0"
expect "langpack state" "$(probe state "$en_us_code")" "MsiQueryProductStateW=5"
expect "langpack VersionString" "$(probe version "$en_us_code")" "VersionString=$release_version"
expect "langpack registration" "$(value "$(snapshot \
    'HKLM\Software\Velora\Quorix\10.0\LanguagePacks\en-US')" ProductCode)" "$en_us_code"
check_received 'HKLM\Software\Velora\QuorixDemo\LanguagePacks\en-US' "langpack received" \
    "ProductCode=$en_us_code" ALLUSERS=1 AFFILIATEID= LANGSTRING= TRANSFORMS=
expect "langpack MsiConfigureProductW" "$(probe remove 3 "$en_us_code")" "MsiConfigureProductW=0"
expect "langpack state after removal" "$(probe state "$en_us_code")" "MsiQueryProductStateW=-1"
expect "langpack key after removal" \
    "$(key_state 'HKLM\Software\Velora\QuorixDemo\LanguagePacks\en-US')" absent
expect "release key after langpack removal" "$(key_state 'HKLM\Software\Velora\Quorix\10.0')" absent

echo "== five language packs side by side, then removed by product code"
declare -A pack_codes=(
    [da-DK]='{907A70C3-1012-F037-B64C-E4228C38FB29}' [de-DE]='{923A7369-94E3-BF91-1A61-DBE22E44158B}'
    [en-GB]='{AE97BA94-D0ED-A82F-8F6D-05584EF8AA38}' [en-US]="$en_us_code"
    [fr-FR]='{6B4CB242-4A23-D596-2217-BEADDBC496CB}')
for locale in da-DK de-DE en-GB en-US fr-FR; do
    expect "install $locale" "$(probe install 2 "C:\\check\\langpack_$locale.msi" ' ALLUSERS=1')" \
        "MsiInstallProductW=0"
done
for locale in da-DK de-DE en-GB en-US fr-FR; do
    expect "registered $locale" "$(value "$(snapshot \
        "HKLM\\Software\\Velora\\Quorix\\10.0\\LanguagePacks\\$locale")" ProductCode)" \
        "${pack_codes[$locale]}"
done
for locale in da-DK de-DE en-GB en-US fr-FR; do
    expect "remove $locale" "$(probe remove 3 "${pack_codes[$locale]}")" "MsiConfigureProductW=0"
    expect "state $locale" "$(probe state "${pack_codes[$locale]}")" "MsiQueryProductStateW=-1"
    expect "key $locale after removal" "$(key_state \
        "HKLM\\Software\\Velora\\Quorix\\10.0\\LanguagePacks\\$locale")" absent
done
expect "release key after all packs" "$(key_state 'HKLM\Software\Velora\Quorix\10.0')" absent

echo "== the other releases"
while IFS='|' read -r file code version name folder release rkey; do
    label="$version"
    clear_events
    wine msiexec /i "C:\\check\\$file" /qn LANGSTRING=de-DE USERDEFINST=2
    expect "$label msiexec /i exit" $? 0
    check_release "$label" "$code" "$version" "$name" "$folder" "$release" de-DE "$rkey"
    check_programs "$label" "$folder"
    if [ "$code" == "$compat_code" ]; then
        expect "$label compatibility value" "$(value "$(snapshot \
            'HKLM\Software\Velora\Setup\Compatibility\1')" ProductCode)" "$compat_code"
    fi
    wine msiexec /x "C:\\check\\$file" /qn
    expect "$label msiexec /x exit" $? 0
    check_release_gone "$label" "$code" "$name" "$folder" "$release" "$rkey"
    check_programs_gone "$label" "$folder"
done <<EOF
quorix_10.0.4400.0.msi|$this_code|10.0.4400.0|Velora Quorix 2011|Quorix 2011|10.0|$received
quorix_9.0.1234.5.msi|$previous_code|9.0.1234.5|Velora Quorix 2010|Quorix 2010|9.0|HKLM\\Software\\Velora\\QuorixDemo\\ReceivedBy\\$previous_code
quorix_8.5.100.0.msi|$compat_code|8.5.100.0|Velora Quorix 2009|Quorix 2009|8.0|HKLM\\Software\\Velora\\QuorixDemo\\ReceivedBy\\$compat_code
quorix_11.0.0.0.msi|$this_code|11.0.0.0|Velora Quorix 2012|Quorix 2012|11.0|$received
EOF
expect "compatibility key after removal" \
    "$(key_state 'HKLM\Software\Velora\Setup\Compatibility\1')" absent

echo "== previous generation beside this release, then removed first (the upgrade order)"
probe install 2 'C:\check\quorix_9.0.1234.5.msi' ' LANGSTRING=fr-FR' >/dev/null
expect "both installed" "$(probe install 2 'C:\check\quorix_base.msi' \
    " LANGSTRING=fr-FR USERDEFINST=2 $default_tag TRANSFORMS=:fr-FR VLUPGRADE=9")" \
    "MsiInstallProductW=0"
expect "remove previous generation" "$(probe remove 3 "$previous_code")" "MsiConfigureProductW=0"
check_release "base after 9 removed" "$this_code" "$release_version" "Velora Quorix 2011" \
    "Quorix 2011" 10.0 fr-FR "$received"
check_received "$received" "base after 9 removed" VLUPGRADE=9 AppliedTransform=fr-FR
expect "previous folder removed" "$(test -e "$unix_pf/Quorix 2010" && echo present || echo absent)" \
    absent
probe remove 3 "$this_code" >/dev/null
expect "Velora folder after both" "$(test -e "$unix_pf" && echo present || echo absent)" absent

echo "== nothing left behind"
# The programs' event log is the tests' record, not the product's: no package removes it, so it
# and the keys above it are all that may be left.
expect "keys left below Velora" "$(wine reg query 'HKLM\Software\Velora' /s 2>/dev/null |
    tr -d '\r' | grep '^HKEY.*\\Velora\\' | paste -sd '|')" \
    "HKEY_LOCAL_MACHINE\Software\Velora\QuorixDemo|HKEY_LOCAL_MACHINE\Software\Velora\QuorixDemo\Events"
wine reg delete 'HKLM\Software\Velora' /f >/dev/null 2>&1
expect "HKLM Software\\Velora" "$(key_state 'HKLM\Software\Velora')" absent
expect "Program Files\\Velora" "$(test -e "$unix_pf" && echo present || echo absent)" absent

echo
echo "passed: $passed, failed: $failed"
[ "$failed" -eq 0 ]
