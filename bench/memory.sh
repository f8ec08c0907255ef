#!/usr/bin/env bash
# Peak memory of folvane-cli on a generated article of N MB (default 200),
# for typesetting and every text tool, in GB18030 and UTF-8, as a multiple
# of the input's size: once writing to standard output, once into a folder
# (-o DIR), and for typesetting also merged (--merge -o DIR).
# Build first with scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
# The benchmark programs are off in a default build.
[ -x "$build/bench/generate_article" ] || ./scripts/build.sh "$build" -DFOLVANE_BUILD_BENCH=ON
out="bench-results"
mb="${1:-200}"
mkdir -p "$out"
"$build/bench/generate_article" "$mb" > "$out/memory-gb18030.txt"
"$build/bench/generate_article" "$mb" utf-8 > "$out/memory-utf8.txt"
cli="$build/src/cli/folvane-cli"
dir="$out/memory-out"

peak() {  # input file, arguments...: the peak resident size in kB
  local file="$1"
  shift
  { /usr/bin/time -f "%M" nice -n 10 "$cli" "$@" "$file" > /dev/null; } 2>&1 | tail -1
}

measure() {  # label, input file, arguments... (stdout and -o DIR)
  local label="$1" file="$2"
  shift 2
  local size kb kbo
  size=$(stat -c %s "$file")
  kb=$(peak "$file" "$@")
  kbo=$(peak "$file" "$@" -o "$dir")
  awk -v l="$label" -v kb="$kb" -v kbo="$kbo" -v s="$size" 'BEGIN{
    printf "  %-30s stdout %5.0f MB %.2f x | -o %5.0f MB %.2f x\n", l, kb/1024, kb*1024/s, kbo/1024, kbo*1024/s}'
}

measure_merge() {  # label, input file, arguments...
  local label="$1" file="$2"
  shift 2
  local size kb
  size=$(stat -c %s "$file")
  kb=$(peak "$file" "$@" --merge -o "$dir")
  awk -v l="$label" -v kb="$kb" -v s="$size" 'BEGIN{printf "  %-30s --merge -o %5.0f MB %.2f x\n", l, kb/1024, kb*1024/s}'
}

echo "folvane-cli peak memory on a $mb MB article (load: $(uptime | sed 's/.*load/load/')):"
measure "typeset (GB18030)" "$out/memory-gb18030.txt" --encoding gb18030
measure "typeset (auto: GB18030)" "$out/memory-gb18030.txt"
measure "typeset (UTF-8)" "$out/memory-utf8.txt"
tr -d '\r' < "$out/memory-gb18030.txt" > "$out/memory-gb18030-lf.txt"
measure "typeset (auto: GB18030, LF)" "$out/memory-gb18030-lf.txt"
measure "typeset, joining and noise" "$out/memory-gb18030.txt" --encoding gb18030 \
  --set joinNonParagraphBreaks=1 --set stripHeadNoise=1 --set stripTailNoise=1
measure_merge "typeset (GB18030)" "$out/memory-gb18030.txt" --encoding gb18030
measure_merge "typeset (UTF-8)" "$out/memory-utf8.txt"
for tool in strip-html strip-ubb remove-blank-lines delete-head-spaces upper lower; do
  measure "$tool (GB18030)" "$out/memory-gb18030.txt" "$tool" --encoding gb18030
done
for tool in stats title; do
  size=$(stat -c %s "$out/memory-gb18030.txt")
  kb=$(peak "$out/memory-gb18030.txt" "$tool" --encoding gb18030)
  awk -v l="$tool (GB18030)" -v kb="$kb" -v s="$size" 'BEGIN{printf "  %-30s stdout %5.0f MB %.2f x\n", l, kb/1024, kb*1024/s}'
done
measure "replace (GB18030)" "$out/memory-gb18030.txt" replace --encoding gb18030 "的" "地"
if [ "${TRADITIONAL:-1}" = 1 ]; then
  measure "to-traditional (GB18030)" "$out/memory-gb18030.txt" to-traditional --encoding gb18030
fi
rm -rf "$dir"
