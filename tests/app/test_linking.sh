#!/usr/bin/env bash
# test_linking.sh PROGRAM_DIR SCRATCH
# The program links QtCore only, whatever the linker's defaults, and its
# commands module QtCore and QtSql; a revision that needs no register loads
# neither the SQL driver nor any module of the program; the window itself loads
# QtNetwork and QtPrintSupport only when a download or a print asks for them.
set -euo pipefail
dir=$1
scratch=$2
program=$dir/velmaris

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch/home"
export HOME=$scratch/home XDG_DATA_HOME=$scratch/home/.local/share \
    XDG_CONFIG_HOME=$scratch/home/.config

needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }

# What the executable asks the loader for: QtCore, the C and C++ runtimes (and
# the sanitizers' runtimes in a sanitizer build); the commands module QtSql besides.
runtime='^(libQt6Core|libasan|libubsan|libc|libm|libdl|libpthread|librt|libstdc\+\+|libgcc_s|ld-linux[-a-z0-9_]*)\.so'
list=$(needed "$program")
grep -q '^libQt6Core\.so' <<<"$list" || fail "readelf finds no NEEDED libQt6Core in $program: $list"
others=$(grep -Ev "$runtime" <<<"$list" || true)
[ -z "$others" ] || fail "velmaris links more than QtCore: $(echo $others)"
echo "velmaris needs: $(echo $list)"
commands=$dir/libvelmaris_commands.so
list=$(needed "$commands")
grep -q '^libQt6Sql\.so' <<<"$list" || fail "readelf finds no NEEDED libQt6Sql in $commands: $list"
others=$(grep -Ev "$runtime" <<<"$list" | grep -v '^libQt6Sql\.so' || true)
[ -z "$others" ] || fail "libvelmaris_commands.so links more than QtCore and QtSql: $(echo $others)"
echo "libvelmaris_commands.so needs: $(echo $list)"

# The window module links no library of the download, the printer nor the ZIP reader.
window_needs=$(needed "$dir/libvelmaris_window.so")
bad=$(grep -E 'Qt6(Network|PrintSupport)|quazip' <<<"$window_needs" || true)
[ -z "$bad" ] || fail "libvelmaris_window.so links $(echo $bad)"

# The libraries a process really opened, as the dynamic loader reports them.
opened() { sed -n 's/.*file=\([^ ]*\) *\[0\];  *\(needed\|dynamically loaded\).*/\1/p' "$1" | sort -u; }

index=$scratch/VELMARIS.TXT
cp "$dir/VELMARIS.TXT" "$index"
LD_DEBUG=files "$program" --rent 850 --quarter 32019 --index-file "$index" \
    >"$scratch/rent.txt" 2>"$scratch/rent.debug" || { tail "$scratch/rent.debug" >&2; fail "--rent"; }
grep -q $'^3è tr\\.2019\t.*\t 850,00\r$' "$scratch/rent.txt" || fail "--rent printed no 850,00"
loaded=$(opened "$scratch/rent.debug")
grep -q 'libQt6Core' <<<"$loaded" || fail "LD_DEBUG=files reports no library at all"
bad=$(grep -E 'qsqlite|Qt6(Gui|Widgets|Network|PrintSupport)|quazip|velmaris_' <<<"$loaded" || true)
[ -z "$bad" ] || fail "a revision without the register loaded: $(echo $bad)"
echo "--rent loaded $(wc -l <<<"$loaded") libraries, no SQL driver"

# The same check sees the commands module and the SQL driver when the register is opened.
LD_DEBUG=files "$program" --leases --all >/dev/null 2>"$scratch/leases.debug" \
    || { tail "$scratch/leases.debug" >&2; fail "--leases --all"; }
loaded=$(opened "$scratch/leases.debug")
grep -q 'libvelmaris_commands\.so' <<<"$loaded" || fail "--leases --all did not load libvelmaris_commands.so"
grep -q 'libqsqlite' <<<"$loaded" \
    || fail "--leases --all loaded no SQL driver: the check above proves nothing"
echo "--leases --all loads the commands module and the SQL driver"

# INSEE's ZIP loads QuaZip through its module, and only then.
zip=$(dirname "$0")/../update/data/insee/serie_001515333.zip
LD_DEBUG=files "$program" --import-insee "$zip" --index-file "$index" \
    >/dev/null 2>"$scratch/zip.debug" || true
opened "$scratch/zip.debug" | grep -q 'libvelmaris_zip.so' || fail "--import-insee of a ZIP did not load libvelmaris_zip.so"
opened "$scratch/zip.debug" | grep -q 'libquazip' || fail "--import-insee of a ZIP did not load QuaZip"
echo "--import-insee of a ZIP loads QuaZip"

# Without its modules the program says what is missing, in French.
mkdir -p "$scratch/nomodules"
status=0
VELMARIS_MODULE_DIR=$scratch/nomodules QT_QPA_PLATFORM=offscreen "$program" "$scratch" \
    >/dev/null 2>"$scratch/nowindow.err" || status=$?
[ $status -ne 0 ] || fail "the window opened without its module"
grep -q "^La fenêtre de Velmaris ne peut pas s'ouvrir : libvelmaris_window.so est introuvable" \
    "$scratch/nowindow.err" || fail "no French message without the window module: $(cat "$scratch/nowindow.err")"
echo "without its module the window says so"
status=0
VELMARIS_MODULE_DIR=$scratch/nomodules "$program" --leases >/dev/null 2>"$scratch/nocommands.err" \
    || status=$?
[ $status -ne 0 ] || fail "--leases succeeded without the commands module"
grep -q "^La commande --leases demande un module de Velmaris qui ne se charge pas (libvelmaris_commands.so est introuvable) ; réinstallez le programme\. Le calcul d'un loyer révisé reste possible" \
    "$scratch/nocommands.err" || fail "no French message without the commands module: $(cat "$scratch/nocommands.err")"
VELMARIS_MODULE_DIR=$scratch/nomodules "$program" --rent 850 --quarter 32019 --index-file "$index" \
    >"$scratch/rent.txt" 2>/dev/null || fail "--rent failed without the modules"
grep -q $'^3è tr\\.2019\t.*\t 850,00\r$' "$scratch/rent.txt" || fail "--rent without the modules printed no 850,00"
echo "without its modules --leases says so and --rent still revises"

# The window, up to its first paint.
: >"$scratch/window.debug"
LD_DEBUG=files VELMARIS_TRACE_STARTUP=1 QT_QPA_PLATFORM=offscreen "$program" "$scratch" \
    >/dev/null 2>"$scratch/window.debug" &
window=$!
for _ in $(seq 300); do
    grep -q 'first paint after' "$scratch/window.debug" && break
    kill -0 $window 2>/dev/null || break
    sleep 0.1
done
kill $window 2>/dev/null || true
wait $window 2>/dev/null || true
grep -q 'first paint after' "$scratch/window.debug" \
    || { tail "$scratch/window.debug" >&2; fail "the window did not paint"; }
loaded=$(opened "$scratch/window.debug")
grep -q 'libQt6Widgets' <<<"$loaded" || fail "the window loaded no QtWidgets"
bad=$(grep -E 'Qt6(Network|PrintSupport)|quazip|qsqlite' <<<"$loaded" || true)
[ -z "$bad" ] || fail "the window loaded at start: $(echo $bad)"
echo "the window painted without QtNetwork, QtPrintSupport, QuaZip nor the SQL driver"
