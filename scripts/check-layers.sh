#!/usr/bin/env bash
# Fails on an #include "folder/..." in src/ that does not point to a lower layer, naming the file
# and line. Layers, bottom to top; a folder includes its own files and those of lower layers only.
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

status=0
while IFS=: read -r file line text; do
    from=${file%%/*}
    to=$(sed -E 's/^[[:space:]]*#[[:space:]]*include "([a-z]+)\/.*/\1/' <<<"$text")
    [ "$from" = "$to" ] && continue
    if [ -z "${layer[$from]+x}" ] || [ -z "${layer[$to]+x}" ]; then
        echo "src/$file:$line: folder '$from' or '$to' has no layer (add it to ${0##*/})"
        status=1
    elif [ "${layer[$to]}" -ge "${layer[$from]}" ]; then
        echo "src/$file:$line: $from (layer ${layer[$from]}) includes $to (layer ${layer[$to]})"
        status=1
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include "[a-z]+/' --include='*.h' --include='*.cpp' .  | sed 's#^\./##')
exit $status
