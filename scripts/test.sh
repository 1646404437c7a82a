#!/usr/bin/env bash
# Builds and runs every test: an optimised build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the tests without Qt
# (engine and core) under ThreadSanitizer, then the record reader's fuzzer.
# The last line says that every stage passed, or at which one it failed.
set -euo pipefail
cd "$(dirname "$0")/.."
stage="installing packages"
fuzz_log=build/fuzz/fuzz.log
finish() {
  local status=$?
  if [ "$status" -eq 0 ]; then
    echo "test.sh: every stage passed (include check, builds, optimised, sanitizers, thread sanitizer, fuzzing)"
  else
    if [ "$stage" = fuzzing ] && [ -s "$fuzz_log" ]; then
      tail -n 30 "$fuzz_log"
      echo "The fuzzer's whole output is in $fuzz_log"
    fi
    echo "test.sh: FAILED at stage: $stage"
  fi
}
trap finish EXIT
begin() {  # begin STAGE: names the stage that runs from here on
  stage=$1
  echo "== $stage"
}

bash scripts/deps.sh build-essential cmake pkg-config qt6-base-dev libgl-dev \
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev \
  xvfb xauth xdotool fonts-noto-cjk python3 fusefat dosfstools fuse2fs
jobs=$(nproc)

# The project's files include each other without a cycle (X.h and X.cpp
# counting as one unit).
begin "include check"
python3 scripts/include-cycles.py

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

begin "builds"
build build/release
build build/sanitize -DQUORIX_SANITIZE=ON -DQUORIX_BUILD_BENCH=OFF
build build/tsan -DQUORIX_TSAN=ON -DQUORIX_BUILD_APP=OFF -DQUORIX_BUILD_BENCH=OFF

export QT_QPA_PLATFORM=offscreen
begin "optimised ctest"
ctest --test-dir build/release --output-on-failure -j"$jobs"
begin "sanitizer ctest (AddressSanitizer + UndefinedBehaviorSanitizer)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
begin "thread sanitizer ctest (engine and core tests)"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -j"$jobs"

# The property record reader under libFuzzer (clang; a project of its own),
# seeded with the window's and the controls' records. A crash, a sanitizer
# report or an exception other than the reader's format error fails here.
begin "fuzzing"
rm -f "$fuzz_log"
cmake -S fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j"$jobs"
mkdir -p build/fuzz/corpus build/fuzz/findings
build/fuzz/property_record_seeds build/fuzz/corpus >"$fuzz_log" 2>&1
build/fuzz/property_record_fuzz -max_total_time=30 -rss_limit_mb=2048 \
  -dict=fuzz/PropertyRecord.dict -artifact_prefix=build/fuzz/findings/ build/fuzz/corpus >>"$fuzz_log" 2>&1
