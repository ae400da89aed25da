#!/usr/bin/env bash
# Performance figures of the product, each measured side by side with a yardstick and
# interleaved with it, so that a busy machine slows both alike:
#   1. size of the stub (the product carrying an empty base package and a one-byte pack)
#   2. start-up ("/supportedlang" on bench/launch.c's console) against a GUI program that only
#      exits, each timed from its process creation to its exit inside Wine
#   3. extraction of a 256 MiB base package against the system's copy of the same file
#   4. peak anonymous memory of the product while it extracts that package
#   5. start-up of a 1 MiB and a 1 GiB signed, tagged copy (the tag read must not grow)
#   6. wall time of the host unit suite
#   7. a whole "/silent" run of the product with the demo packages against the least possible
#      program (bench/minimal_install.c: the same packages, already extracted, handed to the
#      installer with the same property strings), each in a fresh copy of one booted prefix;
#      the product's run logs of those runs give the breakdown of its time by step
#
# Usage: bash bench/run.sh        (from anywhere; builds what it needs in build/bench-*)
# Environment:
#   QUORIX_BENCH_RUNS     start-up runs of each program (default 20)
#   QUORIX_BENCH_EXTRACT_RUNS  extraction runs (default 5)
#   QUORIX_BENCH_WHOLE_RUNS    whole runs of each program per repeat (default 30)
#   QUORIX_BENCH_WHOLE_REPEATS repeats of that series, whose spread tells if it is enough (3)
#   QUORIX_BENCH_SCRATCH  Wine prefix and its cache (default ${TMPDIR:-/tmp}/quorix-bench-UID)
#   QUORIX_BENCH_FRESH    where the prefixes of the whole runs live (default: a folder of the
#                         scratch folder's name in /dev/shm when that is a writable tmpfs, else
#                         QUORIX_BENCH_SCRATCH)
#   QUORIX_BENCH_KEEP=1   keep the Wine prefix afterwards
#   QUORIX_BENCH_ONLY=extract  only figures 3 and 4 (one extraction series of the product as
#                         built): skips the host suite, the stubs, the tagged copies and start-up
#   QUORIX_BENCH_ONLY=whole    only figure 7
#   QUORIX_BENCH_ONLY=startup  only figure 2 (the stub product against the minimal exe)
# Results: build/bench-results/*.json, the table in build/bench-results/table.md.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/.." && pwd)"
build="$repo/build"
results="$build/bench-results"
products="$build/bench-products"
payload="$build/bench-payload"
scratch="${QUORIX_BENCH_SCRATCH:-${TMPDIR:-/tmp}/quorix-bench-$(id -u)}"
runs="${QUORIX_BENCH_RUNS:-20}"
extract_runs="${QUORIX_BENCH_EXTRACT_RUNS:-5}"
whole_runs="${QUORIX_BENCH_WHOLE_RUNS:-30}"
whole_repeats="${QUORIX_BENCH_WHOLE_REPEATS:-3}"
only="${QUORIX_BENCH_ONLY:-}"
measure=(python3 "$here/measure.py")

big_size=$((256 * 1024 * 1024))
tag_small=$((1024 * 1024))
tag_large=$((1024 * 1024 * 1024))
this_code='{7F150524-34B9-B5DF-9E77-69B10F4205B4}'
base_stem='{6513270E-269E-0D37-F2A7-4DE452E6B438}'
default_tag='AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0'

step() { printf '\n== %s (%s)\n' "$*" "$(date -u +%H:%M:%S)"; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }
case "$only" in
    "" | extract | whole | startup) ;;
    *) die "QUORIX_BENCH_ONLY=$only: only \"extract\", \"whole\" and \"startup\" are known" ;;
esac
# False for the figures that a run with QUORIX_BENCH_ONLY leaves out.
everything() { [ -z "$only" ]; }
measures() { [ -z "$only" ] || [ "$only" = "$1" ]; }

# The build Wine can run here: the 32-bit product, or its x86-64 twin on a machine without
# 32-bit code (tests/wine/wine-path.sh; QUORIX_WINE_BITS=64 forces it).
. "$repo/tests/wine/wine-path.sh"
quorix_wine_path || die "no Wine path on this machine"
preset="$QUORIX_PRODUCT_PRESET"
case "$preset" in
    win64) arch=x86_64 symbol_prefix="" ;;
    *) arch=i686 symbol_prefix=_ ;;
