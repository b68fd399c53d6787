#!/usr/bin/env bash
# Installs the Debian packages that camdrift's build, tests and demo need,
# and the de_DE.UTF-8 locale that the decimal-comma test runs under.
# Runs as root, or through sudo when it is there.
set -euo pipefail

packages=(g++ cmake make pkg-config libopencv-dev ffmpeg libgtest-dev libbenchmark-dev
          libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
          locales clang libclang-rt-dev dpkg-dev man-db)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
