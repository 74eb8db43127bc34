#!/bin/sh
# Builds the library and the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into fuzz/build/. Installs clang and its runtime libraries if missing.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build="$here/build"

if ! dpkg -s clang libclang-rt-14-dev >/dev/null 2>&1; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "build.sh: clang and libclang-rt-14-dev are missing; run as root to install them" >&2
        exit 1
    fi
    apt-get update
    apt-get install -y clang libclang-rt-14-dev
fi

cmake -S "$here" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_xml_reader fuzz_binary_loader fuzz_report_writers make_corpus

echo "built: $build/fuzz_xml_reader $build/fuzz_binary_loader $build/fuzz_report_writers"
