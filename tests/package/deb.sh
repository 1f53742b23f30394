#!/bin/sh
# tests/package/deb.sh DEB: the Debian package as lintian, the desktop and AppStream
# validators and a secretary's apt see it: what it holds, what it needs, and an empty roll.
set -eu
deb=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "deb.sh: FAIL: $*" >&2; failed=1; }

lintian --fail-on error --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 ||
    fail "lintian reports errors: $(cat "$work/lintian")"

dpkg-deb -x "$deb" "$work/root"
root=$work/root
app=$root/usr/lib/quillmere
id=example.velliscar.Quillmere

# What a secretary's computer gets, and nothing outside these places.
for f in usr/bin/quillmere usr/lib/quillmere/Tarnwell usr/lib/quillmere/club.so \
    usr/lib/quillmere/libqmrplatform.so usr/lib/quillmere/qmr usr/lib/quillmere/qmr-roster \
    usr/lib/quillmere/club/club.qmr usr/lib/quillmere/help/Tarnwell.hlp \
    usr/lib/quillmere/help/qmr.hlp usr/lib/quillmere/text/About.rtf \
    usr/lib/quillmere/images/club_01.jpg usr/lib/quillmere/program-files.sha256 \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/icons/hicolor/48x48/apps/$id.png \
    usr/share/icons/hicolor/256x256/apps/$id.png usr/share/man/man1/quillmere.1.gz \
    usr/share/man/man1/qmr.1.gz usr/share/man/man1/qmr-roster.1.gz \
    usr/share/doc/quillmere/copyright usr/share/doc/quillmere/changelog.gz; do
    [ -e "$root/$f" ] || fail "the package lacks /$f"
done
for tool in qmr qmr-roster; do
    [ "$(readlink "$root/usr/bin/$tool")" = quillmere ] || fail "/usr/bin/$tool is not a link to quillmere"
done
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||; s|/$||' | while read -r p; do
    case "$p" in
    "" | usr | usr/bin | usr/bin/* | usr/lib | usr/lib/quillmere | usr/lib/quillmere/* | \
        usr/share | usr/share/applications* | usr/share/metainfo* | usr/share/icons* | usr/share/lintian* | \
        usr/share/man | usr/share/man/man1* | usr/share/doc | usr/share/doc/quillmere*) ;;
    *) echo "$p" ;;
    esac
done >"$work/stray"
[ -s "$work/stray" ] && fail "files outside the package's places: $(cat "$work/stray")"
# Every user starts from this roll: it must hold no one.
members=$(sqlite3 "$app/club/club.qmr" 'SELECT COUNT(*) FROM tblMembers' 2>&1)
[ "$members" = 0 ] || fail "the shipped roll is not empty: $members"
# The launcher trusts this list to know the program files.
(cd "$app" && sha256sum --quiet -c program-files.sha256) || fail "program-files.sha256 does not match"
listed=$(wc -l <"$app/program-files.sha256")
actual=$(cd "$app" && find . -type f ! -path './club/*' ! -name program-files.sha256 | wc -l)
[ "$listed" = "$actual" ] || fail "program-files.sha256 lists $listed files, the folder has $actual"

# Qt and SQLite from the distribution, and what the binaries cannot name.
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libqt6printsupport6 libqt6help6 libsqlite3-0 libqt6sql6-sqlite \
    fonts-liberation libc6; do
    echo "$depends" | grep -q "$need" || fail "Depends lacks $need: $depends"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/as" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/as")"

[ "$failed" = 0 ] && echo "deb.sh: $(basename "$deb"), $(stat -c %s "$deb") bytes: all checks passed"
exit "$failed"
