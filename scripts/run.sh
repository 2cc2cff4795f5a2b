#!/usr/bin/env bash
# Installs what is missing, builds Kestrine and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target kestrine
exec build/release/src/kestrine "$@"
