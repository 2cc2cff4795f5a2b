#!/bin/sh
# The stand-in tools of tools/make-demo-xcode.sh and tools/make-demo-android-sdk.sh: a script
# that logs each call and answers from scenarios kept in a StandIn directory. The layout of that
# directory is described in make-demo-xcode.sh. Sourced, not run.

# read_stand_in_arguments USAGE ARGUMENTS...: the maker's own arguments "[--bare] PATH". Sets
# `bare` (1 or 0) and `target`; a wrong count or a PATH that exists already ends the maker.
read_stand_in_arguments() {
    usage=$1
    shift
    bare=0
    if [ "${1:-}" = "--bare" ]; then
        bare=1
        shift
    fi
    if [ $# -ne 1 ]; then
        echo "usage: $0 [--bare] $usage" >&2
        exit 64
    fi
    target=$1
    if [ -e "$target" ]; then
        echo "$target already exists; remove it or choose another path" >&2
        exit 1
    fi
}

# scenario TOOL NUMBER MATCH EXIT: a demo answer of TOOL under "$standin/scenarios" (the maker
# sets `standin`); its stdout/stderr/file are written after, into "$current". Later numbers win,
# so the narrower matches come last.
scenario() {
    directory="$standin/scenarios/$1/$2"
    mkdir -p "$directory"
    printf '%s' "$3" > "$directory/match"
    printf '%s' "$4" > "$directory/exit"
    current=$directory
}

# write_stand_in_tool FILE NAME STANDIN VARIABLE: the stand-in tool NAME at FILE; STANDIN is the
# path of the StandIn directory relative to the tool's own directory (so it may be moved), and
# VARIABLE the environment variable each call's log records.
write_stand_in_tool() {
    {
        echo '#!/bin/sh'
        echo "# Stand-in for $2, made by Kestrine's tools/stand-in-tool.sh."
        echo "tool=$2"
        echo "if [ \"\${$4+set}\" = set ]; then recorded=1; value=\$$4; else recorded=0; value=; fi"
        echo "standin=\$(CDPATH= cd -- \"\$(dirname -- \"\$0\")/$3\" && pwd)"
        cat <<'TOOL'
log="$standin/log/$tool"
mkdir -p "$log"
# Nanoseconds name the entry, so that name order is call order. BSD date has no %N and prints an
# N instead: perl, which the Mac has, tells the time in microseconds.
stamp=$(date +%s%N)
case $stamp in
*[!0-9]*) stamp=$(perl -MTime::HiRes=gettimeofday -e 'printf "%d%06d000", gettimeofday') ;;
esac
entry="$log/$stamp-$$"
{
    printf '%s\0%s\0' "$recorded" "$value"
    for argument in "$@"; do printf '%s\0' "$argument"; done
} > "$entry.part" && mv "$entry.part" "$entry"

joined="$*"
chosen=
for name in $(ls -r "$standin/scenarios/$tool" 2>/dev/null); do
    candidate="$standin/scenarios/$tool/$name"
    match=
    [ -f "$candidate/match" ] && match=$(cat "$candidate/match")
    case "$joined" in
    *"$match"*) chosen=$candidate; break ;;
    esac
done
[ -n "$chosen" ] || exit 0

[ -f "$chosen/input" ] && cat > /dev/null
[ -f "$chosen/delay" ] && sleep "$(cat "$chosen/delay")"
if [ -f "$chosen/file" ]; then
    previous=
    for argument in "$@"; do
        case "$previous" in
        --json-output|--destination|screenshot) cp "$chosen/file" "$argument" ;;
        esac
        previous=$argument
    done
fi
[ -f "$chosen/stdout" ] && cat "$chosen/stdout"
[ -f "$chosen/stderr" ] && cat "$chosen/stderr" >&2
if [ -f "$chosen/hang" ]; then
    mkdir -p "$standin/hanging/$tool"
    echo $$ > "$standin/hanging/$tool/$$.part" && mv "$standin/hanging/$tool/$$.part" "$standin/hanging/$tool/$$"
    exec sleep 86400
fi
[ -f "$chosen/signal" ] && kill -"$(cat "$chosen/signal")" $$
status=0
[ -f "$chosen/exit" ] && status=$(cat "$chosen/exit")
exit "$status"
TOOL
    } > "$1"
    chmod 755 "$1"
}
