#!/usr/bin/env bash
# Builds the libraries that Debian has no Windows build of, static, from
# Debian's source packages, into PREFIX: libzip (with zlib, and Windows' own
# bcrypt for its encryption) and libsodium.
#
#   build-libraries.sh WORKDIR PREFIX
#
# The source packages come through apt-get with a sources list of its own
# (scripts/windows/debian-source.sh). A library already in PREFIX is not
# built again.
set -euo pipefail
work=$1
prefix=$2
if [ -f "$prefix/lib/libzip.a" ] && [ -f "$prefix/lib/libsodium.a" ]; then
  echo "build-libraries.sh: libzip and libsodium are in $prefix"
  exit 0
fi
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$prefix"
prefix="$(cd "$prefix" && pwd)"
jobs=${FIELDSYNC_JOBS:-2}
source "$here/debian-source.sh" "$work"
work=$debian_source_work

if [ ! -f "$prefix/lib/libsodium.a" ]; then
  source_dir=$(debian_source libsodium)
  (cd "$source_dir" && autoreconf -fi && ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" \
    --disable-shared --enable-static --disable-dependency-tracking \
    CC=x86_64-w64-mingw32-gcc-posix && make -j "$jobs" && make install)
fi

[ -f "$prefix/lib/libzip.a" ] && exit 0
source_dir=$(debian_source libzip)
cmake -S "$source_dir" -B "$work/build-libzip" -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_WINDOWS_CRYPTO=ON -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
cmake --build "$work/build-libzip" -j "$jobs"
cmake --install "$work/build-libzip"
