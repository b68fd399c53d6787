#!/usr/bin/env bash
# Installs the Debian packages that camdrift's build, tests and demo need,
# and the de_DE.UTF-8 locale that the decimal-comma test runs under.
# camdrift-studio adds its HTTP, JSON and zlib libraries, and the browser and
# Node.js its page's test drives (the test's own npm package is installed
# by scripts/test.sh).
# Runs as root, or through sudo when it is there.
set -euo pipefail

packages=(g++ cmake make pkg-config libopencv-dev ffmpeg libgtest-dev libbenchmark-dev
          libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
          locales clang libclang-rt-dev dpkg-dev man-db
          libcpp-httplib-dev nlohmann-json3-dev zlib1g-dev chromium)
# A Node.js that is already there (any from 18 on runs the browser test) is
# kept; Debian's comes only where there is none.
if ! command -v node >/dev/null 2>&1; then packages+=(nodejs); fi
if ! command -v npm >/dev/null 2>&1; then packages+=(npm); fi

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
