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

step "Python package, with the release C++ tests built beside it"
# One release build serves the wheel, the C++ tests, the test-only tools and
# the benchmarks, so the core is compiled once for all of them.
CMAKE_BUILD_PARALLEL_LEVEL="$JOBS" python3 -m pip install -q --disable-pip-version-check --no-build-isolation \
    -C build-dir=build/release \
    -C cmake.define.VDZ_BUILD_TESTS=ON -C cmake.define.VDZ_BUILD_BENCH=ON .

step "C++ tests (release)"
ctest --test-dir build/release --output-on-failure -j "$JOBS"

step "C++ tests (debug, AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVDZ_SANITIZE=ON -DVDZ_BUILD_TESTS=ON >/dev/null
cmake --build build/sanitize -j "$JOBS"
ctest --test-dir build/sanitize --output-on-failure -j "$JOBS"

if [ "$FUZZ_SECONDS" -gt 0 ] && ls fuzz/*.cpp >/dev/null 2>&1; then
    step "fuzzing (${FUZZ_SECONDS}s per target)"
    CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVDZ_FUZZ=ON -DVDZ_BUILD_TESTS=OFF >/dev/null
    cmake --build build/fuzz -j "$JOBS"
    for src in fuzz/*.cpp; do
        name=$(basename "$src" .cpp)
        corpus=build/fuzz/corpus-$name
        mkdir -p "$corpus"
        [ -d "fuzz/seeds/$name" ] && cp -n fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null || true
        ./build/fuzz/"$name" -max_total_time="$FUZZ_SECONDS" -max_len=4096 -print_final_stats=0 "$corpus" 2>build/fuzz/"$name".log \
            || { tail -50 build/fuzz/"$name".log; exit 1; }
        echo "$name: ok"
    done
fi

step "Python tests"
python3 -m pytest -q tests/python