esac
export QUORIX_BENCH_BUILD="$preset ($QUORIX_WINE_BITS-bit product under $(basename "$QUORIX_WINE_LOADER"))"
echo "bench: $(quorix_wine_path_line)"

for tool in cmake python3 "$QUORIX_WINE_LOADER" "$QUORIX_WINESERVER" Xvfb script osslsigncode \
    "$arch-w64-mingw32-g++-win32" i686-w64-mingw32-g++-win32; do
    command -v "$tool" >/dev/null || die "$tool is not installed (see scripts/ for the setup)"
done
# The figures are only as good as the parsers that produce them.
python3 "$here/measure_test.py" >/dev/null 2>&1 ||
    die "bench/measure_test.py fails: the figures would be wrong"
mkdir -p "$results" "$products" "$payload" "$scratch"
# Each whole run starts from a fresh copy of a 700 MiB prefix. Copied to a disk, the copy leaves
# that much dirty page cache, which the kernel writes back some 30 s later: in the middle of a
# later timed run. In memory nothing is written back.
fresh_root="${QUORIX_BENCH_FRESH:-}"
if [ -z "$fresh_root" ]; then
    fresh_root="$scratch"
    if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && [ -w /dev/shm ]; then
        # Named after the scratch folder: two benchmarks with scratch folders of their own
        # keep apart here too.
        fresh_root="/dev/shm/$(basename "$scratch")"
    fi
