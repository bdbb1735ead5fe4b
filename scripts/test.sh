#!/usr/bin/env bash
# The project's test command: installs dependencies, builds, and runs every
# test suite. Exits non-zero on the first failure.
#   FUZZ_SECONDS  seconds each fuzz target runs (default 30; 0 skips fuzzing)
#   JOBS          parallel build jobs (default: number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
step() { printf '\n=== %s ===\n' "$*"; }

step "dependencies"
bash scripts/install-deps.sh

step "format check"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz tools -name '*.cpp' -o -name '*.h')
if [ ${#sources[@]} -gt 0 ]; then
    clang-format --dry-run --Werror "${sources[@]}"
fi

step "include layers"
python3 tools/check_layers.py

step "Python package (release build)"
# The wheel's build is the long step: pip shows the compiler's progress.
CMAKE_BUILD_PARALLEL_LEVEL="$JOBS" python3 -m pip install -v --disable-pip-version-check \
    --no-build-isolation -C build-dir=build/release .
# The Python tests drive one test-only helper built from the same objects.
cmake --build build/release --target json_differential -j "$JOBS"

step "C++ tests (debug, AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVDZ_SANITIZE=ON \
    -DVDZ_BUILD_TESTS=ON >/dev/null
cmake --build build/sanitize -j "$JOBS"
ctest --test-dir build/sanitize --output-on-failure -j "$JOBS"

if [ "$FUZZ_SECONDS" -gt 0 ] && ls fuzz/*.cpp >/dev/null 2>&1; then
    step "fuzzing (${FUZZ_SECONDS}s per target, $JOBS at a time)"
    CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVDZ_FUZZ=ON \
        -DVDZ_BUILD_TESTS=OFF >/dev/null
    cmake --build build/fuzz -j "$JOBS"
    fuzz_target() {
        local name=$1 corpus=build/fuzz/corpus-$1
        mkdir -p "$corpus"
        [ -d "fuzz/seeds/$name" ] && cp -n fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null
        if ./build/fuzz/"$name" -max_total_time="$FUZZ_SECONDS" -max_len=4096 \
            -print_final_stats=0 "$corpus" 2>build/fuzz/"$name".log; then
            echo "$name: ok"
        else
            tail -50 build/fuzz/"$name".log
            echo "$name: FAILED"
            return 1
        fi
    }
    export -f fuzz_target
    export FUZZ_SECONDS
    for src in fuzz/*.cpp; do basename "$src" .cpp; done |
        xargs -P "$JOBS" -I{} bash -c 'fuzz_target {}'
fi

step "Python tests"
python3 -m pytest -q tests/python
