#!/usr/bin/env bash
# Builds Firebird's 64-bit client library, fbclient.dll, with MinGW-w64 from
# Debian's firebird3.0 source package, into OUT/fbclient.dll. The Wine pass
# runs the program with it against the Firebird server on loopback; it is
# not part of the program's zip (the operator installs Firebird's client).
#
#   build-fbclient.sh WORKDIR OUT
#
# Only the client is built (scripts/windows/fbclient/CMakeLists.txt): the
# remote protocol, the dispatcher, the common classes, the client
# authentication and libtommath (from Debian's libtommath source package),
# linked into the one DLL, which then needs Windows' own DLLs only. What
# Firebird's build makes with tools of its own is made here with Debian's
# Linux ones: the SQL parser's token numbers with btyacc (built from
# Firebird's source), the preprocessed array and blob routines with gpre
# (firebird3.0-utils) against an empty database made embedded, the
# interface header from firebird-dev. scripts/windows/fbclient/mingw.patch
# adapts the sources to MinGW-w64. Not built again when OUT/fbclient.dll
# exists.
set -euo pipefail
work=$1
out=$2
if [ -f "$out/fbclient.dll" ]; then
  echo "build-fbclient.sh: fbclient.dll is in $out"
  exit 0
fi
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
jobs=${FIELDSYNC_JOBS:-2}
source "$here/debian-source.sh" "$work"
work=$debian_source_work

firebird=$(debian_source firebird3.0)
tommath=$(debian_source libtommath)
patch -d "$firebird" -p1 -s <"$here/fbclient/mingw.patch"

generated=$work/fbclient-generated
rm -rf "$generated"
mkdir -p "$generated/gen" "$generated/firebird" "$generated/yvalve" "$generated/icu" "$generated/tools"
cp "$firebird/src/include/gen/autoconfig_msvc.h" "$generated/gen/autoconfig.h"
cp /usr/include/firebird/IdlFbInterfaces.h "$generated/firebird/"
# The character set code is compiled against ICU's headers (the library
# itself is loaded when a conversion needs it); Debian's are the same for
# every platform.
ln -s /usr/include/unicode "$generated/icu/unicode"

# The parser's token numbers, which the keyword table uses.
cp -r "$firebird/extern/btyacc" "$generated/tools/btyacc"
make -s -C "$generated/tools/btyacc" CC="${CC:-cc}" >/dev/null 2>&1
(cd "$generated/tools" &&
  sed -n '/%type .*/p' "$firebird/src/dsql/parse.y" >types.y &&
  sed 's/%type .*//' "$firebird/src/dsql/parse.y" >y.y &&
  ./btyacc/btyacc -l -d -S "$firebird/src/dsql/btyacc_fb.ske" y.y >/dev/null 2>&1 &&
  mv y_tab.h "$generated/gen/parse.h")

# gpre reads the system tables' definitions from the database that the
# sources name (yachts.lnk): any new database has them.
(cd "$generated/tools" &&
  echo "create database 'yachts.lnk'; commit;" | isql-fb -q -user SYSDBA &&
  for routines in array blob; do
    gpre -n -m "$firebird/src/yvalve/$routines.epp" "$generated/yvalve/$routines.cpp"
  done)

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here/fbclient" -B "$work/build-fbclient" -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DFIREBIRD_SOURCE="$firebird" -DTOMMATH_SOURCE="$tommath" \
  -DFIREBIRD_GENERATED="$generated" "${launcher[@]}" >/dev/null
cmake --build "$work/build-fbclient" -j "$jobs"
cp "$work/build-fbclient/fbclient.dll" "$out/fbclient.dll"
echo "build-fbclient.sh: $out/fbclient.dll"
