#!/usr/bin/env bash
# Builds the libraries that Debian has no Windows build of, static, from
# Debian's source packages, into PREFIX: libzip (with zlib, and Windows' own
# bcrypt for its encryption) and libsodium.
#
#   build-libraries.sh WORKDIR PREFIX
#
# The source packages come through apt-get with a sources list of its own
# (a deb-src line for the mirror and suite that the system's own lists
# name), so the system's apt configuration is left as it is. A library
# already in PREFIX is not built again.
set -euo pipefail
work=$1
prefix=$2
if [ -f "$prefix/lib/libzip.a" ] && [ -f "$prefix/lib/libsodium.a" ]; then
  echo "build-libraries.sh: libzip and libsodium are in $prefix"
  exit 0
fi
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$work/apt/lists/partial" "$work/src" "$prefix"
work="$(cd "$work" && pwd)"
prefix="$(cd "$prefix" && pwd)"
jobs=${FIELDSYNC_JOBS:-2}

# The mirror and suite of the system's Debian sources (deb822 or one-line
# form); Debian's standard mirror and bookworm when neither names one.
uri="" suite=""
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  suite=$(awk '/^Suites:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
fi
if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
  read -r uri suite < <(awk '$1 == "deb" && $2 !~ /security/ {print $2, $3; exit}' /etc/apt/sources.list) || true
fi
uri=${uri:-http://deb.debian.org/debian}
suite=${suite:-bookworm}
echo "deb-src $uri $suite main" >"$work/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=-
  -o "Dir::State::Lists=$work/apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
apt-get "${apt_options[@]}" update -q

# Unpacks Debian's source package $1 into $work/src and prints its folder.
unpack() {
  rm -rf "$work/src/$1"
  mkdir -p "$work/src/$1"
  (cd "$work/src/$1" && apt-get "${apt_options[@]}" source -q "$1" >&2)
  find "$work/src/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

if [ ! -f "$prefix/lib/libsodium.a" ]; then
  source_dir=$(unpack libsodium)
  (cd "$source_dir" && autoreconf -fi && ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" \
    --disable-shared --enable-static --disable-dependency-tracking \
    CC=x86_64-w64-mingw32-gcc-posix && make -j "$jobs" && make install)
fi

[ -f "$prefix/lib/libzip.a" ] && exit 0
source_dir=$(unpack libzip)
cmake -S "$source_dir" -B "$work/build-libzip" -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_WINDOWS_CRYPTO=ON -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
cmake --build "$work/build-libzip" -j "$jobs"
cmake --install "$work/build-libzip"
