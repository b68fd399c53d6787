#!/usr/bin/env bash
# Installs what is missing, builds, makes a 10-second sample clip with sound
# (FFmpeg's test sources, nothing downloaded) and renders the example job on
# it: demo/sample-framed.avi, 640x360, with the sample's audio.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh
mkdir -p demo
if [ ! -f demo/sample.avi ]; then
    ffmpeg -nostdin -loglevel error -y \
        -f lavfi -i testsrc2=size=1280x720:rate=25 \
        -f lavfi -i sine=frequency=440:sample_rate=44100 \
        -t 10 -c:v mpeg4 -vtag XVID -q:v 3 -c:a pcm_s16le demo/sample.avi
fi
build/camdrift examples/demo.job
echo "Rendered demo/sample-framed.avi"
