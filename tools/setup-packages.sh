#!/usr/bin/env bash
# Installs the suite's build and test dependencies from Debian packages.
# Idempotent: packages already present are not fetched again.
# Prints the Win32 target it could set up (i686 or x86_64) as its last line,
# and records it in build/target.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$top/build"
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

base_pkgs="cmake g++ make googletest libgtest-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-common mingw-w64-i686-dev mingw-w64-x86-64-dev
  wine wine64 xvfb xauth imagemagick python3 espeak-ng valgrind
  libxml2-dev libssl-dev pkgconf"

updated=0
apt_update() {
  [ $updated = 1 ] && return 0
  # A broken index (mirror sync in progress) must not stop the install.
  $SUDO apt-get update -q >/dev/null 2>&1 || echo "setup: apt-get update reported errors; going on"
  updated=1
}

missing=""
for p in $base_pkgs; do have "$p" || missing="$missing $p"; done
if [ -n "$missing" ]; then
  apt_update
  echo "setup: installing$missing"
  $SUDO apt-get install -y -q --no-install-recommends $missing >/dev/null || {
    echo "setup: could not install$missing" >&2; exit 1; }
fi

# 32-bit Wine: the product target is i686.
target=i686
if ! have wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    updated=0
  fi
  apt_update
  if ! $SUDO apt-get install -y -q --no-install-recommends wine32:i386 >/dev/null 2>&1; then
    # Pin libwine and the gstreamer base plugins to one version for both
    # architectures; a plain install reports held packages otherwise.
    gv=$(apt-cache policy libgstreamer-plugins-base1.0-0:i386 2>/dev/null | awk '/Candidate:/{print $2}')
    pins=""
    [ -n "$gv" ] && [ "$gv" != "(none)" ] && pins="libgstreamer-plugins-base1.0-0:i386=$gv libgstreamer-plugins-base1.0-0:amd64=$gv"
    $SUDO apt-get install -y -q --no-install-recommends --allow-downgrades -t bookworm \
      wine32:i386 wine64 libwine:amd64 $pins >/dev/null 2>&1 || true
  fi
fi
# The 32-bit loader must also run: some kernels refuse 32-bit executables.
if ! have wine32:i386 || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  target=x86_64
  echo "setup: 32-bit Wine cannot run here; falling back to the x86_64 target (wine64)"
fi
echo "$target" > "$top/build/target"
echo "setup: Win32 target $target"
