#!/bin/sh
# The portable archive, unpacked into an empty folder, runs on its own Qt, plugins and fonts:
# none of the host's Qt is loaded, and no LD_LIBRARY_PATH or Qt plugin path is needed.
#   portable.sh Quillmere-VERSION-linux-x86_64.tar.gz
set -eu

fail() {
    echo "portable.sh: FAIL: $*" >&2
    exit 1
}
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: portable.sh TARGZ" >&2
    exit 2
fi
archive=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tmp=$(mktemp -d)
tmp=$(cd "$tmp" && pwd -P)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || :; rm -rf "$tmp"' EXIT INT TERM
mkdir "$tmp/unpacked" "$tmp/work"
tar -xzf "$archive" -C "$tmp/unpacked" || fail "cannot unpack $archive"
top=$(basename "$1" .tar.gz)
top=${top%-linux-*}
q=$tmp/unpacked/$top
[ "$(ls -A "$tmp/unpacked")" = "$top" ] || fail "the archive holds more than the one folder $top/"
[ -f "$q/club/club.qmr" ] || fail "no roll at $top/club/club.qmr"
[ ! -e "$q/program-files.sha256" ] || fail "the archive carries program-files.sha256"
run() { env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH -u QT_QPA_PLATFORM_PLUGIN_PATH "$@"; }
bundled=$(ls "$q/lib")

# Prints, from "name path" lines, each Qt or bundled library that comes from outside. A name
# may be a file's full one (libicuuc.so.72.1 for the bundled libicuuc.so.72).
outside() {
    awk -v q="$q/" -v bundled="$bundled" '
        BEGIN { n = split(bundled, ours, "\n") }
        function ours_(name, i) {
            for (i = 1; i <= n; i++)
                if (name == ours[i] || index(name, ours[i] ".") == 1)
                    return 1
            return name ~ /^libQt6/
        }
        { name = $1; sub(/.*\//, "", name) }
        ours_(name) && index($2, q) != 1 { print "  " name " from " $2 }'
}

for f in "$q"/Tarnwell "$q"/qmr "$q"/qmr-roster "$q"/club.so "$q"/libqmrplatform.so "$q"/plugins/*/*.so; do
    f=${f#"$q"/}
    run ldd "$q/$f" >"$tmp/ldd" 2>&1 || fail "ldd cannot read $f: $(cat "$tmp/ldd")"
    ! grep 'not found' "$tmp/ldd" || fail "$f needs libraries found nowhere"
    bad=$(awk '$2 == "=>" { print $1, $3 }' "$tmp/ldd" | outside)
    [ -z "$bad" ] || fail "$f would load from outside the folder:
$bad"
done

# The roster, first with the host's fonts, then with the bundled ones alone.
printf '<?xml version="1.0"?>\n<fontconfig><cachedir>%s</cachedir></fontconfig>\n' \
    "$tmp/fccache" >"$tmp/fonts.conf"
for fonts in host bundled; do
    pdf=$tmp/work/roster-$fonts.pdf
    set --
    [ $fonts = host ] || set -- FONTCONFIG_FILE="$tmp/fonts.conf"
    (cd "$tmp/work" && run "$@" "$q/qmr-roster" --roster all --out "$pdf") >"$tmp/log" 2>&1 ||
        fail "qmr-roster ($fonts fonts) exited $?: $(cat "$tmp/log")"
    pdfinfo "$pdf" >/dev/null 2>&1 || fail "qmr-roster ($fonts fonts) wrote no PDF"
    faces=$(pdffonts "$pdf" | awk 'NR > 2 { sub(/^[A-Z]+\+/, "", $1); print $1 }' | sort -u)
    case $faces in LiberationSans*) ;; *) fail "the roster ($fonts fonts) uses no Liberation Sans: $faces" ;; esac
    ! printf '%s\n' "$faces" | grep -v '^Liberation' ||
        fail "the roster ($fonts fonts) uses faces other than Liberation"
done

# The program itself: it waits on the first-run club form, holding the roll.
(cd "$tmp/work" && QT_QPA_PLATFORM=offscreen exec env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH \
    -u QT_QPA_PLATFORM_PLUGIN_PATH "$q/Tarnwell") >"$tmp/tarnwell.log" 2>&1 &
pid=$!
tries=0
until [ -e "$q/club/club.qmr.inuse" ]; do
    kill -0 $pid 2>/dev/null || fail "Tarnwell ended before it held the roll: $(cat "$tmp/tarnwell.log")"
    tries=$((tries + 1))
    [ $tries -le 100 ] || fail "Tarnwell did not take the roll within 20 s"
    sleep 0.2
done
sleep 1 # the window it opens loads its image plugins
awk '$6 ~ /\.so/ { print $6 }' "/proc/$pid/maps" | sort -u >"$tmp/maps"
bad=$(awk '{ print $1, $1 }' "$tmp/maps" | outside; grep '/plugins/' "$tmp/maps" | grep -v "^$q/" || :)
[ -z "$bad" ] || fail "Tarnwell loaded from outside the folder:
$bad"
grep -qx "$q/plugins/platforms/libqoffscreen.so" "$tmp/maps" ||
    fail "Tarnwell did not load the bundled offscreen platform plugin"
kill $pid
wait $pid 2>/dev/null || :
pid=
echo "portable.sh: PASS: $(du -k "$archive" | cut -f1) KiB archive," \
    "$(du -sk "$q" | cut -f1) KiB unpacked; roster and Tarnwell run on the bundled files"
