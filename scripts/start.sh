#!/usr/bin/env bash
# Builds Quorix and starts it in the folder this script is called from, the
# folder that the save dialog then proposes.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set). To run Quorix without one, start it under Xvfb:" >&2
  echo "  sudo apt-get install -y xvfb && xvfb-run -a -s '-screen 0 1024x768x24' bash $(printf %q "$repo/scripts/start.sh")" >&2
  exit 1
fi
(
  cd "$repo"
  bash scripts/deps.sh build-essential cmake pkg-config qt6-base-dev libgl-dev \
    libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release -j"$(nproc)" --target quorix
)
exec "$repo/build/release/quorix" "$@"
