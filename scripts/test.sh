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

# Each fuzz target holds one core for FUZZ_SECONDS, JOBS at a time. When the
# targets don't fill the last round, the Python tests take its free cores
# instead of waiting for it; their report is printed once all is done, so it
# stays the run's last word.
fuzz_targets=()
if [ "$FUZZ_SECONDS" -gt 0 ] && ls fuzz/*.cpp >/dev/null 2>&1; then
    for src in fuzz/*.cpp; do fuzz_targets+=("$(basename "$src" .cpp)"); done
fi
full_rounds=$(( ${#fuzz_targets[@]} / JOBS * JOBS ))
if [ ${#fuzz_targets[@]} -gt 0 ]; then
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
    run_fuzz_targets() {
        [ $# -eq 0 ] || printf '%s\n' "$@" | xargs -P "$JOBS" -I{} bash -c 'fuzz_target {}'
    }
    run_fuzz_targets "${fuzz_targets[@]:0:full_rounds}"
fi

step "Python tests"
if [ ${#fuzz_targets[@]} -gt "$full_rounds" ]; then
    echo "(beside the last fuzz targets: ${fuzz_targets[*]:full_rounds})"
    run_fuzz_targets "${fuzz_targets[@]:full_rounds}" &
    fuzz_left=$!
    pytest_status=0
    python3 -m pytest -q tests/python >build/pytest.log 2>&1 || pytest_status=$?
    fuzz_status=0
    wait "$fuzz_left" || fuzz_status=$?
    cat build/pytest.log
    [ "$fuzz_status" -eq 0 ] || { echo "fuzzing FAILED"; exit 1; }
    exit "$pytest_status"
fi
python3 -m pytest -q tests/python
