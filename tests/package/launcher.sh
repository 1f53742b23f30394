#!/bin/sh
# The package's per-user launcher, run from the extracted package with homes in a temporary
# folder. usage: launcher.sh PACKAGE.deb | launcher.sh --root ROOT (laid out as the package is)
# shellcheck disable=SC2015 # "A && B || fail" fails unless both hold
set -eu
work=$(mktemp -d) pid=
trap '[ -z "$pid" ] || kill "$pid"; rm -rf "$work"' EXIT
trap 'exit 1' HUP INT TERM
case ${1:-} in
--root) cp -a "${2:?a tree laid out as the package is}/." "$work/root" ;; # the upgrade changes it
*.deb) dpkg-deb -x "$1" "$work/root" ;;
*) echo "usage: launcher.sh PACKAGE.deb | launcher.sh --root ROOT" >&2 && exit 2 ;;
esac
bin=$work/root/usr/bin app=$work/root/usr/lib/quillmere a=$work/a/data/quillmere failed=0
unset XDG_DATA_HOME XDG_CONFIG_HOME
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
fail() { echo "FAIL: $*" >&2 && failed=1; }

as() { # runs a command as user $1, with a home of their own; user b has the XDG defaults
    h=$work/$1 && shift && mkdir -p "$h"
    case $h in */b) x= ;; *) x=$h ;; esac
    HOME=$h XDG_DATA_HOME=${x:+$x/data} XDG_CONFIG_HOME=${x:+$x/config} "$@"
}
members() { # in user $1's roll, counted from an export; -1 when that fails
    rm -f "$work/x.csv"
    as "$1" "$bin/qmr" export --out "$work/x.csv" >/dev/null 2>&1 || true
    echo $(($(grep -c '' "$work/x.csv" 2>/dev/null || echo 0) - 1))
}
programs_match() { # folder $1 holds the installed program files and manifest
    cmp -s "$app/program-files.sha256" "$1/program-files.sha256" &&
        (cd "$1" && sha256sum --quiet --strict -c "$app/program-files.sha256" >/dev/null 2>&1)
}
refused() { # $1 names the case; the command must fail with exit 1 and a message
    what=$1 && shift && rc=0 && "$@" >"$work/out" 2>&1 || rc=$?
    if [ "$rc" != 1 ] || [ ! -s "$work/out" ]; then fail "$what: exit $rc: $(cat "$work/out")"; fi
}
(cd "$app" && sha256sum --quiet --strict -c program-files.sha256) || fail "a wrong manifest"

# First start, by two launchers at once.
as a "$bin/qmr-roster" --roster all --out "$work/r.pdf" >/dev/null 2>&1 &
[ "$(members a)" = 0 ] || fail "first start: qmr export found no empty roll"
wait $! || fail "first start: qmr-roster failed"
programs_match "$a" || fail "first start: the program files in $a are not the installed ones"
cmp -s "$app/club/club.qmr" "$a/club/club.qmr" || fail "first start: no fresh empty roll in $a"
[ "$(stat -c %a "$a")" = 700 ] || fail "first start: others can read $a"
as a "$bin/qmr" import "$a/samples/sample-members.csv" >/dev/null 2>&1 || fail "qmr import"
before=$(members a)

# quillmere starts Tarnwell from the folder; killed, it leaves a stale lock behind.
HOME=$work/a XDG_DATA_HOME=$work/a/data XDG_CONFIG_HOME=$work/a/config "$bin/quillmere" \
    >/dev/null 2>&1 &
pid=$! i=0
until [ "$(readlink "/proc/$pid/exe")" = "$(readlink -f "$a/Tarnwell")" ] &&
    [ -e "$a/club/club.qmr.inuse" ]; do
    [ $((i += 1)) -le 100 ] || { fail "quillmere did not start $a/Tarnwell in 20 s" && break; }
    sleep 0.2
done
{ kill "$pid" && wait "$pid"; } 2>/dev/null || pid=

# An upgrade: a changed, a new and a removed program file; the user's own files stay as they are.
mkdir -p "$a/backups" && echo mine >"$a/backups/mine" && echo failure >"$a/error.log"
mkdir "$work/kept" && cp -a "$a/club/club.qmr" "$a/backups" "$a/error.log" "$work/kept"
echo changed >"$app/text/About.rtf" && echo new >"$app/text/Read me.txt"
rm "$app/samples/sample-members.csv"
(cd "$app" && find . \( -type f -o -type l \) ! -path './club/*' ! -name program-files.sha256 \
    -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum >"$work/manifest")
mv "$work/manifest" "$app/program-files.sha256"
as a "$bin/qmr" >/dev/null 2>&1 || true # only its usage: the roll stays closed
programs_match "$a" || fail "upgrade: the program files in $a are not the new ones"
[ ! -e "$a/samples/sample-members.csv" ] || fail "upgrade: a file no longer installed is left"
for f in club/club.qmr backups error.log; do
    diff -r "$work/kept/${f#club/}" "$a/$f" >/dev/null || fail "upgrade: $f changed"
done
[ "$before" -gt 0 ] && [ "$(members a)" = "$before" ] || fail "upgrade: $before members before"

# A second user; a chosen folder (relative, with a space) that takes the roll along.
[ "$(members b)" = 0 ] && [ -f "$work/b/.local/share/quillmere/club/club.qmr" ] ||
    fail "user b has no empty roll of their own in ~/.local/share/quillmere"
to=$work/a/Sync\ Folder/Quillmere
where=$(cd "$work/a" &&
    as a "$bin/quillmere" --folder "Sync Folder/Quillmere" --where 2>&1) || true
[ "$(as a "$bin/quillmere" --where)" = "$to" ] || fail "--folder is not remembered: $where"
[ "$(members a)" = "$before" ] || fail "--folder: the members did not move to $to"
programs_match "$to" && [ -f "$a/club/club.qmr" ] || fail "--folder: not laid out, or no old roll"

# Refusals that keep a roll safe: nothing laid out, nothing remembered.
for busy in club.qmr-journal club.qmr.inuse; do # the latter as a live program's lock
    printf '%s\nTarnwell\n%s\n' $$ "$(uname -n)" >"$to/club/$busy"
    refused "--folder from a roll with $busy" as a "$bin/quillmere" --folder "$work/o" --where
    [ ! -e "$work/o/club" ] && [ "$(as a "$bin/quillmere" --where)" = "$to" ] ||
        fail "--folder moved a roll with $busy"
    rm "$to/club/$busy"
done
mkdir -p "$work/c/data/quillmere/club" && touch "$work/c/data/quillmere/club/club.qmr-journal"
refused "a journal without its roll" as c "$bin/qmr" export --out "$work/x.csv"
[ ! -e "$work/c/data/quillmere/club/club.qmr" ] || fail "a fresh roll laid beside a journal"
refused "--folder on a file" as c "$bin/quillmere" --folder "$a/error.log" --where
[ "$failed" = 1 ] || echo "launcher.sh: all checks passed"
exit $failed
