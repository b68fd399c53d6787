#!/usr/bin/env bash
# camdrift-studio's page in headless Chromium, on the release build in
# build/: the test's one npm package exactly as locked, and Debian's
# Chromium, never a download of puppeteer's own. Leaves a screenshot of the
# page in build/studio-screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

(cd tests/browser && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
CAMDRIFT_BUILD=build node --test tests/browser/studio.test.js
echo "The studio's screenshot is build/studio-screenshot.png"
