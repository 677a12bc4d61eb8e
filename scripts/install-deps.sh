#!/usr/bin/env bash
# Installs every Debian package that fieldsync needs to build, run and test.
# Safe to re-run: apt-get skips what is already installed.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it calls apt-get)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake pkg-config git clang
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils firebird3.0-server
  libasio-dev zlib1g-dev libzip-dev libsodium-dev
  qt6-base-dev fonts-liberation2
  curl python3 ca-certificates
  chromium fonts-dejavu-core
  python3-prometheus-client iproute2
  nginx haproxy openssl lintian systemd adduser
  openjdk-17-jdk-headless fpc mono-mcs mono-runtime gobjc libgnustep-base-dev gnustep-make
)

apt-get update -q -o DPkg::Lock::Timeout=600
apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends "${packages[@]}"

# The browser tests run under Node.js with npm (their packages come from the
# npm registry through npm ci); Debian's own are taken when none is installed.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends nodejs npm
fi
