#!/bin/sh
# Installs the build tree into a scratch prefix, stores the demo report and the hostile report in
# scratch projects, then runs every tests/tcl/*.tcl in a fresh tclsh that finds the package only
# through TCLLIBPATH on that prefix, and compares its output with the script's .golden file.
# usage: run_tcl_tests.sh CMAKE BUILD_DIR LIBDIR RDB TCLSH SOURCE_DIR SCRATCH_DIR [CXX]
# CXX, for a sanitizer build: the compiler whose sanitizer runtimes tclsh must load first.
set -eu
cmake=$1 build=$2 libdir=$3 rdb=$4 tclsh=$5 source_dir=$6 scratch=$7 cxx=${8:-}
preload=${cxx:+$("$cxx" -print-file-name=libasan.so) $("$cxx" -print-file-name=libubsan.so)}
rm -rf "$scratch"
mkdir -p "$scratch/hostile"
"$cmake" --install "$build" --prefix "$scratch/prefix" >/dev/null
"$rdb" --project "$scratch/demo" demo >/dev/null 2>&1
"$rdb" --project "$scratch/hostile" import-xml "$source_dir/tests/browser/hostile.xml" hostile fit
# A revision name that is not UTF-8: two bytes that start no character.
"$rdb" --project "$scratch/hostile" import-xml "$source_dir/tests/browser/hostile.xml" "$(printf 'bytes\377\376')" fit

status=0
for script in "$source_dir"/tests/tcl/*.tcl; do
    name=$(basename "$script" .tcl)
    env -i PATH="$PATH" TCLLIBPATH="$scratch/prefix/$libdir/tcltk" ${preload:+LD_PRELOAD="$preload"} \
        ${preload:+ASAN_OPTIONS=detect_leaks=0} "$tclsh" "$script" "$scratch" "$rdb" >"$scratch/$name.out" 2>&1 || true
    diff -u "$source_dir/tests/tcl/$name.golden" "$scratch/$name.out" && echo "ok   $name" || status=1
done
exit $status
