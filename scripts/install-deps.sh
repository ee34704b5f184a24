#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Tintbox need, when
# any of them is missing. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  qt6-base-dev fonts-dejavu-core
  qt6-tools-dev qt6-tools-dev-tools designer-qt6 libqt6opengl6-dev
  qt6-declarative-dev qt6-declarative-dev-tools qml6-module-qtquick qml6-module-qtquick-window
  qml6-module-qtquick-controls qml6-module-qtquick-templates qml6-module-qtqml-workerscript
  qml6-module-qttest
  xvfb xauth x11-utils libx11-dev libxtst-dev
  dbus at-spi2-core python3-pyatspi
  libgtk-4-dev xdotool xclip gobject-introspection libgirepository1.0-dev gjs
  weston qt6-wayland xwayland
  python3-pytest python3-venv python3-wheel python3-setuptools python3-build
  python3-gi gir1.2-gtk-4.0 python3-gi-cairo
  dpkg-dev file lintian
  qml6-module-qtquick-dialogs qml6-module-qtquick-layouts
)

source "$(dirname "$0")/apt-packages.sh"
install_missing_packages "${packages[@]}"
