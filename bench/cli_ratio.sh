#!/usr/bin/env bash
# folvane-cli against one iconv pass over the same file, both measured in
# this run: the default switches and every switch but the script
# conversion, on a generated article as GB18030 with "\r\n" and as UTF-8
# with "\n". Prints the best of RUNS (default 7) wall-clock and processor
# times of each and their ratios.
# Usage: bench/cli_ratio.sh [MEGABYTES] [RUNS]   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
mb="${1:-10}"
runs="${2:-7}"
cli="$build/src/cli/folvane-cli"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
"$build/bench/generate_article" "$mb" > "$dir/gb.txt"
"$build/bench/generate_article" "$mb" utf-8 | sed 's/\r$//' > "$dir/utf8.txt"

every=()
for s in trimParagraphEnds addIndent indentFullWidth lineBreakFix doubleBreak tripleBreak \
  joinNonParagraphBreaks fullToHalfWidth halfToFullWidth fixPunctuation fixQuotes \
  stripHeadNoise stripTailNoise fillBlankLines; do
  every+=(--set "$s=1")
done

# best "wall cpu" seconds of a command over $runs runs
best() {
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %U %S" -o "$dir/t" "$@" > /dev/null
    cat "$dir/t"
  done | awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 + $3 < c { c = $2 + $3 } END { print w, c }'
}

report() {  # name, file, iconv from, iconv to, folvane-cli arguments...
  local name="$1" file="$2" from="$3" to="$4"
  shift 4
  read -r iw ic < <(best iconv -f "$from" -t "$to" "$file")
  read -r fw fc < <(best "$cli" "$@" "$file")
  awk -v n="$name" -v b="$(stat -c %s "$file")" -v fw="$fw" -v fc="$fc" -v iw="$iw" -v ic="$ic" -v c="$from->$to" \
    'BEGIN { printf "%-34s folvane-cli %.3f s (cpu %.3f s, %.0f MB/s)  iconv %s %.3f s (cpu %.3f s)  ratio %.2f (cpu %.2f)\n",
             n, fw, fc, b / 1e6 / (fw > 0 ? fw : 0.001), c, iw, ic, fw / (iw > 0 ? iw : 0.001), fc / (ic > 0 ? ic : 0.001) }'
}

echo "folvane-cli on a ${mb} MB article against one iconv pass, best of $runs (load $(cut -d' ' -f1 /proc/loadavg)):"
report "defaults, UTF-8 LF" "$dir/utf8.txt" UTF-8 GB18030
report "defaults, GB18030 CRLF" "$dir/gb.txt" GB18030 UTF-8 --encoding gb18030
report "every switch but script, UTF-8 LF" "$dir/utf8.txt" UTF-8 GB18030 "${every[@]}"
report "every switch but script, GB18030" "$dir/gb.txt" GB18030 UTF-8 --encoding gb18030 "${every[@]}"
