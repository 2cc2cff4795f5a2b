#!/usr/bin/env bash
# Checks the shape of src/, naming file and line for each fault:
# - an #include "folder/..." points to the file's own folder or a lower layer;
# - core code (every folder outside widgets/, app/ and the ui/ subfolders, and cli/) includes no
#   view (a ui/ header, widgets/, app/) and no Qt Widgets header, so the core library and the
#   command-line tool never need a display; the command-line tool includes nothing of window/;
# - no include climbs out of its folder with "../";
# - every source file is listed in src/CMakeLists.txt.
# Usage: check-layers.sh [QtWidgets include directory]
set -euo pipefail
cd "$(dirname "$0")/../src"

# Sets `number` to the layer of the folder $1, empty when it has none. (A case, not an
# associative array: the Mac's bash 3.2 has none.)
layer_of() {
    case "$1" in
    platform) number=0 ;;
    widgets | store | toolchain | updates) number=1 ;;
    emoji | destinations) number=2 ;;
    targetapps) number=3 ;;
    execution | exchange) number=4 ;;
    window) number=5 ;;
    app | cli) number=6 ;;
    *) number= ;;
    esac
}

widgets_dir=${1:-$(ls -d /usr/include/*/qt6/QtWidgets /usr/include/qt6/QtWidgets 2>/dev/null | head -n1 || true)}

is_view() { # path relative to src/
    case "$1" in widgets/* | app/* | */ui/*) return 0 ;; *) return 1 ;; esac
}

status=0
fail() {
    echo "src/$1:$2: $3"
    status=1
}

while IFS=: read -r file line text; do
    from=${file%%/*}
    path=""; [[ "$text" =~ include\ \"([^\"]*)\" ]] && path=${BASH_REMATCH[1]}
    to=${path%%/*}
    if [[ "$path" == *../* ]]; then
        fail "$file" "$line" "includes \"$path\" through \"../\" (name the header from src/)"
        continue
    fi
    [[ "$path" == */* ]] || continue
    layer_of "$from"
    from_layer=$number
    layer_of "$to"
    to_layer=$number
    if [ -z "$from_layer" ] || [ -z "$to_layer" ]; then
        fail "$file" "$line" "folder '$from' or '$to' has no layer (add it to ${0##*/})"
    elif [ "$from" != "$to" ] && [ "$to_layer" -ge "$from_layer" ]; then
        fail "$file" "$line" "$from (layer $from_layer) includes $to (layer $to_layer)"
    elif ! is_view "$file" && is_view "$path"; then
        fail "$file" "$line" "core code includes the view \"$path\""
    elif [ "$from" = cli ] && [ "$to" = window ]; then
        fail "$file" "$line" "the command-line tool includes the window's \"$path\""
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include "' --include='*.h' --include='*.cpp' . | sed 's#^\./##')

if [ -n "$widgets_dir" ] && [ -d "$widgets_dir" ]; then
    while IFS=: read -r file line text; do
        is_view "$file" && continue
        header=""; [[ "$text" =~ include\ \<(QtWidgets/)?([A-Za-z]+)\> ]] && header=${BASH_REMATCH[2]}
        [ -n "$header" ] || continue
        if [ -n "${BASH_REMATCH[1]:-}" ] || [ -e "$widgets_dir/$header" ]; then
            fail "$file" "$line" "core code includes the Qt Widgets header <$header>"
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include <Q' --include='*.h' --include='*.cpp' . | sed 's#^\./##')
else
    echo "${0##*/}: no QtWidgets include directory found; Qt Widgets headers not checked" >&2
fi

# The sources that no word of CMakeLists.txt names.
while read -r file; do
    fail "$file" 1 "not listed in src/CMakeLists.txt"
done < <(LC_ALL=C comm -23 <(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | LC_ALL=C sort) \
    <(tr -s '()[:space:]' '\n' <CMakeLists.txt | LC_ALL=C sort -u))
exit $status
