#!/usr/bin/env bash
# Fails on a C++ file that does not match .clang-format; with --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
files=()
while IFS= read -r file; do
    files+=("$file")
done < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | grep -v '^build/')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi
