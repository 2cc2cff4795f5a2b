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

declare -A layer=(
    [platform]=0
    [widgets]=1 [store]=1 [toolchain]=1 [updates]=1
    [emoji]=2 [destinations]=2
    [targetapps]=3
    [execution]=4 [exchange]=4
    [window]=5
    [app]=6 [cli]=6
)

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
    if [ -z "${layer[$from]+x}" ] || [ -z "${layer[$to]+x}" ]; then
        fail "$file" "$line" "folder '$from' or '$to' has no layer (add it to ${0##*/})"
    elif [ "$from" != "$to" ] && [ "${layer[$to]}" -ge "${layer[$from]}" ]; then
        fail "$file" "$line" "$from (layer ${layer[$from]}) includes $to (layer ${layer[$to]})"
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

declare -A listed=()
for word in $(tr '()' '  ' <CMakeLists.txt); do listed[$word]=1; done
while read -r file; do
    [ -n "${listed[$file]+x}" ] || fail "$file" 1 "not listed in src/CMakeLists.txt"
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort)
exit $status
