#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Talvenor, makes a small sample clip and opens the window.
# Without a display the window opens under Xvfb and a screenshot is saved instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
# A build made by the test command keeps its tests; a first build here needs none.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -DTALVENOR_BUILD_TESTS=OFF >/dev/null
fi
cmake --build build -j"$(nproc)"

sample_dir="$PWD/build/exemples"
mkdir -p "$sample_dir"
if [ ! -s "$sample_dir/exemple.flv" ]; then
  ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=5:size=320x240:rate=25 \
    -f lavfi -i sine=frequency=440:duration=5 "$sample_dir/exemple.flv"
fi
echo "Clip d'exemple : $sample_dir/exemple.flv"

cd "$sample_dir"
if [ -n "${DISPLAY:-}" ]; then
  exec ../talvenor
fi

# No display: show the window on a virtual screen and keep a picture of it.
shot="$(cd .. && pwd)/talvenor.png"
../../scripts/with-x-session.sh bash -c '
  ../talvenor & app=$!
  for _ in $(seq 1 100); do
    xwininfo -root -tree | grep -q "\"Talvenor 1.0 " && break
    sleep 0.1
  done
  sleep 1
  import -window root "$1"
  kill $app
' shot "$shot"
echo "Pas d'écran : la fenêtre s'est ouverte sur un écran virtuel. Capture : $shot"
