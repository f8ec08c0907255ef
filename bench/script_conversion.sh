#!/usr/bin/env bash
# Simplified-to-traditional conversion of 10 MB (or $1 MB) of text:
# folvane-cli (GB18030 in and out, so its decoding and encoding are counted)
# against the converter's own command-line tool, Debian's opencc, on the
# same text in UTF-8, in one run. Two texts: real prose (the sample article
# and the simplified sentences of the converter's test cases, repeated) and
# a generated article. Each program runs three times; the best time counts.
# Build first with scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
# The benchmark programs are off in a default build.
[ -x "$build/bench/generate_article" ] || ./scripts/build.sh "$build" -DFOLVANE_BUILD_BENCH=ON
out="bench-results"
mb="${1:-10}"
mkdir -p "$out"

# Real prose: every simplified input of the test cases and the sample article.
awk -F'\t' '$1 ~ /^s2/ { print $2 }' tests/corrections/data/conversion_cases.tsv > "$out/prose-base.txt"
cat data/sample-article.txt >> "$out/prose-base.txt"
: > "$out/prose-utf8.txt"
while [ "$(stat -c %s "$out/prose-utf8.txt")" -lt $((mb * 1000 * 1000 * 3 / 2)) ]; do
  cat "$out/prose-base.txt" >> "$out/prose-utf8.txt"
done
iconv -f UTF-8 -t GB18030 "$out/prose-utf8.txt" > "$out/prose-gb18030.txt"
"$build/bench/generate_article" "$mb" > "$out/article-gb18030.txt"
"$build/bench/generate_article" "$mb" utf-8 > "$out/article-utf8.txt"

best() {  # best wall time in seconds of three runs of "$@"
  local t best=""
  for _ in 1 2 3; do
    t=$( { /usr/bin/time -f "%e" "$@" > /dev/null; } 2>&1 | tail -1)
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

for text in prose article; do
  size=$(stat -c %s "$out/$text-gb18030.txt")
  ours=$(best "$build/src/cli/folvane-cli" to-traditional --encoding gb18030 "$out/$text-gb18030.txt")
  theirs=$(best opencc -c s2t.json -i "$out/$text-utf8.txt" -o /dev/stdout)
  echo "script conversion (s2t) of the $text, $size bytes in GB18030:"
  echo "  folvane-cli to-traditional (GB18030): $ours s"
  echo "  opencc -c s2t.json (UTF-8):           $theirs s"
  awk "BEGIN{printf \"  ratio: %.2f (target <= 0.50: at least twice as fast)\n\", $ours / $theirs}"
done
