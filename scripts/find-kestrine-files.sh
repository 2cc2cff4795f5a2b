#!/bin/sh
# Lists what Kestrine writes (a store, settings, the icon cache, screenshots, the instance socket)
# found below DIRECTORY, a home the test suite ran with, and fails when there is any: every test
# keeps those below a KESTRINE_HOME of its own. What Qt itself writes below a home in test mode
# (~/.qttest) and font caches (~/.cache/fontconfig) do not count; other files found are listed as
# a note. POSIX sh, so that the Mac's bash 3.2 or any sh runs it.
# Usage: find-kestrine-files.sh DIRECTORY
set -eu
if [ $# -ne 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 DIRECTORY" >&2
    exit 64
fi
home=$1
# find ARGUMENTS...: below the home, past what does not count.
look() {
    find "$home" \( -path "$home/.qttest" -o -path "$home/.cache/fontconfig" \) -prune -o "$@" -print
}
name='*[Kk][Ee][Ss][Tt][Rr][Ii][Nn][Ee]*'
kestrine=$(look \( -name "$name" -o -name '*.sqlite' -o -name '*.sqlite-*' -o -name AppIcons \
    -o -name Screenshots -o -type s \))
others=$(look ! -type d ! -path "$name" ! -name '*.sqlite*' ! -path '*/AppIcons/*' \
    ! -path '*/Screenshots/*' ! -type s)
if [ -n "$others" ]; then
    echo "Also found below $home (not counted):"
    echo "$others"
fi
if [ -n "$kestrine" ]; then
    echo "Kestrine's files below $home, where no test may write them:" >&2
    echo "$kestrine" >&2
    exit 1
fi
echo "No file of Kestrine's below $home."
