#!/usr/bin/env bash
# Installs every Debian package PIKORO needs to build, run and test. Safe to run again: it
# installs only what is missing. Needs root or sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-svg-dev qt6-l10n-tools qt6-translations-l10n
  # WebP photos (Debian 12 has no HEIC reader for Qt 6)
  qt6-image-formats-plugins
  libfontconfig-dev libsndfile1-dev libfluidsynth-dev libsdl2-dev libespeak-ng-dev espeak-ng-data
  fluid-soundfont-gm timgm6mb-soundfont
  fonts-noto-cjk fonts-noto-color-emoji
  xvfb xdotool x11-apps imagemagick python3 python3-xlib
  python3-pil espeak-ng fluidsynth sox
  # the loudness meter (EBU R 128): the content's checks and the levelling of recorded voices
  libebur128-1 libebur128-dev python3-numpy
  # keyboard lock: Wayland shortcuts inhibitor, kiosk session, and their end-to-end tests
  qt6-base-private-dev qt6-wayland qt6-wayland-dev wayland-protocols libwayland-dev
  cage xwayland openbox sway wtype
  # the screen kept on: X11 screen-saver suspension; the test's stand-in screen-saver service
  libxss-dev dbus-daemon python3-dbus python3-gi
  # the lock on GNOME and KDE: their compositors, run headless, and another program's windows
  mutter gnome-shell kwin-wayland gir1.2-gtk-4.0
  clang-14 libclang-rt-14-dev clang-format
  # installing and packaging: the desktop files' checks and the Debian package's dependencies
  desktop-file-utils appstream dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
