#!/bin/sh
# End-to-end timing of the book commands with the real tool: generates a book of 20 MIF files
# with 1,000,000 words in all (about 50,000 distinct words) into a temporary folder, then runs
# `lexameter word-counts`, `report`, `check` and `html` on it and prints, for each, the wall time,
# the CPU time and the peak resident memory (from /usr/bin/time -v), and how `check` and `html`
# compare with `report`.
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

tool=$build/tool/lexameter
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

# Runs one command on the book (NAME, then the tool's arguments before the book); prints its
# figures and keeps its wall and CPU seconds in $dir/NAME.seconds, one run a line.
measure() {
    name=$1
    shift
    /usr/bin/time -v -o "$dir/$name.time" "$tool" "$@" "$dir/book.mif" \
        >"$dir/$name.out" 2>"$dir/$name.err" || {
        echo "$name: failed (exit status $?)"; cat "$dir/$name.err" >&2; return 1; }
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/$name.time")
    user=$(sed -n 's/.*User time (seconds): //p' "$dir/$name.time")
    sys=$(sed -n 's/.*System time (seconds): //p' "$dir/$name.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/$name.time")
    printf '%-12s wall %s  user %ss  sys %ss  peak RSS %d MB  (%s lines of output)\n' \
        "$name" "$wall" "$user" "$sys" $((rss / 1024)) "$(wc -l <"$dir/$name.out")"
    echo "$wall $user $sys" | awk '{ n = split($1, t, ":"); w = 0;
        for (i = 1; i <= n; i++) w = w * 60 + t[i]; print w, $2 + $3 }' >>"$dir/$name.seconds"
}

# The commands run in turn within each round, so that a change in the machine's load touches
# them alike; `check` and `html` are compared with `report` on the same book.
run=0
while [ "$run" -lt "${RUNS:-3}" ]; do
    measure word-counts word-counts
    measure report report
    measure check check --max-grade 99
    measure html html -o "$dir/report.html"
    run=$((run + 1))
done
# The closing figures, to compare runs and builds.
grep -E '^Total unique words' "$dir/word-counts.out" | sed 's/^/    word-counts: /'
grep -E '^Overall' "$dir/report.out" | tr -s ' ' | sed 's/^/    report: /'
grep -E '^Overall' "$dir/check.out" | tr -s ' ' | sed 's/^/    check: /'
echo "    html: $(wc -c <"$dir/report.html") bytes"
# Mean wall and CPU seconds of each command, and check and html against report.
mean() { awk -v c="$2" '{ s += $c; n++ } END { printf "%.3f", s / n }' "$dir/$1.seconds"; }
for name in check html; do
    awk -v name="$name" -v w="$(mean "$name" 1)" -v c="$(mean "$name" 2)" \
        -v rw="$(mean report 1)" -v rc="$(mean report 2)" 'BEGIN {
        printf "%-5s / report: wall %.2f (%.3fs / %.3fs), CPU %.2f (%.3fs / %.3fs)\n",
            name, w / rw, w, rw, c / rc, c, rc }'
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
