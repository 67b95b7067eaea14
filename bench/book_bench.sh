#!/bin/sh
# End-to-end timing of the book commands with the real tool: generates a book of 20 MIF files
# with 1,000,000 words in all (about 50,000 distinct words) into a temporary folder, then runs
# `lexameter word-counts BOOK` and `lexameter report BOOK` and prints, for each, the wall time,
# the CPU time and the peak resident memory (from /usr/bin/time -v).
#
#   bench/book_bench.sh [BUILD_DIR [FILES [WORDS [DISTINCT]]]]     default BUILD_DIR: build
#
# Build first, with optimisation (e.g. cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
# cmake --build build -j2 --target lexameter book_gen). Each command runs RUNS times (default 3);
# set KEEP=1 to keep the generated folder.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in /*) ;; *) build=$here/$build ;; esac
files=${2:-20}
words=${3:-1000000}
distinct=${4:-50000}

tool=$build/host/lexameter
gen=$build/bench/book_gen
for f in "$tool" "$gen"; do
    [ -x "$f" ] || { echo "book_bench: $f is missing: build it first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "book_bench: /usr/bin/time is missing (package 'time')" >&2; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/lexameter-book.XXXXXX")
if [ "${KEEP:-0}" = 1 ]; then
    echo "generated files kept in $dir"
else
    trap 'rm -rf "$dir"' EXIT
fi

"$gen" "$dir" "$files" "$words" "$distinct"
echo "book: $files files, $words words, vocabulary $distinct, $(cat "$dir"/chapter*.mif | wc -c) bytes of MIF"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Runs one command on the book; prints its figures and the first lines of its output.
measure() {
    command=$1
    /usr/bin/time -v -o "$dir/$command.time" "$tool" "$command" "$dir/book.mif" \
        >"$dir/$command.out" 2>"$dir/$command.err" || {
        echo "$command: failed (exit status $?)"; cat "$dir/$command.err" >&2; return 1; }
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/$command.time")
    user=$(sed -n 's/.*User time (seconds): //p' "$dir/$command.time")
    sys=$(sed -n 's/.*System time (seconds): //p' "$dir/$command.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/$command.time")
    printf '%-12s wall %s  user %ss  sys %ss  peak RSS %d MB  (%s lines of output)\n' \
        "$command" "$wall" "$user" "$sys" $((rss / 1024)) "$(wc -l <"$dir/$command.out")"
}

for command in word-counts report; do
    run=0
    while [ "$run" -lt "${RUNS:-3}" ]; do
        measure "$command"
        run=$((run + 1))
    done
done
# The closing figures, to compare runs and builds.
grep -E '^Total unique words' "$dir/word-counts.out" | sed 's/^/    word-counts: /'
grep -E '^Overall' "$dir/report.out" | tr -s ' ' | sed 's/^/    report: /'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
