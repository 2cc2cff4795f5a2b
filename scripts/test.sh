#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test (arguments go to that ctest); then builds the
# whole tree again with GCC and without the systemd journal and runs every test of that build
# too. Warnings are errors in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci "$@"
cmake --preset gcc
cmake --build --preset gcc
ctest --preset gcc
