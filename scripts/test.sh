#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test (arguments go to that ctest), then once more in
# an empty home that must stay free of Kestrine's files; then builds the whole tree again with
# GCC and without the systemd journal and runs every test of that build too. Warnings are errors
# in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci "$@"
# No test may touch the user's own files: the suite once more with an empty home of its own (and
# no XDG_* places elsewhere), which must hold none of Kestrine's files afterwards.
home=$(mktemp -d)
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_RUNTIME_DIR HOME="$home" \
    ctest --preset ci "$@"
scripts/find-kestrine-files.sh "$home"
rm -rf "$home"
cmake --preset gcc
cmake --build --preset gcc
ctest --preset gcc
