#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking, fuzzing and packaging need;
# `install-deps.sh windows` also the cross compiler and wine for the Windows build.
# Idempotent: does nothing (quickly) when all of them are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev
  qt6-translations-l10n # Qt's own buttons and dialogs in Russian
  xvfb xauth poppler-utils fonts-dejavu-core # screenshots under a virtual display, PDF page counts
  ccache
  nlohmann-json3-dev
  clang libclang-rt-14-dev # the fuzzer and sanitizer runtimes are only recommended by clang
  # make package: dependencies of the binaries, man pages, checks of the package and its desktop files
  dpkg-dev file fakeroot help2man lintian desktop-file-utils qt6-translations-l10n
  libqt6svg6 # draws the SVG window icon
)
if [ "${1:-}" = windows ]; then
  # The POSIX thread model gives std::thread and std::mutex; wine64 runs the cross-built tests.
  packages+=(g++-mingw-w64-x86-64-posix wine wine64)
fi

# One dpkg query for all of them; a package dpkg has never heard of prints nothing.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  if ! grep -qx "$p ii *" <<<"$installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: not root and no sudo; install as root: ${missing[*]}" >&2
    exit 1
  fi
  run_as_root=(sudo)
fi
"${run_as_root[@]}" apt-get update
# env passes the variable through sudo, which would otherwise drop it.
"${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y --no-install-recommends "${missing[@]}"
