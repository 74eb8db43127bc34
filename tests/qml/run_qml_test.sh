#!/bin/sh
# Writes a QML report with the tool into a fresh scratch project, checks it in a real QML engine and
# checks its zip archive with unzip.
# usage: run_qml_test.sh demo|hostile RDB CHECK SOURCE_DIR SCRATCH_DIR
# Exit status: 0 sound; 1 a fault, named on stderr; 77 the tool writes no QML reports or Qt's QML modules
# are missing.
set -eu
mode=$1 rdb=$2 check=$3 source_dir=$4 scratch=$5
# The templates and components come from this source tree, not from an installed copy.
RDB_DATA_DIR=$source_dir/data
export RDB_DATA_DIR
rm -rf "$scratch"
mkdir -p "$scratch"

fail() {
    echo "$*" >&2
    exit 1
}

if ! "$rdb" --help | grep -q '^  export-qml '; then
    echo "rdb has no export-qml command: the QML report is not checked" >&2
    exit 77
fi
case $mode in
demo)
    "$rdb" --project "$scratch" demo >/dev/null
    report=$scratch/pixel_pipe.qml
    "$rdb" --project "$scratch" export-qml pixel_pipe cmp "$report"
    set --
    ;;
hostile)
    # The revision and the file name would each run a command if any step handed them to a shell.
    rev='a b;$(touch pwned)'
    "$rdb" --project "$scratch" import-xml "$source_dir/tests/qml/hostile.xml" "$rev" fit
    report=$scratch/$rev.qml
    "$rdb" --project "$scratch" export-qml "$rev" fit "$report"
    set -- --expect-texts "$source_dir/tests/qml/hostile_texts.json"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac

status=0
"$check" "$report" "$@" || status=$?
[ "$status" -eq 77 ] && exit 77
[ "$status" -eq 0 ] || fail "the QML engine found faults in $report"

zip=$report.zip
unzip -t "$zip" >/dev/null || fail "unzip -t fails on $zip"
entries=$(unzip -Z1 "$zip") || fail "unzip cannot list $zip"
name=${report##*/}
for expected in "$name" "${name}project" "${name}_files/"; do
    printf '%s\n' "$entries" | grep -Fqx -- "$expected" || fail "$zip has no entry $expected"
done
outside=$(printf '%s\n' "$entries" | grep -E '^/|(^|/)\.\.(/|$)' || true)
[ -z "$outside" ] || fail "$zip holds entries that are absolute or leave their folder: $outside"

for folder in "$scratch" .; do
    [ ! -e "$folder/pwned" ] || fail "a file name ran a command: $folder/pwned exists"
done
echo "the QML report $report and its archive are sound"
