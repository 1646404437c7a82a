#!/usr/bin/env bash
# Builds Quorix and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build-essential cmake pkg-config qt6-base-dev libgl-dev \
  libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target quorix
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. To run Quorix without one, start it under Xvfb:"
  echo "  sudo apt-get install -y xvfb && xvfb-run -s '-screen 0 1024x768x24' build/release/quorix"
  exit 1
fi
exec build/release/quorix "$@"
