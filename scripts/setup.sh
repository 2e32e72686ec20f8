#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, when it is missing.
# Sourced by run.sh and test.sh; safe to run again.
set -euo pipefail

TV_PACKAGES=(
  cmake make g++ python3 googletest libgtest-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils locales
  libfuse3-dev fuse3 pkg-config clang libclang-rt-14-dev
)

tv_missing_packages() {
  local missing=()
  for package in "${TV_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  echo "${missing[@]:-}"
}

tv_setup() {
  local missing
  missing=$(tv_missing_packages "$@")
  if [ -n "$missing" ]; then
    if [ "$(id -u)" != 0 ]; then
      echo "Missing Debian packages: $missing" >&2
      echo "Install them as root (sudo apt-get install $missing) or run this command as root." >&2
      exit 1
    fi
    echo "Installing: $missing"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
  fi
  # Wine takes its ANSI code page (1251 for Russian) from the locale, and reads
  # Cyrillic file names only when the locale exists on the Linux side.
  if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    if [ "$(id -u)" = 0 ]; then
      localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
    else
      echo "The ru_RU.UTF-8 locale is missing: run as root: localedef -i ru_RU -f UTF-8 ru_RU.UTF-8" >&2
      exit 1
    fi
  fi
}