fi
mkdir -p "$fresh_root"
rm -f "$results"/*.json "$results/table.md"
"${measure[@]}" machine --out "$results/machine.json"

# ---- builds ------------------------------------------------------------------------------------

if everything; then
step "host unit tests (build/bench-host)"
cmake --preset host -B "$build/bench-host" >"$results/host-configure.log" 2>&1 ||
    die "host configure failed, see $results/host-configure.log"
cmake --build "$build/bench-host" -j2 --target quorix_unit_tests >"$results/host-build.log" 2>&1 ||
    die "host build failed, see $results/host-build.log"
fi

# The payloads. Random bytes for the big package: nothing can shrink or deduplicate them on
# the way, and the installer's refusal of them comes only after the extraction.
: >"$payload/empty-base.msi"
printf 'x' >"$payload/tiny-pack.msi"
if [ "$(stat -c %s "$payload/big-base.msi" 2>/dev/null || echo 0)" != "$big_size" ]; then
    head -c "$big_size" /dev/urandom >"$payload/big-base.msi.tmp"
    mv "$payload/big-base.msi.tmp" "$payload/big-base.msi"
fi

# One product build folder, configured twice: only the resource script and the link run again.
w32="$build/bench-$preset"
product_build() { # base-msi label [extra linker flags] [language packs]
    # (An empty base package or pack list is the demo product's.)
    cmake --preset "$preset" -B "$w32" -DQUORIX_BASE_MSI="$1" \
        -DQUORIX_LANGUAGE_PACKS="${4-en-US=$payload/tiny-pack.msi}" -DCMAKE_CXX_FLAGS= \
        "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-Map=$w32/QuorixSetup.map ${3:-}" \
        >"$results/$preset-configure-$2.log" 2>&1 ||
        die "$preset configure ($2) failed, see $results/$preset-configure-$2.log"
    cmake --build "$w32" -j2 --target QuorixSetup_tagged >"$results/$preset-build-$2.log" 2>&1 ||
        die "$preset build ($2) failed, see $results/$preset-build-$2.log"
    cp "$w32/unsigned/QuorixSetup.exe" "$products/$2-unsigned.exe"
    cp "$w32/QuorixSetup.exe" "$products/$2-signed.exe"
    cp "$w32/QuorixSetup-tagged.exe" "$products/$2-tagged.exe"
}

if [ "$only" = startup ]; then
step "stub product (empty base package, one-byte language pack)"
product_build "$payload/empty-base.msi" stub
fi
if everything; then
step "stub product (empty base package, one-byte language pack)"
product_build "$payload/empty-base.msi" stub
"${measure[@]}" linkmap "$w32/QuorixSetup.map" --out "$results/linkmap.json"
"${measure[@]}" pe "$products/stub-unsigned.exe" --out "$results/stub-unsigned.json"
"${measure[@]}" pe "$products/stub-tagged.exe" --out "$results/stub-signed.json"
# The size goal is the 32-bit product's, which cross-builds on every machine: where Wine runs
# the x86-64 twin, the 32-bit stub is built beside it for the size alone.
stub32="$products/stub-unsigned.exe"
if [ "$preset" != win32 ]; then
    stub32_build="$build/bench-win32-stub"
    cmake --preset win32 -B "$stub32_build" -DQUORIX_BASE_MSI="$payload/empty-base.msi" \
        -DQUORIX_LANGUAGE_PACKS="en-US=$payload/tiny-pack.msi" \
        >"$results/win32-configure-stub.log" 2>&1 ||
        die "win32 configure (stub) failed, see $results/win32-configure-stub.log"
    cmake --build "$stub32_build" -j2 --target QuorixSetup >"$results/win32-build-stub.log" 2>&1 ||
        die "win32 build (stub) failed, see $results/win32-build-stub.log"
    stub32="$products/stub32-unsigned.exe"
    cp "$stub32_build/unsigned/QuorixSetup.exe" "$stub32"
fi
"${measure[@]}" pe "$stub32" --out "$results/stub32-unsigned.json"
python3 - "$results" <<'EOF'
import json, sys
folder = sys.argv[1]
unsigned = json.load(open(folder + "/stub32-unsigned.json"))
native = json.load(open(folder + "/stub-unsigned.json"))
signed = json.load(open(folder + "/stub-signed.json"))
# The stub must really carry nothing: a stale payload would flatter or spoil the figure.
sizes = {e["name"]: e["size"] for e in signed["rcdata"]}
if sizes.get("MSI") != 0 or sizes.get("VLLANGPACK_EN_US") != 1 or len(sizes) != 2:
    sys.exit("bench: the stub's packages are not the empty ones: %s" % sizes)
json.dump({"unsigned": unsigned, "native": native, "signed": signed},
          open(folder + "/stub.json", "w"), indent=1)
EOF

# Two link-flag changes, measured rather than guessed (only the link runs again for each):
# - the default terminate handler of the static libstdc++ names the uncaught exception's type,
#   which pulls in the C++ demangler and the C runtime's printf family; a GUI program has no
#   standard error to print to, so aborting straight away loses nothing;
# - page-sized file alignment lets Wine map the sections from the file instead of reading
#   them into private memory (see the memory figure).
no_demangler="-Wl,--defsym,${symbol_prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${symbol_prefix}abort"
page_aligned='-Wl,--file-alignment,0x1000'
step "stub variants: without the verbose terminate handler, page-aligned"
product_build "$payload/empty-base.msi" stub-no-demangler "$no_demangler"
product_build "$payload/empty-base.msi" stub-aligned "$page_aligned"
product_build "$payload/empty-base.msi" stub-both "$no_demangler $page_aligned"
python3 - "$results" "$products" <<'EOF'
import json, os, sys
folder, products = sys.argv[1:]
json.dump({name: os.path.getsize(os.path.join(products, name + "-tagged.exe"))
           for name in ("stub", "stub-no-demangler", "stub-aligned", "stub-both")},
          open(folder + "/stub-variants.json", "w"), indent=1)
EOF
fi

if measures extract; then
step "products carrying a 256 MiB base package (page-aligned, and as built)"
everything && product_build "$payload/big-base.msi" big-aligned "$page_aligned"
product_build "$payload/big-base.msi" big
"${measure[@]}" pe "$products/big-tagged.exe" --out "$results/big.json"
python3 - "$results/big.json" "$big_size" <<'EOF'
import json, sys
sizes = {e["name"]: e["size"] for e in json.load(open(sys.argv[1]))["rcdata"]}
if sizes.get("MSI") != int(sys.argv[2]):
    sys.exit("bench: the big product carries %s, not the 256 MiB package" % sizes)
EOF
fi

if measures whole; then
step "the demo product (the demo packages of $w32/packages)"
product_build "" demo "" ""
fi

step "yardsticks (build/bench-minimal)"
cmake -S "$here" -B "$build/bench-minimal-$preset" \
    --toolchain "$repo/cmake/toolchain-mingw-$arch-win32.cmake" >"$results/minimal.log" 2>&1 &&
    cmake --build "$build/bench-minimal-$preset" -j2 >>"$results/minimal.log" 2>&1 ||
    die "minimal programs failed to build, see $results/minimal.log"

# Tagged copies of 1 MiB and 1 GiB: the stub padded with zeros after its last section (bytes the
# loader never maps, but the signature covers and the tag reader's mapping spans), then signed
# and stamped as the build does it. The certificate table stays at the end of the file.
if everything; then
step "signed and tagged copies of 1 MiB and 1 GiB"
stamp="$w32/tools/stamp-tag"
cert="$w32/signing/quorix-test-signing.crt"
key="$w32/signing/quorix-test-signing.key"
tagged_copy() { # size name
    local padded="$products/$2-padded.exe" signed="$products/$2-signed.exe"
    cp "$products/stub-unsigned.exe" "$padded"
    # Room for the certificate table (about 2 KiB), so that the signed file ends up near SIZE.
    truncate -s $(($1 - 4096)) "$padded"
    rm -f "$signed" "$products/$2.exe"
    osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Velora Quorix" \
        -in "$padded" -out "$signed" >"$results/sign-$2.log" 2>&1 || die "signing $2 failed"
    rm -f "$padded"
    "$stamp" "$signed" "$products/$2.exe" "$default_tag" >>"$results/sign-$2.log" 2>&1 ||
        die "stamping $2 failed"
    rm -f "$signed"
    osslsigncode verify -CAfile "$cert" -in "$products/$2.exe" 2>&1 |
        grep -q 'Signature verification: ok' || die "the signature of $2 does not verify"
}
tagged_copy "$tag_small" tag-1m
tagged_copy "$tag_large" tag-1g
printf '{"small": %s, "large": %s}\n' "$(stat -c %s "$products/tag-1m.exe")" \
    "$(stat -c %s "$products/tag-1g.exe")" >"$results/tag-files.json"

# ---- host suite ------------------------------------------------------------------------------

step "host unit suite"
"${measure[@]}" once --log "$results/host-suite.log" --out "$results/host-suite.json" \
    "cd '$build/bench-host' && ./quorix_unit_tests --gtest_brief=1"
fi

# ---- Wine --------------------------------------------------------------------------------------

step "Wine prefix"
export QUORIX_WINE_CACHE_DIR="$scratch/wine-cache"
. "$repo/tests/wine/lib.sh"
keeper=""
bench_cleanup() {
    local rc=$?
    # Stopping Wine must not turn a finished run into a failed one: the keeper's own status
    # (killed, 143) is no failure, and nothing here may end the script early.
    set +e
    trap '' TERM INT HUP
    if [ -n "$keeper" ]; then
        kill "$keeper" 2>/dev/null
        wait "$keeper" 2>/dev/null
    fi
    if [ -d "$fresh_root/whole" ]; then
        (use_prefix "$fresh_root/whole"; wine_stop)
    fi
    wine_cleanup
    if [ "${QUORIX_BENCH_KEEP:-}" != 1 ]; then
        rm -rf "$scratch/prefix" "$fresh_root/whole" "$fresh_root/whole-booted"
        [ "$fresh_root" = "$scratch" ] || rmdir "$fresh_root" 2>/dev/null
    fi
    exit $rc
}
trap bench_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
start_xvfb || die "Xvfb did not start"
if [ "$only" != whole ]; then
make_prefix "$scratch/prefix" || die "no Wine prefix"
use_prefix "$scratch/prefix"
# Warm, as Windows is: one wineserver for every run, and a program that holds Wine's desktop
# process and services alive between the timed runs (they would otherwise stop after each run
# and start again with the next GUI program, a second or so each time).
wineserver -p
# In a session of its own: whatever Wine signals when it is stopped does not reach this script.
setsid "$QUORIX_WINE_LOADER" "$(winpath "$build/bench-minimal-$preset/keep_warm.exe")" </dev/null >/dev/null 2>&1 &
keeper=$!
sleep 3
fi

# A program started by bench/launch.c, which reports the program's life from process creation
# to exit inside Wine: Wine's start of the launcher is not in the figure, and no cmd.exe is. The
# launcher runs on a terminal (`script`) so that Wine gives it a console, which the product's
# console answers attach to; the yardsticks are started the same way.
launched() { # exe args...
    local command
    printf -v command '%q ' "$QUORIX_WINE_LOADER" \
        "$(winpath "$build/bench-minimal-$preset/launch.exe")" "$@"
    printf 'SHELL=/bin/bash script -qfec %q /dev/null' "$command"
}
win() { winpath "$products/$1"; }
listed='^- en-US'

if [ "$only" = startup ]; then
step "start-up: $runs interleaved rounds"
"${measure[@]}" interleave --runs "$runs" --timeout 90 --logs "$results/startup-logs" \
    --out "$results/startup.json" --expect "product=$listed" \
    --exit-code product=0 --exit-code minimal=0 --exit-code imports=0 \
    --launched product --launched minimal --launched imports \
    "product=$(launched "$(win stub-tagged.exe)" /supportedlang)" \
    "minimal=$(launched "$(winpath "$build/bench-minimal-$preset/minimal_exit.exe")")" \
    "imports=$(launched "$(winpath "$build/bench-minimal-$preset/minimal_imports.exe")")"
fi
if everything; then
step "start-up and tag read: $runs interleaved rounds"
"${measure[@]}" interleave --runs "$runs" --timeout 90 --logs "$results/startup-logs" \
    --out "$results/startup.json" \
    --expect "product=$listed" --expect "big=$listed" \
    --expect "tag1m=$listed" --expect "tag1g=$listed" \
    --exit-code product=0 --exit-code minimal=0 --exit-code imports=0 \
    --exit-code big=0 --exit-code tag1m=0 --exit-code tag1g=0 \
    --expect "bigaligned=$listed" --exit-code bigaligned=0 \
    --launched product --launched minimal --launched imports --launched big \
    --launched bigaligned --launched tag1m --launched tag1g \
    "product=$(launched "$(win stub-tagged.exe)" /supportedlang)" \
    "minimal=$(launched "$(winpath "$build/bench-minimal-$preset/minimal_exit.exe")")" \
    "imports=$(launched "$(winpath "$build/bench-minimal-$preset/minimal_imports.exe")")" \
    "big=$(launched "$(win big-tagged.exe)" /supportedlang)" \
    "bigaligned=$(launched "$(win big-aligned-tagged.exe)" /supportedlang)" \
    "tag1m=$(launched "$(win tag-1m.exe)" /supportedlang)" \
    "tag1g=$(launched "$(win tag-1g.exe)" /supportedlang)"
fi

if measures extract; then
step "extraction of 256 MiB and peak memory: $extract_runs interleaved pairs, twice"
copy_command="$QUORIX_WINE_LOADER cmd /c copy /y '$(winpath "$payload/big-base.msi")' 'C:\\bench-copy.bin'"
# The all-users folder first, the user's own where a run that is not elevated finds it unsafe to
# use. Wine keeps no folder ACLs, so a folder an earlier run made fails the check (an elevated
# run then ends with "Access denied"): each run starts without either folder (--fresh).
wine_user="$(find "$scratch/prefix/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public |
    head -n 1)"
[ -n "$wine_user" ] || die "no user folder in the prefix: $scratch/prefix/drive_c/users"
# The run asks for a language the copy does not carry: it writes and verifies the base package,
# then ends by itself with exit code 1 and no window, before any installer call. (A one-byte pack
# the installer refuses would end the run in a warning box that nobody closes.)
extraction() { # product-file result-name
    "${measure[@]}" extract --runs "$extract_runs" --size "$big_size" --expected-exit 1 \
        --target "$scratch/prefix/drive_c/ProgramData/$this_code/$base_stem.msi" \
        --target "$wine_user/AppData/Roaming/$this_code/$base_stem.msi" \
        --fresh "$scratch/prefix/drive_c/ProgramData/$this_code" \
        --fresh "$wine_user/AppData/Roaming/$this_code" \
        --copy "$copy_command </dev/null" --copy-target "$scratch/prefix/drive_c/bench-copy.bin" \
        --logs "$results/$2-logs" --out "$results/$2.json" -- "$QUORIX_WINE_LOADER" "$(win "$1")" /silent /language xx-XX
}
extraction big-tagged.exe extract
everything && extraction big-aligned-tagged.exe extract-aligned
rm -f "$scratch/prefix/drive_c/bench-copy.bin"
fi

if measures whole; then
step "whole /silent runs: $whole_repeats x $whole_runs interleaved pairs, each in a fresh prefix"
# The warm prefix of the other figures has no part in these runs: its server, services and
# polling drivers would only compete with them.
if [ -n "$keeper" ]; then
    kill "$keeper" 2>/dev/null || true
    wait "$keeper" 2>/dev/null || true
    keeper=""
    wine_stop
fi
# One booted prefix with the packages already in it; every run gets a fresh copy of it, its own
# wineserver and Wine's services started (untimed), and is then timed from launch to exit.
make_prefix "$fresh_root/whole-booted" || die "no Wine prefix for the whole runs"
mkdir -p "$fresh_root/whole-booted/drive_c/bench-packages"
cp "$w32/packages/"*.msi "$fresh_root/whole-booted/drive_c/bench-packages/"
# What the product passes in a /silent run of its tagged file: every pack it carries (no
# /language), in the order of their resource names, each with " ALLUSERS=1"; then the base
# package with the unattended language name and the default tag's properties
# (src/bootstrap/installer_runs.cpp, src/package/tag_filter.cpp).
"${measure[@]}" pe "$products/demo-tagged.exe" --out "$results/demo.json"
packs="$(python3 - "$results/demo.json" "$w32/packages" <<'EOF'
import json, os, sys
names = sorted(e["name"] for e in json.load(open(sys.argv[1]))["rcdata"]
               if e["name"].startswith("VLLANGPACK_"))
files = ["langpack_%s-%s.msi" % (n.split("_")[1].lower(), n.split("_")[2]) for n in names]
missing = [f for f in files if not os.path.exists(os.path.join(sys.argv[2], f))]
if not files or missing:
    sys.exit("bench: the demo product's packs %s are not all in %s" % (names, sys.argv[2]))
print(";".join("C:\\bench-packages\\" + f for f in files))
EOF
)" || die "no pack list for the minimal installer"
[ -f "$w32/packages/quorix_base.msi" ] || die "no demo base package in $w32/packages"
tag_properties="$(printf '%s' "$default_tag" | tr '&.' ' #')"
export QUORIX_BENCH_PACKS="$packs" QUORIX_BENCH_PACK_PROPS=" ALLUSERS=1" \
    QUORIX_BENCH_BASE='C:\bench-packages\quorix_base.msi' \
    QUORIX_BENCH_BASE_PROPS=" LANGSTRING=silent USERDEFINST=2 $tag_properties TRANSFORMS=:silent FASTOEM=1"
printf -v fresh_prefix '%q' "$fresh_root/whole"
printf -v booted_prefix '%q' "$fresh_root/whole-booted"
printf -v wine_loader '%q' "$QUORIX_WINE_LOADER"
printf -v wine_server '%q' "$QUORIX_WINESERVER"
printf -v warm_exe '%q' "$(winpath "$build/bench-minimal-$preset/keep_warm.exe")"
printf -v exit_exe '%q' "$(winpath "$build/bench-minimal-$preset/minimal_exit.exe")"
# The minimal exe is run to its end after the keeper has started: when it returns, Wine's
# desktop process is up. Wine's services go on starting for a while after that (a second or two
# on a busy machine): `fresh` waits until the prefix's processes are quiet before it times a run.
prepare="$wine_server -k; $wine_server -w; rm -rf $fresh_prefix &&
cp -a --reflink=auto $booted_prefix $fresh_prefix && $wine_server -p </dev/null >/dev/null 2>&1 &&
{ setsid $wine_loader $warm_exe </dev/null >/dev/null 2>&1 & } &&
$wine_loader $exit_exe </dev/null >/dev/null 2>&1"
# A run counts only with the base package installed afterwards: its Uninstall key is there.
base_code="$(sed -n 's/^set(QUORIX_DEMO_BASE_PRODUCT_CODE "\(.*\)")$/\1/p' \
    "$w32/packages/demo_packages.cmake")"
[ -n "$base_code" ] || die "no demo base product code in $w32/packages/demo_packages.cmake"
printf -v installed_check '%s reg query %q </dev/null >/dev/null 2>&1' "$wine_loader" \
    "HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\$base_code"
# The product's run log: the newest QuorixSetup_*.log of the prefix user's temporary folder
# (where Wine keeps it: users/NAME/Temp, or AppData/Local/Temp in newer prefixes).
WINEPREFIX="$fresh_root/whole" "${measure[@]}" fresh --runs "$whole_runs" \
    --repeats "$whole_repeats" --prepare "$prepare" --logs "$results/whole-logs" \
    --settle "$fresh_root/whole" --run-logs "$fresh_root/whole/drive_c/users/*/Temp" \
    --run-logs "$fresh_root/whole/drive_c/users/*/AppData/Local/Temp" \
    --out "$results/overhead.json" \
    --check "product=$installed_check" --check "minimal=$installed_check" \
    "product=$wine_loader $(printf '%q' "$(win demo-tagged.exe)") /silent </dev/null" \
    "minimal=$wine_loader $(printf '%q' "$(winpath "$build/bench-minimal-$preset/minimal_install.exe")") </dev/null"
(use_prefix "$fresh_root/whole"; wine_stop)
fi

# ---- table -----------------------------------------------------------------------------------

step "results"
"${measure[@]}" report "$results" | tee "$results/table.md"
