#!/bin/sh
# End-to-end timing of a folder of Markdown files measured as a book with the real tool: generates
# FILES files (default 1,000) of WORDS words each (default 1,000) in ten subfolders, then runs
# `lexameter report DIR` and `lexameter word-counts DIR` (or the COMMANDS given, each counted by
# the profiles in COUNTINGS, default "classic") RUNS times each (default 3) and prints
# the wall time, the CPU time, the share of a processor the run got and how often it was
# preempted, and the peak resident memory of each run. The tool neither sleeps nor syncs: a wall
# time well above the CPU time, with a low share and many preemptions, is the machine's load.
#
#   bench/md_folder_bench.sh [BUILD_DIR [FILES [WORDS]]]     default BUILD_DIR: build
#   COMMANDS=stats COUNTINGS="classic precise" bench/md_folder_bench.sh   the two profiles
#
# Build first, with optimisation (cmake --build build -j2 --target lexameter source_gen).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in /*) ;; *) build=$here/$build ;; esac
files=${2:-1000}
words=${3:-1000}

tool=$build/tool/lexameter
gen=$build/bench/source_gen
for f in "$tool" "$gen"; do
    [ -x "$f" ] || { echo "md_folder_bench: $f is missing: build it first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "md_folder_bench: /usr/bin/time is missing (package 'time')" >&2; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/lexameter-docs.XXXXXX")
trap 'rm -rf "$dir"' EXIT
"$gen" "$dir/docs" "$files" "$words"
echo "folder: $files Markdown files of about $words words, $(cat "$dir"/docs/*/*.md | wc -c) bytes"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

for command in ${COMMANDS:-report word-counts}; do
  for counting in ${COUNTINGS:-classic}; do
    run=0
    while [ "$run" -lt "${RUNS:-3}" ]; do
        /usr/bin/time -v -o "$dir/time" "$tool" --counting "$counting" "$command" "$dir/docs" \
            >"$dir/out" 2>"$dir/err" || {
            echo "$command: failed (exit status $?)"; tail -n 3 "$dir/err" >&2; exit 1; }
        wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$dir/time")
        user=$(sed -n 's/.*User time (seconds): //p' "$dir/time")
        sys=$(sed -n 's/.*System time (seconds): //p' "$dir/time")
        rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time")
        share=$(sed -n 's/.*Percent of CPU this job got: //p' "$dir/time")
        preempted=$(sed -n 's/.*Involuntary context switches: //p' "$dir/time")
        printf '%-12s %-8s wall %s  user %ss  sys %ss  cpu %s  preempted %s  peak RSS %d MB\n' \
            "$command" "$counting" "$wall" "$user" "$sys" "$share" "$preempted" $((rss / 1024))
        run=$((run + 1))
    done
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
