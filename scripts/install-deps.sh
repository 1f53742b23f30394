#!/bin/sh
# Installs every Debian package the build, the tests and the program need.
# Safe to run again: it only calls apt-get when something is missing.
set -eu

PACKAGES="cmake ninja-build g++ make pkg-config
qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools
libsqlite3-dev sqlite3 libgl1-mesa-dev
fonts-liberation fonts-dejavu-core xdg-utils time strace xvfb poppler-utils
clang libclang-rt-14-dev
libxlsxwriter-dev libminizip-dev
librsvg2-bin dpkg-dev file patchelf lintian desktop-file-utils appstream"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing:$missing"
$SUDO apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
