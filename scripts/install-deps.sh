#!/usr/bin/env bash
# Installs the Debian packages fieldsync needs, in two sets:
#
#   install-deps.sh run    what building and running the program needs
#                          (scripts/run.sh installs only these)
#   install-deps.sh test   those and what the tests add (scripts/test.sh);
#                          also what it does without an argument
#   install-deps.sh windows
#                          what the Windows cross-build and its tests under
#                          Wine need (scripts/build-windows.sh)
#
# Each package is named once, in the set that first needs it. Safe to
# re-run: when every package of the set is installed already, it neither
# updates the package lists nor calls apt-get.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it calls apt-get)" >&2
  exit 1
fi

set_name=${1:-test}
case "$set_name" in
  run | test | windows) ;;
  *)
    echo "usage: install-deps.sh [run|test|windows]" >&2
    exit 2
    ;;
esac

# Building and running: the compiler and CMake; the Firebird client, the
# embedded engine and its tools (the demo database is made with isql-fb);
# Asio, zlib, libzip and libsodium; Qt 6 for the operator's window; curl for
# the first calls of the quick start.
run_packages=(
  build-essential cmake pkg-config
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  libasio-dev zlib1g-dev libzip-dev libsodium-dev
  qt6-base-dev
  curl ca-certificates
)

# The tests add: GoogleTest and Google Benchmark; the Firebird server on
# loopback; clang (thread-safety and fuzz checks); Python and Chromium for the
# end-to-end and browser tests, the fonts of the window's and pages'
# screenshots; the deployment tests' proxies, package tools and network
# namespaces; the compilers of the generated client packages; checkbashisms
# for the scripts' check.
test_packages=(
  git clang
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  firebird3.0-server
  python3 python3-prometheus-client
  chromium fonts-dejavu-core fonts-liberation2
  nginx haproxy openssl lintian systemd adduser iproute2
  openjdk-17-jdk-headless fpc mono-mcs mono-runtime gobjc libgnustep-base-dev gnustep-make
  devscripts locales
)

# The Windows build: MinGW-w64 with posix threads, zlib built for it, Wine
# to run the tests; the headers of Asio and Firebird and GoogleTest's
# sources are Debian's own; libzip is built from its Debian source package
# (dpkg-dev unpacks it) and libsodium from its own (configured with the
# autotools); zip packs the result. Firebird's client for the tests is
# built from Debian's source package with the host's C compiler (its parser
# generator), Firebird's tools and embedded engine (its preprocessor and
# the database that reads) and ICU's headers; the tests run the program
# against the Firebird server on loopback.
windows_packages=(
  cmake pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  libz-mingw-w64-dev wine64 dpkg-dev autoconf automake libtool zip unzip
  libasio-dev firebird-dev googletest python3 curl
  gcc make libicu-dev firebird3.0-utils firebird3.0-server-core firebird3.0-server
)

case "$set_name" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  windows) packages=("${windows_packages[@]}") ;;
esac

# The packages of the list that are not installed yet.
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed; then
    missing+=("$package")
  fi
done

# The browser tests run under Node.js with npm (their packages come from the
# npm registry through npm ci); Debian's own are taken when none is installed.
if [ "$set_name" = test ] && { ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; }; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps.sh: every package of the $set_name set is installed"
else
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q -o DPkg::Lock::Timeout=600
  apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}"
fi

# The tests read and write numbers under Brazilian Portuguese too.
if [ "$set_name" = test ] && ! locale -a 2>/dev/null | grep -qix 'pt_BR.utf8'; then
  sed -i 's/^# *\(pt_BR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'pt_BR.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi
