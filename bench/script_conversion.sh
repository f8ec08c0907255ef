#!/usr/bin/env bash
# Simplified-to-traditional conversion of one generated article: folvane-cli
# (GB18030 in and out, so its decoding and encoding are counted) against
# OpenCC's own command-line tool on the same text in UTF-8. Each is run
# three times; the best time counts. Build first with scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
out="bench-results"
mb="${1:-10}"
mkdir -p "$out"
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

ours=$(best "$build/src/cli/folvane-cli" to-traditional --encoding gb18030 "$out/article-gb18030.txt")
theirs=$(best opencc -c s2t.json -i "$out/article-utf8.txt" -o /dev/stdout)
echo "script conversion of a $mb MB article (s2t):"
echo "  folvane-cli to-traditional (GB18030): $ours s"
echo "  opencc -c s2t.json (UTF-8):           $theirs s"
awk "BEGIN{printf \"  ratio: %.2f (target <= 1.30)\n\", $ours / $theirs}"
