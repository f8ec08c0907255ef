#!/usr/bin/env bash
# Peak memory of folvane-cli on a generated article of N MB (default 200),
# for typesetting and every text tool, in GB18030 and UTF-8, as a multiple
# of the input's size. Build first with scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
out="bench-results"
mb="${1:-200}"
mkdir -p "$out"
"$build/bench/generate_article" "$mb" > "$out/memory-gb18030.txt"
"$build/bench/generate_article" "$mb" utf-8 > "$out/memory-utf8.txt"
cli="$build/src/cli/folvane-cli"

measure() {  # label, input file, arguments...
  local label="$1" file="$2"
  shift 2
  local size kb
  size=$(stat -c %s "$file")
  kb=$( { /usr/bin/time -f "%M" nice -n 10 "$cli" "$@" "$file" > /dev/null; } 2>&1 | tail -1)
  awk -v l="$label" -v kb="$kb" -v s="$size" 'BEGIN{printf "  %-34s %6.0f MB peak, %.2f x input\n", l, kb/1024, kb*1024/s}'
}

echo "folvane-cli peak memory on a $mb MB article:"
measure "typeset (GB18030)" "$out/memory-gb18030.txt" --encoding gb18030
measure "typeset (auto: GB18030)" "$out/memory-gb18030.txt"
measure "typeset (UTF-8)" "$out/memory-utf8.txt"
measure "typeset, -o (UTF-8)" "$out/memory-utf8.txt" -o "$out/memory-out"
measure "typeset, joining and noise" "$out/memory-gb18030.txt" --encoding gb18030 \
  --set joinNonParagraphBreaks=1 --set stripHeadNoise=1 --set stripTailNoise=1
for tool in strip-html strip-ubb remove-blank-lines delete-head-spaces upper lower stats title; do
  measure "$tool (GB18030)" "$out/memory-gb18030.txt" "$tool" --encoding gb18030
done
measure "replace (GB18030)" "$out/memory-gb18030.txt" replace --encoding gb18030 "的" "地"
measure "to-traditional (GB18030)" "$out/memory-gb18030.txt" to-traditional --encoding gb18030
rm -rf "$out/memory-out"
