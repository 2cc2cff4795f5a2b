#!/bin/sh
# Builds one libFuzzer target (build/fuzz, preset "fuzz") and runs it for SECONDS.
#   tools/fuzz.sh TARGET [SECONDS]      e.g. tools/fuzz.sh simctl 60
# TARGET is the part after "fuzz_" in fuzz/fuzz_<target>.cpp. Seeds come from
# fuzz/corpus/<target>/ (read only); inputs found on the way go to build/fuzz/corpus/<target>/,
# and a crashing input to build/fuzz/artifacts/<target>/.
set -eu
if [ $# -lt 1 ]; then
    echo "usage: $0 TARGET [SECONDS]" >&2
    ls "$(dirname "$0")/../fuzz" | sed -n 's/^fuzz_\(.*\)\.cpp$/  \1/p' >&2
    exit 2
fi
target=${1#fuzz_}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"

cd "$root"
[ -f "$build/CMakeCache.txt" ] || cmake --preset fuzz >/dev/null
cmake --build "$build" --target "fuzz_$target"

mkdir -p "$build/corpus/$target" "$build/artifacts/$target"
# Qt must not look for a display; leaks are reported (detect_leaks is on by default).
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$build/fuzz/fuzz_$target" "$build/corpus/$target" "$root/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$build/artifacts/$target/" -print_final_stats=1
