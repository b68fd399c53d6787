#!/usr/bin/env bash
# Builds the Debian package, installs it the way an admin would, renders the
# demo job with the installed /usr/bin/camdrift, checks the man pages and the
# version, and removes the package again so the machine is left as it was.
# Needs root (or sudo) for apt-get; the build folder is build-pkg/.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ "$(dpkg-query -W -f='${db:Status-Status}' camdrift 2>/dev/null)" = installed ]; then
    echo "package-check: a camdrift package is installed already; not touching it" >&2
    exit 1
fi

cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCAMDRIFT_TESTS=OFF >/dev/null
cmake --build build-pkg -j"$(nproc)"
rm -f build-pkg/camdrift_*.deb
(cd build-pkg && cpack -G DEB >/dev/null)
deb="$(ls "$PWD"/build-pkg/camdrift_*_amd64.deb)"
version="$(dpkg-deb -f "$deb" Version)"
echo "package-check: $(basename "$deb")"

# Every page must render without a single warning.
for page in build-pkg/man/*.1; do
    warnings="$(man --warnings -l "$page" 2>&1 >/dev/null)"
    if [ -n "$warnings" ]; then
        echo "package-check: $page renders with warnings:" >&2
        echo "$warnings" >&2
        exit 1
    fi
done

as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
# Purged, not just removed, so dpkg keeps no trace of it either.
remove() { as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq camdrift >/dev/null; }
trap remove EXIT

for tool in camdrift camdrift-preview camdrift-studio; do
    [ -x "/usr/bin/$tool" ] || continue
    shown="$("/usr/bin/$tool" --version)"
    if [ "$shown" != "$tool $version" ]; then
        echo "package-check: $tool --version says \"$shown\", the package is $version" >&2
        exit 1
    fi
    man -w "$tool" >/dev/null
done
test -f /usr/share/doc/camdrift/README.md
test -f /usr/share/doc/camdrift/examples/demo.job

# The demo job, as the README runs it, but in a scratch folder.
work="$(mktemp -d)"
trap 'rm -rf "$work"; remove' EXIT
mkdir "$work/demo"
ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=44100 -t 10 -c:v mpeg4 -vtag XVID -q:v 3 \
    -c:a pcm_s16le "$work/demo/sample.avi"
(cd "$work" && /usr/bin/camdrift /usr/share/doc/camdrift/examples/demo.job | tail -n 1 | grep -qx 'Finished!')
streams="$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/demo/sample-framed.avi" | tr '\n' ' ')"
if [ "$streams" != "video audio " ]; then
    echo "package-check: the demo's output has streams: $streams" >&2
    exit 1
fi
# Through OpenCV's own reader and writer, which the installed run loads from
# /usr/lib/camdrift: the same bytes.
mv "$work/demo/sample-framed.avi" "$work/default.avi"
(cd "$work" && CAMDRIFT_VIDEO_IO=opencv /usr/bin/camdrift /usr/share/doc/camdrift/examples/demo.job |
    tail -n 1 | grep -qx 'Finished!')
cmp "$work/default.avi" "$work/demo/sample-framed.avi"
# The installed studio serves its embedded page for the demo job, and stops
# cleanly on Ctrl+C.
(cd "$work" && exec /usr/bin/camdrift-studio /usr/share/doc/camdrift/examples/demo.job \
    >"$work/studio.out" 2>&1) &
studio=$!
for _ in $(seq 100); do grep -q '^http://' "$work/studio.out" 2>/dev/null && break; sleep 0.1; done
address="$(head -n 1 "$work/studio.out")"
port="${address#http://127.0.0.1:}"; port="${port%%/*}"
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /%s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "${address#http://*/}" >&3
page="$(cat <&3)"
exec 3<&-
kill -INT "$studio"
wait "$studio" || { echo "package-check: camdrift-studio exited with $?" >&2; exit 1; }
if ! grep -q '^HTTP/1.[01] 200' <<<"$page" || ! grep -q 'camdrift-studio' <<<"$page"; then
    echo "package-check: the installed studio's page didn't come: $(head -n 1 <<<"$page")" >&2
    exit 1
fi
echo "package-check: installed, rendered the demo with sound, man pages found, the studio served, version $version; removing"
