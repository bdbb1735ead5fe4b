#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine:
# compilers and GoogleTest from Debian, the Python build backend and pytest
# from PyPI. Safe to run again; it installs only what is missing.
set -euo pipefail

need_apt=()
dpkg -s libgtest-dev >/dev/null 2>&1 || need_apt+=(googletest libgtest-dev)
command -v clang++ >/dev/null 2>&1 || need_apt+=(clang)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need_apt+=(libclang-rt-14-dev)
command -v clang-format >/dev/null 2>&1 || need_apt+=(clang-format)
command -v cmake >/dev/null 2>&1 || need_apt+=(cmake)
command -v g++ >/dev/null 2>&1 || need_apt+=(g++)

if [ ${#need_apt[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${need_apt[@]}"
fi

python3 -m pip install -q --disable-pip-version-check "scikit-build-core>=0.10" pytest
command -v ninja >/dev/null 2>&1 || python3 -m pip install -q --disable-pip-version-check ninja
