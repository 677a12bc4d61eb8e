#!/usr/bin/env bash
# Cross-builds the headless Windows program with Debian's MinGW-w64 into
# build-windows/ and leaves build-windows/fieldsync-windows.zip: the
# program (linked statically: no DLL beside Windows' own), the page templates, css, js, the client
# packages' support files and the definitions files, ready to unzip and run.
#
#   build-windows.sh [--program]
#
# Installs the cross toolchain and Wine first (scripts/install-deps.sh
# windows; nothing when they are there) and builds libzip from Debian's
# source package once (scripts/windows/build-libraries.sh). Without
# --program the Windows tests are built too (scripts/test-windows.sh runs
# them under Wine), and Firebird's client fbclient.dll that they run the
# program with (scripts/windows/build-fbclient.sh, also once). Extra
# arguments go to cmake's configure step. FIELDSYNC_JOBS (default 2) sets
# the build's parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/build-windows
prefix=$out/deps/prefix
jobs=${FIELDSYNC_JOBS:-2}

tests=ON
if [ "${1:-}" = --program ]; then
  tests=OFF
  shift
fi

bash scripts/install-deps.sh windows
bash scripts/windows/build-libraries.sh "$out/deps" "$prefix"
# Firebird's client, for the Wine pass's run of the program against the
# Firebird server on loopback (not part of the zip).
if [ "$tests" = ON ]; then
  bash scripts/windows/build-fbclient.sh "$out/deps" "$out/deps/fbclient"
fi
# Header-only libraries that Debian ships for every platform: Asio and
# Firebird's interface headers, seen by the cross compiler through the
# prefix (never the whole of /usr/include, whose C library is Linux's).
mkdir -p "$prefix/include"
for header in asio asio.hpp firebird ibase.h iberror.h ib_util.h; do
  ln -sfn "/usr/include/$header" "$prefix/include/$header"
done

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/toolchain.cmake" \
  -DFIELDSYNC_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DFIELDSYNC_WINDOW=OFF -DFIELDSYNC_BENCH=OFF -DFIELDSYNC_TESTS="$tests" \
  -DFIREBIRD_INCLUDE_DIR="$prefix/include" -DZLIB_USE_STATIC_LIBS=ON \
  "${launcher[@]}" "$@" >/dev/null
if [ "$tests" = ON ]; then
  cmake --build "$out" -j "$jobs"
else
  cmake --build "$out" -j "$jobs" --target fieldsync
fi

# The zip: what build-windows/dist holds, less what the program writes
# there itself (the program is linked statically: it needs no DLL beside
# Windows' own).
stage=$out/zip/fieldsync
rm -rf "$out/zip"
mkdir -p "$stage"
cp -r "$out/dist/." "$stage/"
find "$stage" -name '*.zip' -delete
rm -f "$stage/js/serverfunctions.js"
rm -f "$out/fieldsync-windows.zip"
(cd "$out/zip" && zip -qr "$out/fieldsync-windows.zip" fieldsync)
echo "build-windows.sh: $out/fieldsync-windows.zip"
