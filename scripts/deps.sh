#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test the project.
# postgresql-15 is there for the server's PostgreSQL tests, which start
# private clusters of their own from its binaries. qt6-l10n-tools brings
# lupdate and lrelease, qt6-tools-dev the CMake package that drives them.
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake pkg-config git ca-certificates zlib1g-dev \
    qt6-base-dev qt6-base-dev-tools qt6-websockets-dev qt6-httpserver-dev qt6-l10n-tools qt6-tools-dev \
    libqt6sql6-sqlite libqt6sql6-psql postgresql-15 qt6-translations-l10n qt6-qpa-plugins libqt6svg6 \
    qcoro-qt6-dev qtkeychain-qt6-dev libheif-dev libsodium-dev libgl-dev libcups2-dev libsystemd-dev \
    xvfb xauth dbus dbus-x11 dunst gnome-keyring fonts-dejavu-core fonts-noto-color-emoji \
    clang libclang-rt-14-dev wrk xdotool appstream desktop-file-utils
