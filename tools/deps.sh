#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the channel database
# server need: Qt 6 Widgets with its platform plugins (the tests run on the
# offscreen one), QtKeychain for the window's password in the desktop's
# secret store, Qt's own translations (its boxes and dialogs in the window's
# language), Xvfb and the DejaVu fonts for the window; clang and its
# sanitizer and libFuzzer runtimes (a package it only recommends) for the
# fuzz targets; the public satellite transponder tables the import tests
# read; lintian and desktop-file-validate for the package test; libcurl for
# sending a list to the receiver, and pyftpdlib, vsftpd, curl and openssl (its
# FTPS certificate) for the fake receiver the send tests talk to. Safe to run again; skips apt when
# everything is present.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config libmariadb-dev libcli11-dev
      libgtest-dev libgmock-dev libbenchmark-dev mariadb-server mariadb-client
      libxml2-utils dtv-scan-tables clang libclang-rt-14-dev dpkg-dev file
      lintian desktop-file-utils
      qt6-base-dev qt6-qpa-plugins qtkeychain-qt6-dev qt6-translations-l10n libgl-dev xvfb
      xauth fonts-dejavu-core
      libcurl4-openssl-dev python3-pyftpdlib vsftpd curl openssl libicu-dev faketime dvb-tools)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
