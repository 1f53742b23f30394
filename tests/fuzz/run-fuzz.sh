#!/bin/sh
# Builds the fuzz targets with clang in a folder of its own and runs each one briefly.
#   run-fuzz.sh <build folder> [seconds per target]     (QMR_FUZZ_SECONDS also sets it)
# A longer run of one target: <build folder>/fuzz_statements -max_total_time=3600 <corpus>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: run-fuzz.sh <build folder> [seconds]}
seconds=${2:-${QMR_FUZZ_SECONDS:-5}}
# A fixed seed keeps the short run the same from one build to the next; QMR_FUZZ_SEED=0 lets
# libFuzzer pick one.
seed=${QMR_FUZZ_SEED:-1}

skip() { echo "fuzz test skipped: $1"; exit 77; }
command -v clang++ >/dev/null 2>&1 || skip "clang++ is not installed (Debian packages clang, libclang-rt-14-dev)"
probe=$(mktemp -d)
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }\n' >"$probe/p.cpp"
clang++ -fsanitize=fuzzer,address "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1 ||
    { rm -rf "$probe"; skip "clang cannot link libFuzzer (Debian package libclang-rt-14-dev)"; }
rm -rf "$probe"

export CCACHE_BASEDIR="$(cd "$here/../.." && pwd)"
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None >/dev/null
cmake --build "$out" -j 2 >"$out/build.log" 2>&1 || { tail -30 "$out/build.log"; exit 1; }

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$here/../lsan.supp:print_suppressions=0"
status=0
for target in clean statements rtf csv; do
    # New inputs go to a corpus in the build folder; the seeds in the tree stay as they are.
    mkdir -p "$out/corpus/$target"
    echo "fuzz_$target: $seconds s"
    if ! (cd "$out" && ./fuzz_$target -seed="$seed" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=4096 -print_final_stats=1 "corpus/$target" "$here/corpus/$target" \
            >"fuzz_$target.log" 2>&1); then
        status=1
        grep -E "RULE BROKEN|ERROR|SUMMARY|Test unit written" "$out/fuzz_$target.log" || tail -20 "$out/fuzz_$target.log"
    fi
    grep -E "^stat::number_of_executed_units|DONE" "$out/fuzz_$target.log" | tail -2 || true
done
exit $status
