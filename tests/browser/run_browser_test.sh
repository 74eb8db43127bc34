#!/bin/sh
# Writes an HTML report with the tool into a fresh scratch project and checks it in headless Chromium.
# usage: run_browser_test.sh demo|hostile|project RDB PYTHON SOURCE_DIR SCRATCH_DIR
# Exit status: that of check_html_report.py (77: the browser tools are missing), 1 when the tool fails.
set -eu
mode=$1 rdb=$2 python=$3 source_dir=$4 scratch=$5
# The page and panel templates come from this source tree, not from an installed copy.
RDB_DATA_DIR=$source_dir/data
export RDB_DATA_DIR
rm -rf "$scratch"
mkdir -p "$scratch"
case $mode in
demo)
    "$rdb" --project "$scratch" demo >/dev/null
    page=$scratch/output_files/pixel_pipe.cmp.html
    set --
    ;;
hostile)
    "$rdb" --project "$scratch" import-xml "$source_dir/tests/browser/hostile.xml" hostile fit
    "$rdb" --project "$scratch" export-html hostile fit "$scratch/hostile.html"
    page=$scratch/hostile.html
    set -- --hostile
    ;;
project)
    # The demo and the hostile report under a revision name made to break markup, paths and shells.
    revision="he said \"hi\" & 'bye'; <script>window.rdb_pwned=1</script> ../x \\ a||b
'); Qt.quit(); //"
    "$rdb" --project "$scratch" demo >/dev/null 2>&1
    "$rdb" --project "$scratch" import-xml "$source_dir/tests/browser/hostile.xml" "$revision" fit
    "$rdb" --project "$scratch" export-html --all "$scratch/site"
    reports=$("$rdb" --project "$scratch" ls | wc -l)
    exec "$python" "$source_dir/tests/browser/check_html_report.py" --project "$scratch/site/index.html" \
        "$reports" "$revision"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
exec "$python" "$source_dir/tests/browser/check_html_report.py" "$page" "$@"
